#pragma once
// Runs of 16-bit pixels of any length done where the walk finds them, with the operation's
// weights held in vector registers for the whole drawing call.
//
// A sprite's runs are mostly a few pixels long. Collecting them for a row function costs a
// record per run and a call per batch, and the row function then prepares its weights and
// chooses a way of loading for every run. Here the weights are prepared once, when the sink is
// made, and each run is loaded and stored as a few pieces that cover it exactly:
//   1 pixel: the pixel; 2-3 pixels: the first two and the last two; 4-7 pixels: the first four
//   and the last four, in one vector; 8 and more: whole vectors, the last one overlapping the one
//   before it and computed from the original pixels before anything is stored.
// Overlapping pieces are computed from the same original pixels, so they store the same values.
// Nothing outside the run is read or written.
//
// A weight k < 32 scales a channel in place with one unsigned high multiply: for a channel value
// v at bit position p, ((v << p) × (k << 11)) >> 16 = (v × k) << (p − 5), so masking with the
// channel keeps exactly floor(v × k / 32) << p. A weight of 32 does not fit the multiplier; the
// callers take the row functions for it (VectorRuns16Take).
#include <emmintrin.h>
#include <xmmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "display/pixel/pixel_layouts.h"
#include "display/pixel/row_kernel.h"

// Whether the sinks below do an operation with these weights.
constexpr bool VectorRuns16Take(RowOp op, uint32_t k, uint32_t ws, uint32_t wd) {
    constexpr uint32_t kFull = 32;
    switch (op) {
    case RowOp::Scale:
    case RowOp::Brighten:
        return k < kFull;
    case RowOp::Blend:
    case RowOp::BlendKeyed:
        return ws < kFull && wd < kFull;
    case RowOp::BrightenBlend:
        return k < kFull && ws < kFull && wd < kFull;
    default:
        return false;
    }
}

// The run lengths in bytes from which each piece above is used: two pixels, four, a vector.
// A caller that sorts runs by piece (the prepared runs of sprites) sorts by these.
namespace run_pieces16 {
inline constexpr size_t kPair = 4, kHalves = 8, kVector = 16;
}  // namespace run_pieces16

// Everything a run does is inlined into the walk that finds it, so that the weights stay in
// registers from run to run.
#define TIDEMARCH_RUN_INLINE inline __attribute__((always_inline))

template <class L, RowOp Op> class VectorRunSink16 {
  public:
    static_assert(L::kBytes == 2);
    static constexpr bool kTakesEmptyRuns = true;  // a count of 0 stores nothing

    // The weights as RowParams has them; VectorRuns16Take(Op, k, ws, wd) must hold.
    VectorRunSink16(uint32_t k, uint32_t ws, uint32_t wd)
        : rb_(_mm_set1_epi16(int16_t(L::kRed | L::kBlue))), g_(_mm_set1_epi16(int16_t(L::kGreen))),
          k_(Factor(k)), ws_(Factor(ws)), wd_(Factor(wd)), wsd_(_mm_unpacklo_epi64(ws_, wd_)) {}

    TIDEMARCH_RUN_INLINE void Add(uint8_t* dst, const uint8_t* src, int32_t count) {
        const size_t bytes = size_t(count) * 2;
        if (count >= 4) {
            if (count < 8)
                AddHalves(dst, src, bytes);
            else
                AddVectors(dst, src, bytes);
        } else if (count >= 2) {
            AddPair(dst, src, bytes);
        } else if (count == 1) {
            AddPixel(dst, src);
        }
    }

    // The pieces, each for runs of its own size in bytes (whole pixels).
    static constexpr size_t kPair = run_pieces16::kPair, kHalf = run_pieces16::kHalves,
                            kVector = run_pieces16::kVector;
    TIDEMARCH_RUN_INLINE void AddPixel(uint8_t* dst, const uint8_t* src) {
        const uint16_t r = uint16_t(_mm_cvtsi128_si32(ApplyShort(Load2(dst), Load2(src))));
        std::memcpy(dst, &r, 2);
    }
    // kPair up to kHalf bytes.
    TIDEMARCH_RUN_INLINE void AddPair(uint8_t* dst, const uint8_t* src, size_t bytes) {
        const size_t last = bytes - kPair;  // the last two pixels
        const __m128i d = _mm_unpacklo_epi32(Load4(dst), Load4(dst + last));
        const __m128i s = _mm_unpacklo_epi32(Load4(src), Load4(src + last));
        const __m128i r = ApplyShort(d, s);
        const uint32_t head = uint32_t(_mm_cvtsi128_si32(r));
        const uint32_t tail = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(r, 4)));
        std::memcpy(dst, &head, 4);
        std::memcpy(dst + last, &tail, 4);
    }
    // kHalf up to kVector bytes.
    TIDEMARCH_RUN_INLINE void AddHalves(uint8_t* dst, const uint8_t* src, size_t bytes) {
        const size_t last = bytes - kHalf;  // the last four pixels
        const __m128i r = Apply(Halves(dst, dst + last), Halves(src, src + last));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), r);
        _mm_storeh_pi(reinterpret_cast<__m64*>(dst + last), _mm_castsi128_ps(r));
    }
    // kVector bytes and more.
    TIDEMARCH_RUN_INLINE void AddVectors(uint8_t* dst, const uint8_t* src, size_t bytes) {
        const size_t last = bytes - kVector;
        const __m128i tail = Apply(Load16(dst + last), Load16(src + last));
        for (size_t i = 0; i < last; i += kVector)
            Store16(dst + i, Apply(Load16(dst + i), Load16(src + i)));
        Store16(dst + last, tail);
    }

  private:
    static TIDEMARCH_RUN_INLINE __m128i Factor(uint32_t k) {
        return _mm_set1_epi16(int16_t(uint16_t(k << 11)));
    }
    static TIDEMARCH_RUN_INLINE __m128i Load16(const uint8_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    }
    static TIDEMARCH_RUN_INLINE void Store16(uint8_t* p, __m128i v) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
    }
    static TIDEMARCH_RUN_INLINE __m128i Load4(const uint8_t* p) {
        int32_t v;
        std::memcpy(&v, p, 4);
        return _mm_cvtsi32_si128(v);
    }
    static TIDEMARCH_RUN_INLINE __m128i Load2(const uint8_t* p) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return _mm_cvtsi32_si128(v);
    }
    // Eight bytes at low into the low half and eight at high into the high half.
    static TIDEMARCH_RUN_INLINE __m128i Halves(const uint8_t* low, const uint8_t* high) {
        const __m128 l = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(low)));
        return _mm_castps_si128(_mm_loadh_pi(l, reinterpret_cast<const __m64*>(high)));
    }

    TIDEMARCH_RUN_INLINE __m128i Scale(__m128i p, __m128i factor) const {
        const __m128i rb = _mm_and_si128(_mm_mulhi_epu16(_mm_and_si128(p, rb_), factor), rb_);
        const __m128i g = _mm_and_si128(_mm_mulhi_epu16(_mm_and_si128(p, g_), factor), g_);
        return _mm_or_si128(rb, g);
    }
    // brighten(v, k) = v + scale(M − v, k); M − v of every channel is the channel's bits flipped.
    TIDEMARCH_RUN_INLINE __m128i Brighten(__m128i p) const {
        const __m128i rgb = _mm_or_si128(rb_, g_);
        const __m128i v = _mm_and_si128(p, rgb);
        return _mm_add_epi16(v, Scale(_mm_xor_si128(v, rgb), k_));
    }
    TIDEMARCH_RUN_INLINE __m128i Apply(__m128i d, __m128i s) const {
        if constexpr (Op == RowOp::Scale) {
            return Scale(s, k_);
        } else if constexpr (Op == RowOp::Brighten) {
            return Brighten(s);
        } else if constexpr (Op == RowOp::BrightenBlend) {
            return _mm_add_epi16(Scale(Brighten(s), ws_), Scale(d, wd_));
        } else {
            static_assert(Op == RowOp::Blend || Op == RowOp::BlendKeyed);
            if constexpr (Op == RowOp::BlendKeyed) {
                const __m128i zero = _mm_cmpeq_epi16(s, _mm_setzero_si128());
                s = _mm_or_si128(s, _mm_and_si128(zero, d));
            }
            // Each channel's two terms add up to at most its largest value: no carry between them.
            return _mm_add_epi16(Scale(s, ws_), Scale(d, wd_));
        }
    }

    // The same for at most four pixels in the low halves of d and s. A blend then scales source
    // and destination side by side in one vector, each half with its own weight.
    TIDEMARCH_RUN_INLINE __m128i ApplyShort(__m128i d, __m128i s) const {
        if constexpr (Op == RowOp::Blend) {
            const __m128i scaled = Scale(_mm_unpacklo_epi64(s, d), wsd_);
            return _mm_add_epi16(scaled, _mm_shuffle_epi32(scaled, _MM_SHUFFLE(1, 0, 3, 2)));
        } else {
            return Apply(d, s);
        }
    }

    __m128i rb_, g_, k_, ws_, wd_;
    __m128i wsd_;  // source weight in the low half, destination weight in the high half
};
