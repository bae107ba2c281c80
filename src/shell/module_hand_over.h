#pragma once
// The hand-over from the host's own first screen to the game module.
#include <string>

#include "controls/screen_module.h"

class ModuleHostPanel;

inline constexpr const char* kGameModulePath = "Main.dll";

struct HandOverResult {
    ModuleHostPanel* panel = nullptr;  // null when the hand-over failed
    ModuleLoadFailure failure = ModuleLoadFailure::None;
    std::string message;  // for a person: the module's name and what is wrong; empty on success
};

// Creates the ModuleHostPanel, which loads the game module and asks it for its first screen,
// and makes the panel the current screen of ApplicationInfo and the DrawRoot, UpdateRoot and
// InputRoot. The screen that held them before is left as it is, for its owner to keep or delete.
// On failure the panel is deleted again and the roots and the current screen stay as they were;
// a module that was loaded stays loaded (it may have made objects of its own).
HandOverResult HandOverToGameModule(ScreenModulePlatform& platform, const char* path = kGameModulePath);
