#pragma once
// The portable part of CreateHostObjects, the last step of the start-up, which runs once the
// display and the root control exist. The platform's part (hiding its own pointer, installing
// what the screens find) runs between the two steps.
class Control;

// FrameInterval 40 ms, BackgroundClear on, the network manager stored in ApplicationInfo, and
// the mouse cursor: a MouseCursor without parent, at the highest priority, without a sprite
// until a screen gives it one (null when it could not be allocated).
void CreateFrameSettingsAndCursor();

// Makes the first screen (which may be null) ApplicationInfo's current screen and the DrawRoot,
// UpdateRoot and InputRoot, stores the window in ApplicationInfo, and opens the screen.
void InstallFirstScreen(Control* firstScreen);
