#pragma once
// The pixel operation a sprite is drawn with, chosen once per drawing call from its alpha and
// effect (and tint).
//
// Effects: 0 copy; 1..256 brighten; -256..-1 darken; below -256 multiply; above 256 screen on
// 24/32-bit displays, while 16-bit displays take 257 as screen and anything above as
// product-add. An alpha of 256 or more is opaque; below it the sprite is blended with weight
// alpha (alpha / 8 out of 32 on 16-bit displays). A negative alpha counts as 0.
//
// Tinted drawing: at full alpha with effect 0 every channel is multiplied by the tint's
// channel. With any other alpha or effect the sprite is first tinted that way and then drawn
// exactly as an untinted sprite with those pixels would be, so the tint keeps all three
// channels and combines with every effect. On 24-bit displays the tint applies per pixel,
// blue, green and red bytes to their own channel.
#include <algorithm>
#include <cstdint>

#include "display/opacity.h"
#include "display/pixel/row_kernel.h"

// The operation and its weights (see RowParams), small enough to travel in registers.
struct SpriteOperation {
    RowOp op;
    uint32_t k;
    uint32_t ws;
    uint32_t wd;
};

inline SpriteOperation SpriteOp(RowOp op, uint32_t k = 0, uint32_t ws = 0, uint32_t wd = 0) {
    return {op, k, ws, wd};
}

// 16-bit displays: weights are eighths of the 8-bit values, out of 32. Always inlined: it runs
// at the start of every drawing call, whose weights then stay in registers.
inline __attribute__((always_inline)) SpriteOperation SelectSpriteOperation16(int32_t alpha, int32_t e) {
    if (alpha >= kOpaque) {
        if (e == 0) return SpriteOp(RowOp::Copy);
        if (e > 0 && e <= 256) return SpriteOp(RowOp::Brighten, uint32_t(e) / 8);
        if (e < 0 && e >= -256) return SpriteOp(RowOp::Scale, uint32_t(256 + e) / 8);
        if (e == 257) return SpriteOp(RowOp::Screen, 32);
        if (e > 257) return SpriteOp(RowOp::ProductAdd, 32);
        return SpriteOp(RowOp::Multiply, 0);
    }
    const uint32_t l = uint32_t(std::max(alpha, 0)) / 8;
    if (e == 0) return SpriteOp(RowOp::Blend, 0, l, 32 - l);  // the usual translucent draw: l × 32 / 32
    if (e < 0 && e >= -256) return SpriteOp(RowOp::Blend, 0, (l * (uint32_t(256 + e) / 8)) / 32, 32 - l);
    if (e > 0 && e <= 256) return SpriteOp(RowOp::BrightenBlend, uint32_t(e) / 8, l, 32 - l);
    if (e == 257) return SpriteOp(RowOp::Screen, l);
    if (e > 257) return SpriteOp(RowOp::ProductAdd, l);
    return SpriteOp(RowOp::Multiply, 32 - l);
}

// 24/32-bit displays: 8-bit weights out of 256, every byte a channel.
inline SpriteOperation SelectSpriteOperationBytes(int32_t alpha, int32_t e) {
    if (alpha >= kOpaque) {
        if (e == 0) return SpriteOp(RowOp::Copy);
        if (e > 0 && e <= 256) return SpriteOp(RowOp::Brighten, uint32_t(e));
        if (e < 0 && e >= -256) return SpriteOp(RowOp::Scale, uint32_t(256 + e));
        if (e > 256) return SpriteOp(RowOp::Screen, 256);
        return SpriteOp(RowOp::Multiply, 0);
    }
    const uint32_t level = uint32_t(std::max(alpha, 0));
    if (e <= 0 && e >= -256) return SpriteOp(RowOp::Blend, 0, (level * uint32_t(256 + e)) / 256, 256 - level);
    if (e > 0 && e <= 256) return SpriteOp(RowOp::BrightenBlend, uint32_t(e), level, 256 - level);
    if (e > 256) return SpriteOp(RowOp::Screen, level);
    return SpriteOp(RowOp::Multiply, 256 - level);
}

SpriteOperation SelectSpriteOperation(PixelLayout layout, int32_t alpha, int32_t effect);

RowKernel MakeSpriteKernel(PixelLayout layout, int32_t alpha, int32_t effect, bool tinted, uint32_t tint,
                           PixelPath path);

// The kernel of one drawing call for a layout known to the compiler, built in place: this runs
// once per drawn sprite, so the weights go into it one by one with no copy through memory.
template <PixelLayout Layout>
inline RowKernel MakeSpriteKernelFor(int32_t alpha, int32_t effect, bool tinted, uint32_t tint,
                                     PixelPath path) {
    if (tinted && alpha >= kOpaque && effect == 0) {
        RowParams p;
        p.colour = tint;
        return MakeRowKernel(Layout, RowOp::Tint, p, path);
    }
    const SpriteOperation s = BytesPerPixel(Layout) == 2 ? SelectSpriteOperation16(alpha, effect)
                                                         : SelectSpriteOperationBytes(alpha, effect);
    RowKernel kernel;
    kernel.run = SelectRowFunction(Layout, s.op, path);
    kernel.params.k = s.k;
    kernel.params.ws = s.ws;
    kernel.params.wd = s.wd;
    kernel.bytesPerPixel = BytesPerPixel(Layout);
    kernel.layout = Layout;
    kernel.op = s.op;
    if (tinted) {
        kernel.tintFirst = SelectRowFunction(Layout, RowOp::Tint, path);
        kernel.params.colour = tint;
    } else {
        kernel.inlineRuns = path == PixelPath::Fast && HasInlineRuns(s.op, BytesPerPixel(Layout));
    }
    return kernel;
}
