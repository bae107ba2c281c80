#include "control_classes/progress_bar.h"

#include <algorithm>

#include "display/opacity.h"
#include "display/surface_control.h"

ProgressBar::ProgressBar(Control* parent, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                         int16_t priorityValue)
    : Control(parent, x1, y1, x2, y2, priorityValue) {}

void* ProgressBar::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void ProgressBar::Draw(SurfaceControl* target, Rect* clip, Point* origin) {
    if (!HasFlag(control_flags::Visible)) return;
    Control* rest = DrawMembersBehind(target, clip, origin);
    // Everything a caller's values add up to is taken in 64 bits.
    const int64_t boxX = int64_t(origin->x) + x + offsetX;
    const int64_t boxY = int64_t(origin->y) + y + offsetY;
    const int64_t left = std::max<int64_t>(boxX + bounds.left, clip->left);
    const int64_t top = std::max<int64_t>(boxY + bounds.top, clip->top);
    const int64_t right = std::min<int64_t>(boxX + bounds.right, clip->right);
    const int64_t bottom = std::min<int64_t>(boxY + bounds.bottom, clip->bottom);
    const int64_t span = int64_t(bounds.right) - bounds.left;
    if (left < right && top < bottom && span != 0 && target && target->ownSurface) {
        const int64_t range = int64_t(maximum) - minimum;
        int64_t fillRight = range == 0 ? x : x + int64_t(value) * span / range;
        fillRight = std::min(fillRight, right);
        // A value below the range ends the fill left of the box: nothing to fill. (Handed on, the
        // fill's corner order would be swapped and the pixels left of the box filled instead.)
        if (fillRight > left) {
            target->ownSurface->FillRect(int32_t(left), int32_t(top), int32_t(fillRight), int32_t(bottom),
                                         colour, kOpaque, 0);
        }
    }
    DrawMembersFrom(rest, target, clip, origin);
}
