#pragma once
// Rows of a small rectangle done where the drawing call finds them, in SSE2 vector pieces that
// cover each row exactly, with the operation's weights prepared once per call and held in
// registers: no run records, no row-function call, no partial loads through memory.
//
// A row of n bytes is taken as:
//   16 bytes and more: whole vectors, the last one overlapping the one before it and computed
//   from the original bytes before anything is stored;
//   8 to 15 bytes: the first eight and the last eight, in one vector;
//   4 to 7 bytes: the first four and the last four; 2 or 3 bytes: the first two and the last two.
// Overlapping pieces are computed from the same original bytes and store the same values, so an
// operation may be applied in pieces only where each byte's result depends on the bytes of its
// own pixel alone, and pieces start at whole pixels or the operation does not care where a pixel
// starts (byte-wise operations with one weight for every byte). Nothing outside the row is read
// or written.
//
// The operations below give the bytes of the scalar reference: a weight k < one scales a channel
// with one unsigned high multiply, the channel placed so that ((v << p) × (k << s)) >> 16 is
// exactly floor(v × k / one) << p; a full weight does not fit the multiplier, and the callers
// take the row functions for it.
#include <emmintrin.h>
#include <xmmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "display/pixel/pixel_layouts.h"
#include "display/pixel/row_kernel.h"

#define TIDEMARCH_PIECE_INLINE inline __attribute__((always_inline))

namespace vector_pieces {

TIDEMARCH_PIECE_INLINE __m128i Load16(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
TIDEMARCH_PIECE_INLINE void Store16(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
TIDEMARCH_PIECE_INLINE __m128i Load4(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(v);
}
TIDEMARCH_PIECE_INLINE __m128i Load2(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return _mm_cvtsi32_si128(v);
}
// Eight bytes at low into the low half and eight at high into the high half.
TIDEMARCH_PIECE_INLINE __m128i Halves(const uint8_t* low, const uint8_t* high) {
    const __m128 l = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(low)));
    return _mm_castps_si128(_mm_loadh_pi(l, reinterpret_cast<const __m64*>(high)));
}

}  // namespace vector_pieces

// dst[0..n) = op(dst, src) over n >= 2 bytes; op(d, s) maps two vectors to one. ReadsSource false
// leaves src unread (fills).
template <bool ReadsSource, class Op>
TIDEMARCH_PIECE_INLINE void ApplyInPieces(uint8_t* dst, const uint8_t* src, size_t n, const Op& op) {
    using namespace vector_pieces;
    const __m128i none = _mm_setzero_si128();
    if (n >= 16) {
        const size_t last = n - 16;
        const __m128i tail = op(Load16(dst + last), ReadsSource ? Load16(src + last) : none);
        for (size_t i = 0; i < last; i += 16)
            Store16(dst + i, op(Load16(dst + i), ReadsSource ? Load16(src + i) : none));
        Store16(dst + last, tail);
    } else if (n >= 8) {
        const size_t last = n - 8;
        const __m128i r = op(Halves(dst, dst + last), ReadsSource ? Halves(src, src + last) : none);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), r);
        _mm_storeh_pi(reinterpret_cast<__m64*>(dst + last), _mm_castsi128_ps(r));
    } else if (n >= 4) {
        const size_t last = n - 4;
        const __m128i d = _mm_unpacklo_epi32(Load4(dst), Load4(dst + last));
        const __m128i s = ReadsSource ? _mm_unpacklo_epi32(Load4(src), Load4(src + last)) : none;
        const __m128i r = op(d, s);
        const uint32_t head = uint32_t(_mm_cvtsi128_si32(r));
        const uint32_t tail = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(r, 4)));
        std::memcpy(dst, &head, 4);
        std::memcpy(dst + last, &tail, 4);
    } else {
        const size_t last = n - 2;
        const __m128i d = _mm_unpacklo_epi16(Load2(dst), Load2(dst + last));
        const __m128i s = ReadsSource ? _mm_unpacklo_epi16(Load2(src), Load2(src + last)) : none;
        const uint32_t r = uint32_t(_mm_cvtsi128_si32(op(d, s)));
        const uint16_t head = uint16_t(r), tail = uint16_t(r >> 16);
        std::memcpy(dst, &head, 2);
        std::memcpy(dst + last, &tail, 2);
    }
}

// A translucent 16-bit fill: scale(d, wd) + c per channel, wd < 32, c the prescaled colour.
template <class L> class FillBlendLanes16 {
  public:
    static constexpr uint32_t kFullWeight = 32;
    FillBlendLanes16(uint32_t wd, uint32_t colour)
        : rb_(_mm_set1_epi16(int16_t(L::kRed | L::kBlue))), g_(_mm_set1_epi16(int16_t(L::kGreen))),
          wd_(_mm_set1_epi16(int16_t(uint16_t(wd << 11)))),
          colour_(_mm_set1_epi16(int16_t(uint16_t(colour & (L::kRed | L::kGreen | L::kBlue))))) {}
    TIDEMARCH_PIECE_INLINE __m128i operator()(__m128i d, __m128i) const {
        const __m128i rb = _mm_and_si128(_mm_mulhi_epu16(_mm_and_si128(d, rb_), wd_), rb_);
        const __m128i g = _mm_and_si128(_mm_mulhi_epu16(_mm_and_si128(d, g_), wd_), g_);
        return _mm_add_epi16(_mm_or_si128(rb, g), colour_);
    }

  private:
    __m128i rb_, g_, wd_, colour_;
};

// The 24/32-bit operations, every byte a channel with weights out of 256 (all below 256).
class ByteLanes {
  public:
    static constexpr uint32_t kFullWeight = 256;
    ByteLanes() : even_(_mm_set1_epi16(0x00FF)), odd_(_mm_set1_epi16(int16_t(0xFF00))) {}
    static TIDEMARCH_PIECE_INLINE __m128i Factor(uint32_t k) {
        return _mm_set1_epi16(int16_t(uint16_t(k << 8)));
    }
    // floor(v × k / 256) in every byte.
    TIDEMARCH_PIECE_INLINE __m128i Scale(__m128i p, __m128i factor) const {
        const __m128i even = _mm_mulhi_epu16(_mm_and_si128(p, even_), factor);
        const __m128i odd = _mm_and_si128(_mm_mulhi_epu16(_mm_and_si128(p, odd_), factor), odd_);
        return _mm_or_si128(even, odd);
    }
    // v + floor((255 − v) × k / 256) in every byte.
    TIDEMARCH_PIECE_INLINE __m128i Brighten(__m128i p, __m128i factor) const {
        return _mm_add_epi8(p, Scale(_mm_xor_si128(p, _mm_set1_epi8(-1)), factor));
    }

  private:
    __m128i even_, odd_;
};

// Scale, Brighten, Blend and BrightenBlend of the byte layouts with the weights of RowParams.
template <RowOp Op> class ByteOpLanes : ByteLanes {
  public:
    ByteOpLanes(uint32_t k, uint32_t ws, uint32_t wd) : k_(Factor(k)), ws_(Factor(ws)), wd_(Factor(wd)) {}
    TIDEMARCH_PIECE_INLINE __m128i operator()(__m128i d, __m128i s) const {
        if constexpr (Op == RowOp::Scale) {
            return Scale(s, k_);
        } else if constexpr (Op == RowOp::Brighten) {
            return Brighten(s, k_);
        } else if constexpr (Op == RowOp::BrightenBlend) {
            return _mm_add_epi8(Scale(Brighten(s, k_), ws_), Scale(d, wd_));
        } else {
            static_assert(Op == RowOp::Blend);
            // Each byte's two terms add up to at most 255: no carry into the next byte.
            return _mm_add_epi8(Scale(s, ws_), Scale(d, wd_));
        }
    }

  private:
    __m128i k_, ws_, wd_;
};

// A translucent 32-bit fill: scale(d, wd) + c per byte, c the colour's bytes already scaled.
class FillBlendLanes32 : ByteLanes {
  public:
    FillBlendLanes32(uint32_t wd, uint32_t colour)
        : wd_(Factor(wd)), colour_(_mm_set1_epi32(int32_t(colour))) {}
    TIDEMARCH_PIECE_INLINE __m128i operator()(__m128i d, __m128i) const {
        return _mm_add_epi8(Scale(d, wd_), colour_);
    }

  private:
    __m128i wd_, colour_;
};

// Whether ByteOpLanes does an operation with these weights.
constexpr bool ByteOpLanesTake(RowOp op, uint32_t k, uint32_t ws, uint32_t wd) {
    constexpr uint32_t kFull = ByteLanes::kFullWeight;
    switch (op) {
    case RowOp::Scale:
    case RowOp::Brighten:
        return k < kFull;
    case RowOp::Blend:
        return ws < kFull && wd < kFull;
    case RowOp::BrightenBlend:
        return k < kFull && ws < kFull && wd < kFull;
    default:
        return false;
    }
}
