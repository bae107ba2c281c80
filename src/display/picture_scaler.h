#pragma once
// Scales the game's 16-bit picture (5:6:5 or 5:5:5) to another size in 32-bit pixels
// (0x00RRGGBB, the layout every desktop can take), for showing it in a window form.
// nearest: destination pixel d shows source pixel floor(d * source / destination), the same
// mapping the pointer is taken back through, so a whole-number scale gives n x n blocks of exactly
// the game's colours. smooth: each destination pixel is blended from the four source pixels
// around its centre.
// Only the part of the destination that shows a changed part of the source is scaled, so that a
// frame with little change costs little.
#include <cstdint>
#include <vector>

#include "common/geometry.h"
#include "display/presentation_choice.h"

class PictureScaler {
  public:
    // Tables for a source and destination size; nothing is scaled while either is empty.
    void Prepare(Size source, Size destination, bool rgb565, ScaleFilter filter);

    Size Source() const { return source_; }
    Size Destination() const { return destination_; }

    // The destination rectangle whose pixels come from a rectangle of the source (empty when
    // the source rectangle is, or nothing is prepared).
    Rect DestinationOf(const Rect& source) const;

    // Writes the destination pixels that show a rectangle of the source and returns where they
    // are.
    Rect Scale(const uint8_t* source, int32_t sourcePitch, uint8_t* destination, int32_t destinationPitch,
               const Rect& area);

    // 0x00RRGGBB of a 16-bit pixel, each channel widened by repeating its top bits.
    uint32_t Widened(uint16_t pixel) const { return colours_[pixel]; }

  private:
    struct Tap {
        int32_t first;    // source index
        int32_t second;   // source index, the same as first at the edge
        uint32_t weight;  // of the second, 0..256
    };
    struct Span {
        int32_t first;
        int32_t last;
    };
    // The destination indices whose taps touch source indices [from, to).
    static Span Covering(const std::vector<Tap>& taps, int32_t from, int32_t to);
    // Source row scaled across destination columns [columns.first, columns.last).
    const uint32_t* HorizontalRow(const uint8_t* source, int32_t sourcePitch, int32_t row, Span columns);

    Size source_{0, 0};
    Size destination_{0, 0};
    ScaleFilter filter_ = ScaleFilter::Nearest;
    std::vector<uint32_t> colours_;
    std::vector<Tap> columns_;
    std::vector<Tap> rows_;
    // Smooth: the last two source rows scaled across, kept while a frame's rows are scaled.
    std::vector<uint32_t> across_[2];
    int32_t acrossRow_[2] = {-1, -1};
};
