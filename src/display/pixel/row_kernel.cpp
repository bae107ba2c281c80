#include "display/pixel/row_kernel.h"

#include <algorithm>

#include "display/pixel/row_functions.h"

RowFunction SelectRowFunction(PixelLayout layout, RowOp op, PixelPath path) {
    RowFunction reference = ReferenceRowFunction(layout, op);
    if (path == PixelPath::Reference || !reference) return reference;
    RowFunction fast =
        BytesPerPixel(layout) == 2 ? Sse2RowFunction16(layout, op) : Sse2RowFunctionBytes(layout, op);
    return fast ? fast : reference;
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

void RunRowKernel(const RowKernel& kernel, uint8_t* dst, const uint8_t* src, int32_t count) {
    if (!kernel.tintFirst) {
        kernel.run(dst, src, count, kernel.params);
        return;
    }
    // The tinted source goes through a small buffer in pieces, so no allocation is needed.
    constexpr int32_t kPiece = 256;
    uint8_t tinted[kPiece * 4];
    const int32_t bpp = kernel.bytesPerPixel;
    while (count > 0) {
        const int32_t n = std::min(count, kPiece);
        kernel.tintFirst(tinted, src, n, kernel.params);
        kernel.run(dst, tinted, n, kernel.params);
        dst += n * bpp;
        src += n * bpp;
        count -= n;
    }
}
