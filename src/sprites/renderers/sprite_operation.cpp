#include "sprites/renderers/sprite_operation.h"

#include <algorithm>

namespace {
constexpr int32_t kOpaque = 256;

SpriteOperation Op(RowOp op, uint32_t k = 0, uint32_t ws = 0, uint32_t wd = 0) { return {op, k, ws, wd}; }

// 16-bit displays: weights are eighths of the 8-bit values, out of 32.
SpriteOperation Select16(int32_t alpha, int32_t e) {
    if (alpha >= kOpaque) {
        if (e == 0) return Op(RowOp::Copy);
        if (e > 0 && e <= 256) return Op(RowOp::Brighten, uint32_t(e) / 8);
        if (e < 0 && e >= -256) return Op(RowOp::Scale, uint32_t(256 + e) / 8);
        if (e == 257) return Op(RowOp::Screen, 32);
        if (e > 257) return Op(RowOp::ProductAdd, 32);
        return Op(RowOp::Multiply, 0);
    }
    const uint32_t l = uint32_t(std::max(alpha, 0)) / 8;
    if (e <= 0 && e >= -256) return Op(RowOp::Blend, 0, (l * (uint32_t(256 + e) / 8)) / 32, 32 - l);
    if (e > 0 && e <= 256) return Op(RowOp::BrightenBlend, uint32_t(e) / 8, l, 32 - l);
    if (e == 257) return Op(RowOp::Screen, l);
    if (e > 257) return Op(RowOp::ProductAdd, l);
    return Op(RowOp::Multiply, 32 - l);
}

// 24/32-bit displays: 8-bit weights out of 256, every byte a channel.
SpriteOperation SelectBytes(int32_t alpha, int32_t e) {
    if (alpha >= kOpaque) {
        if (e == 0) return Op(RowOp::Copy);
        if (e > 0 && e <= 256) return Op(RowOp::Brighten, uint32_t(e));
        if (e < 0 && e >= -256) return Op(RowOp::Scale, uint32_t(256 + e));
        if (e > 256) return Op(RowOp::Screen, 256);
        return Op(RowOp::Multiply, 0);
    }
    const uint32_t level = uint32_t(std::max(alpha, 0));
    if (e <= 0 && e >= -256) return Op(RowOp::Blend, 0, (level * uint32_t(256 + e)) / 256, 256 - level);
    if (e > 0 && e <= 256) return Op(RowOp::BrightenBlend, uint32_t(e), level, 256 - level);
    if (e > 256) return Op(RowOp::Screen, level);
    return Op(RowOp::Multiply, 256 - level);
}
}  // namespace

SpriteOperation SelectSpriteOperation(PixelLayout layout, int32_t alpha, int32_t effect) {
    return KernelBytesPerPixel(layout) == 2 ? Select16(alpha, effect) : SelectBytes(alpha, effect);
}

RowKernel MakeSpriteKernel(PixelLayout layout, int32_t alpha, int32_t effect, bool tinted, uint32_t tint,
                           PixelPath path) {
    if (tinted && alpha >= kOpaque && effect == 0) {
        RowParams p;
        p.colour = tint;
        return MakeRowKernel(layout, RowOp::Tint, p, path);
    }
    const SpriteOperation s = SelectSpriteOperation(layout, alpha, effect);
    // The weights go into the kernel one by one: this runs once per drawn sprite.
    RowKernel kernel;
    kernel.run = SelectRowFunction(layout, s.op, path);
    kernel.params.k = s.k;
    kernel.params.ws = s.ws;
    kernel.params.wd = s.wd;
    kernel.bytesPerPixel = KernelBytesPerPixel(layout);
    if (tinted) {
        kernel.tintFirst = SelectRowFunction(layout, RowOp::Tint, path);
        kernel.params.colour = tint;
    }
    return kernel;
}
