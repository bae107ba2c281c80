#include "display/surface_control.h"

#include <algorithm>
#include <limits>

namespace {
// A position summed from control coordinates, in 64 bits and held to the 32-bit range: that far
// out it lies outside every surface either way, and the sum cannot wrap around into one.
int32_t HeldPosition(int64_t sum) {
    return int32_t(
        std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}
}  // namespace

void* SurfaceControl::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }
void* RootControl::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void SurfaceControl::Draw(SurfaceControl* target, Rect* clip, Point* origin) {
    if (!HasFlag(control_flags::Visible)) return;
    Control* rest = DrawMembersBehind(target, clip, origin);
    // The clip rectangle is not applied to the copy: BlitTo clips to the two surfaces only.
    if (ownSurface && target) {
        ownSurface->BlitTo(target->ownSurface, HeldPosition(int64_t(offsetX) - target->x + x + origin->x),
                           HeldPosition(int64_t(origin->y) - target->y + offsetY + y), bounds, alpha, effect);
    }
    DrawMembersFrom(rest, target, clip, origin);
}

void DrawTree(Control* root, SurfaceControl* target, const Rect* clip) {
    if (!target || !root) return;
    Rect clipRect = clip ? *clip : target->bounds;
    Point origin{0, 0};
    root->Draw(target, &clipRect, &origin);
#if defined(__i386__) || defined(__x86_64__)
    // Code drawn through the tree (the game module's too) may leave the MMX state behind.
    __asm__ volatile("emms");
#endif
}
