// The number display as a module runs it, with the host's digits, counting and drawing.
#include "tidemarch/sprite_controls.h"

namespace tidemarch {

namespace {
// Jumps of the visible count, largest first, each taken while the distance is above it.
constexpr int32_t kCountingSteps[] = {123456, 12345, 1234, 123, 12};

int32_t CountingStep(int64_t distance) {
    for (int32_t jump : kCountingSteps)
        if (distance > jump) return jump;
    return 1;
}

int32_t DecimalDigits(uint32_t magnitude) {
    int32_t count = 0;
    for (; magnitude != 0; magnitude /= 10)
        ++count;
    return count;
}

int32_t Held(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return int32_t(value);
}

void DestroyAttached(AttachedObject* object) {
    if (!object) return;
#if TIDEMARCH_KIT_MSVC_ABI
    delete object;
#else
    object->DeletingDestructor(kDeleteMemory);
#endif
}
}  // namespace

NumberDisplay::NumberDisplay(Control* parentControl, SpriteBundle* bundle, int32_t fixedCount, int32_t x1,
                             int32_t y1)
    : Control(parentControl, x1, y1, 0, 0, 64), fixedDigitCount(fixedCount), digitBundle(bundle) {
    ComputeDigits();
}

NumberDisplay::~NumberDisplay() {
    DestroyAttached(ownedB);
    DestroyAttached(ownedA);
}

#if !TIDEMARCH_KIT_MSVC_ABI
void* NumberDisplay::DeletingDestructor(uint32_t deleteFlags) {
    return RunDeletingDestructor(this, deleteFlags);
}
#endif

void NumberDisplay::SetValue(int32_t value) {
    shownValue = targetValue = value;
    ComputeDigits();
}

// A negative value shows the digits of its magnitude with a minus sign in the position just
// before the first digit: an extra position with automatic width; with a fixed count the blank
// before the first digit, or the first position when the digits fill every one.
void NumberDisplay::ComputeDigits() {
    const bool negative = shownValue < 0;
    uint32_t magnitude = negative ? 0u - uint32_t(shownValue) : uint32_t(shownValue);
    int32_t count = fixedDigitCount > 0 ? (fixedDigitCount < kMaxDigits ? fixedDigitCount : kMaxDigits)
                                        : DecimalDigits(magnitude) + (negative ? 1 : 0);
    digitCount = count;
    int32_t firstDigit = count;
    for (int32_t position = count - 1; position >= 0; --position) {
        if (position == count - 1 || magnitude != 0) {
            digits[position] = int32_t(magnitude % 10);
            magnitude /= 10;
            firstDigit = position;
        } else {
            digits[position] = digit_value::Blank;
        }
    }
    if (negative && count > 0) digits[firstDigit > 0 ? firstDigit - 1 : 0] = digit_value::Minus;
}

void NumberDisplay::Update() {
    if (!HasFlag(control_flags::Active)) return;
    if (shownValue != targetValue) {
        int64_t distance = int64_t(targetValue) - shownValue;
        int32_t jump = CountingStep(distance < 0 ? -distance : distance);
        shownValue = int32_t(distance < 0 ? int64_t(shownValue) - jump : int64_t(shownValue) + jump);
        ComputeDigits();
    }
    UpdateChildren();
}

void NumberDisplay::ChangeTarget(int64_t amount) {
    targetValue = Held(int64_t(targetValue) + amount);
    // The digits are recomputed before the parent hears of the change: its Notify may destroy
    // this display.
    ComputeDigits();
    if (parent && parent->HasFlag(control_flags::NotifyTarget))
        static_cast<Panel*>(parent)->Notify(this, kChangedNotice, 0);
}

void NumberDisplay::Increment() {
    if (targetValue >= maximum) return;
    int64_t room = int64_t(maximum) - targetValue;
    ChangeTarget(step < room ? step : room);
}

void NumberDisplay::Decrement() {
    if (targetValue <= minimum) return;
    int64_t room = int64_t(targetValue) - minimum;
    ChangeTarget(-(step < room ? step : room));
}

void NumberDisplay::Draw(SurfaceControl* target, Rect* clip, Point* origin) {
    if (!HasFlag(control_flags::Visible)) return;
    Control* rest = DrawMembersBehind(target, clip, origin);
    const SpriteBundle* bundle = digitBundle;
    if (bundle && target) {
        const int64_t advance = int64_t(bundle->bounds.right) - bundle->bounds.left;
        const int32_t count = digitCount < 0 ? 0 : digitCount > kMaxDigits ? kMaxDigits : digitCount;
        const int64_t shift = fixedDigitCount == 0 ? advance * count / 2 : 0;
        int64_t penX = int64_t(origin->x) + x + offsetX - shift;
        int64_t penY = int64_t(origin->y) + y + offsetY;
        const int32_t stepsPerFrame = bundle->bundleValue > 0 ? bundle->bundleValue : 1;
        for (int32_t position = 0; position < count; ++position) {
            if (bundle->frameCount != 0 && bundle->frames) {
                // Digit values are 0 to 11; anything written outside that wraps round the table.
                int32_t frame = (digits[position] / stepsPerFrame) % int32_t(bundle->frameCount);
                if (frame < 0) frame += bundle->frameCount;
                if (bundle->frameRecords) {
                    penX += int32_t(bundle->frameRecords[frame].offsetX);
                    penY += int32_t(bundle->frameRecords[frame].offsetY);
                }
                DrawInView(bundle->frames[frame], target, Held(penX), Held(penY), *clip, alpha, effect);
            }
            penX += advance;
        }
    }
    DrawMembersFrom(rest, target, clip, origin);
}

}  // namespace tidemarch
