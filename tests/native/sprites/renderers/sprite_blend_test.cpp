// What sprites do to pixels: the effect and alpha tables written out channel by channel in the
// test, worked cases of each effect, tinting, and the fast paths against the reference on random
// sprites, sizes, clips, positions, effects and alphas in all four layouts.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "display/surface.h"
#include "platform/memory/display/memory_surface_platform.h"
#include "sprite_builder.h"
#include "sprites/renderers/sprite_draw.h"

namespace {


struct LayoutCase {
    PixelLayout layout;
    int bytesPerPixel;
    uint32_t redMask;
    const char* name;
    uint32_t pixelMask;
};
const LayoutCase kLayouts[] = {{PixelLayout::Rgb565, 2, 0xF800, "565", 0xFFFF},
                               {PixelLayout::Rgb555, 2, 0x7C00, "555", 0x7FFF},
                               {PixelLayout::Rgb24, 3, 0, "24", 0xFFFFFF},
                               {PixelLayout::Rgb32, 4, 0, "32", 0xFFFFFFFF}};
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

const int kAlphas[] = {0, 1, 3, 7, 8, 9, 100, 128, 255, 256, 300};
const int kEffects[] = {0,  1,    2,    7,    8,   100, 255,  256,  -1,   -7,
                        -8, -100, -255, -256, 257, 258, 1000, -257, -300, -5000};

// ---- The tables, one channel at a time. ----
struct Channel {
    int shift, bits, q;
};

std::vector<Channel> ChannelsOf(PixelLayout layout) {
    switch (layout) {
    case PixelLayout::Rgb565:
        return {{11, 5, 2}, {5, 6, 4}, {0, 5, 3}};
    case PixelLayout::Rgb555:
        return {{10, 5, 3}, {5, 5, 3}, {0, 5, 3}};
    case PixelLayout::Rgb24:
        return {{0, 8, 0}, {8, 8, 0}, {16, 8, 0}};
    default:
        return {{0, 8, 0}, {8, 8, 0}, {16, 8, 0}, {24, 8, 0}};
    }
}

uint32_t TableChannel(uint32_t s, uint32_t d, int alpha, int e, int n, int q, bool sixteen) {
    const uint32_t M = (1u << n) - 1;
    if (alpha >= 256) {
        if (e == 0) return s;
        if (e >= 1 && e <= 256)
            return sixteen ? s + (M - s) * uint32_t(e / 8) / 32 : s + (M - s) * uint32_t(e) / 256;
        if (e >= -256 && e <= -1)
            return sixteen ? s * uint32_t((256 + e) / 8) / 32 : s * uint32_t(256 + e) / 256;
        if (e > 256 && !sixteen) return d + (M - d) * s / 256;
        if (e == 257) return d + ((M - d) * s >> n);
        if (e > 257) return std::min(M, d + ((d * s) >> q));
        return (s * d) >> n;
    }
    const uint32_t L = uint32_t(std::max(alpha, 0));
    if (!sixteen) {
        if (e <= 0 && e >= -256) return (s * ((L * uint32_t(256 + e)) / 256)) / 256 + (d * (256 - L)) / 256;
        if (e >= 1 && e <= 256) {
            const uint32_t b = s + ((M - s) * uint32_t(e)) / 256;
            return (b * L) / 256 + (d * (256 - L)) / 256;
        }
        if (e > 256) return d + ((M - d) * s * L) / 65536;
        const uint32_t w = s + ((M - s) * (256 - L)) / 256;
        return (w * d) / 256;
    }
    const uint32_t l = L / 8;
    if (e <= 0 && e >= -256) return (s * ((l * uint32_t((256 + e) / 8)) / 32)) / 32 + (d * (32 - l)) / 32;
    if (e >= 1 && e <= 256) {
        const uint32_t b = s + ((M - s) * uint32_t(e / 8)) / 32;
        return (b * l) / 32 + (d * (32 - l)) / 32;
    }
    if (e == 257) return d + (((M - d) * s * l) >> (n + 5));
    if (e > 257) return std::min(M, d + ((d * ((s * l) / 32)) >> q));
    const uint32_t w = s + ((M - s) * (32 - l)) / 32;
    return (w * d) >> n;
}

uint32_t TablePixel(PixelLayout layout, uint32_t s, uint32_t d, int alpha, int e) {
    if (alpha >= 256 && e == 0) return s;
    uint32_t out = 0;
    for (const Channel& c : ChannelsOf(layout)) {
        const uint32_t m = (1u << c.bits) - 1;
        out |= TableChannel((s >> c.shift) & m, (d >> c.shift) & m, alpha, e, c.bits, c.q,
                            BytesPerPixel(layout) == 2)
               << c.shift;
    }
    return out;
}

class SpriteBlendTest : public ::testing::TestWithParam<LayoutCase> {
  protected:
    SpriteBlendTest() : display_(GetParam().bytesPerPixel, GetParam().redMask, 64, 64) {}
    SurfacePtr Make(int w, int h) {
        return SurfacePtr(CreateSurface(w, h, surface_caps::OffscreenSystemMemory));
    }
    std::vector<uint32_t> Pixels(Surface& s) {
        std::vector<uint32_t> out;
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x)
                out.push_back(s.GetPixel(x, y));
        return out;
    }
    uint32_t Random(std::mt19937& rng) {
        uint32_t v = rng() & GetParam().pixelMask;
        switch (rng() % 6) {  // channel extremes often
        case 0:
            return 0;
        case 1:
            return GetParam().pixelMask;
        default:
            return v;
        }
    }
    MemoryDisplayScope display_;
};

TEST_P(SpriteBlendTest, EveryEffectAndAlphaFollowsTheTables) {
    const LayoutCase lc = GetParam();
    std::mt19937 rng(42);
    constexpr int kW = 37;
    SurfacePtr surface = Make(kW, 2);
    for (SpriteKind kind : {SpriteKind::Raw, SpriteKind::Rle, SpriteKind::Rle2})
        for (int alpha : kAlphas)
            for (int effect : kEffects) {
                Picture pic{kW, 2, lc.bytesPerPixel, {}};
                for (int i = 0; i < kW * 2; ++i)
                    pic.pixels.push_back(Random(rng));
                std::vector<uint32_t> before;
                for (int y = 0; y < 2; ++y)
                    for (int x = 0; x < kW; ++x) {
                        before.push_back(Random(rng));
                        surface->PutPixel(x, y, before.back(), 256, 0);
                    }
                SpritePtr s(MakeSprite(lc.layout, kind, kW, 2, Encode(pic, kind)));
                s->Draw(surface.get(), 0, 0, Rect{0, 0, kW, 2}, alpha, effect);
                for (int i = 0; i < kW * 2; ++i) {
                    const uint32_t want = TablePixel(lc.layout, *pic.pixels[i], before[i], alpha, effect);
                    ASSERT_EQ(surface->GetPixel(i % kW, i / kW), want)
                        << lc.name << " kind " << int(kind) << " alpha " << alpha << " effect " << effect
                        << " pixel " << i << " s " << std::hex << *pic.pixels[i] << " d " << before[i];
                }
            }
}

TEST_P(SpriteBlendTest, WorkedCases) {
    const LayoutCase lc = GetParam();
    const bool sixteen = lc.bytesPerPixel == 2;
    const uint32_t white =
        sixteen ? (lc.redMask | (lc.redMask == 0xF800 ? 0x07E0 : 0x03E0) | 0x1F) : 0x00FFFFFF;
    SurfacePtr surface = Make(4, 1);
    auto drawOne = [&](uint32_t sprite, uint32_t under, int alpha, int effect) {
        Picture pic{1, 1, lc.bytesPerPixel, {sprite}};
        SpritePtr s(MakeSprite(lc.layout, SpriteKind::Raw, 1, 1, Encode(pic, SpriteKind::Raw)));
        surface->PutPixel(0, 0, under, 256, 0);
        s->Draw(surface.get(), 0, 0, Rect{0, 0, 4, 1}, alpha, effect);
        return surface->GetPixel(0, 0);
    };
    const uint32_t some = sixteen ? 0x5A3C & lc.pixelMask : 0x00805A3C;
    EXPECT_EQ(drawOne(some, 0x1111, 256, 0), some) << "opaque copy";
    EXPECT_EQ(drawOne(some, 0x1111, 0, 0), 0x1111u) << "alpha 0 leaves the surface";
    EXPECT_EQ(drawOne(some, 0, 256, 256) & white, white) << "brighten 256 is white";
    EXPECT_EQ(drawOne(some, 0x1111, 256, -256), 0u) << "darken -256 is black";
    if (sixteen) {
        for (int e = 1; e <= 7; ++e)
            EXPECT_EQ(drawOne(some, 0, 256, e), some) << "effect " << e;
        for (int a = 1; a <= 7; ++a)
            EXPECT_EQ(drawOne(white, some, a, 0), some) << "alpha " << a;
    } else {
        EXPECT_EQ(drawOne(0, 0x1111, 256, 2), 0x01010101u & lc.pixelMask) << "effect 2 lifts 0 to 1";
    }
    // Screen and product-add.
    const uint32_t s1 = sixteen ? (20u << (lc.redMask == 0xF800 ? 11 : 10)) | (20u << 5) | 20u : 0x00141414;
    const uint32_t d1 = sixteen ? (10u << (lc.redMask == 0xF800 ? 11 : 10)) | (10u << 5) | 10u : 0x000A0A0A;
    if (lc.layout == PixelLayout::Rgb565) {
        EXPECT_NE(drawOne(s1, d1, 256, 257), drawOne(s1, d1, 256, 258)) << "screen and product-add differ";
    }
    if (!sixteen) {
        EXPECT_EQ(drawOne(s1, d1, 256, 257), drawOne(s1, d1, 256, 258)) << "both are screen";
    }
    // Multiply: white lowers by at most one step, black gives black.
    const uint32_t m = drawOne(white, some, 256, -300);
    for (const Channel& c : ChannelsOf(lc.layout)) {
        const int want = int((some >> c.shift) & ((1u << c.bits) - 1));
        const int got = int((m >> c.shift) & ((1u << c.bits) - 1));
        EXPECT_GE(got, want - 1);
        EXPECT_LE(got, want);
    }
    EXPECT_EQ(drawOne(0, some, 256, -300), 0u);
}

TEST_P(SpriteBlendTest, TintAtFullAlphaMultipliesEveryChannel) {
    const LayoutCase lc = GetParam();
    SurfacePtr surface = Make(8, 1);
    std::mt19937 rng(5);
    for (int trial = 0; trial < 50; ++trial) {
        Picture pic{8, 1, lc.bytesPerPixel, {}};
        for (int i = 0; i < 8; ++i)
            pic.pixels.push_back(Random(rng));
        const uint32_t tint = lc.bytesPerPixel == 4 ? rng() & 0x00FFFFFF : Random(rng);
        SpritePtr s(MakeSprite(lc.layout, SpriteKind::Rle2, 8, 1, Encode(pic, SpriteKind::Rle2)));
        s->DrawTinted(surface.get(), 0, 0, Rect{0, 0, 8, 1}, tint, 256, 0);
        for (int x = 0; x < 8; ++x) {
            uint32_t want = 0;
            for (const Channel& c : ChannelsOf(lc.layout)) {
                const uint32_t mask = (1u << c.bits) - 1;
                want |= ((((*pic.pixels[x] >> c.shift) & mask) * ((tint >> c.shift) & mask)) >> c.bits)
                        << c.shift;
            }
            ASSERT_EQ(surface->GetPixel(x, 0), want) << lc.name << " x " << x;
        }
    }
    // A white tint darkens by at most one step; with alpha 128 the tinted pixels blend like a sprite of them.
    Picture pic{1, 1, lc.bytesPerPixel, {lc.pixelMask & 0x00FFFFFF}};
    SpritePtr s(MakeSprite(lc.layout, SpriteKind::Raw, 1, 1, Encode(pic, SpriteKind::Raw)));
    surface->PutPixel(0, 0, 0, 256, 0);
    s->DrawTinted(surface.get(), 0, 0, Rect{0, 0, 1, 1}, 0, 128, 0);
    EXPECT_EQ(surface->GetPixel(0, 0), 0u) << "black tint, then half of black over black";
}

// Random sprites of every kind, 1..70 pixels wide, random positions and clips, every effect
// class and alpha edge, plain and tinted: the fast path must write the reference's bytes.
TEST_P(SpriteBlendTest, FastPathsMatchTheReferenceOnRandomDraws) {
    const LayoutCase lc = GetParam();
    std::mt19937 rng(777);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    SurfacePtr a = Make(90, 24), b = Make(90, 24);
    for (int trial = 0; trial < 600; ++trial) {
        const int w = pick(1, 70), h = pick(1, 5);
        Picture pic{w, h, lc.bytesPerPixel, {}};
        const int holes = pick(0, 3);
        for (int i = 0; i < w * h; ++i) {
            if (holes && pick(0, 5) < holes)
                pic.pixels.push_back(std::nullopt);
            else
                pic.pixels.push_back(Random(rng));
        }
        const SpriteKind kind = SpriteKind(pick(0, 2));
        SpritePtr sprite(MakeSprite(lc.layout, kind, w, h, Encode(pic, kind)));
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 90; ++x) {
                const uint32_t v = Random(rng);
                a->PutPixel(x, y, v, 256, 0);
                b->PutPixel(x, y, v, 256, 0);
            }
        const int x = pick(-20, 85), y = pick(-4, 22);
        const Rect clip{pick(0, 40), pick(0, 10), pick(40, 90), pick(10, 24)};
        const SpriteBlend blend{kAlphas[pick(0, 10)], kEffects[pick(0, 19)], pick(0, 3) == 0, Random(rng)};
        const SpriteClass cls{lc.layout, kind};
        DrawSprite(*sprite, cls, a.get(), x, y, clip, blend, PixelPath::Fast);
        DrawSprite(*sprite, cls, b.get(), x, y, clip, blend, PixelPath::Reference);
        ASSERT_EQ(Pixels(*a), Pixels(*b))
            << lc.name << " trial " << trial << " kind " << int(kind) << " alpha " << blend.alpha
            << " effect " << blend.effect << " tinted " << blend.tinted;
    }
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, SpriteBlendTest, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string("Rgb") + info.param.name; });

}  // namespace
