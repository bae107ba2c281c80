#include "display/pixel/surface_operations.h"

#include <algorithm>
#include <cstddef>
#include <type_traits>

#include "display/opacity.h"
#include "display/pixel/rect_functions.h"
#include "display/pixel/short_runs16.h"
#include "display/pixel/vector_pieces.h"
#include "display/pixel/vector_runs16.h"
#include "display/surface.h"

namespace {
// Small rectangles ask for all their rows at once, so that the memory waits overlap.
constexpr int32_t kPrefetchedRows = 32;
// Rows up to this many bytes are done in SSE2 pieces where they are found; longer rows go to
// the row functions, whose vectors may be wider and whose set-up is then small beside the row.
constexpr int32_t kPieceRowBytes = 64;

constexpr bool Is16Bit(PixelLayout layout) {
    return layout == PixelLayout::Rgb565 || layout == PixelLayout::Rgb555;
}

// Effects outside -256..256 have no meaning of their own; they act as the nearest end, so that
// no weight leaves its range.
int32_t LimitEffect(int32_t effect) { return std::clamp(effect, -256, 256); }

// Level 256 brightens by the effect's low byte taken as signed, which the effects 1 to 127 are
// themselves; larger effects would turn into darkening there, so they brighten by the effect
// up to white, as the translucent levels do.
int32_t OpaqueBrightenLevel(int32_t effect) { return effect <= 127 ? effect : std::min(effect, 256); }

uint8_t* EndOf(Surface& s) { return s.pixels + int64_t(s.pitch) * s.height; }

void FillRows(Surface& s, const Rect& r, RowKernel kernel) {
    kernel.params.dstLimit = EndOf(s);
    const int32_t bpp = kernel.bytesPerPixel;
    RowBatch batch(kernel);
    for (int32_t row = r.top; row < r.bottom; ++row) {
        uint8_t* at = s.Row(row) + r.left * bpp;
        batch.Add(at, at, r.Width());  // a fill reads no source
    }
}

// Source and destination may be the same surface: rows and pieces of rows are then taken in
// the order that reads every source pixel before it is written, as a copy would.
template <int32_t Bpp>
void BlendRows(Surface& source, const Rect& src, Surface& destination, int32_t dx, int32_t dy,
               RowKernel& kernel) {
    kernel.params.dstLimit = EndOf(destination);
    kernel.params.srcLimit = EndOf(source);
    constexpr int32_t bpp = Bpp;
    const int32_t rows = src.Height();
    const int32_t width = src.Width();
    const bool same = &source == &destination;
    const bool upward = same && dy > src.top;
    if (rows <= kPrefetchedRows && rows > 1)  // one row has no other row's wait to overlap with
        for (int32_t r = 0; r < rows; ++r) {
            __builtin_prefetch(source.Row(src.top + r) + src.left * bpp);
            __builtin_prefetch(destination.Row(dy + r) + dx * bpp, 1);
        }
    if (!same) {
        WalkRuns<Bpp>(kernel, [&](auto& batch) {
            for (int32_t r = 0; r < rows; ++r)
                batch.Add(destination.Row(dy + r) + dx * bpp, source.Row(src.top + r) + src.left * bpp,
                          width);
        });
        return;
    }
    if (dy != src.top) {
        RowBatch batch(kernel);
        for (int32_t i = 0; i < rows; ++i) {
            const int32_t r = upward ? rows - 1 - i : i;
            batch.Add(destination.Row(dy + r) + dx * bpp, source.Row(src.top + r) + src.left * bpp, width);
        }
        return;
    }
    // Within one row of one surface: pieces through a buffer, from the end that is read first.
    constexpr int32_t kPiece = 256;
    uint8_t piece[kPiece * 4 + 16];
    RowKernel fromPiece = kernel;
    fromPiece.params.srcLimit = piece + sizeof piece;
    const bool fromRight = dx > src.left;
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t* from = source.Row(src.top + r) + src.left * bpp;
        uint8_t* to = destination.Row(dy + r) + dx * bpp;
        for (int32_t done = 0; done < width;) {
            const int32_t n = std::min(kPiece, width - done);
            const int32_t at = fromRight ? width - done - n : done;
            std::copy_n(from + at * bpp, n * bpp, piece);
            const RowRun run{to + at * bpp, piece, n};
            RunRowKernel(fromPiece, &run, 1);
            done += n;
        }
    }
}

// Asks for both ends of every row of a small rectangle at once (a short row often ends in the
// next cache line), so that the memory waits overlap.
template <bool ReadsSource>
inline __attribute__((always_inline)) void PrefetchRect(uint8_t* to, ptrdiff_t toPitch, const uint8_t* from,
                                                        ptrdiff_t fromPitch, ptrdiff_t rowBytes,
                                                        int32_t rows) {
    if (rows > kPrefetchedRows || rows < 2) return;  // one row has no other row's wait to overlap with
    for (int32_t r = 0; r < rows; ++r) {
        if (ReadsSource) {
            __builtin_prefetch(from + r * fromPitch);
            __builtin_prefetch(from + r * fromPitch + rowBytes - 1);
        }
        __builtin_prefetch(to + r * toPitch, 1);
        __builtin_prefetch(to + r * toPitch + rowBytes - 1, 1);
    }
}

// The rows of a rectangle, each row done where it is found by the sink with its weights in
// registers: no run records, no row-function call. Source and destination are different
// surfaces; a fill reads no source.
template <bool ReadsSource, int32_t Bpp, class Sink>
inline __attribute__((always_inline)) void RectRows(uint8_t* to, ptrdiff_t toPitch, const uint8_t* from,
                                                    ptrdiff_t fromPitch, int32_t width, int32_t rows,
                                                    Sink& sink) {
    PrefetchRect<ReadsSource>(to, toPitch, from, fromPitch, ptrdiff_t(width) * Bpp, rows);
    for (int32_t r = 0; r < rows; ++r, to += toPitch, from += fromPitch)
        sink.Add(to, from, width);
}

// Hands whole rows of Bpp-byte pixels to an operation applied in vector pieces.
template <bool ReadsSource, int32_t Bpp, class Op> class PieceSink {
  public:
    explicit PieceSink(const Op& op) : op_(op) {}
    TIDEMARCH_PIECE_INLINE void Add(uint8_t* dst, const uint8_t* src, int32_t count) {
        ApplyInPieces<ReadsSource>(dst, src, size_t(count) * Bpp, op_);
    }

  private:
    Op op_;
};

template <int32_t Bpp, class Op> void FillRectRows(Surface& s, const Rect& r, const Op& op) {
    uint8_t* to = s.Row(r.top) + int64_t(r.left) * Bpp;
    PieceSink<false, Bpp, Op> sink(op);
    RectRows<false, Bpp>(to, s.pitch, to, 0, r.Width(), r.Height(), sink);
}

template <int32_t Bpp, RowOp Op>
void BlendRectRowsBytes(uint8_t* to, ptrdiff_t toPitch, const uint8_t* from, ptrdiff_t fromPitch,
                        int32_t width, int32_t rows, uint32_t k, uint32_t ws, uint32_t wd) {
    PieceSink<true, Bpp, ByteOpLanes<Op>> sink(ByteOpLanes<Op>(k, ws, wd));
    RectRows<true, Bpp>(to, toPitch, from, fromPitch, width, rows, sink);
}

// A translucent or effect 24/32-bit BlitTo between two surfaces, for the weights
// ByteOpLanesTake accepts.
template <int32_t Bpp>
void BlendRectBytes(RowOp op, const RowParams& p, Surface& source, const Rect& src, Surface& destination,
                    int32_t dx, int32_t dy) {
    uint8_t* to = destination.Row(dy) + int64_t(dx) * Bpp;
    const uint8_t* from = source.Row(src.top) + int64_t(src.left) * Bpp;
    const ptrdiff_t toPitch = destination.pitch, fromPitch = source.pitch;
    const int32_t width = src.Width(), rows = src.Height();
    switch (op) {
#define TIDEMARCH_BLEND_RECT_CASE(operation)                                                                 \
    case operation:                                                                                          \
        return BlendRectRowsBytes<Bpp, operation>(to, toPitch, from, fromPitch, width, rows, p.k, p.ws, p.wd);
        TIDEMARCH_BLEND_RECT_CASE(RowOp::Scale)
        TIDEMARCH_BLEND_RECT_CASE(RowOp::Brighten)
        TIDEMARCH_BLEND_RECT_CASE(RowOp::Blend)
        TIDEMARCH_BLEND_RECT_CASE(RowOp::BrightenBlend)
#undef TIDEMARCH_BLEND_RECT_CASE
    default:
        return;
    }
}

template <class L, RowOp Op>
void BlendRectRows16(uint8_t* to, ptrdiff_t toPitch, const uint8_t* from, ptrdiff_t fromPitch, int32_t width,
                     int32_t rows, uint32_t k, uint32_t ws, uint32_t wd) {
    VectorRunSink16<L, Op> sink(k, ws, wd);
    RectRows<true, 2>(to, toPitch, from, fromPitch, width, rows, sink);
}

// A translucent 16-bit BlitTo between two surfaces, for the weights VectorRuns16Take accepts.
template <class L>
void BlendRect16(RowOp op, const RowParams& p, Surface& source, const Rect& src, Surface& destination,
                 int32_t dx, int32_t dy) {
    uint8_t* to = destination.Row(dy) + int64_t(dx) * 2;
    const uint8_t* from = source.Row(src.top) + int64_t(src.left) * 2;
    const ptrdiff_t toPitch = destination.pitch, fromPitch = source.pitch;
    const int32_t width = src.Width(), rows = src.Height();
    switch (op) {
#define TIDEMARCH_BLEND_RECT_CASE(operation)                                                                 \
    case operation:                                                                                          \
        return BlendRectRows16<L, operation>(to, toPitch, from, fromPitch, width, rows, p.k, p.ws, p.wd);
        TIDEMARCH_BLEND_RECT_CASE(RowOp::Scale)
        TIDEMARCH_BLEND_RECT_CASE(RowOp::Brighten)
        TIDEMARCH_BLEND_RECT_CASE(RowOp::Blend)
        TIDEMARCH_BLEND_RECT_CASE(RowOp::BlendKeyed)
        TIDEMARCH_BLEND_RECT_CASE(RowOp::BrightenBlend)
#undef TIDEMARCH_BLEND_RECT_CASE
    default:
        return;
    }
}

// Rows of at least this many bytes go to the processor's rectangle function where it has one.
constexpr int32_t kRectFunctionRowBytes = 16;

// Runs a rectangle function over the source rectangle at (left, top), width by rows, into the
// destination at (dx, dy); both rectangles lie inside their surfaces.
template <PixelLayout Layout>
inline __attribute__((always_inline)) void
RunRectFunction(RectFunction function, RowParams& p, Surface& source, int32_t left, int32_t top,
                int32_t width, int32_t rows, Surface& destination, int32_t dx, int32_t dy) {
    constexpr int32_t bpp = BytesPerPixel(Layout);
    uint8_t* to = destination.Row(dy) + int64_t(dx) * bpp;
    const uint8_t* from = source.Row(top) + int64_t(left) * bpp;
    // Asking ahead pays on 16-bit rows only: on the byte layouts it measured no gain at
    // 8 x 8 and a loss at 32 x 32, where the processor's own prefetch follows the rows.
    if constexpr (bpp == 2) PrefetchRect<true>(to, destination.pitch, from, source.pitch, width * bpp, rows);
    p.dstLimit = EndOf(destination);
    p.srcLimit = EndOf(source);
    function(to, destination.pitch, from, source.pitch, width, rows, p);
}

// A translucent or effect BlitTo between two different surfaces without run records: rows of a
// whole vector or more through the processor's rectangle function, shorter rows (and rows up to
// kPieceRowBytes on processors without one) in SSE2 pieces. False where neither takes the
// operation and row length; the row functions serve then.
template <PixelLayout Layout>
bool BlendRectFast(RowOp op, RowParams p, Surface& source, const Rect& src, Surface& destination, int32_t dx,
                   int32_t dy) {
    constexpr int32_t bpp = BytesPerPixel(Layout);
    const int32_t width = src.Width(), rows = src.Height();
    const int32_t rowBytes = width * bpp;
    if (rowBytes >= kRectFunctionRowBytes) {
        if (const RectFunction rect = FastRectFunction(Layout, op)) {
            RunRectFunction<Layout>(rect, p, source, src.left, src.top, width, rows, destination, dx, dy);
            return true;
        }
    }
    if (rowBytes > kPieceRowBytes) return false;
    if constexpr (bpp == 2) {
        if (!VectorRuns16Take(op, p.k, p.ws, p.wd)) return false;
        using L = std::conditional_t<Layout == PixelLayout::Rgb565, Rgb565Traits, Rgb555Traits>;
        BlendRect16<L>(op, p, source, src, destination, dx, dy);
    } else {
        if (!ByteOpLanesTake(op, p.k, p.ws, p.wd)) return false;
        BlendRectBytes<bpp>(op, p, source, src, destination, dx, dy);
    }
    return true;
}

RowKernel Kernel(PixelLayout layout, RowOp op, RowParams params, PixelPath path) {
    return MakeRowKernel(layout, op, params, path);
}
}  // namespace

bool LimitFillCorners(const Surface& s, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Rect& out) {
    if (x1 > x2) std::swap(x1, x2);
    if (x1 == x2) return false;
    if (y1 > y2) std::swap(y1, y2);
    if (y1 == y2) return false;
    if (x2 <= 0 || x1 > s.width || y2 <= 0 || y1 > s.height) return false;
    out = Rect{std::max(x1, 0), std::max(y1, 0), std::min(x2, s.width), std::min(y2, s.height)};
    return !out.IsEmpty();
}

uint32_t PrescaleFillColour16(PixelLayout layout, uint32_t v, int32_t a) {
    const uint32_t level = uint32_t(a);
    if (layout == PixelLayout::Rgb555)
        return (((v & 0x1F) * level >> 8) & 0x1F) | ((((v >> 8) & 0x03) * level) & 0x3E0) |
               ((((v >> 8) & 0x7C) * level) & 0x7C00);
    return (((v & 0x1F) * level >> 8) & 0x1F) | ((((v >> 8) & 0x07) * level) & 0x7E0) |
           ((((v >> 8) & 0xF8) * level) & 0xF800);
}

uint32_t ApplyEffectToFillColour(uint32_t colour, int32_t effect) {
    effect = LimitEffect(effect);
    if (effect == 0) return colour;
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t b = (colour >> shift) & 0xFF;
        const uint32_t v =
            effect > 0 ? b + ((255 - b) * uint32_t(effect) >> 8) : (b * uint32_t(256 + effect)) >> 8;
        out |= v << shift;
    }
    return out;
}

void FillRectInLayout(Surface& s, PixelLayout layout, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      uint32_t colour, int32_t level, int32_t effect, PixelPath path) {
    Rect r;
    if (!s.HasPixels() || !LimitFillCorners(s, x1, y1, x2, y2, r)) return;
    if (Is16Bit(layout)) {
        if (level == kOpaque) {
            s.FillRectangle(r, colour);
            return;
        }
        if (level < 0 || level > kOpaque) return;  // no meaning given; nothing is drawn
        RowParams p;
        p.wd = uint32_t(kOpaque - level) >> 3;
        p.colour = PrescaleFillColour16(layout, colour, level);
        if (path == PixelPath::Fast && p.wd < FillBlendLanes16<Rgb565Traits>::kFullWeight &&
            r.Width() * 2 <= kPieceRowBytes) {
            if (layout == PixelLayout::Rgb565)
                return FillRectRows<2>(s, r, FillBlendLanes16<Rgb565Traits>(p.wd, p.colour));
            return FillRectRows<2>(s, r, FillBlendLanes16<Rgb555Traits>(p.wd, p.colour));
        }
        FillRows(s, r, Kernel(layout, RowOp::FillBlend, p, path));
        return;
    }
    const uint32_t adjusted = ApplyEffectToFillColour(colour, effect);
    if (level == kOpaque) {
        s.FillRectangle(r, adjusted);
        return;
    }
    if (level < 0 || level > kOpaque) return;
    RowParams p;
    p.wd = uint32_t(kOpaque - level);
    for (int shift = 0; shift < 24; shift += 8)
        p.colour |= (((adjusted >> shift) & 0xFF) * uint32_t(level) >> 8) << shift;
    // The 32-bit colour repeats every vector lane; a 24-bit row is left to the row function.
    if (path == PixelPath::Fast && layout == PixelLayout::Rgb32 && p.wd < ByteLanes::kFullWeight &&
        r.Width() * 4 <= kPieceRowBytes)
        return FillRectRows<4>(s, r, FillBlendLanes32(p.wd, p.colour));
    FillRows(s, r, Kernel(layout, RowOp::FillBlend, p, path));
}

bool PlaceBlit(const Surface& source, const Surface& destination, bool clipToDestination, int32_t x,
               int32_t y, const Rect& rect, BlitPlacement& out) {
    // Every sum is taken in 64 bits: coordinates near the ends of the 32-bit range must clip
    // like any others instead of wrapping around into the surface.
    int64_t left = rect.left, top = rect.top, right = rect.right, bottom = rect.bottom;
    int64_t dx = x, dy = y;
    if (left >= source.width || top >= source.height) return false;
    // Clip to the source surface.
    if (left < 0) {
        dx -= left;
        left = 0;
    }
    right = std::min<int64_t>(right, source.width);
    if (top < 0) {
        dy -= top;
        top = 0;
    }
    bottom = std::min<int64_t>(bottom, source.height);
    if (clipToDestination) {
        const int64_t excessX = dx + (right - left) - destination.width;
        if (excessX > 0) right -= excessX;
        if (dx < 0) {
            left -= dx;
            dx = 0;
        }
        const int64_t excessY = dy + (bottom - top) - destination.height;
        if (excessY > 0) bottom -= excessY;
        if (dy < 0) {
            top -= dy;
            dy = 0;
        }
    }
    if (right <= left || bottom <= top) return false;
    // Without clipping to the destination, a copy that does not fit draws nothing; with it, what
    // is left always fits.
    if (dx < 0 || dy < 0 || dx + (right - left) > destination.width ||
        dy + (bottom - top) > destination.height)
        return false;
    out.source = Rect{int32_t(left), int32_t(top), int32_t(right), int32_t(bottom)};
    out.destination =
        Rect{int32_t(dx), int32_t(dy), int32_t(dx + (right - left)), int32_t(dy + (bottom - top))};
    return true;
}

namespace {
// Whether BlendShortRows takes these weights of a blend without an effect.
template <PixelLayout Layout> constexpr bool ShortRowsTake(const RowParams& p) {
    if constexpr (Is16Bit(Layout))
        return VectorRuns16Take(RowOp::BlendKeyed, 0, p.ws, p.wd);
    else
        return ByteOpLanesTake(RowOp::Blend, 0, p.ws, p.wd);
}

// Rows shorter than a rectangle function takes, of a translucent BlitTo without an effect that
// lies inside both surfaces: the same SSE2 pieces the general path would reach for them, in a
// frame of their own, so that the quick path that hands them over keeps its own frame small.
template <PixelLayout Layout>
__attribute__((noinline)) void BlendShortRows(const Surface& source, const Rect& rect, Surface& destination,
                                              int32_t x, int32_t y, uint32_t ws, uint32_t wd) {
    constexpr int32_t bpp = BytesPerPixel(Layout);
    uint8_t* to = destination.Row(y) + int64_t(x) * bpp;
    const uint8_t* from = source.Row(rect.top) + int64_t(rect.left) * bpp;
    const int32_t width = rect.right - rect.left, rows = rect.bottom - rect.top;
    if constexpr (Is16Bit(Layout)) {
        using L = std::conditional_t<Layout == PixelLayout::Rgb565, Rgb565Traits, Rgb555Traits>;
        BlendRectRows16<L, RowOp::BlendKeyed>(to, destination.pitch, from, source.pitch, width, rows, 0, ws,
                                              wd);
    } else {
        BlendRectRowsBytes<bpp, RowOp::Blend>(to, destination.pitch, from, source.pitch, width, rows, 0, ws,
                                              wd);
    }
}

// The common translucent BlitTo without an effect, between two different surfaces, of a
// rectangle that lies wholly inside both: rows of a vector or more go to the rectangle function,
// shorter rows to BlendShortRows, here with the few checks they need, so that a small rectangle
// does not pay for the general clipping and choice below (its frame, its spills) on top of its
// pixels. The weights are those the general path works out for effect 0. False when the call is
// not of this kind, or the rectangle functions are not built yet (the general path builds them);
// nothing is drawn then.
template <PixelLayout Layout>
inline __attribute__((always_inline)) bool BlendInsideBoth(Surface& source, Surface* destination, int32_t x,
                                                           int32_t y, const Rect& rect, int32_t level,
                                                           int32_t effect) {
    constexpr int32_t bpp = BytesPerPixel(Layout);
    if (effect != 0 || uint32_t(level) >= uint32_t(kOpaque) || !destination || destination == &source ||
        !source.HasPixels() || !destination->HasPixels())
        return false;
    // Inside both surfaces: no sum below can overflow, every term lying within a surface's size.
    if (rect.left < 0 || rect.top < 0 || rect.right > source.width || rect.bottom > source.height ||
        rect.left >= rect.right || rect.top >= rect.bottom)
        return false;
    const int32_t width = rect.right - rect.left, rows = rect.bottom - rect.top;
    if (x < 0 || y < 0 || x > destination->width - width || y > destination->height - rows) return false;
    RowParams p;
    RowOp op;
    if constexpr (Is16Bit(Layout)) {
        op = RowOp::BlendKeyed;
        p.ws = uint32_t(level) >> 3;
        p.wd = 32 - p.ws;
    } else {
        op = RowOp::Blend;
        p.ws = uint32_t(level);
        p.wd = uint32_t(kOpaque) - p.ws;
    }
    if (width * bpp < kRectFunctionRowBytes) {
        if (!ShortRowsTake<Layout>(p)) return false;
        BlendShortRows<Layout>(source, rect, *destination, x, y, p.ws, p.wd);
        return true;
    }
    const RectFunctionTable* built = gBuiltRectFunctions.load(std::memory_order_acquire);
    if (!built) return false;
    const RectFunction function = RectFunctionOf(*built, Layout, op);
    if (!function) return false;
    RunRectFunction<Layout>(function, p, source, rect.left, rect.top, width, rows, *destination, x, y);
    return true;
}

template <PixelLayout Layout>
__attribute__((noinline)) void BlitToInGeneral(Surface& source, Surface* destination, int32_t x, int32_t y,
                                               Rect rect, int32_t level, int32_t effect, PixelPath path) {
    if (!source.platformSurface || !destination) return;
    constexpr bool sixteen = Is16Bit(Layout);
    BlitPlacement placed;
    if (!PlaceBlit(source, *destination, sixteen, x, y, rect, placed)) return;
    const Rect& src = placed.source;
    const Rect& dst = placed.destination;
    const int32_t dx = dst.left, dy = dst.top;
    if (level == kOpaque && effect == 0) {
        if (SurfacePlatform* platform = ActiveSurfacePlatform())
            platform->Copy(destination->platformSurface, dst, source.platformSurface, src,
                           source.blitOptions);
        return;
    }
    if (level < 0 || level > kOpaque || !source.HasPixels() || !destination->HasPixels()) return;

    effect = LimitEffect(effect);
    const int32_t shift = sixteen ? 3 : 0;  // 16-bit weights are levels out of 32
    const uint32_t one = sixteen ? 32 : 256;
    RowParams p;
    RowOp op;
    if (level == kOpaque) {
        if (effect < 0) {
            op = RowOp::Scale;
            p.k = uint32_t(256 + effect) >> shift;
        } else {
            op = RowOp::Brighten;
            p.k = uint32_t(OpaqueBrightenLevel(effect)) >> shift;
        }
    } else {
        p.ws = uint32_t(level) >> shift;
        p.wd = one - p.ws;
        if (effect <= 0) {
            // 16-bit: ws × ((256 + e) >> 3) >> 5; 24/32-bit: level × (256 + e) >> 8.
            op = sixteen ? RowOp::BlendKeyed : RowOp::Blend;
            p.ws = (p.ws * (uint32_t(256 + effect) >> shift)) >> (sixteen ? 5 : 8);
        } else {
            op = RowOp::BrightenBlend;
            p.k = uint32_t(effect) >> shift;
        }
    }
    if (path == PixelPath::Fast && &source != destination &&
        BlendRectFast<Layout>(op, p, source, src, *destination, dx, dy))
        return;
    RowKernel kernel = MakeRowKernel(Layout, op, p, path);
    BlendRows<BytesPerPixel(Layout)>(source, src, *destination, dx, dy, kernel);
}
}  // namespace

template <PixelLayout Layout>
void BlitToOf(Surface& source, Surface* destination, int32_t x, int32_t y, Rect rect, int32_t level,
              int32_t effect, PixelPath path) {
    if (path == PixelPath::Fast && BlendInsideBoth<Layout>(source, destination, x, y, rect, level, effect))
        return;
    BlitToInGeneral<Layout>(source, destination, x, y, rect, level, effect, path);
}

template void BlitToOf<PixelLayout::Rgb565>(Surface&, Surface*, int32_t, int32_t, Rect, int32_t, int32_t,
                                            PixelPath);
template void BlitToOf<PixelLayout::Rgb555>(Surface&, Surface*, int32_t, int32_t, Rect, int32_t, int32_t,
                                            PixelPath);
template void BlitToOf<PixelLayout::Rgb24>(Surface&, Surface*, int32_t, int32_t, Rect, int32_t, int32_t,
                                           PixelPath);
template void BlitToOf<PixelLayout::Rgb32>(Surface&, Surface*, int32_t, int32_t, Rect, int32_t, int32_t,
                                           PixelPath);

void BlitToInLayout(Surface& source, PixelLayout layout, Surface* destination, int32_t x, int32_t y,
                    Rect rect, int32_t level, int32_t effect, PixelPath path) {
    switch (layout) {
    case PixelLayout::Rgb565:
        return BlitToOf<PixelLayout::Rgb565>(source, destination, x, y, rect, level, effect, path);
    case PixelLayout::Rgb555:
        return BlitToOf<PixelLayout::Rgb555>(source, destination, x, y, rect, level, effect, path);
    case PixelLayout::Rgb24:
        return BlitToOf<PixelLayout::Rgb24>(source, destination, x, y, rect, level, effect, path);
    case PixelLayout::Rgb32:
        return BlitToOf<PixelLayout::Rgb32>(source, destination, x, y, rect, level, effect, path);
    case PixelLayout::None:
        return;
    }
}
