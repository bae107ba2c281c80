#include <gtest/gtest.h>

#include <cstring>

#include "sprites/renderers/sprite_renderer.h"
#include "sprites/renderers/sprite_renderer_classes.h"

namespace {

TEST(SpriteRendererFactory, MakesTheClassOfLayoutAndKind) {
    struct Case {
        PixelLayout layout;
        SpriteKind kind;
        bool (*isClass)(SpriteRenderer*);
    };
    auto is = []<class T>(T*) { return +[](SpriteRenderer* r) { return dynamic_cast<T*>(r) != nullptr; }; };
    const Case cases[] = {
        {PixelLayout::Rgb565, SpriteKind::Raw, is(static_cast<SpriteRenderer565Raw*>(nullptr))},
        {PixelLayout::Rgb565, SpriteKind::Rle, is(static_cast<SpriteRenderer565Rle*>(nullptr))},
        {PixelLayout::Rgb565, SpriteKind::Rle2, is(static_cast<SpriteRenderer565Rle2*>(nullptr))},
        {PixelLayout::Rgb555, SpriteKind::Raw, is(static_cast<SpriteRenderer555Raw*>(nullptr))},
        {PixelLayout::Rgb555, SpriteKind::Rle, is(static_cast<SpriteRenderer555Rle*>(nullptr))},
        {PixelLayout::Rgb555, SpriteKind::Rle2, is(static_cast<SpriteRenderer555Rle2*>(nullptr))},
        {PixelLayout::Rgb24, SpriteKind::Raw, is(static_cast<SpriteRenderer24Raw*>(nullptr))},
        {PixelLayout::Rgb24, SpriteKind::Rle, is(static_cast<SpriteRenderer24Rle*>(nullptr))},
        {PixelLayout::Rgb24, SpriteKind::Rle2, is(static_cast<SpriteRenderer24Rle2*>(nullptr))},
        {PixelLayout::Rgb32, SpriteKind::Raw, is(static_cast<SpriteRenderer32Raw*>(nullptr))},
        {PixelLayout::Rgb32, SpriteKind::Rle, is(static_cast<SpriteRenderer32Rle*>(nullptr))},
        {PixelLayout::Rgb32, SpriteKind::Rle2, is(static_cast<SpriteRenderer32Rle2*>(nullptr))},
    };
    for (const Case& c : cases) {
        SpriteRenderer* r = CreateSpriteRenderer(c.layout, c.kind);
        ASSERT_NE(r, nullptr);
        EXPECT_TRUE(c.isClass(r)) << int(c.layout) << "/" << int(c.kind);
        EXPECT_EQ(r->pixelData, nullptr);
        EXPECT_EQ(r->alpha, 256);
        EXPECT_EQ(r->effect, 0);
        DestroySpriteRenderer(r);
    }
}

TEST(SpriteRendererFactory, RefusesUnknownLayoutOrKind) {
    EXPECT_EQ(CreateSpriteRenderer(PixelLayout::None, SpriteKind::Raw), nullptr);
    EXPECT_EQ(CreateSpriteRenderer(PixelLayout::Rgb565, SpriteKind(3)), nullptr);
}

TEST(SpriteRendererPixelData, RemembersItsSizeAndIsFreedByTheRenderer) {
    uint8_t* data = SpriteRenderer::AllocatePixelData(37);
    ASSERT_NE(data, nullptr);
    std::memset(data, 0xAB, 37);
    EXPECT_EQ(SpriteRenderer::PixelDataSize(data), 37u);
    EXPECT_EQ(SpriteRenderer::PixelDataSize(nullptr), 0u);
    SpriteRenderer* r = CreateSpriteRenderer(PixelLayout::Rgb32, SpriteKind::Raw);
    r->AdoptPixelData(data);
    EXPECT_EQ(r->pixelData, data);
    r->AdoptPixelData(SpriteRenderer::AllocatePixelData(0));  // frees the first buffer (checked by ASan)
    EXPECT_EQ(SpriteRenderer::PixelDataSize(r->pixelData), 0u);
    DestroySpriteRenderer(r);
    EXPECT_EQ(SpriteRenderer::AllocatePixelData(size_t(-1)), nullptr);
}

}  // namespace
