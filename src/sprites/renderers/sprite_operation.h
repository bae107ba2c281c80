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
#include <cstdint>

#include "display/pixel/row_kernel.h"

// The operation and its weights (see RowParams), small enough to travel in registers.
struct SpriteOperation {
    RowOp op;
    uint32_t k;
    uint32_t ws;
    uint32_t wd;
};

SpriteOperation SelectSpriteOperation(PixelLayout layout, int32_t alpha, int32_t effect);

RowKernel MakeSpriteKernel(PixelLayout layout, int32_t alpha, int32_t effect, bool tinted, uint32_t tint,
                           PixelPath path);
