// AVX2 row functions of all four layouts, for processors that have AVX2 (chosen at run time).
//
// The arithmetic is that of the SSE2 row functions (see sse2_rows16.cpp and sse2_rows_bytes.cpp
// for why each multiply gives the exact floor), written once over a vector width: rows of 32
// bytes or more go through 32-byte vectors, ending with a vector that overlaps the one before
// it; shorter rows through one or two 16-byte vectors of the same instruction set.
//
// Only this file is compiled for AVX2, and only the code after the target switch below: every
// header is included before it, so no inline function that other code may share is ever built
// with AVX2 instructions, and everything built with them has internal linkage. The 32-bit build
// enters these functions with a stack that may be only 4-byte aligned; the compiler realigns
// the frame of any function that keeps a 32-byte vector on the stack (the build tells it that
// the incoming alignment is 4 bytes).
#include "display/pixel/row_functions.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

#include "display/pixel/pixel_layouts.h"
#include "display/pixel/reference_pixel.h"
#include "display/pixel/sse2_lanes.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
// Everything below has internal linkage, so no caller outside this file sees its vector ABI.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

// ---- The two vector widths, as one set of names. ----

struct Wide {
    using V = __m256i;
    static V Load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }
    static void Store(uint8_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<V*>(p), v); }
    static V Zero() { return _mm256_setzero_si256(); }
    static V Set16(uint16_t v) { return _mm256_set1_epi16(int16_t(v)); }
    static V Ones() { return _mm256_set1_epi8(-1); }
    static V And(V a, V b) { return _mm256_and_si256(a, b); }
    static V Or(V a, V b) { return _mm256_or_si256(a, b); }
    static V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
    static V Add16(V a, V b) { return _mm256_add_epi16(a, b); }
    static V Add8(V a, V b) { return _mm256_add_epi8(a, b); }
    static V MulHi(V a, V b) { return _mm256_mulhi_epu16(a, b); }
    static V MulLo(V a, V b) { return _mm256_mullo_epi16(a, b); }
    static V Min16(V a, V b) { return _mm256_min_epi16(a, b); }
    static V Equal16(V a, V b) { return _mm256_cmpeq_epi16(a, b); }
    static V Right16(V a, int n) { return _mm256_srli_epi16(a, n); }
    static V Left16(V a, int n) { return _mm256_slli_epi16(a, n); }
};

struct Narrow {
    using V = __m128i;
    static V Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
    static void Store(uint8_t* p, V v) { _mm_storeu_si128(reinterpret_cast<V*>(p), v); }
    static V Zero() { return _mm_setzero_si128(); }
    static V Set16(uint16_t v) { return _mm_set1_epi16(int16_t(v)); }
    static V Ones() { return _mm_set1_epi8(-1); }
    static V And(V a, V b) { return _mm_and_si128(a, b); }
    static V Or(V a, V b) { return _mm_or_si128(a, b); }
    static V Xor(V a, V b) { return _mm_xor_si128(a, b); }
    static V Add16(V a, V b) { return _mm_add_epi16(a, b); }
    static V Add8(V a, V b) { return _mm_add_epi8(a, b); }
    static V MulHi(V a, V b) { return _mm_mulhi_epu16(a, b); }
    static V MulLo(V a, V b) { return _mm_mullo_epi16(a, b); }
    static V Min16(V a, V b) { return _mm_min_epi16(a, b); }
    static V Equal16(V a, V b) { return _mm_cmpeq_epi16(a, b); }
    static V Right16(V a, int n) { return _mm_srli_epi16(a, n); }
    static V Left16(V a, int n) { return _mm_slli_epi16(a, n); }
};

// ---- 16-bit layouts, eight or sixteen pixels per vector. ----

// The constant sets have constructors written out: one the compiler makes for itself would not be
// a function of this file that the instruction-set switch above applies to (under any compiler),
// and every vector constant would then cost a call or fail to build.
template <class L, class W> struct Masks16 {
    Masks16()
        : rb(W::Set16(uint16_t(L::kRed | L::kBlue))), g(W::Set16(uint16_t(L::kGreen))),
          rgb(W::Set16(uint16_t(L::kRed | L::kGreen | L::kBlue))) {}
    typename W::V rb, g, rgb;
};

template <class W> struct Weight16 {
    explicit Weight16(uint32_t k) : factor(W::Set16(uint16_t(k << 11))), full(k >= 32) {}
    typename W::V factor;
    bool full;
};

template <class L, class W>
typename W::V ScaleLanes(typename W::V p, const Weight16<W>& w, const Masks16<L, W>& m) {
    if (w.full) return W::And(p, m.rgb);
    const auto rb = W::And(W::MulHi(W::And(p, m.rb), w.factor), m.rb);
    const auto g = W::And(W::MulHi(W::And(p, m.g), w.factor), m.g);
    return W::Or(rb, g);
}

template <class L, class W>
typename W::V BrightenLanes(typename W::V p, const Weight16<W>& w, const Masks16<L, W>& m) {
    const auto v = W::And(p, m.rgb);
    if (w.full) return m.rgb;
    return W::Add16(v, ScaleLanes<L, W>(W::Xor(v, m.rgb), w, m));
}

template <class L, class W> struct ChannelProduct16 {
    static typename W::V Mask(int c) { return W::Set16(uint16_t(ChannelMax<L>(c) << L::kChannels[c].shift)); }
    static void Spread(typename W::V b, typename W::V out[3]) {
        for (int c = 0; c < 3; ++c) {
            const int bits = 16 - L::kChannels[c].shift - L::kChannels[c].bits;
            const auto masked = W::And(b, Mask(c));
            out[c] = bits ? W::Left16(masked, bits) : masked;
        }
    }
    static typename W::V Apply(typename W::V a, const typename W::V spread[3]) {
        auto out = W::Zero();
        for (int c = 0; c < 3; ++c)
            out = W::Or(out, W::And(W::MulHi(W::And(a, Mask(c)), spread[c]), Mask(c)));
        return out;
    }
};

template <class L, class W> struct Scale16 {
    using V = typename W::V;
    explicit Scale16(const RowParams& p) : w(p.k) {}
    V operator()(V, V s, size_t) const { return ScaleLanes<L, W>(s, w, m); }
    Masks16<L, W> m;
    Weight16<W> w;
};

template <class L, class W> struct Brighten16 {
    using V = typename W::V;
    explicit Brighten16(const RowParams& p) : w(p.k) {}
    V operator()(V, V s, size_t) const { return BrightenLanes<L, W>(s, w, m); }
    Masks16<L, W> m;
    Weight16<W> w;
};

template <class L, class W> struct Blend16 {
    using V = typename W::V;
    explicit Blend16(const RowParams& p) : ws(p.ws), wd(p.wd) {}
    V operator()(V d, V s, size_t) const {
        return W::Add16(ScaleLanes<L, W>(s, ws, m), ScaleLanes<L, W>(d, wd, m));
    }
    Masks16<L, W> m;
    Weight16<W> ws, wd;
};

template <class L, class W> struct BlendKeyed16 : Blend16<L, W> {
    using V = typename W::V;
    using Blend16<L, W>::Blend16;
    V operator()(V d, V s, size_t at) const {
        const V zero = W::Equal16(s, W::Zero());
        return Blend16<L, W>::operator()(d, W::Or(s, W::And(zero, d)), at);
    }
};

template <class L, class W> struct BrightenBlend16 {
    using V = typename W::V;
    explicit BrightenBlend16(const RowParams& p) : kb(p.k), ws(p.ws), wd(p.wd) {}
    V operator()(V d, V s, size_t) const {
        return W::Add16(ScaleLanes<L, W>(BrightenLanes<L, W>(s, kb, m), ws, m), ScaleLanes<L, W>(d, wd, m));
    }
    Masks16<L, W> m;
    Weight16<W> kb, ws, wd;
};

template <class L, class W> struct Screen16 {
    using V = typename W::V;
    explicit Screen16(const RowParams& p) {
        for (int c = 0; c < 3; ++c)
            factor[c] = W::Set16(uint16_t(p.k << (11 - L::kChannels[c].bits)));
    }
    V operator()(V d, V s, size_t) const {
        const V flipped = W::Xor(d, m.rgb);
        V out = W::And(d, m.rgb);
        for (int c = 0; c < 3; ++c) {
            const int shift = L::kChannels[c].shift;
            const V max = W::Set16(uint16_t(ChannelMax<L>(c)));
            const V u = W::And(W::Right16(flipped, shift), max);
            const V sc = W::And(W::Right16(s, shift), max);
            const V lift = W::MulHi(W::MulLo(u, sc), factor[c]);
            out = W::Add16(out, W::Left16(lift, shift));
        }
        return out;
    }
    Masks16<L, W> m;
    V factor[3];
};

template <class L, class W> struct ProductAdd16 {
    using V = typename W::V;
    explicit ProductAdd16(const RowParams& p) : w(p.k) {}
    V operator()(V d, V s, size_t) const {
        const V scaled = ScaleLanes<L, W>(s, w, m);
        V out = W::Zero();
        for (int c = 0; c < 3; ++c) {
            const int shift = L::kChannels[c].shift;
            const V max = W::Set16(uint16_t(ChannelMax<L>(c)));
            const V dc = W::And(W::Right16(d, shift), max);
            const V sc = W::And(W::Right16(scaled, shift), max);
            const V lift = W::Right16(W::MulLo(dc, sc), L::kChannels[c].productAddShift);
            out = W::Or(out, W::Left16(W::Min16(W::Add16(dc, lift), max), shift));
        }
        return out;
    }
    Masks16<L, W> m;
    Weight16<W> w;
};

template <class L, class W> struct Multiply16 {
    using V = typename W::V;
    explicit Multiply16(const RowParams& p) : w(p.k) {}
    V operator()(V d, V s, size_t) const {
        V spread[3];
        ChannelProduct16<L, W>::Spread(d, spread);
        return ChannelProduct16<L, W>::Apply(BrightenLanes<L, W>(s, w, m), spread);
    }
    Masks16<L, W> m;
    Weight16<W> w;
};

template <class L, class W> struct Tint16 {
    using V = typename W::V;
    explicit Tint16(const RowParams& p) {
        ChannelProduct16<L, W>::Spread(W::Set16(uint16_t(p.colour)), spread);
    }
    V operator()(V, V s, size_t) const { return ChannelProduct16<L, W>::Apply(s, spread); }
    V spread[3];
};

template <class L, class W> struct FillBlend16 {
    using V = typename W::V;
    explicit FillBlend16(const RowParams& p)
        : wd(p.wd), colour(W::And(W::Set16(uint16_t(p.colour)), m.rgb)) {}
    V operator()(V d, V, size_t) const { return W::Add16(ScaleLanes<L, W>(d, wd, m), colour); }
    Masks16<L, W> m;
    Weight16<W> wd;
    V colour;
};

// ---- 24/32-bit layouts: every byte a channel. ----

template <class W> struct ByteMasks {
    ByteMasks() : even(W::Set16(0x00FF)), odd(W::Set16(0xFF00)), ones(W::Ones()) {}
    typename W::V even, odd, ones;
};

template <class W> struct Weight8 {
    explicit Weight8(uint32_t k) : factor(W::Set16(uint16_t(k << 8))), full(k >= 256) {}
    typename W::V factor;
    bool full;
};

template <class W> typename W::V ScaleBytes(typename W::V p, const Weight8<W>& w, const ByteMasks<W>& m) {
    if (w.full) return p;
    const auto even = W::MulHi(W::And(p, m.even), w.factor);
    const auto odd = W::And(W::MulHi(W::And(p, m.odd), w.factor), m.odd);
    return W::Or(even, odd);
}

template <class W> typename W::V BrightenBytes(typename W::V p, const Weight8<W>& w, const ByteMasks<W>& m) {
    if (w.full) return m.ones;
    return W::Add8(p, ScaleBytes<W>(W::Xor(p, m.ones), w, m));
}

template <class W> typename W::V MultiplyBytes(typename W::V a, typename W::V b, const ByteMasks<W>& m) {
    const auto even = W::Right16(W::MulLo(W::And(a, m.even), W::And(b, m.even)), 8);
    const auto odd = W::And(W::MulHi(W::And(a, m.odd), W::And(b, m.odd)), m.odd);
    return W::Or(even, odd);
}

// A pixel colour repeated along a row, at any byte offset of the row: three-byte pixels repeat
// every 48 bytes, kept with a whole vector to spare.
template <class L, class W> struct ColourPattern {
    explicit ColourPattern(uint32_t colour) {
        for (int i = 0; i < int(sizeof bytes); ++i)
            bytes[i] = uint8_t(colour >> (8 * (i % L::kBytes)));
        whole = W::Load(bytes);
    }
    typename W::V At(size_t offset) const { return L::kBytes == 4 ? whole : W::Load(bytes + offset % 48); }
    uint8_t bytes[48 + 32];
    typename W::V whole;
};

template <class L, class W> struct ScaleBytesOp {
    using V = typename W::V;
    explicit ScaleBytesOp(const RowParams& p) : w(p.k) {}
    V operator()(V, V s, size_t) const { return ScaleBytes<W>(s, w, m); }
    ByteMasks<W> m;
    Weight8<W> w;
};

template <class L, class W> struct BrightenBytesOp {
    using V = typename W::V;
    explicit BrightenBytesOp(const RowParams& p) : w(p.k) {}
    V operator()(V, V s, size_t) const { return BrightenBytes<W>(s, w, m); }
    ByteMasks<W> m;
    Weight8<W> w;
};

template <class L, class W> struct BlendBytesOp {
    using V = typename W::V;
    explicit BlendBytesOp(const RowParams& p) : ws(p.ws), wd(p.wd) {}
    V operator()(V d, V s, size_t) const { return W::Add8(ScaleBytes<W>(s, ws, m), ScaleBytes<W>(d, wd, m)); }
    ByteMasks<W> m;
    Weight8<W> ws, wd;
};

template <class L, class W> struct BrightenBlendBytesOp {
    using V = typename W::V;
    explicit BrightenBlendBytesOp(const RowParams& p) : kb(p.k), ws(p.ws), wd(p.wd) {}
    V operator()(V d, V s, size_t) const {
        return W::Add8(ScaleBytes<W>(BrightenBytes<W>(s, kb, m), ws, m), ScaleBytes<W>(d, wd, m));
    }
    ByteMasks<W> m;
    Weight8<W> kb, ws, wd;
};

template <class L, class W> struct ScreenBytesOp {
    using V = typename W::V;
    explicit ScreenBytesOp(const RowParams& p) : k(W::Set16(uint16_t(p.k))) {}
    V operator()(V d, V s, size_t) const {
        const V u = W::Xor(d, m.ones);
        const V even = W::MulHi(W::MulLo(W::And(u, m.even), W::And(s, m.even)), k);
        const V odd = W::MulHi(W::MulLo(W::Right16(u, 8), W::Right16(s, 8)), k);
        return W::Add8(d, W::Or(even, W::Left16(odd, 8)));
    }
    ByteMasks<W> m;
    V k;
};

template <class L, class W> struct MultiplyBytesOp {
    using V = typename W::V;
    explicit MultiplyBytesOp(const RowParams& p) : w(p.k) {}
    V operator()(V d, V s, size_t) const { return MultiplyBytes<W>(BrightenBytes<W>(s, w, m), d, m); }
    ByteMasks<W> m;
    Weight8<W> w;
};

template <class L, class W> struct TintBytesOp {
    using V = typename W::V;
    explicit TintBytesOp(const RowParams& p) : tint(p.colour) {}
    V operator()(V, V s, size_t at) const { return MultiplyBytes<W>(s, tint.At(at), m); }
    ByteMasks<W> m;
    ColourPattern<L, W> tint;
};

template <class L, class W> struct FillBlendBytesOp {
    using V = typename W::V;
    explicit FillBlendBytesOp(const RowParams& p) : wd(p.wd), colour(p.colour) {}
    V operator()(V d, V, size_t at) const { return W::Add8(ScaleBytes<W>(d, wd, m), colour.At(at)); }
    ByteMasks<W> m;
    Weight8<W> wd;
    ColourPattern<L, W> colour;
};

// ---- Rows. ----

// One row, by the widths above. Every vector that overlaps another is computed from the
// original pixels before anything of the row is stored. Always inlined into the row and
// rectangle loops, so that the operation's constants stay in registers from row to row.
template <class L, RowOp Op, class WideOp, class NarrowOp>
inline __attribute__((always_inline)) void Row(const WideOp& wide, const NarrowOp& narrow, uint8_t* dst,
                                               const uint8_t* src, int32_t count, const RowParams& params) {
    const size_t bytes = size_t(count) * L::kBytes;
    constexpr bool readD = kReadsDestination<Op>, readS = kReadsSource<Op>;
    if (bytes >= 32) {
        auto d = [&](size_t at) { return readD ? Wide::Load(dst + at) : Wide::Zero(); };
        auto s = [&](size_t at) { return readS ? Wide::Load(src + at) : Wide::Zero(); };
        const size_t last = bytes - 32;
        const __m256i tail = wide(d(last), s(last), last);
        size_t i = 0;
        for (; i + 64 <= last; i += 64) {
            const __m256i r0 = wide(d(i), s(i), i);
            const __m256i r1 = wide(d(i + 32), s(i + 32), i + 32);
            Wide::Store(dst + i, r0);
            Wide::Store(dst + i + 32, r1);
        }
        if (i + 32 <= last) {
            Wide::Store(dst + i, wide(d(i), s(i), i));
            i += 32;
        }
        if (i < last) Wide::Store(dst + i, wide(d(i), s(i), i));
        Wide::Store(dst + last, tail);
        return;
    }
    auto d = [&](size_t at) { return readD ? Narrow::Load(dst + at) : Narrow::Zero(); };
    auto s = [&](size_t at) { return readS ? Narrow::Load(src + at) : Narrow::Zero(); };
    if (bytes == 16) {  // eight 16-bit pixels, a common row of small sprites and blits
        Narrow::Store(dst, narrow(d(0), s(0), 0));
        return;
    }
    if (bytes > 16) {
        const size_t last = bytes - 16;
        const __m128i first = narrow(d(0), s(0), 0);
        const __m128i tail = narrow(d(last), s(last), last);
        Narrow::Store(dst, first);
        Narrow::Store(dst + last, tail);
        return;
    }
    if (bytes == 0) return;
    // Whole-vector loads only read what lies after the row; the store writes the row's bytes.
    const bool wholeD =
        params.dstLimit && dst + 16 <= params.dstLimit && WholeVectorStaysInRowLines(dst, bytes);
    const bool wholeS =
        params.srcLimit && src + 16 <= params.srcLimit && WholeVectorStaysInRowLines(src, bytes);
    const __m128i dv = !readD ? Narrow::Zero() : wholeD ? Narrow::Load(dst) : LoadPartial(dst, bytes);
    const __m128i sv = !readS ? Narrow::Zero() : wholeS ? Narrow::Load(src) : LoadPartial(src, bytes);
    StoreShort(dst, narrow(dv, sv, 0), bytes);
}

template <class L, RowOp Op, template <class, class> class OpFor>
void Rows(const RowRun* runs, int32_t runCount, const RowParams& params) {
    const OpFor<L, Wide> wide(params);
    const OpFor<L, Narrow> narrow(params);
    for (int32_t r = 0; r < runCount; ++r)
        Row<L, Op>(wide, narrow, runs[r].dst, runs[r].src, runs[r].count, params);
}

// ---- Rectangles: the rows of one drawing call between two surfaces, the operation prepared
// once. Rows of eight 16-bit pixels go two to a 32-byte vector. ----

// Rows of other lengths: their own function, so that the frame its vectors need on the stack
// is set up only for them.
template <class L, RowOp Op, template <class, class> class OpFor>
__attribute__((noinline)) void RectOfRows(uint8_t* dst, ptrdiff_t dstPitch, const uint8_t* src,
                                          ptrdiff_t srcPitch, int32_t width, int32_t rows,
                                          const RowParams& params) {
    const OpFor<L, Wide> wide(params);
    const OpFor<L, Narrow> narrow(params);
    int32_t r = 0;
    if (L::kBytes == 2 && width == 8) {
        for (; r + 2 <= rows; r += 2, dst += 2 * dstPitch, src += 2 * srcPitch) {
            const __m256i d = _mm256_inserti128_si256(_mm256_castsi128_si256(Narrow::Load(dst)),
                                                      Narrow::Load(dst + dstPitch), 1);
            const __m256i s = _mm256_inserti128_si256(_mm256_castsi128_si256(Narrow::Load(src)),
                                                      Narrow::Load(src + srcPitch), 1);
            const __m256i out = wide(d, s, 0);
            Narrow::Store(dst, _mm256_castsi256_si128(out));
            Narrow::Store(dst + dstPitch, _mm256_extracti128_si256(out, 1));
        }
    }
    for (; r < rows; ++r, dst += dstPitch, src += srcPitch)
        Row<L, Op>(wide, narrow, dst, src, width, params);
}

template <class L, RowOp Op, template <class, class> class OpFor>
void Rect(uint8_t* dst, ptrdiff_t dstPitch, const uint8_t* src, ptrdiff_t srcPitch, int32_t width,
          int32_t rows, const RowParams& params) {
    if (width * L::kBytes != 32)
        return RectOfRows<L, Op, OpFor>(dst, dstPitch, src, srcPitch, width, rows, params);
    // Eight 32-bit pixels or sixteen 16-bit ones: one vector a row.
    const OpFor<L, Wide> wide(params);
    for (int32_t r = 0; r < rows; ++r, dst += dstPitch, src += srcPitch)
        Wide::Store(dst, wide(Wide::Load(dst), Wide::Load(src), 0));
}

template <class L> RectFunction Avx2RectFor16(RowOp op) {
    switch (op) {
    case RowOp::Scale:
        return &Rect<L, RowOp::Scale, Scale16>;
    case RowOp::Brighten:
        return &Rect<L, RowOp::Brighten, Brighten16>;
    case RowOp::Blend:
        return &Rect<L, RowOp::Blend, Blend16>;
    case RowOp::BlendKeyed:
        return &Rect<L, RowOp::BlendKeyed, BlendKeyed16>;
    case RowOp::BrightenBlend:
        return &Rect<L, RowOp::BrightenBlend, BrightenBlend16>;
    default:
        return nullptr;
    }
}

template <class L> RectFunction Avx2RectForBytes(RowOp op) {
    switch (op) {
    case RowOp::Scale:
        return &Rect<L, RowOp::Scale, ScaleBytesOp>;
    case RowOp::Brighten:
        return &Rect<L, RowOp::Brighten, BrightenBytesOp>;
    case RowOp::Blend:
        return &Rect<L, RowOp::Blend, BlendBytesOp>;
    case RowOp::BrightenBlend:
        return &Rect<L, RowOp::BrightenBlend, BrightenBlendBytesOp>;
    default:
        return nullptr;
    }
}

template <class L> RowFunction Avx2For16(RowOp op) {
    switch (op) {
    case RowOp::Scale:
        return &Rows<L, RowOp::Scale, Scale16>;
    case RowOp::Brighten:
        return &Rows<L, RowOp::Brighten, Brighten16>;
    case RowOp::Blend:
        return &Rows<L, RowOp::Blend, Blend16>;
    case RowOp::BlendKeyed:
        return &Rows<L, RowOp::BlendKeyed, BlendKeyed16>;
    case RowOp::BrightenBlend:
        return &Rows<L, RowOp::BrightenBlend, BrightenBlend16>;
    case RowOp::Screen:
        return &Rows<L, RowOp::Screen, Screen16>;
    case RowOp::ProductAdd:
        return &Rows<L, RowOp::ProductAdd, ProductAdd16>;
    case RowOp::Multiply:
        return &Rows<L, RowOp::Multiply, Multiply16>;
    case RowOp::Tint:
        return &Rows<L, RowOp::Tint, Tint16>;
    case RowOp::FillBlend:
        return &Rows<L, RowOp::FillBlend, FillBlend16>;
    case RowOp::Copy:  // a copy is memory work: the SSE2 table's memmove serves
        return nullptr;
    }
    return nullptr;
}

template <class L> RowFunction Avx2ForBytes(RowOp op) {
    switch (op) {
    case RowOp::Scale:
        return &Rows<L, RowOp::Scale, ScaleBytesOp>;
    case RowOp::Brighten:
        return &Rows<L, RowOp::Brighten, BrightenBytesOp>;
    case RowOp::Blend:
        return &Rows<L, RowOp::Blend, BlendBytesOp>;
    case RowOp::BrightenBlend:
        return &Rows<L, RowOp::BrightenBlend, BrightenBlendBytesOp>;
    case RowOp::Screen:
        return &Rows<L, RowOp::Screen, ScreenBytesOp>;
    case RowOp::Multiply:
        return &Rows<L, RowOp::Multiply, MultiplyBytesOp>;
    case RowOp::Tint:
        return &Rows<L, RowOp::Tint, TintBytesOp>;
    case RowOp::FillBlend:
        return &Rows<L, RowOp::FillBlend, FillBlendBytesOp>;
    case RowOp::Copy:        // memmove, as in the SSE2 table
    case RowOp::BlendKeyed:  // whole-pixel zero test: the reference serves (see sse2_rows_bytes.cpp)
    case RowOp::ProductAdd:  // 16-bit layouts only
        return nullptr;
    }
    return nullptr;
}

}  // namespace

#pragma GCC diagnostic pop
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

RowFunction Avx2RowFunction(PixelLayout layout, RowOp op) {
    switch (layout) {
    case PixelLayout::Rgb565:
        return Avx2For16<Rgb565Traits>(op);
    case PixelLayout::Rgb555:
        return Avx2For16<Rgb555Traits>(op);
    case PixelLayout::Rgb24:
        return Avx2ForBytes<Rgb24Traits>(op);
    case PixelLayout::Rgb32:
        return Avx2ForBytes<Rgb32Traits>(op);
    case PixelLayout::None:
        break;
    }
    return nullptr;
}

RectFunction Avx2RectFunction(PixelLayout layout, RowOp op) {
    switch (layout) {
    case PixelLayout::Rgb565:
        return Avx2RectFor16<Rgb565Traits>(op);
    case PixelLayout::Rgb555:
        return Avx2RectFor16<Rgb555Traits>(op);
    case PixelLayout::Rgb24:
        return Avx2RectForBytes<Rgb24Traits>(op);
    case PixelLayout::Rgb32:
        return Avx2RectForBytes<Rgb32Traits>(op);
    case PixelLayout::None:
        break;
    }
    return nullptr;
}

#else

RowFunction Avx2RowFunction(PixelLayout, RowOp) { return nullptr; }
RectFunction Avx2RectFunction(PixelLayout, RowOp) { return nullptr; }

#endif
