#pragma once
// A number drawn with digit sprites that counts visibly toward a new value.
//
// NumberDisplay fields after those of Control: 80 minimum, 84 maximum, 88 reserved,
// 92 fixed digit count, 96 shown value, 100 target value, 104 digits (32 entries), 232 digit
// count, 236 step, 240 owned object A, 244 owned object B, 248 digit bundle.
// Slots 6 Increment and 7 Decrement follow those of Control (there is no Notify slot).
#include <cstdint>

#include "controls/control.h"

class SpriteBundle;

// An object a game module may attach to a number display; destroyed through its slot 0.
class AttachedObject {
  public:
    virtual void* DeletingDestructor(uint32_t flags) = 0;

  protected:
    ~AttachedObject() = default;
};

namespace digit_value {
inline constexpr int32_t Blank = 10;
inline constexpr int32_t Minus = 11;
}  // namespace digit_value

// The notification code a number display sends its parent when its target changes.
inline constexpr int32_t kNumberChangedNotice = 2;

class NumberDisplay : public Control {
  public:
    // fixedDigitCount: positive for exactly that many positions from x; 0 for as many as the
    // value needs, centred on x; negative for as many as it needs, from x.
    NumberDisplay(Control* parent, SpriteBundle* digitBundle, int32_t fixedDigitCount, int32_t x, int32_t y);

    void* DeletingDestructor(uint32_t flags) override;
    // Counts the shown value toward the target in jumps that shrink near it.
    void Update() override;
    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override;
    // Slots 6 and 7: move the target by the step, within the limits, and tell a parent that
    // takes notifications.
    virtual void Increment();
    virtual void Decrement();

    // Shows a value at once, without counting.
    void SetValue(int32_t value);
    // Recomputes the digit positions from the shown value.
    void ComputeDigits();

    static constexpr int32_t kMaxDigits = 32;

    int32_t minimum = 0;
    int32_t maximum = INT32_MAX;
    int32_t reserved = 0;
    int32_t fixedDigitCount;
    int32_t shownValue = 0;
    int32_t targetValue = 0;
    int32_t digits[kMaxDigits] = {};
    int32_t digitCount = 0;
    int32_t step = 1;
    AttachedObject* ownedA = nullptr;
    AttachedObject* ownedB = nullptr;
    SpriteBundle* digitBundle;

    ~NumberDisplay();

  private:
    void ChangeTarget(int64_t amount);
};

// The jump one update makes over a distance between shown and target value.
int32_t CountingStep(int64_t distance);

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(NumberDisplay, 252);
TIDEMARCH_CHECK_OFFSET(NumberDisplay, minimum, 80);
TIDEMARCH_CHECK_OFFSET(NumberDisplay, maximum, 84);
TIDEMARCH_CHECK_OFFSET(NumberDisplay, reserved, 88);
TIDEMARCH_CHECK_OFFSET(NumberDisplay, fixedDigitCount, 92);
TIDEMARCH_CHECK_OFFSET(NumberDisplay, shownValue, 96);
TIDEMARCH_CHECK_OFFSET(NumberDisplay, targetValue, 100);
TIDEMARCH_CHECK_OFFSET(NumberDisplay, digits, 104);
TIDEMARCH_CHECK_OFFSET(NumberDisplay, digitCount, 232);
TIDEMARCH_CHECK_OFFSET(NumberDisplay, step, 236);
TIDEMARCH_CHECK_OFFSET(NumberDisplay, ownedA, 240);
TIDEMARCH_CHECK_OFFSET(NumberDisplay, ownedB, 244);
TIDEMARCH_CHECK_OFFSET(NumberDisplay, digitBundle, 248);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
