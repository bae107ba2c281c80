#include "sprites/renderers/sprite_walks.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "display/pixel/short_runs16.h"
#include "display/pixel/vector_runs16.h"
#include "display/surface.h"
#include "sprites/renderers/prepared_runs.h"
#include "sprites/renderers/sprite_draw.h"

namespace {
using run_data::kMarkBit;
using run_data::kRowMark;
using run_data::kRunHeaderBytes;
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
TIDEMARCH_INLINE_WALK bool VisiblePart(const SpriteImage& image, const SpriteTarget& target, int32_t x,
                                       int32_t y, int32_t bpp, Visible& out) {
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
        if (word & kMarkBit) {
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
    // Where the next entry starts.
    const uint8_t* at() const { return at_; }

  private:
    const uint8_t* at_;
    const uint8_t* end_;
    int64_t skip_ = 0;
    int64_t count_ = 0;
    const uint8_t* pixels_ = nullptr;
};

// bytes / bytesPerPixel with the divisor known to the compiler: this runs once per run.
TIDEMARCH_INLINE_WALK int32_t WholePixels(int64_t bytes, int32_t bytesPerPixel) {
    switch (bytesPerPixel) {
    case 2:
        return int32_t(bytes >> 1);
    case 3:
        return int32_t(bytes / 3);
    default:
        return int32_t(bytes >> 2);
    }
}

// Surface rows from first on, pitch apart, all asked for at once: none for a single row, which
// has no other row's wait to overlap with, nor for more than kPrefetchedRows.
TIDEMARCH_INLINE_WALK void PrefetchSurfaceRows(uint8_t* first, int64_t pitch, int32_t rows) {
    if (rows > kPrefetchedRows || rows < 2) return;
        // Unrolled: the loop's own count and jump cost more than the prefetches.
#pragma GCC unroll 4
    for (int32_t row = 0; row < rows; ++row, first += pitch)
        __builtin_prefetch(first, 1);
}

// The visible rows of a walk up to endRow, from firstByte (or the first visible byte) on.
TIDEMARCH_INLINE_WALK void PrefetchRows(const SpriteTarget& target, const Visible& v, int32_t endRow,
                                        int64_t firstByte) {
    PrefetchSurfaceRows(target.pixels + int64_t(v.firstRow) * target.pitch + std::max(firstByte, v.startByte),
                        target.pitch, endRow - v.firstRow);
}

// The visible byte range of the rows, held by value so that the walk keeps it in registers
// around the pixel stores.
struct ByteRange {
    int64_t start;
    int64_t end;
};

// Draws the part of a run of count bytes at byte position pos of a row that lies in the
// visible byte range; the source moves on past the whole run in any case (the caller's).
template <int32_t Bpp, class Sink>
TIDEMARCH_INLINE_WALK void DrawRunClipped(uint8_t* row, int64_t pos, const uint8_t* pixels, int64_t count,
                                          ByteRange visible, Sink& sink) {
    if (pos >= visible.start && pos + count <= visible.end) {  // the usual case: the whole run shows
        const int32_t n = WholePixels(count, Bpp);
        if (n > 0) sink.Add(row + pos, pixels, n);
        return;
    }
    if (pos + count <= visible.start || pos >= visible.end) return;
    const int64_t from = std::max(pos, visible.start);
    const int64_t to = std::min(pos + count, visible.end);
    const int32_t n = WholePixels(to - from, Bpp);
    if (n > 0) sink.Add(row + from, pixels + (from - pos), n);
}

// The walks proper. withSink(walk) calls walk(sink) once with the sink the runs go to; the
// surface's fields are copied into locals first, since pixel stores may alias any memory.
template <int32_t Bpp, class WithSink>
TIDEMARCH_INLINE_WALK void RawWalk(const SpriteImage& image, const SpriteTarget& target, int32_t x, int32_t y,
                                   WithSink&& withSink) {
    Visible v;
    if (image.width <= 0 || !VisiblePart(image, target, x, y, Bpp, v)) return;
    const size_t rowBytes = size_t(image.width) * size_t(Bpp);
    const int64_t rowsStored = int64_t(image.size / rowBytes);
    const int32_t endRow = int32_t(std::min<int64_t>(v.endRow, int64_t(y) + rowsStored));
    const int32_t left = std::max(x, target.visible.left);
    const int32_t right = int32_t(std::min<int64_t>(int64_t(x) + image.width, target.visible.right));
    PrefetchRows(target, v, endRow, int64_t(left) * Bpp);
    if (endRow <= v.firstRow) return;
    const uint8_t* src = image.data + size_t(v.firstRow - y) * rowBytes + size_t(left - x) * size_t(Bpp);
    uint8_t* dst = target.pixels + int64_t(v.firstRow) * target.pitch + int64_t(left) * Bpp;
    const int64_t pitch = target.pitch;
    const int32_t width = right - left;
    const int32_t rows = endRow - v.firstRow;
    withSink([=](auto& sink) mutable {
        for (int32_t row = 0; row < rows; ++row, src += rowBytes, dst += pitch)
            sink.Add(dst, src, width);
    });
}

template <int32_t Bpp, class WithSink>
TIDEMARCH_INLINE_WALK void RleWalk(const SpriteImage& image, const SpriteTarget& target, int32_t x, int32_t y,
                                   WithSink&& withSink) {
    Visible v;
    if (!VisiblePart(image, target, x, y, Bpp, v)) return;
    PrefetchRows(target, v, v.endRow, int64_t(x) * Bpp);
    RunReader reader(image);
    for (int32_t row = y; row < v.firstRow; ++row)
        if (reader.Next() == RunReader::Entry::End) return;
    uint8_t* rowStart = target.pixels + int64_t(v.firstRow) * target.pitch;
    const int64_t pitch = target.pitch;
    const int64_t left = int64_t(x) * Bpp;
    const ByteRange visible{v.startByte, v.endByte};
    const int32_t rows = v.endRow - v.firstRow;
    withSink([=](auto& sink) mutable {
        for (int32_t row = 0; row < rows; ++row, rowStart += pitch) {
            switch (reader.Next()) {
            case RunReader::Entry::End:
                return;
            case RunReader::Entry::RowMark:
                break;
            case RunReader::Entry::Run:
                DrawRunClipped<Bpp>(rowStart, left + reader.skip(), reader.pixels(), reader.count(), visible,
                                    sink);
                break;
            }
        }
    });
}

// Sinks that do nothing with a run of no pixels, so that the walk need not check for one.
template <class Sink> constexpr bool TakesEmptyRuns = requires {
    requires std::remove_reference_t<Sink>::kTakesEmptyRuns;
};

// A run that does not lie wholly inside the visible bytes: its visible part, if any. rel is the
// run's first byte relative to the first visible byte of its row, width the visible bytes.
template <int32_t Bpp, class Sink>
void DrawPartOfRun(uint8_t* rowVisible, int64_t rel, const uint8_t* pixels, int64_t count, int64_t width,
                   Sink& sink) {
    if (rel + count <= 0 || rel >= width) return;
    const int64_t from = std::max<int64_t>(rel, 0);
    const int64_t to = std::min(rel + count, width);
    const int32_t n = WholePixels(to - from, Bpp);
    if (n > 0) sink.Add(rowVisible + from, pixels + (from - rel), n);
}

template <int32_t Bpp, class WithSink>
TIDEMARCH_INLINE_WALK void Rle2Walk(const SpriteImage& image, const SpriteTarget& target, int32_t x,
                                    int32_t y, WithSink&& withSink) {
    Visible v;
    if (!VisiblePart(image, target, x, y, Bpp, v)) return;
    PrefetchRows(target, v, v.endRow, int64_t(x) * Bpp);
    RunReader reader(image);
    for (int32_t row = y; row < v.firstRow; ++row) {
        for (;;) {
            const RunReader::Entry e = reader.Next();
            if (e == RunReader::Entry::End) return;
            if (e == RunReader::Entry::RowMark) break;
        }
    }
    // Positions within a row are taken relative to its first visible byte, so that a run that
    // shows whole is told by two comparisons with no further arithmetic.
    uint8_t* rowVisible = target.pixels + int64_t(v.firstRow) * target.pitch + v.startByte;
    const int64_t pitch = target.pitch;
    const int64_t firstRel = int64_t(x) * Bpp - v.startByte;
    const int64_t width = v.endByte - v.startByte;
    const int32_t rows = v.endRow - v.firstRow;
    // Fewer bytes than a run's header hold nothing more to draw, whatever marks they hold; the
    // bounds are compared as addresses, one comparison for a header and one for its pixels.
    if (image.size - size_t(reader.at() - image.data) < kRunHeaderBytes) return;
    // The addresses are taken as 64-bit numbers: a run's end, up to 65,540 bytes past a header
    // inside the buffer, then cannot wrap around on a 32-bit address space.
    uint64_t at = reinterpret_cast<uintptr_t>(reader.at());
    const uint64_t end = uint64_t(reinterpret_cast<uintptr_t>(image.data)) + image.size;
    const uint64_t lastHeader = end - kRunHeaderBytes;
    withSink([=](auto& sink) mutable {
        for (int32_t rowsLeft = rows; rowsLeft > 0; --rowsLeft, rowVisible += pitch) {
            int64_t rel = firstRel;
            for (;;) {
                if (at > lastHeader) return;
                const uint8_t* entry = reinterpret_cast<const uint8_t*>(uintptr_t(at));
                uint16_t word;
                std::memcpy(&word, entry, 2);
                if (word & kMarkBit) {
                    if (word != kRowMark) return;
                    at += 2;
                    break;
                }
                uint16_t count;
                std::memcpy(&count, entry + 3, 2);  // after the skip and the flag byte
                const uint8_t* pixels = entry + kRunHeaderBytes;
                at += kRunHeaderBytes + count;
                if (at > end) return;
                rel += word;
                if (rel >= 0 && rel + count <= width) {  // the usual case: the whole run shows
                    if (TakesEmptyRuns<decltype(sink)> || count >= Bpp)
                        sink.Add(rowVisible + rel, pixels, WholePixels(count, Bpp));
                } else {
                    DrawPartOfRun<Bpp>(rowVisible, rel, pixels, count, width, sink);
                }
                rel += count;
            }
        }
    });
}

// The sink of a 16-bit operation done where the runs are found: copies at once (by copy), the
// others in vector registers with the weights prepared once.
template <class L, class Copy, class Walk>
TIDEMARCH_INLINE_WALK void WithVectorRuns16(SpriteOperation op, Copy copy, Walk&& walk) {
    switch (op.op) {
    case RowOp::Copy:
        walk(copy);
        return;
#define TIDEMARCH_VECTOR_RUN_CASE(operation)                                                                 \
    case operation: {                                                                                        \
        VectorRunSink16<L, operation> sink(op.k, op.ws, op.wd);                                              \
        walk(sink);                                                                                          \
        return;                                                                                              \
    }
        TIDEMARCH_VECTOR_RUN_CASE(RowOp::Scale)
        TIDEMARCH_VECTOR_RUN_CASE(RowOp::Brighten)
        TIDEMARCH_VECTOR_RUN_CASE(RowOp::Blend)
        TIDEMARCH_VECTOR_RUN_CASE(RowOp::BrightenBlend)
#undef TIDEMARCH_VECTOR_RUN_CASE
    default:
        return;
    }
}

// Opaque copies of prepared runs, by their classes (sizes in bytes, whole 16-bit pixels).
struct PreparedCopySink {
    static void AddPixel(uint8_t* dst, const uint8_t* src) { std::memcpy(dst, src, 2); }
    static void AddPair(uint8_t* dst, const uint8_t* src, size_t bytes) {
        CopyHeadAndTail<uint32_t>(dst, src, bytes);
    }
    static void AddHalves(uint8_t* dst, const uint8_t* src, size_t bytes) {
        CopyHeadAndTail<uint64_t>(dst, src, bytes);
    }
    static void AddVectors(uint8_t* dst, const uint8_t* src, size_t bytes) { CopyRunBytes(dst, src, bytes); }

  private:
    // The first and the last sizeof(Piece) bytes, which together cover runs of 1 to 2 pieces.
    template <class Piece> static void CopyHeadAndTail(uint8_t* dst, const uint8_t* src, size_t bytes) {
        Piece head, tail;
        std::memcpy(&head, src, sizeof head);
        std::memcpy(&tail, src + bytes - sizeof tail, sizeof tail);
        std::memcpy(dst, &head, sizeof head);
        std::memcpy(dst + bytes - sizeof tail, &tail, sizeof tail);
    }
};

// Draws the prepared runs of a sprite whose rectangle lies wholly inside the visible part of the
// surface, its top-left pixel at origin: each class by a loop of its own.
template <class Sink>
TIDEMARCH_INLINE_WALK void DrawPreparedRuns(const PreparedRuns& list, const uint8_t* data, uint8_t* origin,
                                            Sink& sink) {
    auto each = [&](RunClass c, auto&& add) {
        for (const PreparedRun *run = list.begin(c), *end = list.end(c); run != end; ++run)
            add(origin + run->offset, data + run->source, size_t(run->bytes));
    };
    each(RunClass::Pixel, [&](uint8_t* dst, const uint8_t* src, size_t) { sink.AddPixel(dst, src); });
    each(RunClass::Pair,
         [&](uint8_t* dst, const uint8_t* src, size_t bytes) { sink.AddPair(dst, src, bytes); });
    each(RunClass::Halves,
         [&](uint8_t* dst, const uint8_t* src, size_t bytes) { sink.AddHalves(dst, src, bytes); });
    each(RunClass::Vectors,
         [&](uint8_t* dst, const uint8_t* src, size_t bytes) { sink.AddVectors(dst, src, bytes); });
}

// A lambda that hands a sink to an inlined walk, inlined too so that the sink stays in registers.
#define TIDEMARCH_INLINE_LAMBDA __attribute__((always_inline))

// Whether the sprite's whole rectangle at (x, y) lies inside the visible rectangle.
inline bool ShowsWhole(const Rect& visible, int32_t x, int32_t y, int32_t width, int32_t height) {
    return x >= visible.left && y >= visible.top && int64_t(x) + width <= visible.right &&
           int64_t(y) + height <= visible.bottom;
}

template <PixelLayout Layout>
using LayoutTraits16 = std::conditional_t<Layout == PixelLayout::Rgb565, Rgb565Traits, Rgb555Traits>;
}  // namespace

template <int32_t Bpp>
void WalkRaw(const SpriteImage& image, const SpriteTarget& target, int32_t x, int32_t y,
             const RowKernel& kernel) {
    RawWalk<Bpp>(image, target, x, y, [&](auto&& walk) { WalkRuns<Bpp>(kernel, walk); });
}

template <int32_t Bpp>
void WalkRle(const SpriteImage& image, const SpriteTarget& target, int32_t x, int32_t y,
             const RowKernel& kernel) {
    RleWalk<Bpp>(image, target, x, y, [&](auto&& walk) { WalkRuns<Bpp>(kernel, walk); });
}

template <int32_t Bpp>
void WalkRle2(const SpriteImage& image, const SpriteTarget& target, int32_t x, int32_t y,
              const RowKernel& kernel) {
    Rle2Walk<Bpp>(image, target, x, y, [&](auto&& walk) { WalkRuns<Bpp>(kernel, walk); });
}

template <PixelLayout Layout, SpriteKind Kind>
void DrawInPlace16(const SpriteRenderer& sprite, Surface* target, int32_t x, int32_t y, Rect clip,
                   int32_t alpha, int32_t effect) {
    if (!sprite.pixelData || !target || !target->pixels) return;
    // The clip is meant to lie inside the surface; holding it there keeps every write inside
    // the surface's memory whatever the caller passes.
    const Rect visible{std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, target->width),
                       std::min(clip.bottom, target->height)};
    if (visible.IsEmpty()) return;
    if constexpr (Kind == SpriteKind::Rle2) {
        PreparedRuns* list = PreparedRunsOf16(sprite);
        if (list && list->width == sprite.width && list->height == sprite.height &&
            ShowsWhole(visible, x, y, sprite.width, sprite.height) && LayOutFor(*list, target->pitch)) {
            uint8_t* origin =
                target->pixels + int64_t(y) * target->pitch + int64_t(x) * LayoutTraits16<Layout>::kBytes;
            // Asked for before anything else, so that the memory waits overlap the set-up.
            PrefetchSurfaceRows(origin, target->pitch, list->height);
            const SpriteOperation op = SelectSpriteOperation16(alpha, effect);
            if (op.op == RowOp::Copy || VectorRuns16Take(op.op, op.k, op.ws, op.wd))
                return WithVectorRuns16<LayoutTraits16<Layout>>(
                    op, PreparedCopySink{}, [&](auto& sink) TIDEMARCH_INLINE_LAMBDA {
                        DrawPreparedRuns(*list, sprite.pixelData, origin, sink);
                    });
        }
    }
    const SpriteOperation op = SelectSpriteOperation16(alpha, effect);
    if (op.op != RowOp::Copy && !VectorRuns16Take(op.op, op.k, op.ws, op.wd))
        return DrawSpriteWithKernel<Layout, Kind>(sprite, target, x, y, visible,
                                                  SpriteBlend{alpha, effect, false, 0}, PixelPath::Fast);
    const SpriteImage image{sprite.pixelData, SpriteRenderer::PixelDataSize(sprite.pixelData), sprite.width,
                            sprite.height};
    const SpriteTarget surface{target->pixels, target->pitch, visible};
    auto withSink = [op](auto&& walk) {
        WithVectorRuns16<LayoutTraits16<Layout>>(op, CopySink(LayoutTraits16<Layout>::kBytes), walk);
    };
    switch (Kind) {
    case SpriteKind::Raw:
        return RawWalk<2>(image, surface, x, y, withSink);
    case SpriteKind::Rle:
        return RleWalk<2>(image, surface, x, y, withSink);
    case SpriteKind::Rle2:
        return Rle2Walk<2>(image, surface, x, y, withSink);
    }
}

#define TIDEMARCH_INSTANTIATE_WALKS(bpp)                                                                     \
    template void WalkRaw<bpp>(const SpriteImage&, const SpriteTarget&, int32_t, int32_t, const RowKernel&); \
    template void WalkRle<bpp>(const SpriteImage&, const SpriteTarget&, int32_t, int32_t, const RowKernel&); \
    template void WalkRle2<bpp>(const SpriteImage&, const SpriteTarget&, int32_t, int32_t, const RowKernel&);
TIDEMARCH_INSTANTIATE_WALKS(2)
TIDEMARCH_INSTANTIATE_WALKS(3)
TIDEMARCH_INSTANTIATE_WALKS(4)
#undef TIDEMARCH_INSTANTIATE_WALKS

#define TIDEMARCH_INSTANTIATE_DRAW_IN_PLACE(layout)                                                          \
    template void DrawInPlace16<layout, SpriteKind::Raw>(const SpriteRenderer&, Surface*, int32_t, int32_t,  \
                                                         Rect, int32_t, int32_t);                            \
    template void DrawInPlace16<layout, SpriteKind::Rle>(const SpriteRenderer&, Surface*, int32_t, int32_t,  \
                                                         Rect, int32_t, int32_t);                            \
    template void DrawInPlace16<layout, SpriteKind::Rle2>(const SpriteRenderer&, Surface*, int32_t, int32_t, \
                                                          Rect, int32_t, int32_t);
TIDEMARCH_INSTANTIATE_DRAW_IN_PLACE(PixelLayout::Rgb565)
TIDEMARCH_INSTANTIATE_DRAW_IN_PLACE(PixelLayout::Rgb555)
#undef TIDEMARCH_INSTANTIATE_DRAW_IN_PLACE
