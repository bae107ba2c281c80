#include "display/surface_control.h"

void* SurfaceControl::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }
void* RootControl::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void SurfaceControl::Draw(SurfaceControl* target, Rect* clip, Point* origin) {
    if (!HasFlag(control_flags::Visible)) return;
    Control* rest = DrawMembersBehind(target, clip, origin);
    // The clip rectangle is not applied to the copy: BlitTo clips to the two surfaces only.
    if (ownSurface && target) {
        ownSurface->BlitTo(target->ownSurface, offsetX - target->x + x + origin->x,
                           origin->y - target->y + offsetY + y, bounds, alpha, effect);
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
