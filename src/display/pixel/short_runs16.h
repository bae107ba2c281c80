#pragma once
// Runs of a few pixels on the 16-bit layouts, computed in general registers.
//
// A sprite's runs and the rows of a small rectangle are often one to a few pixels long. A vector
// row function then spends more on its call, its constants and its partial loads and stores
// than on the pixels; these functions do such runs one pixel at a time, with the same results.
//
// Each pixel is spread over a 32-bit word, green moved up by 16 bits, so that every channel has
// five free bits above it: a channel times a weight of 0..32 then stays inside its own field,
// and one multiplication scales all three channels exactly as the per-channel rule does.
// Bit 15 of 5:5:5 belongs to no channel and drops out, as it does in the reference.
#include <cstdint>
#include <cstring>

#include "display/pixel/pixel_layouts.h"
#include "display/pixel/reference_pixel.h"
#include "display/pixel/row_kernel.h"
#include "display/pixel/sse2_lanes.h"

// Runs up to this many pixels go through the functions below in the sprite walks and blits:
// below a whole 16-byte vector, where the vector paths need partial loads and stores.
constexpr int32_t kShortRunPixels = 3;

template <class L> struct Spread16 {
    static constexpr uint32_t kMask = (L::kRed | L::kBlue) | (L::kGreen << 16);

    static uint32_t Spread(uint32_t pixel) { return (pixel | pixel << 16) & kMask; }
    static uint32_t Fold(uint32_t spread) { return uint16_t(spread | spread >> 16); }
    // scale(v, k) in every channel, k in 0..32.
    static uint32_t Scale(uint32_t spread, uint32_t k) { return ((spread * k) >> 5) & kMask; }
    // brighten(v, k) = v + scale(M − v, k); M − v is v with every channel bit flipped.
    static uint32_t Brighten(uint32_t spread, uint32_t k) { return spread + Scale(spread ^ kMask, k); }
};

template <class L, RowOp Op> inline uint32_t ShortPixel16(uint32_t d, uint32_t s, const RowParams& p) {
    using S = Spread16<L>;
    if constexpr (Op == RowOp::Copy) {
        return s;
    } else if constexpr (Op == RowOp::Scale) {
        return S::Fold(S::Scale(S::Spread(s), p.k));
    } else if constexpr (Op == RowOp::Brighten) {
        return S::Fold(S::Brighten(S::Spread(s), p.k));
    } else if constexpr (Op == RowOp::BrightenBlend) {
        return S::Fold(S::Scale(S::Brighten(S::Spread(s), p.k), p.ws) + S::Scale(S::Spread(d), p.wd));
    } else {
        static_assert(Op == RowOp::Blend || Op == RowOp::BlendKeyed);
        if (Op == RowOp::BlendKeyed && s == 0) s = d;
        // Each channel's two terms add up to at most its largest value: no carry between them.
        return S::Fold(S::Scale(S::Spread(s), p.ws) + S::Scale(S::Spread(d), p.wd));
    }
}

// dst[i] = op(dst[i], src[i]) for the count pixels of one run.
template <class L, RowOp Op>
inline void ShortRun16(uint8_t* dst, const uint8_t* src, int32_t count, const RowParams& p) {
    static_assert(L::kBytes == 2 && HasShortRun16(Op));
    // The weights in locals: the pixel stores may alias anything, the parameters included.
    RowParams weights;
    weights.k = p.k;
    weights.ws = p.ws;
    weights.wd = p.wd;
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t s = L::Load(src + 2 * i);
        const uint32_t d = kReadsDestination<Op> ? L::Load(dst + 2 * i) : 0;
        L::Store(dst + 2 * i, ShortPixel16<L, Op>(d, s, weights));
    }
}

// Where the walks and blits send their runs when short runs go through the functions above: the
// short ones are done at once, the others collected for the row function. The runs of one
// drawing call never overlap, so the order in which they are finished does not matter.
template <class L, RowOp Op> class ShortRunSink {
  public:
    explicit ShortRunSink(const RowKernel& kernel) : batch_(kernel), params_(kernel.params) {}
    void Add(uint8_t* dst, const uint8_t* src, int32_t count) {
        if (count <= kShortRunPixels)
            ShortRun16<L, Op>(dst, src, count, params_);
        else
            batch_.Add(dst, src, count);
    }

  private:
    RowBatch batch_;
    const RowParams& params_;
};

// Inlined into the walk, so that the walk's state stays in registers around the runs it finds.
#define TIDEMARCH_INLINE_WALK inline __attribute__((always_inline))

template <class L, class Walk>
TIDEMARCH_INLINE_WALK void WalkWithShortRuns(const RowKernel& kernel, Walk& walk) {
    switch (kernel.op) {
#define TIDEMARCH_SHORT_RUN_CASE(op)                                                                         \
    case op: {                                                                                               \
        ShortRunSink<L, op> sink(kernel);                                                                    \
        walk(sink);                                                                                          \
        return;                                                                                              \
    }
        TIDEMARCH_SHORT_RUN_CASE(RowOp::Scale)
        TIDEMARCH_SHORT_RUN_CASE(RowOp::Brighten)
        TIDEMARCH_SHORT_RUN_CASE(RowOp::Blend)
        TIDEMARCH_SHORT_RUN_CASE(RowOp::BlendKeyed)
        TIDEMARCH_SHORT_RUN_CASE(RowOp::BrightenBlend)
#undef TIDEMARCH_SHORT_RUN_CASE
    default:
        break;
    }
    RowBatch batch(kernel);
    walk(batch);
}

// Copies n bytes between memory that does not overlap (sprite pixels into a surface): up to
// kInlineCopyBytes in 16-byte pieces, the last one overlapping the one before, longer ones by
// memcpy, whose call then costs little beside the copy.
constexpr size_t kInlineCopyBytes = 256;
inline void CopyRunBytes(uint8_t* dst, const uint8_t* src, size_t n) {
    if (n <= 32 || n > kInlineCopyBytes) {
        if (n > 32)
            std::memcpy(dst, src, n);
        else
            CopyBytes(dst, src, n);
        return;
    }
    const __m128i tail = LoadVector(src + n - 16);
    for (size_t i = 0; i + 16 < n; i += 16)
        StoreVector(dst + i, LoadVector(src + i));
    StoreVector(dst + n - 16, tail);
}

// Opaque copies need no batch at all: every run is copied where it is found.
class CopySink {
  public:
    void Add(uint8_t* dst, const uint8_t* src, int32_t count) {
        CopyRunBytes(dst, src, size_t(count) * bytesPerPixel_);
    }
    explicit CopySink(int32_t bytesPerPixel) : bytesPerPixel_(bytesPerPixel) {}

  private:
    int32_t bytesPerPixel_;
};

// Calls walk(sink) with the sink that suits the kernel: where the kernel allows it, one that
// copies at once or does short runs in general registers, else a batch for the row function.
// Bpp is the kernel's bytes per pixel, known to the caller's compiler.
template <int32_t Bpp, class Walk> TIDEMARCH_INLINE_WALK void WalkRuns(const RowKernel& kernel, Walk&& walk) {
    if (kernel.inlineRuns) {
        if (kernel.op == RowOp::Copy) {
            CopySink sink(Bpp);
            walk(sink);
            return;
        }
        if constexpr (Bpp == 2) {
            if (kernel.layout == PixelLayout::Rgb565) return WalkWithShortRuns<Rgb565Traits>(kernel, walk);
            if (kernel.layout == PixelLayout::Rgb555) return WalkWithShortRuns<Rgb555Traits>(kernel, walk);
        }
    }
    RowBatch batch(kernel);
    walk(batch);
}
