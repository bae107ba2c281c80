#include "display/pixel/row_kernel.h"

#include <algorithm>

#include "display/pixel/row_functions.h"

namespace {
constexpr int kLayouts = 5;  // PixelLayout values None..Rgb32
constexpr int kOps = int(RowOp::FillBlend) + 1;

struct RowFunctionTable {
    RowFunction reference[kLayouts][kOps] = {};
    RowFunction fast[kLayouts][kOps] = {};

    RowFunctionTable() {
        for (int l = 1; l < kLayouts; ++l)
            for (int o = 0; o < kOps; ++o) {
                const PixelLayout layout = PixelLayout(l);
                const RowOp op = RowOp(o);
                reference[l][o] = ReferenceRowFunction(layout, op);
                RowFunction vector = BytesPerPixel(layout) == 2 ? Sse2RowFunction16(layout, op)
                                                                : Sse2RowFunctionBytes(layout, op);
                fast[l][o] = vector && reference[l][o] ? vector : reference[l][o];
            }
    }
};

const RowFunctionTable& Table() {
    static const RowFunctionTable table;
    return table;
}
}  // namespace

RowFunction SelectRowFunction(PixelLayout layout, RowOp op, PixelPath path) {
    const int l = int(layout), o = int(op);
    if (l <= 0 || l >= kLayouts || o < 0 || o >= kOps) return nullptr;
    return path == PixelPath::Reference ? Table().reference[l][o] : Table().fast[l][o];
}

RowKernel MakeRowKernel(PixelLayout layout, RowOp op, const RowParams& params, PixelPath path) {
    RowKernel kernel;
    kernel.run = SelectRowFunction(layout, op, path);
    kernel.params = params;
    kernel.bytesPerPixel = BytesPerPixel(layout);
    return kernel;
}

RowKernel MakeTintedRowKernel(PixelLayout layout, RowOp op, const RowParams& params, uint32_t tint,
                              PixelPath path) {
    RowKernel kernel = MakeRowKernel(layout, op, params, path);
    kernel.tintFirst = SelectRowFunction(layout, RowOp::Tint, path);
    kernel.params.colour = tint;
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
