#include "display/pixel/row_kernel.h"

#include <algorithm>
#include <cstdlib>

#include "display/pixel/row_functions.h"

bool ProcessorHas(VectorSet set) {
#if defined(__i386__) || defined(__x86_64__)
    // The compiler's check also asks the operating system whether it keeps the vector state.
    __builtin_cpu_init();
    switch (set) {
    case VectorSet::Sse2:
        return __builtin_cpu_supports("sse2");
    case VectorSet::Avx2:
        // TIDEMARCH_PIXEL_NO_AVX2 set in the environment keeps the SSE2 functions, to compare.
        return __builtin_cpu_supports("avx2") && !std::getenv("TIDEMARCH_PIXEL_NO_AVX2");
    }
#endif
    (void)set;
    return false;
}

RowFunction VectorRowFunction(PixelLayout layout, RowOp op, VectorSet set) {
    if (!ProcessorHas(set)) return nullptr;
    if (set == VectorSet::Avx2) return Avx2RowFunction(layout, op);
    return BytesPerPixel(layout) == 2 ? Sse2RowFunction16(layout, op) : Sse2RowFunctionBytes(layout, op);
}

RowFunctionTable::RowFunctionTable() {
    for (int l = 1; l < kLayouts; ++l)
        for (int o = 0; o < kOps; ++o) {
            const PixelLayout layout = PixelLayout(l);
            const RowOp op = RowOp(o);
            reference[l][o] = ReferenceRowFunction(layout, op);
            RowFunction vector = VectorRowFunction(layout, op, VectorSet::Avx2);
            if (!vector) vector = VectorRowFunction(layout, op, VectorSet::Sse2);
            fast[l][o] = vector && reference[l][o] ? vector : reference[l][o];
        }
}

RectFunctionTable::RectFunctionTable() {
    if (ProcessorHas(VectorSet::Avx2))
        for (int l = 1; l < RowFunctionTable::kLayouts; ++l)
            for (int o = 0; o < RowFunctionTable::kOps; ++o)
                functions[l][o] = Avx2RectFunction(PixelLayout(l), RowOp(o));
    gBuiltRectFunctions.store(this, std::memory_order_release);
}

RowKernel MakeTintedRowKernel(PixelLayout layout, RowOp op, const RowParams& params, uint32_t tint,
                              PixelPath path) {
    RowKernel kernel = MakeRowKernel(layout, op, params, path);
    kernel.tintFirst = SelectRowFunction(layout, RowOp::Tint, path);
    kernel.params.colour = tint;
    kernel.inlineRuns = false;
    return kernel;
}

void RunTintedRowKernel(const RowKernel& kernel, const RowRun* runs, int32_t runCount) {
    // The tinted source goes through a small buffer in pieces, so no allocation is needed; the
    // buffer has a vector's room to spare after the largest piece.
    constexpr int32_t kPiece = 256;
    uint8_t tinted[kPiece * 4 + 16];
    RowParams tint = kernel.params;
    tint.dstLimit = tinted + sizeof tinted;
    RowParams op = kernel.params;
    op.srcLimit = tinted + sizeof tinted;
    const int32_t bpp = kernel.bytesPerPixel;
    for (int32_t r = 0; r < runCount; ++r) {
        RowRun run = runs[r];
        while (run.count > 0) {
            const int32_t n = std::min(run.count, kPiece);
            const RowRun toBuffer{tinted, run.src, n};
            kernel.tintFirst(&toBuffer, 1, tint);
            const RowRun fromBuffer{run.dst, tinted, n};
            kernel.run(&fromBuffer, 1, op);
            run.dst += n * bpp;
            run.src += n * bpp;
            run.count -= n;
        }
    }
}
