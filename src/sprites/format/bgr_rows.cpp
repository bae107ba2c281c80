#include "sprites/format/bgr_rows.h"

#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#define TIDEMARCH_BGR_ROWS_SSSE3 1
#endif

namespace {
void Store16(uint8_t* p, uint32_t v) {
    const uint16_t w = uint16_t(v);
    std::memcpy(p, &w, 2);
}

// With the pixel's bytes in one word (blue in bits 0 to 7, green 8 to 15, red 16 to 23), each
// 16-bit layout keeps the top bits of each channel: red & 0xF8 << 8 | green & 0xFC << 3 |
// blue >> 3 for 5:6:5, red & 0xF8 << 7 | green & 0xF8 << 2 | blue >> 3 for 5:5:5.
uint32_t Word565(uint32_t p) { return ((p >> 8) & 0xF800) | ((p >> 5) & 0x07E0) | ((p >> 3) & 0x001F); }
uint32_t Word555(uint32_t p) { return ((p >> 9) & 0x7C00) | ((p >> 6) & 0x03E0) | ((p >> 3) & 0x001F); }
uint32_t Bgr(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16; }

template <PixelLayout Layout> void Plain(const uint8_t* src, uint8_t* dst, size_t n, const uint8_t* limit) {
    if (Layout == PixelLayout::Rgb565) {
        for (size_t i = 0; i < n; ++i, src += 3, dst += 2)
            Store16(dst, Word565(Bgr(src)));
    } else if (Layout == PixelLayout::Rgb555) {
        for (size_t i = 0; i < n; ++i, src += 3, dst += 2)
            Store16(dst, Word555(Bgr(src)));
    } else if (Layout == PixelLayout::Rgb24) {
        if (n) std::memcpy(dst, src, n * 3);
    } else if (Layout == PixelLayout::Rgb32 && n) {
        for (size_t i = 0; i + 1 < n; ++i, src += 3, dst += 4)
            std::memcpy(dst, src, 4);
        std::memcpy(dst, src, 3);
        dst[3] = src + 3 < limit ? src[3] : 0;
    }
}

template <PixelLayout Layout>
void PlainRow(const uint8_t* src, uint8_t* dst, size_t n, const uint8_t* limit, const uint8_t*) {
    Plain<Layout>(src, dst, n, limit);
}

#if TIDEMARCH_BGR_ROWS_SSSE3
// Sixteen pixels (48 stored bytes) as four loads of four pixels each, one load every 12 bytes;
// the 13th byte of each load is the stored byte after its fourth pixel. Needs 52 bytes.
inline constexpr ptrdiff_t kBlockReach = 52;

// 16-bit layouts. One shuffle per four pixels puts (green, red) words in the low half and
// (blue, 0) words in the high half; two such halves make eight pixels' words X = red << 8 |
// green and Y = blue, from which each layout takes the top bits of its channels.
template <bool Is565> struct Block16 {
    static constexpr int kOutBytes = 2;
    static constexpr bool kAvx2 = false;
    __attribute__((target("ssse3"))) static __m128i Pack8(__m128i lo, __m128i hi) {
        const __m128i x = _mm_unpacklo_epi64(lo, hi);
        const __m128i blue = _mm_srli_epi16(_mm_unpackhi_epi64(lo, hi), 3);
        if (Is565) {
            const __m128i red = _mm_and_si128(x, _mm_set1_epi16(int16_t(0xF800)));
            const __m128i green = _mm_slli_epi16(_mm_and_si128(x, _mm_set1_epi16(0x00FC)), 3);
            return _mm_or_si128(_mm_or_si128(red, green), blue);
        }
        const __m128i red = _mm_and_si128(_mm_srli_epi16(x, 1), _mm_set1_epi16(0x7C00));
        const __m128i green = _mm_slli_epi16(_mm_and_si128(x, _mm_set1_epi16(0x00F8)), 2);
        return _mm_or_si128(_mm_or_si128(red, green), blue);
    }
    __attribute__((target("ssse3"))) static void Convert(const uint8_t* src, uint8_t* dst) {
        const __m128i shuffle = _mm_setr_epi8(1, 2, 4, 5, 7, 8, 10, 11, 0, -1, 3, -1, 6, -1, 9, -1);
        __m128i s[4];
        for (int i = 0; i < 4; ++i)
            s[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 12 * i)), shuffle);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), Pack8(s[0], s[1]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), Pack8(s[2], s[3]));
    }
};

struct Block32 {
    static constexpr int kOutBytes = 4;
    static constexpr bool kAvx2 = false;
    __attribute__((target("ssse3"))) static void Convert(const uint8_t* src, uint8_t* dst) {
        const __m128i shuffle = _mm_setr_epi8(0, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12);
        for (int i = 0; i < 4; ++i) {
            const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 12 * i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16 * i), _mm_shuffle_epi8(in, shuffle));
        }
    }
};

// The same sixteen pixels with AVX2: two loads of four pixels fill each 256-bit register, one
// shuffle serves eight pixels, and a lane permute puts the results back in order.
template <bool Is565> struct Block16Avx2 {
    static constexpr int kOutBytes = 2;
    static constexpr bool kAvx2 = true;
    __attribute__((target("avx2"))) static __m256i Load8(const uint8_t* src) {
        return _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 12)), 1);
    }
    __attribute__((target("avx2"))) static void Convert(const uint8_t* src, uint8_t* dst) {
        const __m256i shuffle = _mm256_setr_epi8(1, 2, 4, 5, 7, 8, 10, 11, 0, -1, 3, -1, 6, -1, 9, -1, 1, 2,
                                                 4, 5, 7, 8, 10, 11, 0, -1, 3, -1, 6, -1, 9, -1);
        const __m256i lo = _mm256_shuffle_epi8(Load8(src), shuffle);       // pixels 0-3 | 4-7
        const __m256i hi = _mm256_shuffle_epi8(Load8(src + 24), shuffle);  // pixels 8-11 | 12-15
        const __m256i x = _mm256_unpacklo_epi64(lo, hi);  // green, red words: 0-3, 8-11 | 4-7, 12-15
        const __m256i blue = _mm256_srli_epi16(_mm256_unpackhi_epi64(lo, hi), 3);
        __m256i out;
        if (Is565) {
            const __m256i red = _mm256_and_si256(x, _mm256_set1_epi16(int16_t(0xF800)));
            const __m256i green = _mm256_slli_epi16(_mm256_and_si256(x, _mm256_set1_epi16(0x00FC)), 3);
            out = _mm256_or_si256(_mm256_or_si256(red, green), blue);
        } else {
            const __m256i red = _mm256_and_si256(_mm256_srli_epi16(x, 1), _mm256_set1_epi16(0x7C00));
            const __m256i green = _mm256_slli_epi16(_mm256_and_si256(x, _mm256_set1_epi16(0x00F8)), 2);
            out = _mm256_or_si256(_mm256_or_si256(red, green), blue);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm256_permute4x64_epi64(out, 0xD8));
    }
};

struct Block32Avx2 {
    static constexpr int kOutBytes = 4;
    static constexpr bool kAvx2 = true;
    __attribute__((target("avx2"))) static void Convert(const uint8_t* src, uint8_t* dst) {
        const __m256i shuffle = _mm256_setr_epi8(0, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12, 0, 1, 2,
                                                 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12);
        for (int i = 0; i < 2; ++i) {
            const __m256i in = Block16Avx2<true>::Load8(src + 24 * i);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 32 * i), _mm256_shuffle_epi8(in, shuffle));
        }
    }
};

// Converts blocks of sixteen pixels while the stored data reaches far enough and the
// destination has room for one. The last block may reach past the n pixels asked for: it then
// writes display pixels beyond them, which the caller writes over later (the in-memory form is
// written front to back), and reads stored bytes that the data holds. Returns the pixels done;
// the plain loop converts the rest.
template <class Block>
__attribute__((target("ssse3"))) size_t BlocksSsse3(const uint8_t* src, uint8_t* dst, size_t n,
                                                    const uint8_t* limit, const uint8_t* dstLimit) {
    size_t done = 0;
    while (done < n && limit - src >= kBlockReach && dstLimit - dst >= 16 * Block::kOutBytes) {
        Block::Convert(src, dst);
        done += 16, src += 48, dst += 16 * Block::kOutBytes;
    }
    return done < n ? done : n;
}

// The same loop, compiled for AVX2.
template <class Block>
__attribute__((target("avx2"))) size_t BlocksAvx2(const uint8_t* src, uint8_t* dst, size_t n,
                                                  const uint8_t* limit, const uint8_t* dstLimit) {
    size_t done = 0;
    while (done < n && limit - src >= kBlockReach && dstLimit - dst >= 16 * Block::kOutBytes) {
        Block::Convert(src, dst);
        done += 16, src += 48, dst += 16 * Block::kOutBytes;
    }
    return done < n ? done : n;
}

template <PixelLayout Layout, class Block>
void FastRow(const uint8_t* src, uint8_t* dst, size_t n, const uint8_t* limit, const uint8_t* dstLimit) {
    size_t done;
    if constexpr (Block::kAvx2) {
        done = BlocksAvx2<Block>(src, dst, n, limit, dstLimit);
    } else {
        done = BlocksSsse3<Block>(src, dst, n, limit, dstLimit);
    }
    Plain<Layout>(src + done * 3, dst + done * Block::kOutBytes, n - done, limit);
}

// The fast row of a layout with one instruction set's blocks; null for the layouts without one.
template <template <bool Is565> class Block16Of, class Block32Of>
BgrRowConverter FastRowFor(PixelLayout layout) {
    switch (layout) {
    case PixelLayout::Rgb565:
        return FastRow<PixelLayout::Rgb565, Block16Of<true>>;
    case PixelLayout::Rgb555:
        return FastRow<PixelLayout::Rgb555, Block16Of<false>>;
    case PixelLayout::Rgb32:
        return FastRow<PixelLayout::Rgb32, Block32Of>;
    default:
        return nullptr;
    }
}

const bool kHasSsse3 = __builtin_cpu_supports("ssse3");
const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif
}  // namespace

BgrRowConverter BgrRowConverterFor(PixelLayout layout, RowInstructions upTo) {
#if TIDEMARCH_BGR_ROWS_SSSE3
    BgrRowConverter fast = nullptr;
    if (kHasAvx2 && upTo >= RowInstructions::Avx2) fast = FastRowFor<Block16Avx2, Block32Avx2>(layout);
    if (!fast && kHasSsse3 && upTo >= RowInstructions::Ssse3) fast = FastRowFor<Block16, Block32>(layout);
    if (fast) return fast;
#endif
    return PlainRowConverterFor(layout);
}

BgrRowConverter PlainRowConverterFor(PixelLayout layout) {
    switch (layout) {
    case PixelLayout::Rgb565:
        return PlainRow<PixelLayout::Rgb565>;
    case PixelLayout::Rgb555:
        return PlainRow<PixelLayout::Rgb555>;
    case PixelLayout::Rgb24:
        return PlainRow<PixelLayout::Rgb24>;
    case PixelLayout::Rgb32:
        return PlainRow<PixelLayout::Rgb32>;
    case PixelLayout::None:
        break;
    }
    return nullptr;
}
