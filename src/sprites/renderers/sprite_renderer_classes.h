#pragma once
// The twelve renderer classes, one per display layout and storage kind. Each one derives
// directly from SpriteRenderer and adds no fields: the layout decides the pixel arithmetic and
// the kind decides how the pixel data is walked, both fixed when the loader picks the class.
#include "sprites/renderers/sprite_renderer.h"

template <PixelLayout Layout, SpriteKind Kind> class SpriteRendererFor final : public SpriteRenderer {
  public:
    void* DeletingDestructor(uint32_t flags) override;
    void Draw(Surface* target, int32_t x, int32_t y, Rect clip, int32_t alpha, int32_t effect) override;
    void DrawTinted(Surface* target, int32_t x, int32_t y, Rect clip, uint32_t tint, int32_t alpha,
                    int32_t effect) override;
};

using SpriteRenderer565Raw = SpriteRendererFor<PixelLayout::Rgb565, SpriteKind::Raw>;
using SpriteRenderer565Rle = SpriteRendererFor<PixelLayout::Rgb565, SpriteKind::Rle>;
using SpriteRenderer565Rle2 = SpriteRendererFor<PixelLayout::Rgb565, SpriteKind::Rle2>;
using SpriteRenderer555Raw = SpriteRendererFor<PixelLayout::Rgb555, SpriteKind::Raw>;
using SpriteRenderer555Rle = SpriteRendererFor<PixelLayout::Rgb555, SpriteKind::Rle>;
using SpriteRenderer555Rle2 = SpriteRendererFor<PixelLayout::Rgb555, SpriteKind::Rle2>;
using SpriteRenderer24Raw = SpriteRendererFor<PixelLayout::Rgb24, SpriteKind::Raw>;
using SpriteRenderer24Rle = SpriteRendererFor<PixelLayout::Rgb24, SpriteKind::Rle>;
using SpriteRenderer24Rle2 = SpriteRendererFor<PixelLayout::Rgb24, SpriteKind::Rle2>;
using SpriteRenderer32Raw = SpriteRendererFor<PixelLayout::Rgb32, SpriteKind::Raw>;
using SpriteRenderer32Rle = SpriteRendererFor<PixelLayout::Rgb32, SpriteKind::Rle>;
using SpriteRenderer32Rle2 = SpriteRendererFor<PixelLayout::Rgb32, SpriteKind::Rle2>;

#define TIDEMARCH_FOR_EACH_SPRITE_RENDERER(X)                                                                \
    X(PixelLayout::Rgb565, SpriteKind::Raw)                                                                  \
    X(PixelLayout::Rgb565, SpriteKind::Rle)                                                                  \
    X(PixelLayout::Rgb565, SpriteKind::Rle2)                                                                 \
    X(PixelLayout::Rgb555, SpriteKind::Raw)                                                                  \
    X(PixelLayout::Rgb555, SpriteKind::Rle)                                                                  \
    X(PixelLayout::Rgb555, SpriteKind::Rle2)                                                                 \
    X(PixelLayout::Rgb24, SpriteKind::Raw)                                                                   \
    X(PixelLayout::Rgb24, SpriteKind::Rle)                                                                   \
    X(PixelLayout::Rgb24, SpriteKind::Rle2)                                                                  \
    X(PixelLayout::Rgb32, SpriteKind::Raw)                                                                   \
    X(PixelLayout::Rgb32, SpriteKind::Rle)                                                                   \
    X(PixelLayout::Rgb32, SpriteKind::Rle2)

#define TIDEMARCH_DECLARE_SPRITE_RENDERER(layout, kind) extern template class SpriteRendererFor<layout, kind>;
TIDEMARCH_FOR_EACH_SPRITE_RENDERER(TIDEMARCH_DECLARE_SPRITE_RENDERER)
#undef TIDEMARCH_DECLARE_SPRITE_RENDERER

#if TIDEMARCH_SHARED_LAYOUT
static_assert(sizeof(SpriteRenderer565Raw) == sizeof(SpriteRenderer), "renderer classes add no fields");
static_assert(sizeof(SpriteRenderer32Rle2) == sizeof(SpriteRenderer), "renderer classes add no fields");
#endif
