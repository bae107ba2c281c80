#include <gtest/gtest.h>

#include "display/display_format.h"

namespace {

TEST(ChannelMasks, Rgb565MasksAreTheDocumentedValues) {
    ChannelMasks m{};
    DeriveChannelMasks(m, 2, true, 0xF800, 0x07E0, 0x001F);
    EXPECT_EQ(m.redLanes, 0xF800F800F800F800ull);
    EXPECT_EQ(m.greenLanes, 0x07E007E007E007E0ull);
    EXPECT_EQ(m.blueLanes, 0x001F001F001F001Full);
    EXPECT_EQ(m.pairMaskA, 0xF81F07E0F81F07E0ull);
    EXPECT_EQ(m.pairMaskB, 0x07E0F81F07E0F81Full);
    EXPECT_EQ(m.redBlueLanes, 0xF81FF81FF81FF81Full);
    EXPECT_EQ(m.greenLanes2, 0x07E007E007E007E0ull);
}

TEST(ChannelMasks, ByteLayoutsLeaveTheLastTwoMasksAlone) {
    for (int bpp : {3, 4}) {
        ChannelMasks m{};
        DeriveChannelMasks(m, bpp, false, 0, 0, 0);
        EXPECT_EQ(m.pairMaskA, 0xFF00FF00FF00FF00ull);
        EXPECT_EQ(m.pairMaskB, 0x00FF00FF00FF00FFull);
        EXPECT_EQ(m.redBlueLanes, 0u);
        EXPECT_EQ(m.greenLanes2, 0u);
    }
    ChannelMasks m{};
    DeriveChannelMasks(m, 3, false, 0, 0, 0);
    EXPECT_EQ(m.redLanes, 0xFF000000FF000000ull);
    DeriveChannelMasks(m, 4, false, 0, 0, 0);
    EXPECT_EQ(m.redLanes, 0x00FF000000FF0000ull);
    EXPECT_EQ(m.blueLanes, 0x000000FF000000FFull);
}

TEST(ChannelMasks, SixteenBitFormatWithoutRgbFlagKeepsMasksZero) {
    ChannelMasks m{};
    DeriveChannelMasks(m, 2, false, 0xF800, 0x07E0, 0x001F);
    EXPECT_EQ(m.redLanes, 0u);
    DisplayFormat f{};
    f.bytesPerPixel = 2;
    EXPECT_EQ(LayoutOf(f, m), PixelLayout::Rgb555);  // such a display gets 5:5:5 surfaces
}

TEST(PixelLayouts, ChosenByBytesPerPixelAndRedMask) {
    struct Case {
        int bpp;
        uint32_t red;
        PixelLayout expected;
    } cases[] = {
        {2, 0xF800, PixelLayout::Rgb565}, {2, 0x7C00, PixelLayout::Rgb555}, {3, 0, PixelLayout::Rgb24},
        {4, 0, PixelLayout::Rgb32},       {5, 0, PixelLayout::Rgb32},       {1, 0, PixelLayout::None},
    };
    for (const Case& c : cases) {
        ChannelMasks m{};
        DeriveChannelMasks(m, c.bpp, true, c.red, 0x07E0, 0x1F);
        DisplayFormat f{};
        f.bytesPerPixel = c.bpp;
        EXPECT_EQ(LayoutOf(f, m), c.expected) << "bpp " << c.bpp;
    }
}

TEST(DisplayGeometry, RowAndFrameBytesUseTheRequestedSize) {
    DisplayFormat f{};
    SetDisplayGeometry(f, 1024, 768, 2, 1024, 768);
    EXPECT_EQ(f.rowBytes, 2048);
    EXPECT_EQ(f.frameBytes, 1572864);
    SetDisplayGeometry(f, 1920, 1080, 4, 800, 600);
    EXPECT_EQ(f.screenWidth, 1920);
    EXPECT_EQ(f.rowBytes, 3200);
    EXPECT_EQ(f.frameBytes, 3200 * 600);
}

}  // namespace
