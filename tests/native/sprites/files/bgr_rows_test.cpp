// The fast conversions of stored 24-bit rows give exactly what the plain loop gives, for every
// instruction set, length and place where the stored data or the destination ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "sprites/format/bgr_rows.h"

namespace {

size_t DisplayBytes(PixelLayout layout) {
    return layout == PixelLayout::Rgb32 ? 4 : layout == PixelLayout::Rgb24 ? 3 : 2;
}

TEST(BgrRows, FastAndPlainAgreeOnEveryLengthAndEnd) {
    std::mt19937 random(7);
    std::vector<uint8_t> stored(3 * 80 + 8);
    for (uint8_t& b : stored)
        b = uint8_t(random());
    // n pixels; the data ends right after them or later (slack); the destination has room for
    // them only or for more, which the fast paths may write into.
    auto agree = [&](RowInstructions instructions, PixelLayout layout, size_t n, size_t slack, size_t room) {
        const uint8_t* limit = stored.data() + 3 * n + slack;
        const size_t written = n * DisplayBytes(layout), bytes = written + room;
        std::vector<uint8_t> fast(bytes, 0xCD), plain(bytes, 0xCD);
        BgrRowConverterFor(layout, instructions)(stored.data(), fast.data(), n, limit, fast.data() + bytes);
        PlainRowConverterFor(layout)(stored.data(), plain.data(), n, limit, plain.data() + bytes);
        return std::equal(fast.begin(), fast.begin() + ptrdiff_t(written), plain.begin());
    };
    for (RowInstructions instructions : {RowInstructions::Ssse3, RowInstructions::Avx2}) {
        for (PixelLayout layout :
             {PixelLayout::Rgb565, PixelLayout::Rgb555, PixelLayout::Rgb24, PixelLayout::Rgb32}) {
            for (size_t n = 0; n <= 80; ++n) {
                for (size_t slack : {0, 1, 8}) {
                    for (size_t room : {0, 64}) {
                        ASSERT_TRUE(agree(instructions, layout, n, slack, room))
                            << "instructions " << int(instructions) << ", layout " << int(layout) << ", " << n
                            << " pixels, slack " << slack << ", room " << room;
                    }
                }
            }
        }
    }
}

TEST(BgrRows, ChannelsKeepTheirTopBits) {
    const uint8_t white[3] = {0xFF, 0xFF, 0xFF}, pure[9] = {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF};
    uint16_t out[3];
    auto* bytes = reinterpret_cast<uint8_t*>(out);
    PlainRowConverterFor(PixelLayout::Rgb565)(white, bytes, 1, white + 3, bytes + sizeof out);
    EXPECT_EQ(out[0], 0xFFFF);
    PlainRowConverterFor(PixelLayout::Rgb565)(pure, bytes, 3, pure + 9, bytes + sizeof out);
    EXPECT_EQ(out[0], 0x001F);  // blue
    EXPECT_EQ(out[1], 0x07E0);  // green
    EXPECT_EQ(out[2], 0xF800);  // red
    PlainRowConverterFor(PixelLayout::Rgb555)(pure, bytes, 3, pure + 9, bytes + sizeof out);
    EXPECT_EQ(out[0], 0x001F);
    EXPECT_EQ(out[1], 0x03E0);
    EXPECT_EQ(out[2], 0x7C00);
}

}  // namespace
