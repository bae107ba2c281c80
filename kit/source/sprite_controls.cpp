// The sprite controls as a module runs them, with the host's drawing rules.
#include "tidemarch/sprite_controls.h"

namespace tidemarch {

namespace {
int64_t Larger(int64_t a, int64_t b) { return a > b ? a : b; }
int64_t Smaller(int64_t a, int64_t b) { return a < b ? a : b; }

// A coordinate sum taken in 64 bits and held to the range of int32_t: far outside any surface,
// it stays far outside instead of wrapping into it.
int32_t Held(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return int32_t(value);
}

bool IsBundle(const SpriteBundle* bundle) { return uintptr_t(bundle) >= kLowestBundleAddress; }
}  // namespace

void DrawInView(SpriteRenderer* sprite, SurfaceControl* view, int32_t x, int32_t y, const Rect& clip,
                int32_t alpha, int32_t effect) {
    if (!sprite || !view || !view->ownSurface) return;
    const int64_t ox = view->x;
    const int64_t oy = view->y;
    const Rect& v = view->bounds;
    const Rect local{Held(Larger(clip.left, v.left + ox) - ox), Held(Larger(clip.top, v.top + oy) - oy),
                     Held(Smaller(clip.right, v.right + ox) - ox),
                     Held(Smaller(clip.bottom, v.bottom + oy) - oy)};
    sprite->Draw(view->ownSurface, Held(x - ox), Held(y - oy), local, alpha, effect);
}

AnimatedSprite::AnimatedSprite(Control* parentControl, int32_t x1, int32_t y1, SpriteBundle* bundle,
                               int16_t priorityValue)
    : Control(parentControl, x1, y1, x1, y1, priorityValue), frameCounter(0), spriteBundle(nullptr) {
    SetSprite(bundle);
}

void AnimatedSprite::SetSprite(SpriteBundle* bundle) {
    spriteBundle = bundle;
    if (!IsBundle(bundle)) return;
    offsetX = bundle->offsetX;
    offsetY = bundle->offsetY;
    bounds = bundle->bounds;
}

void AnimatedSprite::Update() {
    if (!HasFlag(control_flags::Active)) return;
    // The counter wraps at the top of the range instead of overflowing into the hidden values.
    frameCounter = frameCounter == INT32_MAX ? 0 : frameCounter + 1;
    UpdateChildren();
}

void AnimatedSprite::DrawCurrentFrame(SurfaceControl* target, const Rect& clip, const Point& origin) {
    SpriteBundle* bundle = spriteBundle;
    if (frameCounter < 0 || !IsBundle(bundle) || bundle->frameCount == 0 || !bundle->frames) return;
    // A bundle value below 1 would divide by zero; such a bundle shows one frame per step.
    const int32_t stepsPerFrame = bundle->bundleValue > 0 ? bundle->bundleValue : 1;
    const int32_t index = (frameCounter / stepsPerFrame) % int32_t(bundle->frameCount);
    SpriteRenderer* frame = bundle->frames[index];
    if (!frame || !target) return;
    const int64_t frameX = bundle->frameRecords ? int32_t(bundle->frameRecords[index].offsetX) : 0;
    const int64_t frameY = bundle->frameRecords ? int32_t(bundle->frameRecords[index].offsetY) : 0;
    DrawInView(frame, target, Held(int64_t(origin.x) + x + offsetX + frameX),
               Held(int64_t(origin.y) + y + offsetY + frameY), clip, alpha, effect);
}

void AnimatedSprite::Draw(SurfaceControl* target, Rect* clip, Point* origin) {
    if (!HasFlag(control_flags::Visible) || frameCounter < 0) return;
    Control* rest = DrawMembersBehind(target, clip, origin);
    DrawCurrentFrame(target, *clip, *origin);
    DrawMembersFrom(rest, target, clip, origin);
}

ImageControl::ImageControl(Control* parentControl, int32_t x1, int32_t y1, SpriteRenderer* picture)
    : Control(parentControl, x1, y1, 0, 0, 64), sprite(picture) {
    if (!picture) return;
    offsetX = picture->offsetX;
    offsetY = picture->offsetY;
    bounds = picture->bounds;
}

void ImageControl::Draw(SurfaceControl* target, Rect* clip, Point* origin) {
    if (!HasFlag(control_flags::Visible)) return;
    Control* rest = DrawMembersBehind(target, clip, origin);
    if (sprite && target)
        DrawInView(sprite, target, Held(int64_t(origin->x) + x + offsetX),
                   Held(int64_t(origin->y) + y + offsetY), *clip, alpha, effect);
    DrawMembersFrom(rest, target, clip, origin);
}

}  // namespace tidemarch
