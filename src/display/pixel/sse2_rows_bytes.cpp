// SSE2 row functions of the 24- and 32-bit layouts: every byte is a channel, sixteen per vector.
//
// Bytes are handled as the even and odd bytes of 16-bit lanes. A weight k < 256 scales an even
// byte b with (b × (k << 8)) >> 16 = floor(b × k / 256); an odd byte, kept in place as b << 8,
// gives b × k, whose high byte is floor(b × k / 256). A weight of 256 is the byte itself.
// Colours (tint, fill) repeat per pixel: every four bytes on 32-bit, every three on 24-bit,
// where three vectors hold one period of the pattern.
#include "display/pixel/row_functions.h"

#if defined(__SSE2__)
#include <cstring>

#include "display/pixel/sse2_lanes.h"

namespace {

struct ByteMasks {
    const __m128i even = _mm_set1_epi16(0x00FF);
    const __m128i odd = _mm_set1_epi16(int16_t(0xFF00));
    const __m128i ones = _mm_set1_epi8(-1);
};

struct Weight8 {
    explicit Weight8(uint32_t k) : factor(_mm_set1_epi16(int16_t(uint16_t(k << 8)))), full(k >= 256) {}
    __m128i factor;
    bool full;
};

inline __m128i ScaleBytes(__m128i p, const Weight8& w, const ByteMasks& m) {
    if (w.full) return p;
    const __m128i even = _mm_mulhi_epu16(_mm_and_si128(p, m.even), w.factor);
    const __m128i odd = _mm_and_si128(_mm_mulhi_epu16(_mm_and_si128(p, m.odd), w.factor), m.odd);
    return _mm_or_si128(even, odd);
}

inline __m128i BrightenBytes(__m128i p, const Weight8& w, const ByteMasks& m) {
    if (w.full) return m.ones;
    return _mm_add_epi8(p, ScaleBytes(_mm_xor_si128(p, m.ones), w, m));
}

// floor(a × b / 256) of every byte.
inline __m128i MultiplyBytes(__m128i a, __m128i b, const ByteMasks& m) {
    const __m128i even =
        _mm_srli_epi16(_mm_mullo_epi16(_mm_and_si128(a, m.even), _mm_and_si128(b, m.even)), 8);
    const __m128i odd =
        _mm_and_si128(_mm_mulhi_epu16(_mm_and_si128(a, m.odd), _mm_and_si128(b, m.odd)), m.odd);
    return _mm_or_si128(even, odd);
}

// The colour of a pixel repeated along a row: the vector at any byte offset of the row. Four-byte
// pixels repeat within a vector; three-byte pixels every 48 bytes, kept with 16 bytes to spare so
// that a vector can be read at any offset of the period.
template <class L> struct ColourPattern {
    explicit ColourPattern(uint32_t colour) {
        for (int i = 0; i < 64; ++i)
            bytes[i] = uint8_t(colour >> (8 * (i % L::kBytes)));
        whole = LoadVector(bytes);
    }
    __m128i At(size_t offset) const { return L::kBytes == 4 ? whole : LoadVector(bytes + offset % 48); }
    uint8_t bytes[64];
    __m128i whole;
};

template <class L> struct CopyOp {
    static void Rows(const RowRun* runs, int32_t runCount, const RowParams&) {
        for (int32_t r = 0; r < runCount; ++r)
            CopyBytes(runs[r].dst, runs[r].src, size_t(runs[r].count) * L::kBytes);
    }
};

struct ScaleOp {
    explicit ScaleOp(const RowParams& p) : w(p.k) {}
    __m128i operator()(__m128i, __m128i s, size_t) const { return ScaleBytes(s, w, m); }
    ByteMasks m;
    Weight8 w;
};

struct BrightenOp {
    explicit BrightenOp(const RowParams& p) : w(p.k) {}
    __m128i operator()(__m128i, __m128i s, size_t) const { return BrightenBytes(s, w, m); }
    ByteMasks m;
    Weight8 w;
};

struct BlendOp {
    explicit BlendOp(const RowParams& p) : ws(p.ws), wd(p.wd) {}
    __m128i operator()(__m128i d, __m128i s, size_t) const {
        return _mm_add_epi8(ScaleBytes(s, ws, m), ScaleBytes(d, wd, m));
    }
    ByteMasks m;
    Weight8 ws, wd;
};

// A source pixel of 0 taken as the destination pixel: whole 3- or 4-byte pixels must compare
// equal to zero, which byte lanes cannot see; the surface code never asks for it on these
// layouts, so it is left to the reference.

struct BrightenBlendOp {
    explicit BrightenBlendOp(const RowParams& p) : kb(p.k), ws(p.ws), wd(p.wd) {}
    __m128i operator()(__m128i d, __m128i s, size_t) const {
        return _mm_add_epi8(ScaleBytes(BrightenBytes(s, kb, m), ws, m), ScaleBytes(d, wd, m));
    }
    ByteMasks m;
    Weight8 kb, ws, wd;
};

// d + (255 − d) × s × k / 65536: the 16-bit product (255 − d) × s times k ≤ 256, high half.
struct ScreenOp {
    explicit ScreenOp(const RowParams& p) : k(_mm_set1_epi16(int16_t(p.k))) {}
    __m128i operator()(__m128i d, __m128i s, size_t) const {
        const __m128i u = _mm_xor_si128(d, m.ones);
        const __m128i even =
            _mm_mulhi_epu16(_mm_mullo_epi16(_mm_and_si128(u, m.even), _mm_and_si128(s, m.even)), k);
        const __m128i odd = _mm_mulhi_epu16(_mm_mullo_epi16(_mm_srli_epi16(u, 8), _mm_srli_epi16(s, 8)), k);
        return _mm_add_epi8(d, _mm_or_si128(even, _mm_slli_epi16(odd, 8)));
    }
    ByteMasks m;
    __m128i k;
};

struct MultiplyOp {
    explicit MultiplyOp(const RowParams& p) : w(p.k) {}
    __m128i operator()(__m128i d, __m128i s, size_t) const {
        return MultiplyBytes(BrightenBytes(s, w, m), d, m);
    }
    ByteMasks m;
    Weight8 w;
};

template <class L> struct TintOp {
    explicit TintOp(const RowParams& p) : tint(p.colour) {}
    __m128i operator()(__m128i, __m128i s, size_t at) const { return MultiplyBytes(s, tint.At(at), m); }
    ByteMasks m;
    ColourPattern<L> tint;
};

template <class L> struct FillBlendOp {
    explicit FillBlendOp(const RowParams& p) : wd(p.wd), colour(p.colour) {}
    __m128i operator()(__m128i d, __m128i, size_t at) const {
        return _mm_add_epi8(ScaleBytes(d, wd, m), colour.At(at));
    }
    ByteMasks m;
    Weight8 wd;
    ColourPattern<L> colour;
};

template <class L> RowFunction Sse2For(RowOp op) {
    switch (op) {
    case RowOp::Copy:
        return &CopyOp<L>::Rows;
    case RowOp::Scale:
        return &VectorRows<L, RowOp::Scale, ScaleOp>;
    case RowOp::Brighten:
        return &VectorRows<L, RowOp::Brighten, BrightenOp>;
    case RowOp::Blend:
        return &VectorRows<L, RowOp::Blend, BlendOp>;
    case RowOp::BrightenBlend:
        return &VectorRows<L, RowOp::BrightenBlend, BrightenBlendOp>;
    case RowOp::Screen:
        return &VectorRows<L, RowOp::Screen, ScreenOp>;
    case RowOp::Multiply:
        return &VectorRows<L, RowOp::Multiply, MultiplyOp>;
    case RowOp::Tint:
        return &VectorRows<L, RowOp::Tint, TintOp<L>>;
    case RowOp::FillBlend:
        return &VectorRows<L, RowOp::FillBlend, FillBlendOp<L>>;
    case RowOp::BlendKeyed:
    case RowOp::ProductAdd:
        return nullptr;
    }
    return nullptr;
}

}  // namespace

RowFunction Sse2RowFunctionBytes(PixelLayout layout, RowOp op) {
    if (layout == PixelLayout::Rgb24) return Sse2For<Rgb24Traits>(op);
    if (layout == PixelLayout::Rgb32) return Sse2For<Rgb32Traits>(op);
    return nullptr;
}

#else

RowFunction Sse2RowFunctionBytes(PixelLayout, RowOp) { return nullptr; }

#endif
