#include "sprites/renderers/sprite_draw.h"

#include <algorithm>

#include "display/surface.h"
#include "sprites/renderers/sprite_operation.h"
#include "sprites/renderers/sprite_walks.h"

void DrawSprite(const SpriteRenderer& sprite, SpriteClass cls, Surface* target, int32_t x, int32_t y,
                Rect clip, SpriteBlend blend, PixelPath path) {
    if (!sprite.pixelData || !target || !target->pixels) return;
    // The clip is meant to lie inside the surface; holding it there keeps every write inside
    // the surface's memory whatever the caller passes.
    const Rect visible{std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, target->width),
                       std::min(clip.bottom, target->height)};
    if (visible.IsEmpty()) return;
    RowKernel kernel =
        MakeSpriteKernel(cls.layout, blend.alpha, blend.effect, blend.tinted, blend.tint, path);
    if (!kernel.run) return;
    const SpriteImage image{sprite.pixelData, SpriteRenderer::PixelDataSize(sprite.pixelData), sprite.width,
                            sprite.height};
    kernel.params.dstLimit = target->pixels + int64_t(target->pitch) * target->height;
    kernel.params.srcLimit = image.data + image.size;
    const SpriteTarget surface{target->pixels, target->pitch, visible};
    switch (cls.kind) {
    case SpriteKind::Raw:
        WalkRaw(image, surface, x, y, kernel);
        return;
    case SpriteKind::Rle:
        WalkRle(image, surface, x, y, kernel);
        return;
    case SpriteKind::Rle2:
        WalkRle2(image, surface, x, y, kernel);
        return;
    }
}
