// Translucent fills and the software BlitTo: the worked numbers, a per-channel rendering of the
// rules written independently of the drawing code, and the fast paths against the reference on
// random surfaces, rectangles, levels and effects in all four layouts.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "display/pixel/surface_operations.h"
#include "display/surface.h"
#include "platform/memory/display/memory_surface_platform.h"

namespace {

struct LayoutCase {
    PixelLayout layout;
    int bytesPerPixel;
    uint32_t redMask;
    const char* name;
};

const LayoutCase kLayouts[] = {{PixelLayout::Rgb565, 2, 0xF800, "565"},
                               {PixelLayout::Rgb555, 2, 0x7C00, "555"},
                               {PixelLayout::Rgb24, 3, 0, "24"},
                               {PixelLayout::Rgb32, 4, 0, "32"}};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

SurfacePtr Make(int w, int h) { return SurfacePtr(CreateSurface(w, h, surface_caps::OffscreenSystemMemory)); }

std::vector<uint8_t> Bytes(const Surface& s) {
    return std::vector<uint8_t>(s.pixels, s.pixels + size_t(s.pitch) * size_t(s.height));
}

void Randomize(Surface& s, std::mt19937& rng, uint32_t channelMask) {
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            uint32_t v = rng() & channelMask;
            if (rng() % 8 == 0) v = 0;  // zero pixels are transparent in 16-bit darkening blends
            s.PutPixel(x, y, v, 256, 0);
        }
}

// ---- The rules channel by channel, written out from the description of the operations. ----

struct Channels {
    int shift[3];
    int bits[3];
};
const Channels k565{{11, 5, 0}, {5, 6, 5}};
const Channels k555{{10, 5, 0}, {5, 5, 5}};

uint32_t Ch(uint32_t p, const Channels& c, int i) { return (p >> c.shift[i]) & ((1u << c.bits[i]) - 1); }

// 16-bit BlitTo of one pixel, levels below 256.
uint32_t Blit16(uint32_t s, uint32_t d, int level, int effect, const Channels& c) {
    const int ws = level >> 3, wd = 32 - ws;
    uint32_t out = 0;
    if (effect <= 0) {
        const int wsp = (ws * ((256 + effect) >> 3)) >> 5;
        if (s == 0) s = d;
        for (int i = 0; i < 3; ++i)
            out |= ((Ch(s, c, i) * wsp / 32) + (Ch(d, c, i) * wd / 32)) << c.shift[i];
    } else {
        for (int i = 0; i < 3; ++i) {
            const uint32_t m = (1u << c.bits[i]) - 1, v = Ch(s, c, i);
            const uint32_t bright = v + (m - v) * uint32_t(effect >> 3) / 32;
            out |= (bright * ws / 32 + Ch(d, c, i) * wd / 32) << c.shift[i];
        }
    }
    return out;
}

// 24/32-bit BlitTo of one pixel (every byte a channel), levels below 256.
uint32_t BlitBytes(uint32_t s, uint32_t d, int level, int effect, int bytes) {
    uint32_t out = 0;
    for (int i = 0; i < bytes; ++i) {
        const uint32_t sv = (s >> (8 * i)) & 0xFF, dv = (d >> (8 * i)) & 0xFF;
        uint32_t v;
        if (effect <= 0)
            v = sv * uint32_t((level * (256 + effect)) >> 8) / 256 + dv * uint32_t(256 - level) / 256;
        else
            v = (sv + (255 - sv) * uint32_t(effect) / 256) * uint32_t(level) / 256 +
                dv * uint32_t(256 - level) / 256;
        out |= v << (8 * i);
    }
    return out;
}

class SurfaceBlendTest : public ::testing::TestWithParam<LayoutCase> {};

TEST(SurfaceFillNumbers, HalfLevelOverBlackGivesThePrescaledColour) {
    MemoryDisplayScope display(2, 0xF800, 16, 16);
    SurfacePtr s = Make(16, 16);
    s->FillRect(0, 0, 8, 8, 0xF81F, 128, 0);
    EXPECT_EQ(s->GetPixel(3, 3), 0x780Fu) << "red and blue 15";
    s->FillRect(8, 8, 16, 16, 0x07E0, 128, 0);
    EXPECT_EQ(s->GetPixel(9, 9), 0x0380u) << "green from its top three bits: 28";
    EXPECT_EQ(PrescaleFillColour16(PixelLayout::Rgb555, 0x03E0, 128), 0x0180u) << "green 12 from two bits";
    EXPECT_EQ(PrescaleFillColour16(PixelLayout::Rgb555, 0x7C1F, 128), 0x3C0Fu);
}

TEST(SurfaceFillNumbers, LevelsBlendWithTheSurfaceAndOutOfRangeLevelsDrawNothing) {
    MemoryDisplayScope display(2, 0xF800, 8, 1);
    SurfacePtr s = Make(8, 1);
    s->Clear(0xFFFF);
    s->FillRect(0, 0, 1, 1, 0x0000, 0, 0);  // weight (256 - 0) >> 3 = 32 keeps the pixel
    s->FillRect(1, 0, 2, 1, 0x0000, 1, 0);  // weight 31 darkens by 1/32
    s->FillRect(2, 0, 3, 1, 0x0000, 300, 0);
    s->FillRect(3, 0, 4, 1, 0x0000, -5, 0);
    EXPECT_EQ(s->GetPixel(0, 0), 0xFFFFu);
    EXPECT_EQ(s->GetPixel(1, 0), (30u << 11) | (61u << 5) | 30u);
    EXPECT_EQ(s->GetPixel(2, 0), 0xFFFFu);
    EXPECT_EQ(s->GetPixel(3, 0), 0xFFFFu);
}

TEST(SurfaceFillNumbers, ByteLayoutsScaleEveryByteAndAddTheScaledColour) {
    {
        MemoryDisplayScope display(4, 0, 4, 1);
        SurfacePtr s = Make(4, 1);
        s->Clear(0xC8FF8040);
        s->FillRect(0, 0, 4, 1, 0x00204060, 64, 0);
        // every byte × 192 / 256, the fourth too, plus the colour × 64 / 256 (fourth byte 0)
        EXPECT_EQ(s->GetPixel(2, 0),
                  (0x96u << 24) | ((0xBFu + 0x08) << 16) | ((0x60u + 0x10) << 8) | (0x30u + 0x18));
        s->FillRect(0, 0, 1, 1, 0x00000000, 128, 128);  // effect lifts black to 0x7F, then half of it
        EXPECT_EQ(s->GetPixel(0, 0) & 0xFF, (0x48u * 128 / 256) + (0x7Fu * 128 / 256));
    }
    MemoryDisplayScope display(3, 0, 5, 1);
    SurfacePtr s = Make(5, 1);
    s->Clear(0x00FFFFFF);
    s->FillRect(0, 0, 5, 1, 0x00102030, 128, 0);
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(s->GetPixel(x, 0), 0x007F7F7Fu + 0x00081018u) << x;
}

TEST(SurfaceBlitNumbers, TranslucentCopyKeepsWhatIsUnderZeroSourcePixels) {
    MemoryDisplayScope display(2, 0xF800, 64, 64);
    SurfacePtr src = Make(8, 1), dst = Make(8, 1), opaque = Make(8, 1);
    src->Clear(0);
    src->PutPixel(0, 0, 0xFFFF, 0, 0);
    dst->Clear(0x8410);
    opaque->Clear(0x8410);
    src->BlitTo(dst.get(), 0, 0, Rect{0, 0, 8, 1}, 128, 0);
    src->BlitTo(opaque.get(), 0, 0, Rect{0, 0, 8, 1}, 256, 0);
    for (int x = 1; x < 8; ++x) {
        const uint32_t p = dst->GetPixel(x, 0);
        // 16 × 16/32 + 16 × 16/32 per channel: one step of rounding at most
        EXPECT_LE(16 - int(p >> 11), 1);
        EXPECT_LE(32 - int((p >> 5) & 63), 1);
        EXPECT_LE(16 - int(p & 31), 1);
        EXPECT_EQ(opaque->GetPixel(x, 0), 0u) << "an opaque copy copies the zeros";
    }
    EXPECT_EQ(dst->GetPixel(0, 0), Blit16(0xFFFF, 0x8410, 128, 0, k565));
    src->BlitTo(dst.get(), 0, 0, Rect{0, 0, 8, 1}, 128, -256);
    EXPECT_EQ(dst->GetPixel(3, 0), 0x4208u) << "with darkening the pixels under zeros are darkened too";
}

TEST(SurfaceBlitNumbers, OpaqueEffectsAndLevelsAbove256) {
    MemoryDisplayScope display(2, 0xF800, 64, 64);
    SurfacePtr src = Make(4, 1), dst = Make(4, 1);
    src->Clear(0xFFFF);
    dst->Clear(0x1234);
    src->BlitTo(dst.get(), 0, 0, Rect{0, 0, 4, 1}, 300, 0);
    EXPECT_EQ(dst->GetPixel(0, 0), 0x1234u) << "level above 256 draws nothing";
    src->BlitTo(dst.get(), 0, 0, Rect{0, 0, 4, 1}, 256, -128);
    EXPECT_EQ(dst->GetPixel(0, 0), (15u << 11) | (31u << 5) | 15u) << "scale by (256 - 128) >> 3 = 16";
    src->Clear(0);
    src->BlitTo(dst.get(), 0, 0, Rect{0, 0, 4, 1}, 256, 64);
    EXPECT_EQ(dst->GetPixel(0, 0), (7u << 11) | (15u << 5) | 7u) << "brighten black by 8/32";
    src->BlitTo(dst.get(), 0, 0, Rect{0, 0, 4, 1}, 256, 7);
    EXPECT_EQ(dst->GetPixel(0, 0), 0u) << "effects 1 to 7 are weight 0 on 16-bit surfaces";
}

// Opaque darken and brighten worked out by hand, channel by channel, on pixels whose channels all
// differ, so that a weight applied with the wrong shift or to the wrong channel shows. Every
// pixel of a 21-pixel row is checked: vector bodies and the row's end alike.
TEST(SurfaceBlitNumbers, OpaqueEffectsOnEveryLayout) {
    struct Case {
        int bytesPerPixel;
        uint32_t redMask;
        uint32_t source;
        int32_t effect;
        uint32_t want;
        const char* working;
    } cases[] = {
        {2, 0xF800, 0xF943, -64, 0xB8E2, "565 (31, 10, 3) x 24/32 = (23, 7, 2)"},
        {2, 0xF800, 0xF943, 100, 0xFBAD, "565 (31, 10, 3) + (0, 53, 28) x 12/32 = (31, 29, 13)"},
        {2, 0x7C00, 0x7D43, -64, 0x5CE2, "555 (31, 10, 3) x 24/32 = (23, 7, 2)"},
        {2, 0x7C00, 0xFD43, -64, 0x5CE2, "555 bit 15 belongs to no channel and comes out clear"},
        {2, 0x7C00, 0x7D43, 100, 0x7E2D, "555 (31, 10, 3) + (0, 21, 28) x 12/32 = (31, 17, 13)"},
        {2, 0x7C00, 0x7D43, -256, 0x0000, "555 weight 0 is black"},
        {3, 0, 0x204080, -64, 0x183060, "24 bytes (80, 40, 20) x 192/256 = (60, 30, 18)"},
        {3, 0, 0x204080, 100, 0x778AB1, "24 bytes b + (255 - b) x 100/256 = (B1, 8A, 77)"},
        {3, 0, 0x204080, 256, 0xFFFFFF, "24 brighten by 256 is white"},
        {4, 0, 0xC0204080, -64, 0x90183060, "32 the fourth byte is scaled too: C0 x 192/256 = 90"},
        {4, 0, 0xC0204080, 100, 0xD8778AB1, "32 the fourth byte is brightened too: C0 + 3F x 100/256 = D8"},
        {4, 0, 0xC0204080, 1, 0xC0204080, "32 effect 1: (255 - b) x 1/256 is 0 for every byte"},
        {4, 0, 0xC0204080, 2, 0xC0214180, "32 effect 2 lifts 40 and 20 by one"},
        {4, 0, 0xC0204080, -1, 0xBF1F3F7F, "32 effect -1 takes one step off every byte"},
    };
    for (const Case& c : cases) {
        MemoryDisplayScope display(c.bytesPerPixel, c.redMask, 64, 64);
        SurfacePtr src = Make(21, 1), dst = Make(21, 1);
        src->Clear(c.source);
        dst->Clear(0x5A5A5A5A & (c.bytesPerPixel == 2 ? 0x7FFF : 0xFFFFFFFF));
        src->BlitTo(dst.get(), 0, 0, Rect{0, 0, 21, 1}, 256, c.effect);
        for (int x = 0; x < 21; ++x)
            ASSERT_EQ(dst->GetPixel(x, 0), c.want) << c.working << ", pixel " << x;
    }
}

TEST(SurfaceBlitNumbers, TranslucentClipsLikeTheCopy) {
    MemoryDisplayScope display(2, 0xF800, 200, 200);
    SurfacePtr src = Make(100, 100);
    src->Clear(0xFFFF);
    struct Case {
        int dx, first, columns;
    } cases[] = {{-30, 0, 70}, {190, 190, 10}, {300, 0, 0}, {-100, 0, 0}};
    for (const Case& c : cases) {
        SurfacePtr dst = Make(200, 200);
        src->BlitTo(dst.get(), c.dx, -50, Rect{0, 0, 100, 100}, 128, 0);
        int written = 0;
        for (int x = 0; x < 200; ++x)
            written += dst->GetPixel(x, 10) != 0;
        EXPECT_EQ(written, c.columns) << c.dx;
        if (c.columns) {
            EXPECT_NE(dst->GetPixel(c.first, 49), 0u);
            EXPECT_EQ(dst->GetPixel(c.first, 50), 0u) << "rows clipped at the source's bottom";
        }
    }
}

TEST_P(SurfaceBlendTest, BlendsFollowTheRulesChannelByChannel) {
    const LayoutCase lc = GetParam();
    MemoryDisplayScope display(lc.bytesPerPixel, lc.redMask, 64, 64);
    std::mt19937 rng(7);
    const uint32_t mask = lc.bytesPerPixel == 2 ? (lc.redMask == 0xF800 ? 0xFFFF : 0x7FFF)
                                                : (lc.bytesPerPixel == 3 ? 0xFFFFFF : 0xFFFFFFFF);
    SurfacePtr src = Make(33, 3), dst = Make(33, 3);
    const int levels[] = {0, 1, 7, 8, 100, 128, 255};
    const int effects[] = {-256, -255, -100, -8, -1, 0, 1, 7, 8, 100, 127, 255};
    for (int level : levels)
        for (int effect : effects) {
            Randomize(*src, rng, mask);
            Randomize(*dst, rng, mask);
            SurfacePtr before = Make(33, 3);
            before->Clear(0);
            dst->BlitTo(before.get(), 0, 0, Rect{0, 0, 33, 3}, 256, 0);
            src->BlitTo(dst.get(), 0, 0, Rect{0, 0, 33, 3}, level, effect);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 33; ++x) {
                    const uint32_t s = src->GetPixel(x, y), d = before->GetPixel(x, y);
                    const uint32_t want =
                        lc.bytesPerPixel == 2
                            ? Blit16(s, d, level, effect, lc.redMask == 0xF800 ? k565 : k555)
                            : BlitBytes(s, d, level, effect, lc.bytesPerPixel);
                    ASSERT_EQ(dst->GetPixel(x, y), want)
                        << lc.name << " level " << level << " effect " << effect << " at " << x << "," << y;
                }
        }
}

// The fast paths against the reference: random sizes 1..70 wide, random positions that run off
// every edge, every level and effect class; surfaces with padded rows.
TEST_P(SurfaceBlendTest, FastPathsMatchTheReferenceOnRandomCalls) {
    const LayoutCase lc = GetParam();
    MemoryDisplayScope display(lc.bytesPerPixel, lc.redMask, 96, 40, 6);
    std::mt19937 rng(1234);
    const uint32_t mask = lc.bytesPerPixel == 3 ? 0xFFFFFF : 0xFFFFFFFF;
    const int levels[] = {0, 1, 3, 7, 8, 9, 128, 200, 255, 256, 300};
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int trial = 0; trial < 400; ++trial) {
        const int w = pick(1, 70), h = pick(1, 6);
        SurfacePtr src = Make(w, h), a = Make(96, 40), b = Make(96, 40);
        Randomize(*src, rng, mask);
        Randomize(*a, rng, mask);
        b->Clear(0);
        a->BlitTo(b.get(), 0, 0, Rect{0, 0, 96, 40}, 256, 0);
        const int level = levels[pick(0, 10)];
        const int effect = pick(0, 3) == 0 ? 0 : pick(-256, 255);
        if (trial % 2 == 0) {
            const Rect r{pick(-10, w), pick(-3, h), pick(-10, w + 10), pick(-3, h + 3)};
            const int dx = pick(-80, 100), dy = pick(-10, 45);
            BlitToInLayout(*src, lc.layout, a.get(), dx, dy, r, level, effect, PixelPath::Fast);
            BlitToInLayout(*src, lc.layout, b.get(), dx, dy, r, level, effect, PixelPath::Reference);
        } else {
            const int x1 = pick(-20, 110), y1 = pick(-5, 45), x2 = x1 + pick(-70, 70), y2 = y1 + pick(-6, 6);
            const uint32_t colour = rng() & mask;
            FillRectInLayout(*a, lc.layout, x1, y1, x2, y2, colour, level, effect, PixelPath::Fast);
            FillRectInLayout(*b, lc.layout, x1, y1, x2, y2, colour, level, effect, PixelPath::Reference);
        }
        ASSERT_EQ(Bytes(*a), Bytes(*b))
            << lc.name << " trial " << trial << " level " << level << " effect " << effect;
    }
}

// Every row length from one pixel to past two vectors, for the blits and fills that small
// rectangles take row by row in vector pieces: each length has its own way of loading and
// storing, and a wrong piece shows as bytes unlike the reference's or changed beside the rows.
TEST_P(SurfaceBlendTest, EveryRowLengthMatchesTheReference) {
    const LayoutCase lc = GetParam();
    MemoryDisplayScope display(lc.bytesPerPixel, lc.redMask, 64, 8, 6);
    std::mt19937 rng(55);
    const uint32_t mask = lc.bytesPerPixel == 3 ? 0xFFFFFF : 0xFFFFFFFF;
    struct Call {
        int level, effect;
    } const calls[] = {{128, 0}, {100, 0}, {4, 0}, {9, -40}, {200, 77}, {256, -90}, {256, 60}, {96, 0}};
    SurfacePtr src = Make(64, 8), a = Make(64, 8), b = Make(64, 8);
    for (int width = 1; width <= 40; ++width)
        for (const Call& c : calls)
            for (int fill = 0; fill < 2; ++fill) {
                Randomize(*src, rng, mask);
                Randomize(*a, rng, mask);
                b->Clear(0);
                a->BlitTo(b.get(), 0, 0, Rect{0, 0, 64, 8}, 256, 0);
                const int x = 1 + width % 5, y = 1 + width % 3;
                if (fill) {
                    const uint32_t colour = rng() & mask;
                    FillRectInLayout(*a, lc.layout, x, y, x + width, y + 3, colour, c.level, c.effect,
                                     PixelPath::Fast);
                    FillRectInLayout(*b, lc.layout, x, y, x + width, y + 3, colour, c.level, c.effect,
                                     PixelPath::Reference);
                } else {
                    const Rect r{3, 2, 3 + width, 5};
                    BlitToInLayout(*src, lc.layout, a.get(), x, y, r, c.level, c.effect, PixelPath::Fast);
                    BlitToInLayout(*src, lc.layout, b.get(), x, y, r, c.level, c.effect,
                                   PixelPath::Reference);
                }
                ASSERT_EQ(Bytes(*a), Bytes(*b)) << lc.name << (fill ? " fill" : " blit") << " width " << width
                                                << " level " << c.level << " effect " << c.effect;
            }
}

TEST_P(SurfaceBlendTest, OverlappingBlitWithinOneSurfaceReadsTheOriginalPixels) {
    const LayoutCase lc = GetParam();
    MemoryDisplayScope display(lc.bytesPerPixel, lc.redMask, 600, 8);
    std::mt19937 rng(99);
    const uint32_t mask = lc.bytesPerPixel == 3 ? 0xFFFFFF : 0xFFFFFFFF;
    for (int dx : {-3, 0, 5, 290})
        for (int dy : {-2, 0, 2}) {
            SurfacePtr s = Make(600, 8), copy = Make(600, 8);
            Randomize(*s, rng, mask);
            copy->Clear(0);
            s->BlitTo(copy.get(), 0, 0, Rect{0, 0, 600, 8}, 256, 0);
            SurfacePtr expected = Make(600, 8);
            expected->Clear(0);
            s->BlitTo(expected.get(), 0, 0, Rect{0, 0, 600, 8}, 256, 0);
            copy->BlitTo(expected.get(), 4 + dx, 3 + dy, Rect{4, 3, 580, 6}, 100, -20);
            s->BlitTo(s.get(), 4 + dx, 3 + dy, Rect{4, 3, 580, 6}, 100, -20);
            ASSERT_EQ(Bytes(*s), Bytes(*expected)) << lc.name << " dx " << dx << " dy " << dy;
        }
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, SurfaceBlendTest, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string("Rgb") + info.param.name; });

}  // namespace
