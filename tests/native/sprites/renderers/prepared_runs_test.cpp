// Small Rle2 sprites on 16-bit displays are drawn from a list of their runs made on the first
// drawing. Whatever the list does must be what walking the data does: every drawing here is
// compared byte for byte with the reference path on the same starting pixels.
#include <gtest/gtest.h>

#include <random>

#include "display/surface.h"
#include "platform/memory/display/memory_surface_platform.h"
#include "sprite_builder.h"
#include "sprites/renderers/prepared_runs.h"
#include "sprites/renderers/sprite_draw.h"

namespace {

constexpr SpriteClass kClass{PixelLayout::Rgb565, SpriteKind::Rle2};
constexpr uint16_t kRowMark = 0xFFFF, kEndMark = 0xFFFE;

// Rows of opaque runs of every length the drawing tells apart (1, 2-3, 4-7, 8 and more pixels)
// between gaps of 1 to 3 pixels.
Picture RunsOfEveryLength(int width, int height, uint32_t seed) {
    std::mt19937 random(seed);
    Picture p{width, height, 2, std::vector<std::optional<uint32_t>>(size_t(width) * height)};
    const int lengths[] = {1, 2, 3, 4, 5, 7, 8, 9, 12, 16, 19};
    for (int y = 0; y < height; ++y)
        for (int x = int(random() % 3); x < width;) {
            const int n = lengths[random() % std::size(lengths)];
            for (int i = 0; i < n && x < width; ++i, ++x)
                p.at(x, y) = 1 + random() % 0xFFFE;
            x += 1 + int(random() % 3);
        }
    return p;
}

bool HasList(const SpriteRenderer& s) {
    return SpriteRenderer::PreparedRunsSlot(s.pixelData) > kNoPreparedRuns;
}

class PreparedRunsTest : public ::testing::Test {
  protected:
    static constexpr int kWidth = 48, kHeight = 40;

    // Draws on the fast path and on the reference path into surfaces of the same pixels and
    // says where they differ (nothing when they agree).
    static std::string Compare(SpriteRenderer& s, int x, int y, Rect clip, int alpha, int effect,
                               int surfaceWidth = kWidth) {
        SurfacePtr fast(CreateSurface(surfaceWidth, kHeight, surface_caps::OffscreenSystemMemory));
        SurfacePtr reference(CreateSurface(surfaceWidth, kHeight, surface_caps::OffscreenSystemMemory));
        for (int py = 0; py < kHeight; ++py)
            for (int px = 0; px < surfaceWidth; ++px) {
                const uint32_t v = uint32_t(px * 131 + py * 977 + 5) & 0xFFFF;
                fast->PutPixel(px, py, v, 256, 0);
                reference->PutPixel(px, py, v, 256, 0);
            }
        s.Draw(fast.get(), x, y, clip, alpha, effect);
        DrawSprite(s, kClass, reference.get(), x, y, clip, SpriteBlend{alpha, effect, false, 0},
                   PixelPath::Reference);
        for (int py = 0; py < kHeight; ++py)
            for (int px = 0; px < surfaceWidth; ++px)
                if (fast->GetPixel(px, py) != reference->GetPixel(px, py))
                    return "first difference at (" + std::to_string(px) + ", " + std::to_string(py) + ")";
        return "";
    }
    static Rect Whole(int surfaceWidth = kWidth) { return Rect{0, 0, surfaceWidth, kHeight}; }

    MemoryDisplayScope display_{2, 0xF800, 64, 64};
};

TEST_F(PreparedRunsTest, WholeSpritesDrawAsTheWalkDoesForEveryOperation) {
    struct Case {
        int alpha, effect;
        const char* what;
    } cases[] = {{256, 0, "copy"},
                 {128, 0, "blend"},
                 {256, -100, "darken"},
                 {256, 100, "brighten"},
                 {200, 60, "brighten blend"},
                 {96, -40, "darkened blend"},
                 {256, 257, "screen (kernel)"}};
    for (uint32_t seed : {1u, 2u, 3u}) {
        SpritePtr s(MakeSprite(PixelLayout::Rgb565, SpriteKind::Rle2, 24, 8,
                               Encode(RunsOfEveryLength(24, 8, seed), SpriteKind::Rle2)));
        for (const Case& c : cases) {
            EXPECT_EQ(Compare(*s, 5, 3, Whole(), c.alpha, c.effect), "") << c.what << ", seed " << seed;
            EXPECT_TRUE(HasList(*s)) << c.what;
        }
    }
}

TEST_F(PreparedRunsTest, PixelValuesChangedAfterTheFirstDrawingAreDrawn) {
    const Picture picture = RunsOfEveryLength(20, 6, 7);
    SpritePtr s(MakeSprite(PixelLayout::Rgb565, SpriteKind::Rle2, 20, 6, Encode(picture, SpriteKind::Rle2)));
    ASSERT_EQ(Compare(*s, 2, 2, Whole(), 128, 0), "");
    ASSERT_TRUE(HasList(*s));
    // Every pixel of every run, rewritten in place with the run headers left as they are.
    Picture recoloured = picture;
    for (auto& p : recoloured.pixels)
        if (p) *p ^= 0x5A5A;
    const std::vector<uint8_t> bytes = Encode(recoloured, SpriteKind::Rle2);
    std::memcpy(s->pixelData, bytes.data(), bytes.size());
    EXPECT_EQ(Compare(*s, 2, 2, Whole(), 128, 0), "");
}

TEST_F(PreparedRunsTest, ASizeChangedAfterTheFirstDrawingIsWalkedWithTheNewSize) {
    SpritePtr s(MakeSprite(PixelLayout::Rgb565, SpriteKind::Rle2, 20, 6,
                           Encode(RunsOfEveryLength(20, 6, 11), SpriteKind::Rle2)));
    ASSERT_EQ(Compare(*s, 4, 4, Whole(), 256, 0), "");
    ASSERT_TRUE(HasList(*s));
    s->height = 2;  // the walk now stops after two rows; the list still holds six
    EXPECT_EQ(Compare(*s, 4, 4, Whole(), 256, 0), "");
    s->height = 6;
    s->width = 10;  // runs past the new width: the walk clips them to the visible bytes only
    EXPECT_EQ(Compare(*s, 4, 4, Whole(), 128, 0), "");
}

TEST_F(PreparedRunsTest, SurfacesOfDifferentPitchesTakeTurns) {
    SpritePtr s(MakeSprite(PixelLayout::Rgb565, SpriteKind::Rle2, 24, 8,
                           Encode(RunsOfEveryLength(24, 8, 5), SpriteKind::Rle2)));
    for (int turn = 0; turn < 2; ++turn)
        for (int width : {kWidth, 33, 64}) {
            EXPECT_EQ(Compare(*s, 3, 1, Whole(width), 128, 0, width), "") << "width " << width;
            EXPECT_TRUE(HasList(*s));
        }
}

TEST_F(PreparedRunsTest, SpritesDrawnInPartAreWalked) {
    SpritePtr s(MakeSprite(PixelLayout::Rgb565, SpriteKind::Rle2, 24, 8,
                           Encode(RunsOfEveryLength(24, 8, 9), SpriteKind::Rle2)));
    const struct {
        int x, y;
        Rect clip;
    } placements[] = {{-3, 2, Whole()},
                      {30, 2, Whole()},
                      {5, -4, Whole()},
                      {5, 35, Whole()},
                      {5, 5, Rect{6, 0, kWidth, kHeight}},
                      {5, 5, Rect{0, 0, 28, 12}}};
    for (const auto& p : placements)
        EXPECT_EQ(Compare(*s, p.x, p.y, p.clip, 128, 0), "") << p.x << ", " << p.y;
}

// Data a list cannot or need not stand for, each drawn whole as the walk draws it.
TEST_F(PreparedRunsTest, UnusualDataIsDrawnAsTheWalkDrawsIt) {
    struct Case {
        const char* what;
        int width, height;
        SpriteBytes bytes;
        bool listed;
    };
    std::vector<Case> cases;
    {
        SpriteBytes b(2);
        b.Run(2, 4).Pixel(1).Pixel(2).Pixel(3).Pixel(4).Word(kRowMark).Run(3, 3).Pixel(5).Pixel(6).Pixel(7);
        b.Word(kRowMark).Word(kEndMark);
        cases.push_back({"a run past the right edge", 5, 2, b, false});
    }
    {
        SpriteBytes b(2);
        b.Run(0, 3).Pixel(1).Pixel(2).Pixel(3).Word(kRowMark).Run(1, 6).Pixel(4).Pixel(5);  // cut short
        cases.push_back({"data ending inside a run", 8, 3, b, true});
    }
    {
        SpriteBytes b(2);
        b.Run(1, 2).Pixel(1).Pixel(2).Word(kRowMark).Word(0x8001).Run(0, 2).Pixel(3).Pixel(4);
        cases.push_back({"an end mark other than 0xFFFE", 8, 3, b, true});
    }
    {
        SpriteBytes b(2);
        for (int row = 0; row < 5; ++row)
            b.Run(row, 1).Pixel(uint32_t(row + 1)).Word(kRowMark);
        b.Word(kEndMark);
        cases.push_back({"more rows than the height", 8, 3, b, true});
    }
    {
        SpriteBytes b(2);
        // Skip 4 bytes, flag 0, a count of 3 bytes (one whole pixel, 0x1234, and a byte over).
        b.Word(4).Word(0x0300).Word(0x3400).Word(0x5612);
        b.Word(kRowMark).Word(kEndMark);
        cases.push_back({"a run of an odd number of bytes", 8, 2, b, true});
    }
    {
        SpriteBytes b(2);
        for (int row = 0; row < kPreparedMaxRows + 1; ++row)
            b.Run(0, 2).Pixel(1).Pixel(2).Word(kRowMark);
        b.Word(kEndMark);
        cases.push_back({"a sprite too tall for a list", 4, kPreparedMaxRows + 1, b, false});
    }
    for (const Case& c : cases) {
        SpritePtr s(MakeSprite(PixelLayout::Rgb565, SpriteKind::Rle2, c.width, c.height, c.bytes.bytes()));
        for (int alpha : {256, 128})
            EXPECT_EQ(Compare(*s, 6, 2, Whole(), alpha, 0), "") << c.what;
        EXPECT_EQ(HasList(*s), c.listed) << c.what;
    }
}

}  // namespace
