#include "control_classes/text_label.h"

#include <algorithm>

#include "control_classes/text_platform.h"
#include "control_classes/text_renderer.h"
#include "display/surface_control.h"

TextLabel::TextLabel(Control* parent, int32_t x1, int32_t y1, TextRenderer* labelFont, char* textStorage)
    : Control(parent, x1, y1, kScreenRight, kScreenBottom, 64), font(labelFont),
      text(textStorage ? textStorage : ownText) {}

void* TextLabel::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void TextLabel::Draw(SurfaceControl* target, Rect* clip, Point* origin) {
    if (!HasFlag(control_flags::Visible)) return;
    Control* rest = DrawMembersBehind(target, clip, origin);
    if (font && target) {
        const int64_t boxX = int64_t(origin->x) + x + offsetX;
        const int64_t boxY = int64_t(origin->y) + y + offsetY;
        Rect box{ClampedCoordinate(std::max<int64_t>(boxX + bounds.left, clip->left)),
                 ClampedCoordinate(std::max<int64_t>(boxY + bounds.top, clip->top)),
                 ClampedCoordinate(std::min<int64_t>(boxX + bounds.right, clip->right)),
                 ClampedCoordinate(std::min<int64_t>(boxY + bounds.bottom, clip->bottom))};
        if (!box.IsEmpty()) {
            // The anchor leaves out the offset, which only places the box.
            int64_t anchorX = int64_t(origin->x) + x + bounds.left;
            const int64_t anchorY = int64_t(origin->y) + y + bounds.top;
            const int64_t width = int64_t(bounds.right) - bounds.left;
            if ((alignment & text_align::HorizontalMask) == text_align::Centre)
                anchorX += width / 2;
            else if ((alignment & text_align::HorizontalMask) == text_align::Right)
                anchorX += width;
            Point anchor{ClampedCoordinate(anchorX), ClampedCoordinate(anchorY)};
            font->DrawText(target->ownSurface, &anchor, text, textColour, backgroundColour, shadowColour,
                           &box, alignment);
        }
    }
    DrawMembersFrom(rest, target, clip, origin);
}
