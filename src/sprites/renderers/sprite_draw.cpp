#include "sprites/renderers/sprite_draw.h"

#include <algorithm>

#include "display/surface.h"
#include "sprites/renderers/sprite_operation.h"
#include "sprites/renderers/sprite_walks.h"

template <PixelLayout Layout, SpriteKind Kind>
void DrawSpriteOf(const SpriteRenderer& sprite, Surface* target, int32_t x, int32_t y, Rect clip,
                  SpriteBlend blend, PixelPath path) {
    if (!sprite.pixelData || !target || !target->pixels) return;
    // The clip is meant to lie inside the surface; holding it there keeps every write inside
    // the surface's memory whatever the caller passes.
    const Rect visible{std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, target->width),
                       std::min(clip.bottom, target->height)};
    if (visible.IsEmpty()) return;
    RowKernel kernel = MakeSpriteKernelFor<Layout>(blend.alpha, blend.effect, blend.tinted, blend.tint, path);
    if (!kernel.run) return;
    const SpriteImage image{sprite.pixelData, SpriteRenderer::PixelDataSize(sprite.pixelData), sprite.width,
                            sprite.height};
    kernel.params.dstLimit = target->pixels + int64_t(target->pitch) * target->height;
    kernel.params.srcLimit = image.data + image.size;
    const SpriteTarget surface{target->pixels, target->pitch, visible};
    constexpr int32_t bpp = KernelBytesPerPixel(Layout);
    switch (Kind) {
    case SpriteKind::Raw:
        WalkRaw<bpp>(image, surface, x, y, kernel);
        return;
    case SpriteKind::Rle:
        WalkRle<bpp>(image, surface, x, y, kernel);
        return;
    case SpriteKind::Rle2:
        WalkRle2<bpp>(image, surface, x, y, kernel);
        return;
    }
}

#define TIDEMARCH_DEFINE_SPRITE_DRAW(layout, kind)                                                           \
    template void DrawSpriteOf<layout, kind>(const SpriteRenderer&, Surface*, int32_t, int32_t, Rect,        \
                                             SpriteBlend, PixelPath);
TIDEMARCH_FOR_EACH_SPRITE_RENDERER(TIDEMARCH_DEFINE_SPRITE_DRAW)
#undef TIDEMARCH_DEFINE_SPRITE_DRAW

namespace {
template <PixelLayout Layout>
void DrawSpriteOfKind(const SpriteRenderer& sprite, SpriteKind kind, Surface* target, int32_t x, int32_t y,
                      Rect clip, SpriteBlend blend, PixelPath path) {
    switch (kind) {
    case SpriteKind::Raw:
        return DrawSpriteOf<Layout, SpriteKind::Raw>(sprite, target, x, y, clip, blend, path);
    case SpriteKind::Rle:
        return DrawSpriteOf<Layout, SpriteKind::Rle>(sprite, target, x, y, clip, blend, path);
    case SpriteKind::Rle2:
        return DrawSpriteOf<Layout, SpriteKind::Rle2>(sprite, target, x, y, clip, blend, path);
    }
}
}  // namespace

void DrawSprite(const SpriteRenderer& sprite, SpriteClass cls, Surface* target, int32_t x, int32_t y,
                Rect clip, SpriteBlend blend, PixelPath path) {
    switch (cls.layout) {
    case PixelLayout::Rgb565:
        return DrawSpriteOfKind<PixelLayout::Rgb565>(sprite, cls.kind, target, x, y, clip, blend, path);
    case PixelLayout::Rgb555:
        return DrawSpriteOfKind<PixelLayout::Rgb555>(sprite, cls.kind, target, x, y, clip, blend, path);
    case PixelLayout::Rgb24:
        return DrawSpriteOfKind<PixelLayout::Rgb24>(sprite, cls.kind, target, x, y, clip, blend, path);
    case PixelLayout::Rgb32:
        return DrawSpriteOfKind<PixelLayout::Rgb32>(sprite, cls.kind, target, x, y, clip, blend, path);
    case PixelLayout::None:
        return;
    }
}
