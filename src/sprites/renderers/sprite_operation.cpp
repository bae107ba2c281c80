#include "sprites/renderers/sprite_operation.h"

SpriteOperation SelectSpriteOperation(PixelLayout layout, int32_t alpha, int32_t effect) {
    return BytesPerPixel(layout) == 2 ? SelectSpriteOperation16(alpha, effect)
                                      : SelectSpriteOperationBytes(alpha, effect);
}

RowKernel MakeSpriteKernel(PixelLayout layout, int32_t alpha, int32_t effect, bool tinted, uint32_t tint,
                           PixelPath path) {
    switch (layout) {
    case PixelLayout::Rgb565:
        return MakeSpriteKernelFor<PixelLayout::Rgb565>(alpha, effect, tinted, tint, path);
    case PixelLayout::Rgb555:
        return MakeSpriteKernelFor<PixelLayout::Rgb555>(alpha, effect, tinted, tint, path);
    case PixelLayout::Rgb24:
        return MakeSpriteKernelFor<PixelLayout::Rgb24>(alpha, effect, tinted, tint, path);
    case PixelLayout::Rgb32:
        return MakeSpriteKernelFor<PixelLayout::Rgb32>(alpha, effect, tinted, tint, path);
    case PixelLayout::None:
        break;
    }
    return RowKernel{};
}
