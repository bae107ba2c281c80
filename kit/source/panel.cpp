// The panel family as a module runs it, with the host's transition rules.
#include "tidemarch/controls.h"

namespace tidemarch {

namespace {
constexpr uint16_t kOutsideTransition = uint16_t(~control_flags::TransitionMask);
constexpr uint16_t kOpening = 0x0100;
constexpr uint16_t kOpen = 0x0200;
constexpr uint16_t kClosing = 0x0400;
constexpr uint16_t kClosed = 0x0500;
// A panel opens without taking input; input comes when the opening transition completes.
constexpr uint16_t kOpeningVisibleActive = kOpening | control_flags::Visible | control_flags::Active;
constexpr uint16_t kOpenWithInput = kOpen | control_flags::InputEnabled;
// A completed close hides the panel and stops its updates and input.
constexpr uint16_t kKeepOnClosed =
    kOutsideTransition &
    uint16_t(~(control_flags::Visible | control_flags::InputEnabled | control_flags::Active));

// The value one update moves toward its target: at most this far.
constexpr int32_t kBlendStepLimit = 32;

int32_t StepToward(int32_t value, int32_t target) {
    int64_t distance = int64_t(target) - value;
    if (distance > kBlendStepLimit) return value + kBlendStepLimit;
    if (distance < -kBlendStepLimit) return value - kBlendStepLimit;
    return target;
}

// The step toward a far target, with the difference taken in 64 bits so that far-apart
// positions step without overflow.
int32_t PositionStep(int32_t from, int32_t to) {
    int64_t delta = int64_t(to) - from;
    if (delta > INT32_MAX) delta = INT32_MAX;
    if (delta < INT32_MIN) delta = INT32_MIN;
    return TransitionStep(int32_t(delta));
}
}  // namespace

void Panel::Open() { flags = uint16_t((flags & kOutsideTransition) | kOpeningVisibleActive); }

int32_t Panel::Notify(Control*, int32_t, int32_t) { return 0; }

int32_t TransitionStep(int32_t delta) {
    if (delta <= -8 || delta >= 8) return delta / 4;
    if (delta <= -4 || delta >= 4) return delta / 2;
    return delta < 0 ? -1 : delta > 0 ? 1 : 0;
}

void TransitionPanel::Update() {
    if (!HasFlag(control_flags::Active)) return;
    uint16_t state = uint16_t(flags & control_flags::TransitionMask);
    if (state == kOpening || state == kClosing) {
        if (x != targetX || y != targetY) MoveBy(PositionStep(x, targetX), PositionStep(y, targetY));
        if (effect != targetEffect) SetEffect(StepToward(effect, targetEffect));
        if (alpha != targetAlpha) SetAlpha(StepToward(alpha, targetAlpha));
        if (x == targetX && y == targetY && alpha == targetAlpha && effect == targetEffect) {
            if (state == kOpening)
                flags = uint16_t((flags & kOutsideTransition) | kOpenWithInput);
            else
                flags = uint16_t((flags & kKeepOnClosed) | kClosed);
        }
    }
    UpdateChildren();
}

}  // namespace tidemarch
