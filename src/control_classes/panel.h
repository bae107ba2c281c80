#pragma once
// Panels: controls with a notification slot, and the transition panel that slides and fades
// toward target values while it opens or closes.
//
// Panel adds no fields; slot 1 is its own Open (input is left as it was) and slot 6 is Notify.
// TransitionPanel fields after those of Control: 80 target x, 84 target y, 88 target alpha,
// 92 target effect. Its slot 3 Update runs the transition.
#include <cstdint>

#include "controls/control.h"

class Panel : public Control {
  public:
    using Control::Control;

    void* DeletingDestructor(uint32_t flags) override;
    // Opening: visible and updated at once; input only when a transition completes.
    void Open() override;
    // Slot 6. Children that report to their parent call it; the base answers 0.
    virtual int32_t Notify(Control* sender, int32_t code, int32_t param);
};

class TransitionPanel : public Panel {
  public:
    using Panel::Panel;

    void* DeletingDestructor(uint32_t flags) override;
    // While opening or closing: one step of position, effect and alpha toward the targets, and
    // the state change on arrival; then the children are updated, transition or not.
    void Update() override;

    int32_t targetX = 0;
    int32_t targetY = 0;
    int32_t targetAlpha = 256;
    int32_t targetEffect = 0;
};

// One update's step of a position delta: a quarter of it from 8 pixels on, a half from 4 on,
// else one pixel (divisions truncate toward zero).
int32_t TransitionStep(int32_t delta);

// The value one update moves toward its target: at most this far.
inline constexpr int32_t kBlendStepLimit = 32;

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(Panel, 80);
TIDEMARCH_CHECK_SIZE(TransitionPanel, 96);
TIDEMARCH_CHECK_OFFSET(TransitionPanel, targetX, 80);
TIDEMARCH_CHECK_OFFSET(TransitionPanel, targetY, 84);
TIDEMARCH_CHECK_OFFSET(TransitionPanel, targetAlpha, 88);
TIDEMARCH_CHECK_OFFSET(TransitionPanel, targetEffect, 92);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
