#include "sprites/renderers/sprite_draw.h"

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
