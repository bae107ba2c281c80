#pragma once
// Drawing a sprite: the clipping common to all renderers, the walk of its storage kind and the
// per-pixel operation that alpha, effect and tint select. The renderer classes draw through
// here with the fast path; tests draw the same sprite with the reference path to compare.
#include <algorithm>
#include <cstdint>

#include "common/geometry.h"
#include "display/pixel/row_kernel.h"
#include "display/surface.h"
#include "sprites/renderers/sprite_operation.h"
#include "sprites/renderers/sprite_renderer.h"
#include "sprites/renderers/sprite_renderer_classes.h"
#include "sprites/renderers/sprite_walks.h"

struct SpriteClass {
    PixelLayout layout;
    SpriteKind kind;
};

struct SpriteBlend {
    int32_t alpha;
    int32_t effect;
    bool tinted;
    uint32_t tint;
};

void DrawSprite(const SpriteRenderer& sprite, SpriteClass cls, Surface* target, int32_t x, int32_t y,
                Rect clip, SpriteBlend blend, PixelPath path);

// Drawing through a row kernel, for what the in-place walks do not take: kept out of line, so
// that the calls the in-place walks take need no room for a kernel.
template <PixelLayout Layout, SpriteKind Kind>
__attribute__((noinline)) void DrawSpriteWithKernel(const SpriteRenderer& sprite, Surface* target, int32_t x,
                                                    int32_t y, Rect visible, SpriteBlend blend,
                                                    PixelPath path) {
    constexpr int32_t bpp = BytesPerPixel(Layout);
    RowKernel kernel = MakeSpriteKernelFor<Layout>(blend.alpha, blend.effect, blend.tinted, blend.tint, path);
    if (!kernel.run) return;
    const SpriteImage image{sprite.pixelData, SpriteRenderer::PixelDataSize(sprite.pixelData), sprite.width,
                            sprite.height};
    kernel.params.dstLimit = target->pixels + int64_t(target->pitch) * target->height;
    kernel.params.srcLimit = image.data + image.size;
    const SpriteTarget surface{target->pixels, target->pitch, visible};
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

// The same for a class known to the compiler: layout and kind fixed, one function per renderer
// class, which is what the classes draw through. Defined here so that each class's Draw holds
// the clipping and the choice of the way to draw.
template <PixelLayout Layout, SpriteKind Kind>
inline void DrawSpriteOf(const SpriteRenderer& sprite, Surface* target, int32_t x, int32_t y, Rect clip,
                         SpriteBlend blend, PixelPath path) {
    if constexpr (BytesPerPixel(Layout) == 2) {
        if (path == PixelPath::Fast && !blend.tinted)
            return DrawInPlace16<Layout, Kind>(sprite, target, x, y, clip, blend.alpha, blend.effect);
    }
    if (!sprite.pixelData || !target || !target->pixels) return;
    // The clip is meant to lie inside the surface; holding it there keeps every write inside
    // the surface's memory whatever the caller passes.
    const Rect visible{std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, target->width),
                       std::min(clip.bottom, target->height)};
    if (visible.IsEmpty()) return;
    DrawSpriteWithKernel<Layout, Kind>(sprite, target, x, y, visible, blend, path);
}
