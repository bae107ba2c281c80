#include "control_classes/sprite_controls.h"

#include "controls/pointer_platform.h"
#include "display/display.h"
#include "display/surface_control.h"
#include "host/host_globals.h"
#include "sprites/files/sprite_bundle.h"
#include "sprites/renderers/sprite_renderer.h"

namespace {
bool IsBundle(const SpriteBundle* bundle) {
    return reinterpret_cast<uintptr_t>(bundle) >= kLowestBundleAddress;
}

// The frame a counter selects: one frame per bundle-value steps, round the frame table. A bundle
// value below 1 would divide by zero; such a bundle shows its first frames one step each.
int32_t FrameIndex(int32_t counter, const SpriteBundle& bundle) {
    int32_t stepsPerFrame = bundle.bundleValue > 0 ? bundle.bundleValue : 1;
    return (counter / stepsPerFrame) % int32_t(bundle.frameCount);
}
// The display's window position: where its client area is on the desktop. Only the Windows build
// has a display class with a type of its own to check, so the sanitizer's check of the object's
// type is left out for this one read.
#if defined(__GNUC__)
__attribute__((no_sanitize("vptr")))
#endif
Point DisplayWindowPosition() {
    if (!host::Display) return Point{0, 0};
    return Point{host::Display->windowX, host::Display->windowY};
}
}  // namespace

AnimatedSprite::AnimatedSprite(Control* parent, int32_t x1, int32_t y1, SpriteBundle* spriteBundle,
                               int16_t priorityValue)
    : Control(parent, x1, y1, x1, y1, priorityValue) {
    SetSprite(spriteBundle);
}

void* AnimatedSprite::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void AnimatedSprite::SetSprite(SpriteBundle* spriteBundle) {
    bundle = spriteBundle;
    if (!IsBundle(spriteBundle)) return;
    offsetX = spriteBundle->offsetX;
    offsetY = spriteBundle->offsetY;
    bounds = spriteBundle->bounds;
}

void AnimatedSprite::Update() {
    if (!HasFlag(control_flags::Active)) return;
    // The counter wraps at the top of the range instead of overflowing into the hidden values.
    frameCounter = frameCounter == INT32_MAX ? 0 : frameCounter + 1;
    UpdateChildren();
}

void AnimatedSprite::DrawCurrentFrame(SurfaceControl* target, const Rect& clip, const Point& origin) {
    if (frameCounter < 0 || !IsBundle(bundle) || bundle->frameCount == 0 || !bundle->frames) return;
    int32_t index = FrameIndex(frameCounter, *bundle);
    SpriteRenderer* frame = bundle->frames[index];
    if (!frame || !target) return;
    int64_t frameX = bundle->frameRecords ? int32_t(bundle->frameRecords[index].offsetX) : 0;
    int64_t frameY = bundle->frameRecords ? int32_t(bundle->frameRecords[index].offsetY) : 0;
    frame->DrawInView(target, ClampedCoordinate(int64_t(origin.x) + x + offsetX + frameX),
                      ClampedCoordinate(int64_t(origin.y) + y + offsetY + frameY), clip, alpha, effect);
}

void AnimatedSprite::Draw(SurfaceControl* target, Rect* clip, Point* origin) {
    if (!HasFlag(control_flags::Visible) || frameCounter < 0) return;
    Control* rest = DrawMembersBehind(target, clip, origin);
    DrawCurrentFrame(target, *clip, *origin);
    DrawMembersFrom(rest, target, clip, origin);
}

MouseCursor::MouseCursor() : AnimatedSprite(nullptr, 0, 0, nullptr, kPriority) {}

void* MouseCursor::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

Control* MouseCursor::HandleMessage(WindowMessage* message) {
    if (!HasFlag(control_flags::InputEnabled)) return prevSibling;
    if (firstChild && ChildrenConsume(message)) return nullptr;
    // Button points are the client-area coordinates of lParam, each half zero-extended.
    Point point{int32_t(uint32_t(message->lParam) & 0xFFFF),
                int32_t((uint32_t(message->lParam) >> 16) & 0xFFFF)};
    switch (message->message) {
    case window_message::LeftButtonDown:
    case window_message::LeftButtonUp:
        leftButton = point;
        break;
    case window_message::RightButtonDown:
    case window_message::RightButtonUp:
        rightButton = point;
        break;
    default:
        break;
    }
    return prevSibling;
}

void MouseCursor::Draw(SurfaceControl* target, Rect* clip, Point* origin) {
    if (!HasFlag(control_flags::Visible)) return;
    // Without a platform that can tell, the cursor stays where it was last seen.
    PointerPlatform* pointer = PointerPlatformSlot::Installed();
    if (pointer && pointer->ScreenCursorPosition(&screenPosition)) {
        Point window = DisplayWindowPosition();
        MoveTo(ClampedCoordinate(int64_t(screenPosition.x) - window.x),
               ClampedCoordinate(int64_t(screenPosition.y) - window.y));
    }
    Control* rest = DrawMembersBehind(target, clip, origin);
    DrawCurrentFrame(target, *clip, *origin);
    DrawMembersFrom(rest, target, clip, origin);
}

ImageControl::ImageControl(Control* parent, int32_t x1, int32_t y1, SpriteRenderer* picture)
    : Control(parent, x1, y1, 0, 0, 64), sprite(picture) {
    if (!picture) return;
    offsetX = picture->offsetX;
    offsetY = picture->offsetY;
    bounds = picture->bounds;
}

void* ImageControl::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void ImageControl::Draw(SurfaceControl* target, Rect* clip, Point* origin) {
    if (!HasFlag(control_flags::Visible)) return;
    Control* rest = DrawMembersBehind(target, clip, origin);
    if (sprite && target) {
        sprite->DrawInView(target, ClampedCoordinate(int64_t(origin->x) + x + offsetX),
                           ClampedCoordinate(int64_t(origin->y) + y + offsetY), *clip, alpha, effect);
    }
    DrawMembersFrom(rest, target, clip, origin);
}
