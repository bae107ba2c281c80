#pragma once
// The presentation modes on Windows: the player's choice read at start (TIDEMARCH_DISPLAY, or
// the value "Display" under the edition's registry key), the window's form and place, the
// display platform told where the picture goes, the pointer and mouse messages taken back into
// the game's coordinates, and Alt+Enter between full screen and the chosen window form. The game
// sees full screen throughout.
#include <windows.h>

#include <cstdint>

#include "common/geometry.h"

// Reads the choice; a choice that is not understood is refused in a message box that says what
// is accepted, and full screen is used. A desktop that cannot show a scaled picture keeps full
// screen, with a note on the debugger output.
void ChoosePresentation(const char* editionRegistryKey);

struct HostWindowShape {
    DWORD style;
    RECT outer;
};

// The window the start-up makes for a game picture of the given size: the full-screen one the
// cooperative level asks for (fullScreenStyle at the request's place and size), or the chosen
// window form's.
HostWindowShape InitialWindowShape(int32_t x, int32_t y, int32_t outerWidth, int32_t outerHeight,
                                   DWORD fullScreenStyle, int32_t gameWidth, int32_t gameHeight);
// Once the window exists and before the display is made on it: the display platform learns the
// window form.
void PresentationWindowCreated(HWND window);
// Once the display exists: a window form that gave the display no screen falls back to full
// screen.
void PresentationDisplayCreated();

// Called for every message the frame loop takes. Alt+Enter switches the form and becomes a
// message of no meaning (WM_NULL); in a window form, mouse positions become game coordinates.
void AdaptPresentationInput(MSG* message);

// The game's pointer position: the platform's pointer, in a window form taken back through the
// picture's scale and place and held to its edges.
bool PresentedPointerPosition(Point* position);

// The window was uncovered or changed: its client area is painted whole at the next present.
void PresentationNeedsRepaint();

// Whether the game is shown in a window form now.
bool PresentationInWindow();
// After the game resized its picture: the window form is arranged for the new size.
void PresentationGameResized();
