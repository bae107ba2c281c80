#pragma once
// Helpers shared by the SSE2 row functions: loads, stores and the loop that feeds a vector
// operation whole vectors and leaves the last few pixels of a row to the scalar reference,
// which gives the same result by construction.
#include <emmintrin.h>

#include <cstdint>

#include "display/pixel/reference_pixel.h"

inline __m128i LoadVector(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void StoreVector(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Runs VectorOp over a row. VectorOp works on Lanes vectors of 16 bytes at once (whole pixels:
// 8 pixels of 2 bytes, 16 pixels of 3 bytes in three vectors, 4 pixels of 4 bytes) and is
// called as op(d, s, lane) with lane the index of the vector within its group (the colour
// pattern of 3-byte pixels repeats every three vectors).
template <class L, RowOp Op, class VectorOp, int Lanes>
void VectorRow(uint8_t* dst, const uint8_t* src, int32_t count, const RowParams& params) {
    constexpr int32_t kGroupPixels = Lanes * 16 / L::kBytes;
    const VectorOp op(params);
    int32_t i = 0;
    for (; i + kGroupPixels <= count; i += kGroupPixels) {
        uint8_t* d = dst + i * L::kBytes;
        const uint8_t* s = src + i * L::kBytes;
        for (int v = 0; v < Lanes; ++v) {
            const __m128i dv = kReadsDestination<Op> ? LoadVector(d + 16 * v) : _mm_setzero_si128();
            const __m128i sv = kReadsSource<Op> ? LoadVector(s + 16 * v) : _mm_setzero_si128();
            StoreVector(d + 16 * v, op(dv, sv, v));
        }
    }
    ReferencePixels<L, Op>(dst + i * L::kBytes, src + i * L::kBytes, count - i, params);
}
