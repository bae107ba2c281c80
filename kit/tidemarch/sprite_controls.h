#pragma once
// The controls that show sprites of a loaded sprite file: an animation, the host's mouse
// pointer built on it, a single picture, and a counter drawn with digit sprites. None of them
// owns its sprites: they belong to the sprite file. Their code is kit/source/sprite_controls.cpp
// and number_display.cpp, with the host's rules.
#include "tidemarch/controls.h"
#include "tidemarch/sprites.h"

namespace tidemarch {

// Bundle addresses below this stand for no bundle.
inline constexpr uintptr_t kLowestBundleAddress = 256;

// Draws the sprite with its top-left corner at (x, y) in client-area pixels into the view's
// surface, clipped to the clip rectangle and the view's bounds, as the host's controls do.
void DrawInView(SpriteRenderer* sprite, SurfaceControl* view, int32_t x, int32_t y, const Rect& clip,
                int32_t alpha, int32_t effect);

// An animation: the frame counter advances by one per update and selects one frame every
// bundle-value steps; a negative counter hides the control and its children.
class AnimatedSprite : public Control {
  public:
    // Control(parent, x, y, x, y, priority), frame counter 0, then SetSprite(bundle).
    AnimatedSprite(Control* parent, int32_t x, int32_t y, SpriteBundle* bundle, int16_t priority = 64);
    TIDEMARCH_SLOT0_OVERRIDE(AnimatedSprite);
    void Update() override;
    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override;

    // Stores the bundle and, when there is one, takes its offset and bounds.
    void SetSprite(SpriteBundle* bundle);

    int32_t frameCounter;
    SpriteBundle* spriteBundle;

  protected:
    void DrawCurrentFrame(SurfaceControl* target, const Rect& clip, const Point& origin);
};

// The host's mouse pointer (EngineInfo::mouseCursor): the module gives it its bundle with
// SetSprite and reads the button points. Only the host makes it and runs its slots.
class MouseCursor : public AnimatedSprite {
  public:
    MouseCursor() = delete;
    Point leftButton;      // the last left-button down or up, client-area pixels
    Point rightButton;     // the last right-button down or up
    Point screenPosition;  // the platform's cursor position when last drawn
    int32_t unused;
};

// Shows one sprite renderer at its position.
class ImageControl : public Control {
  public:
    // Control(parent, x, y, 0, 0, 64); takes the sprite's offset and bounds when there is one.
    ImageControl(Control* parent, int32_t x, int32_t y, SpriteRenderer* sprite);
    TIDEMARCH_SLOT0_OVERRIDE(ImageControl);
    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override;

    SpriteRenderer* sprite;
};

// An object a module attaches to a number display, destroyed with it through its slot 0.
class AttachedObject {
  public:
#if TIDEMARCH_KIT_MSVC_ABI
    virtual ~AttachedObject() = default;
#else
    virtual void* DeletingDestructor(uint32_t deleteFlags) = 0;

  protected:
    ~AttachedObject() = default;
#endif
};

namespace digit_value {
inline constexpr int32_t Blank = 10;
inline constexpr int32_t Minus = 11;
}  // namespace digit_value

// Shows an integer with digit sprites and counts visibly toward a new target. Slots 6 and 7 move
// the target by the step within the limits and notify a parent that takes notifications.
class NumberDisplay : public Control {
  public:
    static constexpr int32_t kMaxDigits = 32;
    // The Notify code a parent receives for a changed target.
    static constexpr int32_t kChangedNotice = 2;

    // fixedCount > 0: that many positions from x; 0: as many as needed, centred on x; < 0: as
    // many as needed, from x.
    NumberDisplay(Control* parent, SpriteBundle* digitBundle, int32_t fixedCount, int32_t x, int32_t y);
    TIDEMARCH_SLOT0_DESTRUCTOR(NumberDisplay);
    void Update() override;
    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override;
    virtual void Increment();  // slot 6
    virtual void Decrement();  // slot 7

    // Shows the value at once, without counting.
    void SetValue(int32_t value);

    int32_t minimum = 0;
    int32_t maximum = 0x7FFFFFFF;
    int32_t reserved = 0;
    int32_t fixedDigitCount;
    int32_t shownValue = 0;
    int32_t targetValue = 0;
    int32_t digits[kMaxDigits] = {};  // most significant first: 0-9, 10 blank, 11 minus
    int32_t digitCount = 0;
    int32_t step = 1;
    // Objects with a slot 0 that go with the display (B, then A); the host never sets them.
    AttachedObject* ownedA = nullptr;
    AttachedObject* ownedB = nullptr;
    SpriteBundle* digitBundle;  // frame k shows digit value k (bundle value 1)

  private:
    void ComputeDigits();
    void ChangeTarget(int64_t amount);
};

}  // namespace tidemarch

#if TIDEMARCH_KIT_LAYOUT
TIDEMARCH_KIT_CHECKS_BEGIN
TIDEMARCH_KIT_SIZE(tidemarch::AnimatedSprite, 88);
TIDEMARCH_KIT_OFFSET(tidemarch::AnimatedSprite, frameCounter, 80);
TIDEMARCH_KIT_OFFSET(tidemarch::AnimatedSprite, spriteBundle, 84);
TIDEMARCH_KIT_SIZE(tidemarch::MouseCursor, 116);
TIDEMARCH_KIT_OFFSET(tidemarch::MouseCursor, leftButton, 88);
TIDEMARCH_KIT_OFFSET(tidemarch::MouseCursor, rightButton, 96);
TIDEMARCH_KIT_OFFSET(tidemarch::MouseCursor, screenPosition, 104);
TIDEMARCH_KIT_SIZE(tidemarch::ImageControl, 84);
TIDEMARCH_KIT_OFFSET(tidemarch::ImageControl, sprite, 80);
TIDEMARCH_KIT_SIZE(tidemarch::NumberDisplay, 252);
TIDEMARCH_KIT_OFFSET(tidemarch::NumberDisplay, fixedDigitCount, 92);
TIDEMARCH_KIT_OFFSET(tidemarch::NumberDisplay, digits, 104);
TIDEMARCH_KIT_OFFSET(tidemarch::NumberDisplay, digitCount, 232);
TIDEMARCH_KIT_OFFSET(tidemarch::NumberDisplay, ownedA, 240);
TIDEMARCH_KIT_OFFSET(tidemarch::NumberDisplay, digitBundle, 248);
TIDEMARCH_KIT_CHECKS_END
#endif
