// SSE2 row functions of the 16-bit layouts, eight pixels per vector.
//
// A weight k < 32 scales a channel in place with one unsigned high multiply: for a channel
// value v at bit position p, ((v << p) × (k << 11)) >> 16 = (v × k) << (p − 5), so masking with
// the channel keeps exactly floor(v × k / 32) << p. Red and blue share one multiply (the red
// product is a multiple of 2^16 before the shift, so blue's bits below it stay separate), green
// takes another. A weight of 32 is the channel itself.
#include "display/pixel/row_functions.h"

#if defined(__SSE2__)
#include <cstring>

#include "display/pixel/sse2_lanes.h"

namespace {

template <class L> struct Masks16 {
    const __m128i rb = _mm_set1_epi16(int16_t(L::kRed | L::kBlue));
    const __m128i g = _mm_set1_epi16(int16_t(L::kGreen));
    const __m128i rgb = _mm_set1_epi16(int16_t(L::kRed | L::kGreen | L::kBlue));
};

struct Weight16 {
    explicit Weight16(uint32_t k) : factor(_mm_set1_epi16(int16_t(uint16_t(k << 11)))), full(k >= 32) {}
    __m128i factor;
    bool full;
};

template <class L> __m128i ScaleLanes(__m128i p, const Weight16& w, const Masks16<L>& m) {
    if (w.full) return _mm_and_si128(p, m.rgb);
    const __m128i rb = _mm_and_si128(_mm_mulhi_epu16(_mm_and_si128(p, m.rb), w.factor), m.rb);
    const __m128i g = _mm_and_si128(_mm_mulhi_epu16(_mm_and_si128(p, m.g), w.factor), m.g);
    return _mm_or_si128(rb, g);
}

// brighten(v, k) = v + scale(M − v, k); M − v of every channel is the channel's bits flipped.
template <class L> __m128i BrightenLanes(__m128i p, const Weight16& w, const Masks16<L>& m) {
    const __m128i v = _mm_and_si128(p, m.rgb);
    if (w.full) return m.rgb;
    return _mm_add_epi16(v, ScaleLanes<L>(_mm_xor_si128(v, m.rgb), w, m));
}

// floor(a_c × b_c / 2^n) of every channel c, in place. With b_c shifted to the top of the lane,
// (a_c << p) × (b_c << (16 − n)) >> 16 = floor(a_c × b_c × 2^p / 2^n), whose bits at the
// channel's position are floor(a_c × b_c / 2^n) whether p is above or below n.
template <class L> struct ChannelProduct {
    static __m128i Mask(int c) { return _mm_set1_epi16(int16_t(ChannelMax<L>(c) << L::kChannels[c].shift)); }
    // b_c of every channel moved to the top of its lane, one vector per channel.
    static void Spread(__m128i b, __m128i out[3]) {
        for (int c = 0; c < 3; ++c)
            out[c] = ShiftLeft(_mm_and_si128(b, Mask(c)), 16 - L::kChannels[c].shift - L::kChannels[c].bits);
    }
    static __m128i Apply(__m128i a, const __m128i spread[3]) {
        __m128i out = _mm_setzero_si128();
        for (int c = 0; c < 3; ++c)
            out = _mm_or_si128(out,
                               _mm_and_si128(_mm_mulhi_epu16(_mm_and_si128(a, Mask(c)), spread[c]), Mask(c)));
        return out;
    }
    static __m128i ShiftLeft(__m128i v, int bits) { return bits ? _mm_slli_epi16(v, bits) : v; }
};

template <class L> struct CopyOp {
    static void Rows(const RowRun* runs, int32_t runCount, const RowParams&) {
        for (int32_t r = 0; r < runCount; ++r)
            CopyBytes(runs[r].dst, runs[r].src, size_t(runs[r].count) * 2);
    }
};

template <class L> struct ScaleOp {
    explicit ScaleOp(const RowParams& p) : w(p.k) {}
    __m128i operator()(__m128i, __m128i s, size_t) const { return ScaleLanes<L>(s, w, m); }
    Masks16<L> m;
    Weight16 w;
};

template <class L> struct BrightenOp {
    explicit BrightenOp(const RowParams& p) : w(p.k) {}
    __m128i operator()(__m128i, __m128i s, size_t) const { return BrightenLanes<L>(s, w, m); }
    Masks16<L> m;
    Weight16 w;
};

template <class L> struct BlendOp {
    explicit BlendOp(const RowParams& p) : ws(p.ws), wd(p.wd) {}
    __m128i operator()(__m128i d, __m128i s, size_t) const {
        return _mm_add_epi16(ScaleLanes<L>(s, ws, m), ScaleLanes<L>(d, wd, m));
    }
    Masks16<L> m;
    Weight16 ws, wd;
};

template <class L> struct BlendKeyedOp : BlendOp<L> {
    using BlendOp<L>::BlendOp;
    __m128i operator()(__m128i d, __m128i s, size_t at) const {
        const __m128i zero = _mm_cmpeq_epi16(s, _mm_setzero_si128());
        return BlendOp<L>::operator()(d, _mm_or_si128(s, _mm_and_si128(zero, d)), at);
    }
};

template <class L> struct BrightenBlendOp {
    explicit BrightenBlendOp(const RowParams& p) : kb(p.k), ws(p.ws), wd(p.wd) {}
    __m128i operator()(__m128i d, __m128i s, size_t) const {
        return _mm_add_epi16(ScaleLanes<L>(BrightenLanes<L>(s, kb, m), ws, m), ScaleLanes<L>(d, wd, m));
    }
    Masks16<L> m;
    Weight16 kb, ws, wd;
};

// d + (M − d) × s × k / 2^(n + 5), channel by channel in the low bits of the lanes.
template <class L> struct ScreenOp {
    explicit ScreenOp(const RowParams& p) {
        for (int c = 0; c < 3; ++c)
            factor[c] = _mm_set1_epi16(int16_t(p.k << (11 - L::kChannels[c].bits)));
    }
    __m128i operator()(__m128i d, __m128i s, size_t) const {
        const __m128i flipped = _mm_xor_si128(d, m.rgb);
        __m128i out = _mm_and_si128(d, m.rgb);
        for (int c = 0; c < 3; ++c) {
            const int shift = L::kChannels[c].shift;
            const __m128i max = _mm_set1_epi16(int16_t(ChannelMax<L>(c)));
            const __m128i u = _mm_and_si128(_mm_srli_epi16(flipped, shift), max);
            const __m128i sc = _mm_and_si128(_mm_srli_epi16(s, shift), max);
            const __m128i lift = _mm_mulhi_epu16(_mm_mullo_epi16(u, sc), factor[c]);
            out = _mm_add_epi16(out, _mm_slli_epi16(lift, shift));
        }
        return out;
    }
    Masks16<L> m;
    __m128i factor[3];
};

// min(M, d + d × scale(s, k) / 2^q), channel by channel in the low bits of the lanes.
template <class L> struct ProductAddOp {
    explicit ProductAddOp(const RowParams& p) : w(p.k) {}
    __m128i operator()(__m128i d, __m128i s, size_t) const {
        const __m128i scaled = ScaleLanes<L>(s, w, m);
        __m128i out = _mm_setzero_si128();
        for (int c = 0; c < 3; ++c) {
            const int shift = L::kChannels[c].shift;
            const __m128i max = _mm_set1_epi16(int16_t(ChannelMax<L>(c)));
            const __m128i dc = _mm_and_si128(_mm_srli_epi16(d, shift), max);
            const __m128i sc = _mm_and_si128(_mm_srli_epi16(scaled, shift), max);
            const __m128i lift = _mm_srli_epi16(_mm_mullo_epi16(dc, sc), L::kChannels[c].productAddShift);
            out = _mm_or_si128(out, _mm_slli_epi16(_mm_min_epi16(_mm_add_epi16(dc, lift), max), shift));
        }
        return out;
    }
    Masks16<L> m;
    Weight16 w;
};

// brighten(s, k) × d / 2^n.
template <class L> struct MultiplyOp {
    explicit MultiplyOp(const RowParams& p) : w(p.k) {}
    __m128i operator()(__m128i d, __m128i s, size_t) const {
        __m128i spread[3];
        ChannelProduct<L>::Spread(d, spread);
        return ChannelProduct<L>::Apply(BrightenLanes<L>(s, w, m), spread);
    }
    Masks16<L> m;
    Weight16 w;
};

// s × t / 2^n with the tint's channels spread once per row.
template <class L> struct TintOp {
    explicit TintOp(const RowParams& p) {
        ChannelProduct<L>::Spread(_mm_set1_epi16(int16_t(p.colour)), spread);
    }
    __m128i operator()(__m128i, __m128i s, size_t) const { return ChannelProduct<L>::Apply(s, spread); }
    __m128i spread[3];
};

template <class L> struct FillBlendOp {
    explicit FillBlendOp(const RowParams& p)
        : wd(p.wd), colour(_mm_and_si128(_mm_set1_epi16(int16_t(p.colour)), m.rgb)) {}
    __m128i operator()(__m128i d, __m128i, size_t) const {
        return _mm_add_epi16(ScaleLanes<L>(d, wd, m), colour);
    }
    Masks16<L> m;
    Weight16 wd;
    __m128i colour;
};

template <class L> RowFunction Sse2For(RowOp op) {
    switch (op) {
    case RowOp::Copy:
        return &CopyOp<L>::Rows;
    case RowOp::Scale:
        return &VectorRows<L, RowOp::Scale, ScaleOp<L>>;
    case RowOp::Brighten:
        return &VectorRows<L, RowOp::Brighten, BrightenOp<L>>;
    case RowOp::Blend:
        return &VectorRows<L, RowOp::Blend, BlendOp<L>>;
    case RowOp::BlendKeyed:
        return &VectorRows<L, RowOp::BlendKeyed, BlendKeyedOp<L>>;
    case RowOp::BrightenBlend:
        return &VectorRows<L, RowOp::BrightenBlend, BrightenBlendOp<L>>;
    case RowOp::Screen:
        return &VectorRows<L, RowOp::Screen, ScreenOp<L>>;
    case RowOp::ProductAdd:
        return &VectorRows<L, RowOp::ProductAdd, ProductAddOp<L>>;
    case RowOp::Multiply:
        return &VectorRows<L, RowOp::Multiply, MultiplyOp<L>>;
    case RowOp::Tint:
        return &VectorRows<L, RowOp::Tint, TintOp<L>>;
    case RowOp::FillBlend:
        return &VectorRows<L, RowOp::FillBlend, FillBlendOp<L>>;
    }
    return nullptr;
}

}  // namespace

RowFunction Sse2RowFunction16(PixelLayout layout, RowOp op) {
    if (layout == PixelLayout::Rgb565) return Sse2For<Rgb565Traits>(op);
    if (layout == PixelLayout::Rgb555) return Sse2For<Rgb555Traits>(op);
    return nullptr;
}

#else

RowFunction Sse2RowFunction16(PixelLayout, RowOp) { return nullptr; }

#endif
