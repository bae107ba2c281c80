// Stored pixels: the checks of run data against the sprite's size, the conversion to each
// display layout and the decoding to RGBA.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sprite_test_support.h"
#include "sprites/format/stored_pixels.h"

namespace {
using Bytes = std::vector<uint8_t>;

// Little builders of stored run data.
Bytes Word(uint16_t w) { return {uint8_t(w), uint8_t(w >> 8)}; }
Bytes RunOf(uint16_t skip, uint16_t count, Bytes pixels, uint8_t flag = 0xA5) {
    Bytes b = Word(skip);
    b.push_back(flag);
    Bytes c = Word(count);
    b.insert(b.end(), c.begin(), c.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}
Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}
Bytes Bgr(int n, uint8_t start = 1) {
    Bytes b;
    for (int i = 0; i < n * 3; ++i)
        b.push_back(uint8_t(start + i));
    return b;
}
const Bytes kRowEnd = Word(0xFFFF);
const Bytes kEnd = Word(0xFFFE);

StoredPixels Pixels(SpriteKind kind, int32_t bpp, int32_t w, int32_t h, const Bytes& data) {
    return StoredPixels{kind, bpp, w, h, data};
}

TEST(StoredPixelsInspection, FindsRunsThatLeaveTheirData) {
    struct Case {
        const char* what;
        SpriteKind kind;
        int32_t bpp, width, height;
        Bytes data;
        PixelFault fault;
        uint32_t offset;
    };
    const Case cases[] = {
        {"raw exact", SpriteKind::Raw, 3, 2, 2, Bgr(4), PixelFault::None, 0},
        {"raw with more data", SpriteKind::Raw, 3, 2, 2, Bgr(5), PixelFault::None, 0},
        {"raw short", SpriteKind::Raw, 3, 2, 2, Bgr(3), PixelFault::DataTooShort, 9},
        {"raw 2-byte short", SpriteKind::Raw, 2, 2, 2, Bytes(7), PixelFault::DataTooShort, 7},
        {"rle fits the row", SpriteKind::Rle, 3, 4, 1, Cat({RunOf(1, 3, Bgr(3)), kEnd}), PixelFault::None, 0},
        {"rle skip plus count passes the row", SpriteKind::Rle, 3, 4, 1, Cat({RunOf(2, 3, Bgr(3)), kEnd}),
         PixelFault::None, 0},
        {"rle2 runs add up past the row", SpriteKind::Rle2, 3, 4, 1,
         Cat({RunOf(1, 1, Bgr(1)), RunOf(1, 2, Bgr(2)), kRowEnd, kEnd}), PixelFault::None, 0},
        {"rle2 runs add up to the row", SpriteKind::Rle2, 3, 4, 1,
         Cat({RunOf(1, 1, Bgr(1)), RunOf(0, 2, Bgr(2)), kRowEnd, kEnd}), PixelFault::None, 0},
        {"count passes the data", SpriteKind::Rle, 3, 9, 1, Cat({RunOf(0, 4, Bgr(3))}),
         PixelFault::RunPassesData, 0},
        {"run head cut", SpriteKind::Rle2, 3, 9, 1, Bytes{0, 0, 0, 1}, PixelFault::RunPassesData, 0},
        {"odd byte at the end", SpriteKind::Rle2, 3, 9, 1, Bytes{0xFF, 0xFF, 0}, PixelFault::RunPassesData,
         2},
        {"no end marker is an end", SpriteKind::Rle2, 3, 9, 1, Cat({RunOf(0, 1, Bgr(1)), kRowEnd}),
         PixelFault::None, 0},
        {"rle rows past the height", SpriteKind::Rle, 3, 4, 2, Cat({kRowEnd, kRowEnd, kRowEnd, kEnd}),
         PixelFault::None, 0},
        {"rle2 run past the height", SpriteKind::Rle2, 3, 4, 1, Cat({kRowEnd, RunOf(0, 1, Bgr(1)), kEnd}),
         PixelFault::None, 0},
        {"2-byte odd count", SpriteKind::Rle2, 2, 4, 1, Cat({RunOf(0, 3, Bytes(3)), kRowEnd, kEnd}),
         PixelFault::SplitsPixel, 0},
        {"2-byte counts bytes", SpriteKind::Rle2, 2, 4, 1, Cat({RunOf(2, 6, Bytes(6)), kRowEnd, kEnd}),
         PixelFault::None, 0},
        {"2-byte bytes pass the row", SpriteKind::Rle2, 2, 4, 1, Cat({RunOf(4, 6, Bytes(6)), kRowEnd, kEnd}),
         PixelFault::None, 0},
        {"a clipped run still may not pass the data", SpriteKind::Rle2, 3, 1, 1, Cat({RunOf(0, 4, Bgr(3))}),
         PixelFault::RunPassesData, 0},
        {"nothing below the last row is looked at", SpriteKind::Rle2, 3, 4, 1,
         Cat({kRowEnd, RunOf(0, 9, Bgr(1))}), PixelFault::None, 0},
        {"nothing after a drawing end is looked at", SpriteKind::Rle2, 3, 4, 1,
         Cat({Word(0x8000), RunOf(9, 9, Bytes(1))}), PixelFault::None, 0},
        {"empty data", SpriteKind::Rle, 3, 4, 4, Bytes{}, PixelFault::None, 0},
    };
    for (const Case& c : cases) {
        const PixelInspection result = InspectStoredPixels(Pixels(c.kind, c.bpp, c.width, c.height, c.data));
        EXPECT_EQ(result.fault, c.fault) << c.what;
        if (c.fault != PixelFault::None) {
            EXPECT_EQ(result.faultOffset, c.offset) << c.what;
        }
    }
}

// Converts stored data for a layout and reads it back into a grid of display values.
sprite_test::Grid Convert(const StoredPixels& stored, PixelLayout layout, Bytes* converted = nullptr) {
    const PixelInspection inspection = InspectStoredPixels(stored);
    EXPECT_TRUE(inspection.ok());
    size_t size = 0;
    EXPECT_TRUE(ConvertedSize(stored, inspection, layout, &size));
    SpriteRenderer* sprite = CreateSpriteRenderer(layout, stored.kind);
    sprite->width = stored.width;
    sprite->height = stored.height;
    uint8_t* data = SpriteRenderer::AllocatePixelData(size);
    ConvertStoredPixels(stored, inspection, layout, data, size);
    sprite->AdoptPixelData(data);
    if (converted) converted->assign(data, data + size);
    const int32_t b = layout == PixelLayout::Rgb24 ? 3 : layout == PixelLayout::Rgb32 ? 4 : 2;
    sprite_test::Grid grid = sprite_test::ReadBack(*sprite, stored.kind, b);
    DestroySpriteRenderer(sprite);
    return grid;
}

// What lies outside the sprite's rectangle is clipped: each case's data gives exactly the picture
// and the in-memory form of its counterpart that stays inside, on every layout, in the separate
// and the one-walk conversions, and decoded.
TEST(StoredPixelsClipping, DataOutsideTheRectangleIsLeftOut) {
    struct Case {
        const char* what;
        SpriteKind kind;
        int32_t bpp, width, height;
        Bytes outside;
        Bytes inside;
    };
    const Bytes px565 = {0x1F, 0x00, 0xE0, 0x07, 0x00, 0xF8};
    const Case cases[] = {
        {"rle run passes the width", SpriteKind::Rle, 3, 4, 1, Cat({RunOf(2, 3, Bgr(3)), kEnd}),
         Cat({RunOf(2, 2, Bgr(2)), kEnd})},
        {"rle run wholly past the width", SpriteKind::Rle, 3, 4, 2,
         Cat({RunOf(5, 1, Bgr(1)), RunOf(0, 1, Bgr(1, 9)), kEnd}),
         Cat({kRowEnd, RunOf(0, 1, Bgr(1, 9)), kEnd})},
        {"rle2 second run passes the width", SpriteKind::Rle2, 3, 4, 1,
         Cat({RunOf(1, 1, Bgr(1)), RunOf(1, 2, Bgr(2, 4)), kRowEnd, kEnd}),
         Cat({RunOf(1, 1, Bgr(1)), RunOf(1, 1, Bgr(1, 4)), kRowEnd, kEnd})},
        {"rle2 runs after a clipped run", SpriteKind::Rle2, 3, 4, 2,
         Cat({RunOf(3, 2, Bgr(2)), RunOf(0, 1, Bgr(1, 7)), kRowEnd, RunOf(0, 1, Bgr(1, 20)), kRowEnd, kEnd}),
         Cat({RunOf(3, 1, Bgr(1)), kRowEnd, RunOf(0, 1, Bgr(1, 20)), kRowEnd, kEnd})},
        {"rle rows below the height", SpriteKind::Rle, 3, 4, 2,
         Cat({RunOf(0, 1, Bgr(1)), kRowEnd, RunOf(0, 4, Bgr(4)), kEnd}),
         Cat({RunOf(0, 1, Bgr(1)), kRowEnd, kEnd})},
        {"rle2 run below the height", SpriteKind::Rle2, 3, 4, 1,
         Cat({RunOf(0, 2, Bgr(2)), kRowEnd, RunOf(0, 1, Bgr(1)), kRowEnd, kEnd}),
         Cat({RunOf(0, 2, Bgr(2)), kRowEnd, kEnd})},
        {"2-byte rle2 bytes pass the row", SpriteKind::Rle2, 2, 2, 1,
         Cat({RunOf(2, 4, Bytes(px565.begin(), px565.begin() + 4)), kRowEnd, kEnd}),
         Cat({RunOf(2, 2, Bytes(px565.begin(), px565.begin() + 2)), kRowEnd, kEnd})},
        {"2-byte rle row below the height", SpriteKind::Rle, 2, 3, 1,
         Cat({RunOf(0, 6, px565), RunOf(0, 2, Bytes(px565.begin(), px565.begin() + 2)), kEnd}),
         Cat({RunOf(0, 6, px565), kEnd})},
    };
    const PixelLayout layouts[] = {PixelLayout::Rgb565, PixelLayout::Rgb555, PixelLayout::Rgb24,
                                   PixelLayout::Rgb32};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const StoredPixels outside = Pixels(c.kind, c.bpp, c.width, c.height, c.outside);
        const StoredPixels inside = Pixels(c.kind, c.bpp, c.width, c.height, c.inside);
        const PixelInspection clipped = InspectStoredPixels(outside);
        ASSERT_TRUE(clipped.ok());
        EXPECT_TRUE(clipped.clipped);
        EXPECT_FALSE(InspectStoredPixels(inside).clipped);
        for (PixelLayout layout : layouts) {
            Bytes fromOutside, fromInside;
            EXPECT_EQ(Convert(outside, layout, &fromOutside), Convert(inside, layout, &fromInside));
            // The fourth byte of a 32-bit pixel is whatever followed the pixel in the stored data.
            if (layout == PixelLayout::Rgb32) continue;
            EXPECT_EQ(fromOutside, fromInside);
            if (ConvertsInOneWalk(outside, layout)) {
                Bytes scratch(OneWalkScratchBytes(outside));
                size_t converted = 0;
                EXPECT_TRUE(InspectAndConvert(outside, layout, scratch.data(), &converted).clipped);
                scratch.resize(converted);
                EXPECT_EQ(scratch, fromInside);
            }
        }
        std::vector<uint32_t> a(size_t(c.width * c.height)), b(a.size());
        DecodeStoredPixels(outside, a.data());
        DecodeStoredPixels(inside, b.data());
        EXPECT_EQ(a, b);
    }
}

TEST(StoredPixelsConversion, RleRowsWithoutPixelsAndTheEarlyEnd) {
    // Height 3: a run, an empty row, a run: pixels in the first and third rows only.
    const Bytes data = Cat({RunOf(0, 2, Bgr(2, 10)), kRowEnd, RunOf(1, 1, Bgr(1, 40)), kEnd});
    const auto grid = Convert(Pixels(SpriteKind::Rle, 3, 2, 3, data), PixelLayout::Rgb24);
    EXPECT_EQ(grid[0], 0x0C0B0Au);
    EXPECT_EQ(grid[1], 0x0F0E0Du);
    EXPECT_FALSE(grid[2] || grid[3]);
    EXPECT_FALSE(grid[4]);
    EXPECT_EQ(grid[5], 0x2A2928u);
    // A first word of 0xFFFE: no visible pixel.
    const auto none = Convert(Pixels(SpriteKind::Rle, 3, 2, 3, kEnd), PixelLayout::Rgb24);
    for (const auto& p : none)
        EXPECT_FALSE(p);
}

TEST(StoredPixelsConversion, OtherMarkersAreEmptyRowsInRleAndTheEndInRle2) {
    const Bytes data = Cat({RunOf(0, 1, Bgr(1)), Word(0x8000), RunOf(0, 1, Bgr(1, 7)), kEnd});
    Bytes rle;
    const auto asRle = Convert(Pixels(SpriteKind::Rle, 3, 1, 3, data), PixelLayout::Rgb565, &rle);
    EXPECT_TRUE(asRle[0]);
    EXPECT_FALSE(asRle[1]) << "0x8000 is an empty row";
    EXPECT_TRUE(asRle[2]);
    EXPECT_EQ(rle[7] | rle[8] << 8, 0xFFFF) << "written as the row mark";

    const Bytes data2 =
        Cat({RunOf(0, 1, Bgr(1)), kRowEnd, Word(0x8000), RunOf(0, 1, Bgr(1, 7)), kRowEnd, kEnd});
    Bytes rle2;
    const auto asRle2 = Convert(Pixels(SpriteKind::Rle2, 3, 1, 3, data2), PixelLayout::Rgb565, &rle2);
    EXPECT_TRUE(asRle2[0]);
    EXPECT_FALSE(asRle2[1]);
    EXPECT_FALSE(asRle2[2]) << "nothing is drawn after 0x8000";
    EXPECT_EQ(rle2.size(), 5u + 2 + 2 + 2 + 2);
    EXPECT_EQ(rle2[9] | rle2[10] << 8, 0x8000) << "the stored word is kept";
    EXPECT_EQ(rle2[11] | rle2[12] << 8, 0xFFFE);
}

TEST(StoredPixelsConversion, StoredColoursFollowEachLayoutsRule) {
    const Bytes colours = {0x07, 0x83, 0xF9, 0xFF, 0x04, 0x08, 0x00, 0x00, 0x00};  // (b, g, r) x 3
    for (const auto& layout : sprite_test::kLayouts) {
        SCOPED_TRACE(layout.name);
        const auto grid = Convert(Pixels(SpriteKind::Raw, 3, 3, 1, colours), layout.layout);
        EXPECT_EQ(grid[0], sprite_test::DisplayValue(layout.layout, 0xF9, 0x83, 0x07));
        EXPECT_EQ(grid[1], sprite_test::DisplayValue(layout.layout, 0x08, 0x04, 0xFF));
        EXPECT_EQ(grid[2], 0u);
    }
    // The conversion formulas, written out: 5:6:5 keeps six bits of green, 5:5:5 five.
    EXPECT_EQ(Pack565(0xF9, 0x83, 0x07), (0xF8 << 8) | (0x80 << 3) | 0);
    EXPECT_EQ(Pack555(0xF9, 0x83, 0x07), (0xF8 << 7) | (0x80 << 2) | 0);
}

TEST(StoredPixelsConversion, RunHeadsCountBytesOfTheDisplayAndKeepTheFlag) {
    const Bytes data = Cat({RunOf(2, 3, Bgr(3), 0x3C), kRowEnd, kEnd});
    const StoredPixels stored = Pixels(SpriteKind::Rle2, 3, 5, 1, data);
    for (const auto& layout : sprite_test::kLayouts) {
        Bytes out;
        Convert(stored, layout.layout, &out);
        const int b = layout.bytesPerPixel;
        ASSERT_EQ(out.size(), size_t(5 + 3 * b + 2 + 2)) << layout.name;
        EXPECT_EQ(out[0] | out[1] << 8, 2 * b);
        EXPECT_EQ(out[2], 0x3C);
        EXPECT_EQ(out[3] | out[4] << 8, 3 * b);
        EXPECT_EQ(out[out.size() - 4] | out[out.size() - 3] << 8, 0xFFFF);
        EXPECT_EQ(out[out.size() - 2] | out[out.size() - 1] << 8, 0xFFFE);
    }
}

TEST(StoredPixelsConversion, TheFourthByteOf32BitPixelsIsTheNextStoredByte) {
    const Bytes raw = Bgr(2, 0x10);  // 10 11 12 | 13 14 15
    Bytes out;
    Convert(Pixels(SpriteKind::Raw, 3, 2, 1, raw), PixelLayout::Rgb32, &out);
    EXPECT_EQ(out, (Bytes{0x10, 0x11, 0x12, 0x13, 0x13, 0x14, 0x15, 0x00, 0xFE, 0xFF}))
        << "the last pixel has no stored byte after it";
    Bytes runOut;
    Convert(Pixels(SpriteKind::Rle, 3, 1, 1, Cat({RunOf(0, 1, Bgr(1, 0x20)), kEnd})), PixelLayout::Rgb32,
            &runOut);
    EXPECT_EQ(runOut[8], 0xFE) << "the low byte of the sprite end follows the pixel";
}

TEST(StoredPixelsConversion, TwoBytePixelsKeepTheirFormAndLoseOnlyAGreenBitOn555) {
    const Bytes rle = Cat({RunOf(2, 4, Cat({Word(0x0020), Word(0xFFFF)})), kRowEnd, kEnd});
    const StoredPixels stored = Pixels(SpriteKind::Rle2, 2, 3, 1, rle);
    Bytes on565, on555;
    Convert(stored, PixelLayout::Rgb565, &on565);
    EXPECT_EQ(on565, rle) << "the stored bytes are the 16-bit display's form";
    const auto grid = Convert(stored, PixelLayout::Rgb555, &on555);
    EXPECT_EQ(on555.size(), rle.size());
    EXPECT_EQ(grid[1], 0x0000u) << "green 1 of 63 is green 0 of 31";
    EXPECT_EQ(grid[2], 0x7FFFu);
    const auto wide = Convert(stored, PixelLayout::Rgb32);
    EXPECT_EQ(wide[2], 0xFFFFFFu);
    EXPECT_EQ(Convert565To555(0xF81F), 0x7C1F);
    EXPECT_EQ(Convert565To555(0x07E0), 0x03E0);
}

TEST(StoredPixelsConversion, SkipsThatWouldReadAsMarkersAreRefused) {
    const Bytes data = Cat({RunOf(0x2000, 1, Bgr(1)), kRowEnd, kEnd});
    const StoredPixels stored = Pixels(SpriteKind::Rle2, 3, 0x2001, 1, data);
    const PixelInspection inspection = InspectStoredPixels(stored);
    ASSERT_TRUE(inspection.ok());
    size_t size;
    EXPECT_TRUE(ConvertedSize(stored, inspection, PixelLayout::Rgb565, &size));
    EXPECT_TRUE(ConvertedSize(stored, inspection, PixelLayout::Rgb24, &size));
    EXPECT_FALSE(ConvertedSize(stored, inspection, PixelLayout::Rgb32, &size)) << "0x8000 bytes is a marker";
}

TEST(StoredPixelsDecoding, GivesRgbaWithTransparentGaps) {
    const Bytes data =
        Cat({RunOf(1, 1, Bytes{0x30, 0x20, 0x10}), RunOf(1, 1, Bytes{3, 2, 1}), kRowEnd, kEnd});
    std::vector<uint32_t> rgba(4, 0x12345678);
    DecodeStoredPixels(Pixels(SpriteKind::Rle2, 3, 4, 1, data), rgba.data());
    EXPECT_EQ(rgba, (std::vector<uint32_t>{0, 0xFF302010, 0, 0xFF030201}));
    std::vector<uint32_t> one(1);
    DecodeStoredPixels(Pixels(SpriteKind::Raw, 2, 1, 1, Word(0xF800)), one.data());
    EXPECT_EQ(one[0], 0xFF0000FFu);
}

}  // namespace
