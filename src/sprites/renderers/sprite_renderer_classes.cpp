#include "sprites/renderers/sprite_renderer_classes.h"

#include "sprites/renderers/sprite_draw.h"

template <PixelLayout Layout, SpriteKind Kind>
void* SpriteRendererFor<Layout, Kind>::DeletingDestructor(uint32_t flags) {
    return RunDeletingDestructor(this, flags);
}

template <PixelLayout Layout, SpriteKind Kind>
void SpriteRendererFor<Layout, Kind>::Draw(Surface* target, int32_t x, int32_t y, Rect clip, int32_t alpha,
                                           int32_t effect) {
    DrawSpriteOf<Layout, Kind>(*this, target, x, y, clip, SpriteBlend{alpha, effect, false, 0},
                               PixelPath::Fast);
}

template <PixelLayout Layout, SpriteKind Kind>
void SpriteRendererFor<Layout, Kind>::DrawTinted(Surface* target, int32_t x, int32_t y, Rect clip,
                                                 uint32_t tint, int32_t alpha, int32_t effect) {
    DrawSpriteOf<Layout, Kind>(*this, target, x, y, clip, SpriteBlend{alpha, effect, true, tint},
                               PixelPath::Fast);
}

#define TIDEMARCH_DEFINE_SPRITE_RENDERER(layout, kind) template class SpriteRendererFor<layout, kind>;
TIDEMARCH_FOR_EACH_SPRITE_RENDERER(TIDEMARCH_DEFINE_SPRITE_RENDERER)
#undef TIDEMARCH_DEFINE_SPRITE_RENDERER
