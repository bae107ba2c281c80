#include "display/frame_changes.h"

#include <algorithm>
#include <cstring>

void FrameChanges::CopyRow(int32_t y, uint16_t* kept, const uint16_t* fresh, int32_t width) {
    if (width <= 0 || std::memcmp(kept, fresh, size_t(width) * sizeof(uint16_t)) == 0) return;
    int32_t left = 0;
    while (kept[left] == fresh[left])
        ++left;
    int32_t right = width;
    while (kept[right - 1] == fresh[right - 1])
        --right;
    std::memcpy(kept + left, fresh + left, size_t(right - left) * sizeof(uint16_t));
    if (!blocks_.empty() && y - blocks_.back().bottom <= kRowsWorthJoining) {
        Rect& block = blocks_.back();
        block.bottom = y + 1;
        block.left = std::min(block.left, left);
        block.right = std::max(block.right, right);
        return;
    }
    blocks_.push_back(Rect{left, y, right, y + 1});
}

void FrameChanges::Everything(int32_t width, int32_t height) {
    blocks_.clear();
    if (width > 0 && height > 0) blocks_.push_back(Rect{0, 0, width, height});
}
