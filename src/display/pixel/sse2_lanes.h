#pragma once
// Helpers shared by the SSE2 row functions: vector loads and stores, and the loop that feeds a
// vector operation a row as 16-byte vectors. Every pixel of a row, the last ones included, is
// computed by the same vector code, and no byte outside the row is ever written.
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

// The low n (1..15) bytes of a vector to p, as two overlapping stores of the largest piece
// that fits, so that the choice depends on the size class only.
inline void StoreShort(uint8_t* p, __m128i v, size_t n) {
    uint8_t bytes[16];
    StoreVector(bytes, v);
    if (n >= 8) {
        std::memcpy(p, bytes, 8);
        std::memcpy(p + n - 8, bytes + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(p, bytes, 4);
        std::memcpy(p + n - 4, bytes + n - 4, 4);
    } else if (n >= 2) {
        std::memcpy(p, bytes, 2);
        std::memcpy(p + n - 2, bytes + n - 2, 2);
    } else {
        *p = bytes[0];
    }
}

// Whether a 16-byte load at p stays within the cache lines that the n bytes of the row at p lie
// in. Reading past the end of a short row is only free there: a further line may have to come
// from memory, which for small sprites at scattered places costs more than reading in pieces.
inline bool WholeVectorStaysInRowLines(const uint8_t* p, size_t n) {
    constexpr int kLineBits = 6;  // 64-byte cache lines
    const uintptr_t at = reinterpret_cast<uintptr_t>(p);
    return ((at + 15) >> kLineBits) == ((at + n - 1) >> kLineBits);
}

// Copies n bytes. Sprite rows and runs are mostly short, so up to 32 bytes are copied inline,
// every byte loaded before any is stored (right for overlapping memory too); longer copies go
// to memmove.
inline void CopyBytes(uint8_t* dst, const uint8_t* src, size_t n) {
    if (n >= 16) {
        if (n > 32) {
            std::memmove(dst, src, n);
            return;
        }
        const __m128i head = LoadVector(src), tail = LoadVector(src + n - 16);
        StoreVector(dst, head);
        StoreVector(dst + n - 16, tail);
    } else if (n >= 8) {
        uint64_t head, tail;
        std::memcpy(&head, src, 8);
        std::memcpy(&tail, src + n - 8, 8);
        std::memcpy(dst, &head, 8);
        std::memcpy(dst + n - 8, &tail, 8);
    } else if (n >= 4) {
        uint32_t head, tail;
        std::memcpy(&head, src, 4);
        std::memcpy(&tail, src + n - 4, 4);
        std::memcpy(dst, &head, 4);
        std::memcpy(dst + n - 4, &tail, 4);
    } else if (n >= 2) {
        uint16_t head, tail;
        std::memcpy(&head, src, 2);
        std::memcpy(&tail, src + n - 2, 2);
        std::memcpy(dst, &head, 2);
        std::memcpy(dst + n - 2, &tail, 2);
    } else if (n == 1) {
        *dst = *src;
    }
}

// Runs VectorOp over a row of count pixels as a run of bytes. VectorOp is called as
// op(d, s, offset) on 16-byte vectors, offset being the vector's first byte within the row (for
// colour patterns that repeat with the pixel). A row of 16 bytes or more ends with a vector
// that overlaps the one before it: it is computed from the original pixels before anything is
// stored and stored last, so the overlapping bytes get the same values twice. Shorter rows go
// through one vector, read whole where the memory after them may be read (see RowParams) and
// in pieces otherwise, and stored in pieces.
template <class L, RowOp Op, class VectorOp>
inline void VectorRow(const VectorOp& op, uint8_t* dst, const uint8_t* src, int32_t count,
                      const RowParams& params) {
    const size_t bytes = size_t(count) * L::kBytes;
    auto loadD = [&](size_t at) {
        return kReadsDestination<Op> ? LoadVector(dst + at) : _mm_setzero_si128();
    };
    auto loadS = [&](size_t at) { return kReadsSource<Op> ? LoadVector(src + at) : _mm_setzero_si128(); };
    if (bytes < 16) {
        if (bytes == 0) return;
        // Whole-vector loads only read what lies after the row, which nothing has written
        // recently; the store writes exactly the row's bytes.
        const bool wholeD =
            params.dstLimit && dst + 16 <= params.dstLimit && WholeVectorStaysInRowLines(dst, bytes);
        const bool wholeS =
            params.srcLimit && src + 16 <= params.srcLimit && WholeVectorStaysInRowLines(src, bytes);
        const __m128i d = !kReadsDestination<Op> ? _mm_setzero_si128()
                          : wholeD               ? LoadVector(dst)
                                                 : LoadPartial(dst, bytes);
        const __m128i s = !kReadsSource<Op> ? _mm_setzero_si128()
                          : wholeS          ? LoadVector(src)
                                            : LoadPartial(src, bytes);
        StoreShort(dst, op(d, s, 0), bytes);
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

// The row function of an operation: the operation is prepared once for all the runs.
template <class L, RowOp Op, class VectorOp>
void VectorRows(const RowRun* runs, int32_t runCount, const RowParams& params) {
    const VectorOp op(params);
    for (int32_t r = 0; r < runCount; ++r)
        VectorRow<L, Op>(op, runs[r].dst, runs[r].src, runs[r].count, params);
}
