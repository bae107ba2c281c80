#include "control_classes/panel.h"

namespace {
using control_flags::TransitionField;
constexpr uint16_t kOutsideTransition = uint16_t(~control_flags::TransitionMask);
// A panel opens without taking input; input comes when the opening transition completes.
constexpr uint16_t kOpeningVisibleActive =
    TransitionField(TransitionState::Opening) | control_flags::Visible | control_flags::Active;
constexpr uint16_t kOpenWithInput = TransitionField(TransitionState::Open) | control_flags::InputEnabled;
// A completed close hides the panel and stops its updates and input.
constexpr uint16_t kKeepOnClosed =
    kOutsideTransition &
    uint16_t(~(control_flags::Visible | control_flags::InputEnabled | control_flags::Active));
constexpr uint16_t kClosedHidden = TransitionField(TransitionState::Closed);

// Moves a value toward its target by at most the blend step.
int32_t StepToward(int32_t value, int32_t target) {
    int64_t distance = int64_t(target) - value;
    if (distance > kBlendStepLimit) return value + kBlendStepLimit;
    if (distance < -kBlendStepLimit) return value - kBlendStepLimit;
    return target;
}
}  // namespace

void* Panel::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void Panel::Open() { flags = uint16_t((flags & kOutsideTransition) | kOpeningVisibleActive); }

int32_t Panel::Notify(Control*, int32_t, int32_t) { return 0; }

int32_t TransitionStep(int32_t delta) {
    if (delta <= -8 || delta >= 8) return delta / 4;
    if (delta <= -4 || delta >= 4) return delta / 2;
    return delta < 0 ? -1 : delta > 0 ? 1 : 0;
}

void* TransitionPanel::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void TransitionPanel::Update() {
    if (!HasFlag(control_flags::Active)) return;
    TransitionState state = Transition();
    if (state == TransitionState::Opening || state == TransitionState::Closing) {
        if (x != targetX || y != targetY) {
            // Differences are taken in 64 bits so that far-apart positions step without overflow.
            auto step = [](int32_t from, int32_t to) {
                int64_t delta = int64_t(to) - from;
                if (delta > INT32_MAX) delta = INT32_MAX;
                if (delta < INT32_MIN) delta = INT32_MIN;
                return TransitionStep(int32_t(delta));
            };
            MoveBy(step(x, targetX), step(y, targetY));
        }
        if (effect != targetEffect) SetEffect(StepToward(effect, targetEffect));
        if (alpha != targetAlpha) SetAlpha(StepToward(alpha, targetAlpha));
        if (x == targetX && y == targetY && alpha == targetAlpha && effect == targetEffect) {
            if (state == TransitionState::Opening)
                flags = uint16_t((flags & kOutsideTransition) | kOpenWithInput);
            else
                flags = uint16_t((flags & kKeepOnClosed) | kClosedHidden);
        }
    }
    UpdateChildren();
}
