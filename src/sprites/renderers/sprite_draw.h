#pragma once
// Drawing a sprite: the clipping common to all renderers, the walk of its storage kind and the
// per-pixel operation that alpha, effect and tint select. The renderer classes draw through
// here with the fast path; tests draw the same sprite with the reference path to compare.
#include <cstdint>

#include "controls/geometry.h"
#include "display/pixel/row_kernel.h"
#include "sprites/renderers/sprite_renderer.h"
#include "sprites/renderers/sprite_renderer_classes.h"

class Surface;

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

// The same for a class known to the compiler: layout and kind fixed, one function per renderer
// class, which is what the classes draw through.
template <PixelLayout Layout, SpriteKind Kind>
void DrawSpriteOf(const SpriteRenderer& sprite, Surface* target, int32_t x, int32_t y, Rect clip,
                  SpriteBlend blend, PixelPath path);

#define TIDEMARCH_DECLARE_SPRITE_DRAW(layout, kind)                                                          \
    extern template void DrawSpriteOf<layout, kind>(const SpriteRenderer&, Surface*, int32_t, int32_t, Rect, \
                                                    SpriteBlend, PixelPath);
TIDEMARCH_FOR_EACH_SPRITE_RENDERER(TIDEMARCH_DECLARE_SPRITE_DRAW)
#undef TIDEMARCH_DECLARE_SPRITE_DRAW
