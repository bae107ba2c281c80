// The progress bar as a module runs it, with the host's drawing rule.
#include "tidemarch/controls.h"

namespace tidemarch {

namespace {
constexpr int32_t kOpaque = 256;
int64_t Larger(int64_t a, int64_t b) { return a > b ? a : b; }
int64_t Smaller(int64_t a, int64_t b) { return a < b ? a : b; }

// a / b truncated toward zero, b not 0, by shifting and subtracting: a module without a C
// runtime has no helper for the compiler's 64-bit division.
int64_t Quotient(int64_t a, int64_t b) {
    const bool negative = (a < 0) != (b < 0);
    uint64_t dividend = a < 0 ? 0 - uint64_t(a) : uint64_t(a);
    const uint64_t divisor = b < 0 ? 0 - uint64_t(b) : uint64_t(b);
    uint64_t quotient = 0, remainder = 0;
    for (int bit = 63; bit >= 0; --bit) {
        remainder = (remainder << 1) | ((dividend >> bit) & 1);
        if (remainder >= divisor) {
            remainder -= divisor;
            quotient |= uint64_t(1) << bit;
        }
    }
    return negative ? int64_t(0 - quotient) : int64_t(quotient);
}
}  // namespace

void ProgressBar::Draw(SurfaceControl* target, Rect* clip, Point* origin) {
    if (!HasFlag(control_flags::Visible)) return;
    Control* rest = DrawMembersBehind(target, clip, origin);
    // Everything a caller's values add up to is taken in 64 bits.
    const int64_t boxX = int64_t(origin->x) + x + offsetX;
    const int64_t boxY = int64_t(origin->y) + y + offsetY;
    const int64_t left = Larger(boxX + bounds.left, clip->left);
    const int64_t top = Larger(boxY + bounds.top, clip->top);
    const int64_t right = Smaller(boxX + bounds.right, clip->right);
    const int64_t bottom = Smaller(boxY + bounds.bottom, clip->bottom);
    const int64_t span = int64_t(bounds.right) - bounds.left;
    if (left < right && top < bottom && span != 0 && target && target->ownSurface) {
        const int64_t range = int64_t(maximum) - minimum;
        int64_t fillRight = range == 0 ? x : x + Quotient(int64_t(value) * span, range);
        fillRight = Smaller(fillRight, right);
        // A value below the range ends the fill left of the box: nothing to fill.
        if (fillRight > left)
            target->ownSurface->FillRect(int32_t(left), int32_t(top), int32_t(fillRight), int32_t(bottom),
                                         colour, kOpaque, 0);
    }
    DrawMembersFrom(rest, target, clip, origin);
}

}  // namespace tidemarch
