#pragma once
// A control with a surface of its own: a drawing target (its surface receives what the tree
// draws, relative to its position) and, inside a tree, an image that copies its surface into the
// target between its children of negative and non-negative priority.
//
// Fields after those of Control: 80 own surface (not owned), 84 fill colour.
#include "controls/control.h"
#include "display/surface.h"

class SurfaceControl : public Control {
  public:
    using Control::Control;

    void* DeletingDestructor(uint32_t flags) override;
    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override;

    Surface* ownSurface = nullptr;
    uint32_t fillColour = 0;
};

// The control the frame loop draws every frame into; it wraps the display's draw surface.
class RootControl : public SurfaceControl {
  public:
    using SurfaceControl::SurfaceControl;
    void* DeletingDestructor(uint32_t flags) override;
};

// Draws a tree into a target: the clip is a copy of the given rectangle, or of the target's
// bounds when none is given; the origin is (0, 0).
void DrawTree(Control* root, SurfaceControl* target, const Rect* clip);

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(SurfaceControl, 88);
TIDEMARCH_CHECK_OFFSET(SurfaceControl, ownSurface, 80);
TIDEMARCH_CHECK_OFFSET(SurfaceControl, fillColour, 84);
TIDEMARCH_CHECK_SIZE(RootControl, 88);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
