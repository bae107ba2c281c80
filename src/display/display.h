#pragma once
// The one object that talks to the display hardware. It owns the primary surface (what is on
// the screen; held in the own-surface field), in full screen a back buffer attached to it, and
// the draw surface, an off-screen system-memory surface into which every frame is drawn.
// Present shows the draw surface: in full screen by copying it to the back buffer and flipping,
// in a window by a copy to the window's place on the desktop, cut at the desktop's edges.
// It reaches the machine through the installed DisplayPlatform; its surface fields hold the
// platform's own surfaces, which the game module works on directly.
//
// Fields after those of SurfaceControl: 88 window x, 92 window y, 96 width, 100 height,
// 104 draw surface, 108 back buffer, 112 clipper, 116 present count.
#include <cstdint>

#include "display/surface_control.h"

class Display : public SurfaceControl {
  public:
    // The start-up's construction: no parent, position (0, 0), size 0 x 0, priority 64.
    Display(int32_t requestedWidth, int32_t requestedHeight);
    ~Display();

    void* DeletingDestructor(uint32_t flags) override;

    // 1 on success, 0 on failure.
    int32_t Create(void* window, void* instance, int32_t requestedWidth, int32_t requestedHeight,
                   int32_t bytesPerPixel, uint32_t cooperativeFlags);
    void Present();
    void RestoreSurfaces();
    void ResizeDisplay(int32_t newWidth, int32_t newHeight);
    // Makes the full-screen primary and its back buffer anew at the current size, after the
    // platform changed how it shows full screen (its own display mode, or a window form on the
    // desktop): the cooperative level and display mode are asked for again. The draw surface,
    // the records the game holds and the display format stay as they are. False when no primary
    // could be made (the display then shows nothing until it is opened again), and at the
    // windowed levels, which have no full screen to show differently.
    bool ReopenScreen();
    // The window's outer rectangle is here now: a windowed picture's place on the desktop (its
    // client area's corner) follows it; a full-screen picture stays at the screen's corner.
    void FollowWindowFrame(const Rect& frame);

    Surface* primary() const { return ownSurface; }

    int32_t windowX = 0;
    int32_t windowY = 0;
    int32_t width;
    int32_t height;
    Surface* drawSurface = nullptr;
    Surface* backBuffer = nullptr;
    void* clipper = nullptr;
    uint32_t presentCount = 0;
};

// Makes the host's root control, when there is one, draw into the display's current draw
// surface, over its whole size (empty bounds when the display has none).
void PointRootControlAtDrawSurface(const Display& display);

// Whether the cooperative flags ask for a window rather than full screen.
inline bool IsWindowedLevel(uint32_t cooperativeFlags) { return (cooperativeFlags & 8u) != 0; }

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_OFFSET(Display, windowX, 88);
TIDEMARCH_CHECK_OFFSET(Display, width, 96);
TIDEMARCH_CHECK_OFFSET(Display, drawSurface, 104);
TIDEMARCH_CHECK_OFFSET(Display, backBuffer, 108);
TIDEMARCH_CHECK_OFFSET(Display, clipper, 112);
TIDEMARCH_CHECK_OFFSET(Display, presentCount, 116);
TIDEMARCH_CHECK_SIZE(Display, 120);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
