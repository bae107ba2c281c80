#include "sprites/renderers/sprite_walks.h"

#include <algorithm>
#include <cstring>

#include "display/pixel/short_runs16.h"

namespace {
constexpr uint16_t kRowMark = 0xFFFF;
constexpr uint16_t kTopBit = 0x8000;
// Small sprites ask for all their surface rows at once, so that the memory waits overlap.
constexpr int32_t kPrefetchedRows = 32;

// The rows and the byte range of a row that the target shows, relative to the surface.
struct Visible {
    int32_t firstRow;
    int32_t endRow;
    int64_t startByte;
    int64_t endByte;
};

// False when the sprite lies wholly outside the visible rectangle.
bool VisiblePart(const SpriteImage& image, const SpriteTarget& target, int32_t x, int32_t y, int32_t bpp,
                 Visible& out) {
    const Rect& c = target.visible;
    const int64_t x2 = int64_t(x) + image.width;
    const int64_t y2 = int64_t(y) + image.height;
    if (x >= c.right || x2 <= c.left || y >= c.bottom || y2 <= c.top) return false;
    out.firstRow = std::max(y, c.top);
    out.endRow = int32_t(std::min<int64_t>(y2, c.bottom));
    out.startByte = int64_t(c.left) * bpp;
    out.endByte = int64_t(c.right) * bpp;
    return out.firstRow < out.endRow;
}

// Reads entries of run data without ever leaving the buffer.
class RunReader {
  public:
    enum class Entry { Run, RowMark, End };

    explicit RunReader(const SpriteImage& image) : at_(image.data), end_(image.data + image.size) {}

    // On Run, skip and count are set and pixels() points at the run's pixels.
    Entry Next() {
        if (end_ - at_ < 2) return Entry::End;
        uint16_t word;
        std::memcpy(&word, at_, 2);
        if (word & kTopBit) {
            at_ += 2;
            return word == kRowMark ? Entry::RowMark : Entry::End;
        }
        if (end_ - at_ < 5) return Entry::End;
        uint16_t count;
        std::memcpy(&count, at_ + 3, 2);  // after the skip and the flag byte
        at_ += 5;
        if (size_t(end_ - at_) < count) return Entry::End;
        skip_ = word;
        count_ = count;
        pixels_ = at_;
        at_ += count;
        return Entry::Run;
    }

    int64_t skip() const { return skip_; }
    int64_t count() const { return count_; }
    const uint8_t* pixels() const { return pixels_; }

  private:
    const uint8_t* at_;
    const uint8_t* end_;
    int64_t skip_ = 0;
    int64_t count_ = 0;
    const uint8_t* pixels_ = nullptr;
};

// bytes / bytesPerPixel with the divisor known to the compiler: this runs once per run.
int32_t WholePixels(int64_t bytes, int32_t bytesPerPixel) {
    switch (bytesPerPixel) {
    case 2:
        return int32_t(bytes >> 1);
    case 3:
        return int32_t(bytes / 3);
    default:
        return int32_t(bytes >> 2);
    }
}

void PrefetchRows(const SpriteTarget& target, const Visible& v, int32_t endRow, int64_t firstByte) {
    // One row has no other row's wait to overlap with.
    if (endRow - v.firstRow > kPrefetchedRows || endRow - v.firstRow < 2) return;
    firstByte = std::max(firstByte, v.startByte);
    for (int32_t row = v.firstRow; row < endRow; ++row)
        __builtin_prefetch(target.pixels + int64_t(row) * target.pitch + firstByte, 1);
}

// Draws the part of a run of count bytes at byte position pos of a row that lies in the
// visible byte range; the source moves on past the whole run in any case (the caller's).
template <class Sink>
inline void DrawRunClipped(uint8_t* row, int64_t pos, const uint8_t* pixels, int64_t count, const Visible& v,
                           int32_t bpp, Sink& batch) {
    if (pos >= v.startByte && pos + count <= v.endByte) {  // the usual case: the whole run shows
        const int32_t n = WholePixels(count, bpp);
        if (n > 0) batch.Add(row + pos, pixels, n);
        return;
    }
    if (pos + count <= v.startByte || pos >= v.endByte) return;
    const int64_t from = std::max(pos, v.startByte);
    const int64_t to = std::min(pos + count, v.endByte);
    const int32_t n = WholePixels(to - from, bpp);
    if (n > 0) batch.Add(row + from, pixels + (from - pos), n);
}
}  // namespace

template <int32_t Bpp>
void WalkRaw(const SpriteImage& image, const SpriteTarget& target, int32_t x, int32_t y,
             const RowKernel& kernel) {
    constexpr int32_t bpp = Bpp;
    Visible v;
    if (image.width <= 0 || !VisiblePart(image, target, x, y, bpp, v)) return;
    const size_t rowBytes = size_t(image.width) * size_t(bpp);
    const int64_t rowsStored = int64_t(image.size / rowBytes);
    const int32_t endRow = int32_t(std::min<int64_t>(v.endRow, int64_t(y) + rowsStored));
    const int32_t left = std::max(x, target.visible.left);
    const int32_t right = int32_t(std::min<int64_t>(int64_t(x) + image.width, target.visible.right));
    PrefetchRows(target, v, endRow, int64_t(left) * bpp);
    WalkRuns<Bpp>(kernel, [&](auto& batch) {
        for (int32_t row = v.firstRow; row < endRow; ++row) {
            const uint8_t* src = image.data + size_t(row - y) * rowBytes + size_t(left - x) * size_t(bpp);
            batch.Add(target.pixels + int64_t(row) * target.pitch + int64_t(left) * bpp, src, right - left);
        }
    });
}

template <int32_t Bpp>
void WalkRle(const SpriteImage& image, const SpriteTarget& target, int32_t x, int32_t y,
             const RowKernel& kernel) {
    constexpr int32_t bpp = Bpp;
    Visible v;
    if (!VisiblePart(image, target, x, y, bpp, v)) return;
    PrefetchRows(target, v, v.endRow, int64_t(x) * bpp);
    RunReader reader(image);
    for (int32_t row = y; row < v.firstRow; ++row)
        if (reader.Next() == RunReader::Entry::End) return;
    WalkRuns<Bpp>(kernel, [&](auto& batch) {
        for (int32_t row = v.firstRow; row < v.endRow; ++row) {
            switch (reader.Next()) {
            case RunReader::Entry::End:
                return;
            case RunReader::Entry::RowMark:
                break;
            case RunReader::Entry::Run:
                DrawRunClipped(target.pixels + int64_t(row) * target.pitch, int64_t(x) * bpp + reader.skip(),
                               reader.pixels(), reader.count(), v, bpp, batch);
                break;
            }
        }
    });
}

template <int32_t Bpp>
void WalkRle2(const SpriteImage& image, const SpriteTarget& target, int32_t x, int32_t y,
              const RowKernel& kernel) {
    constexpr int32_t bpp = Bpp;
    Visible v;
    if (!VisiblePart(image, target, x, y, bpp, v)) return;
    PrefetchRows(target, v, v.endRow, int64_t(x) * bpp);
    RunReader reader(image);
    for (int32_t row = y; row < v.firstRow; ++row) {
        for (;;) {
            const RunReader::Entry e = reader.Next();
            if (e == RunReader::Entry::End) return;
            if (e == RunReader::Entry::RowMark) break;
        }
    }
    WalkRuns<Bpp>(kernel, [&](auto& batch) {
        for (int32_t row = v.firstRow; row < v.endRow; ++row) {
            uint8_t* rowStart = target.pixels + int64_t(row) * target.pitch;
            int64_t pos = int64_t(x) * bpp;
            for (;;) {
                const RunReader::Entry e = reader.Next();
                if (e == RunReader::Entry::End) return;
                if (e == RunReader::Entry::RowMark) break;
                pos += reader.skip();
                DrawRunClipped(rowStart, pos, reader.pixels(), reader.count(), v, bpp, batch);
                pos += reader.count();
            }
        }
    });
}

#define TIDEMARCH_INSTANTIATE_WALKS(bpp)                                                                     \
    template void WalkRaw<bpp>(const SpriteImage&, const SpriteTarget&, int32_t, int32_t, const RowKernel&); \
    template void WalkRle<bpp>(const SpriteImage&, const SpriteTarget&, int32_t, int32_t, const RowKernel&); \
    template void WalkRle2<bpp>(const SpriteImage&, const SpriteTarget&, int32_t, int32_t, const RowKernel&);
TIDEMARCH_INSTANTIATE_WALKS(2)
TIDEMARCH_INSTANTIATE_WALKS(3)
TIDEMARCH_INSTANTIATE_WALKS(4)
#undef TIDEMARCH_INSTANTIATE_WALKS
