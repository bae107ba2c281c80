#pragma once
// What of a frame differs from the frame last shown, found while the frame is copied over that
// one: blocks of rows, each with the columns that changed in them. A window form shows only these
// blocks, and nothing at all for a frame equal to the last one.
#include <cstdint>
#include <vector>

#include "common/geometry.h"

class FrameChanges {
  public:
    // Copies row y of 16-bit pixels over the kept row, only where they differ, and notes the
    // columns that did. Rows are given from the top down.
    void CopyRow(int32_t y, uint16_t* kept, const uint16_t* fresh, int32_t width);
    // The whole frame changed (the window was uncovered, or the screen is new).
    void Everything(int32_t width, int32_t height);

    // Rectangles of the frame, top to bottom, that changed since Clear.
    const std::vector<Rect>& Blocks() const { return blocks_; }
    bool Empty() const { return blocks_.empty(); }
    void Clear() { blocks_.clear(); }

    // A changed row with at most this many unchanged rows between it and the block above joins
    // that block: one more call to show a block costs more than the unchanged rows between.
    static constexpr int32_t kRowsWorthJoining = 8;

  private:
    std::vector<Rect> blocks_;
};
