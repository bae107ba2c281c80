#pragma once
// Controls that show sprites: an animation that steps a frame counter each update, the mouse
// cursor built on it, and a single picture.
//
// AnimatedSprite fields after those of Control: 80 frame counter, 84 sprite bundle.
// MouseCursor adds: 88 last left-button point (x, y), 96 last right-button point (x, y),
// 104 screen cursor position (x, y), 112 one value the host does not use.
// ImageControl adds: 80 sprite.
// None of them owns its sprites: they belong to the sprite file they came from.
#include <cstdint>

#include "controls/control.h"

class SpriteBundle;
class SpriteRenderer;

class AnimatedSprite : public Control {
  public:
    // Control(parent, x, y, x, y, priority), frame counter 0, then SetSprite(bundle).
    AnimatedSprite(Control* parent, int32_t x, int32_t y, SpriteBundle* bundle, int16_t priority = 64);

    void* DeletingDestructor(uint32_t flags) override;
    // Steps the frame counter (when Active) and updates the children.
    void Update() override;
    // A negative frame counter hides the control and its children.
    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override;

    // Stores the bundle and, when there is one, takes its offset and bounds.
    void SetSprite(SpriteBundle* bundle);

    int32_t frameCounter = 0;
    SpriteBundle* bundle = nullptr;

  protected:
    // Draws the frame the counter selects, if the bundle has frames.
    void DrawCurrentFrame(SurfaceControl* target, const Rect& clip, const Point& origin);
};

class MouseCursor : public AnimatedSprite {
  public:
    // Without a parent, at (0, 0), with the cursor's priority above everything else.
    MouseCursor();

    void* DeletingDestructor(uint32_t flags) override;
    // Records the button points; never consumes a message (children may).
    Control* HandleMessage(WindowMessage* message) override;
    // Moves to the platform's pointer, then draws; a negative counter hides only the own frame.
    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override;

    static constexpr int16_t kPriority = 32767;

    Point leftButton{0, 0};
    Point rightButton{0, 0};
    Point screenPosition{0, 0};
    int32_t unused = 0;
};

class ImageControl : public Control {
  public:
    // Takes the sprite's offset and bounds when there is a sprite.
    ImageControl(Control* parent, int32_t x, int32_t y, SpriteRenderer* sprite);

    void* DeletingDestructor(uint32_t flags) override;
    void Draw(SurfaceControl* target, Rect* clip, Point* origin) override;

    SpriteRenderer* sprite = nullptr;
};

// Bundle addresses below this stand for no bundle.
inline constexpr uintptr_t kLowestBundleAddress = 256;

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(AnimatedSprite, 88);
TIDEMARCH_CHECK_OFFSET(AnimatedSprite, frameCounter, 80);
TIDEMARCH_CHECK_OFFSET(AnimatedSprite, bundle, 84);
TIDEMARCH_CHECK_SIZE(MouseCursor, 116);
TIDEMARCH_CHECK_OFFSET(MouseCursor, leftButton, 88);
TIDEMARCH_CHECK_OFFSET(MouseCursor, rightButton, 96);
TIDEMARCH_CHECK_OFFSET(MouseCursor, screenPosition, 104);
TIDEMARCH_CHECK_OFFSET(MouseCursor, unused, 112);
TIDEMARCH_CHECK_SIZE(ImageControl, 84);
TIDEMARCH_CHECK_OFFSET(ImageControl, sprite, 80);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
