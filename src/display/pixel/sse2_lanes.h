#pragma once
// Helpers shared by the SSE2 row functions: whole and partial vector loads and stores, and the
// loop that feeds a vector operation a row as 16-byte vectors. The last piece of a row that does
// not fill a vector is loaded in pieces of 8, 4, 2 and 1 bytes (as many as it has), computed
// like the others and stored in the same pieces, so no byte outside the row is touched and the
// last pixels of a row are computed exactly like the first ones.
#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "display/pixel/reference_pixel.h"

inline __m128i LoadVector(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void StoreVector(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// The first n (< 8) bytes at p as the low bytes of a 64-bit value.
inline uint64_t LoadShort(const uint8_t* p, size_t n) {
    uint64_t v = 0;
    size_t at = 0;
    if (n & 4) {
        uint32_t w;
        std::memcpy(&w, p, 4);
        v = w;
        at = 4;
    }
    if (n & 2) {
        uint16_t w;
        std::memcpy(&w, p + at, 2);
        v |= uint64_t(w) << (8 * at);
        at += 2;
    }
    if (n & 1) v |= uint64_t(p[at]) << (8 * at);
    return v;
}

inline __m128i Low64(uint64_t v) {
    return _mm_set_epi32(0, 0, int32_t(uint32_t(v >> 32)), int32_t(uint32_t(v)));
}

// n (1..15) bytes into the low bytes of a vector; the rest are zero.
inline __m128i LoadPartial(const uint8_t* p, size_t n) {
    if (n & 8)
        return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                  Low64(LoadShort(p + 8, n & 7)));
    return Low64(LoadShort(p, n));
}

// The low n (1..15) bytes of a vector to p.
inline void StorePartial(uint8_t* p, __m128i v, size_t n) {
    if (n & 8) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
        p += 8;
        v = _mm_srli_si128(v, 8);
    }
    if (n & 4) {
        const uint32_t w = uint32_t(_mm_cvtsi128_si32(v));
        std::memcpy(p, &w, 4);
        p += 4;
        v = _mm_srli_si128(v, 4);
    }
    uint32_t w = uint32_t(_mm_cvtsi128_si32(v));
    if (n & 2) {
        const uint16_t h = uint16_t(w);
        std::memcpy(p, &h, 2);
        p += 2;
        w >>= 16;
    }
    if (n & 1) *p = uint8_t(w);
}

// 16 bytes 0xFF then 16 bytes 0: the 16 bytes from offset 16 - n select the first n bytes.
inline constexpr uint8_t kRowPrefix[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                           0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// Runs VectorOp over a row of count pixels as a run of bytes. VectorOp is called as
// op(d, s, offset) on 16-byte vectors, offset being the vector's first byte within the row (for
// colour patterns that repeat with the pixel). A row of 16 bytes or more ends with a vector
// that overlaps the one before it: it is computed from the original pixels before anything is
// stored and stored last, so the overlapping bytes get the same values twice. Shorter rows go
// through one vector when the memory after them may be touched (see RowParams), written back
// unchanged past the row, and otherwise through a partial vector.
template <class L, RowOp Op, class VectorOp>
void VectorRow(uint8_t* dst, const uint8_t* src, int32_t count, const RowParams& params) {
    const VectorOp op(params);
    const size_t bytes = size_t(count) * L::kBytes;
    auto loadD = [&](size_t at) {
        return kReadsDestination<Op> ? LoadVector(dst + at) : _mm_setzero_si128();
    };
    auto loadS = [&](size_t at) { return kReadsSource<Op> ? LoadVector(src + at) : _mm_setzero_si128(); };
    if (bytes < 16) {
        if (bytes == 0) return;
        if (params.dstLimit && dst + 16 <= params.dstLimit &&
            (!kReadsSource<Op> || (params.srcLimit && src + 16 <= params.srcLimit))) {
            const __m128i d = LoadVector(dst);
            const __m128i keep = LoadVector(kRowPrefix + 16 - bytes);
            const __m128i r = op(d, loadS(0), 0);
            StoreVector(dst, _mm_or_si128(_mm_and_si128(keep, r), _mm_andnot_si128(keep, d)));
            return;
        }
        const __m128i d = kReadsDestination<Op> ? LoadPartial(dst, bytes) : _mm_setzero_si128();
        const __m128i s = kReadsSource<Op> ? LoadPartial(src, bytes) : _mm_setzero_si128();
        StorePartial(dst, op(d, s, 0), bytes);
        return;
    }
    const size_t last = bytes - 16;
    const __m128i tail = op(loadD(last), loadS(last), last);
    size_t i = 0;
    for (; i + 32 <= last; i += 32) {
        const __m128i r0 = op(loadD(i), loadS(i), i);
        const __m128i r1 = op(loadD(i + 16), loadS(i + 16), i + 16);
        StoreVector(dst + i, r0);
        StoreVector(dst + i + 16, r1);
    }
    if (i + 16 <= last) {
        StoreVector(dst + i, op(loadD(i), loadS(i), i));
        i += 16;
    }
    if (i < last) StoreVector(dst + i, op(loadD(i), loadS(i), i));
    StoreVector(dst + last, tail);
}
