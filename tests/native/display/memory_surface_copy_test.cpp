// Copies within one memory surface: whatever the overlap, the result is the picture the source
// rectangle held before the copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/memory/display/memory_surface_platform.h"

namespace {

struct OverlapCase {
    const char* name;
    Rect source;
    Rect destination;
};

const OverlapCase kOverlaps[] = {
    {"down by one row", {1, 1, 7, 6}, {1, 2, 7, 7}},  {"down by three rows", {0, 0, 8, 5}, {0, 3, 8, 8}},
    {"up by two rows", {0, 3, 8, 8}, {0, 1, 8, 6}},   {"right within rows", {0, 0, 6, 8}, {2, 0, 8, 8}},
    {"left within rows", {2, 0, 8, 8}, {0, 0, 6, 8}}, {"down and right", {0, 0, 5, 5}, {2, 2, 7, 7}},
    {"down and left", {3, 0, 8, 5}, {1, 2, 6, 7}},
};

class MemorySurfaceCopy : public ::testing::TestWithParam<OverlapCase> {};

TEST_P(MemorySurfaceCopy, SelfCopyGivesTheSourcePictureAsItWasBefore) {
    const OverlapCase& c = GetParam();
    for (const auto& [bytesPerPixel, redMask] :
         {std::pair{2, 0xF800u}, std::pair{3, 0xFF0000u}, std::pair{4, 0xFF0000u}}) {
        MemoryDisplayScope display(bytesPerPixel, redMask, 8, 8);
        MemorySurfacePlatform& platform = display.backend();
        PlatformSurface surface = nullptr;
        ASSERT_EQ(platform.Create(8, 8, 0, &surface), surface_result::Ok);
        uint8_t* pixels = nullptr;
        int32_t pitch = 0;
        ASSERT_EQ(platform.Lock(surface, 0, &pixels, &pitch), surface_result::Ok);
        for (int32_t i = 0; i < pitch * 8; ++i)
            pixels[i] = uint8_t(i * 7 + 1);
        const std::vector<uint8_t> before(pixels, pixels + pitch * 8);

        ASSERT_EQ(platform.Copy(surface, c.destination, surface, c.source, 0), surface_result::Ok);

        std::vector<uint8_t> expected = before;
        const int32_t rowBytes = c.source.Width() * bytesPerPixel;
        for (int32_t row = 0; row < c.source.Height(); ++row) {
            const uint8_t* from =
                before.data() + (c.source.top + row) * pitch + c.source.left * bytesPerPixel;
            uint8_t* to =
                expected.data() + (c.destination.top + row) * pitch + c.destination.left * bytesPerPixel;
            std::copy(from, from + rowBytes, to);
        }
        EXPECT_EQ(std::vector<uint8_t>(pixels, pixels + pitch * 8), expected)
            << c.name << ", " << bytesPerPixel << " bytes per pixel";
        platform.Release(surface);
    }
}

INSTANTIATE_TEST_SUITE_P(Overlaps, MemorySurfaceCopy, ::testing::ValuesIn(kOverlaps));

}  // namespace

namespace {

// Rows of every length from one byte to past the longest copied in pieces, at odd offsets, between
// two surfaces, between rows of one surface, and within the same rows of one surface: each row
// lands whole, and no byte beside it changes.
TEST(MemorySurfaceCopyRows, EveryRowLengthLandsWholeAndTouchesNothingElse) {
    constexpr int32_t kWidth = 160, kHeight = 6;
    for (const auto& [bytesPerPixel, redMask] : {std::pair{2, 0xF800u}, std::pair{3, 0xFF0000u}}) {
        MemoryDisplayScope display(bytesPerPixel, redMask, kWidth, kHeight, /*extraPitchBytes=*/5);
        MemorySurfacePlatform& platform = display.backend();
        PlatformSurface first = nullptr, second = nullptr;
        ASSERT_EQ(platform.Create(kWidth, kHeight, 0, &first), surface_result::Ok);
        ASSERT_EQ(platform.Create(kWidth, kHeight, 0, &second), surface_result::Ok);
        uint8_t *a = nullptr, *b = nullptr;
        int32_t pitch = 0;
        ASSERT_EQ(platform.Lock(first, 0, &a, &pitch), surface_result::Ok);
        ASSERT_EQ(platform.Lock(second, 0, &b, &pitch), surface_result::Ok);
        const size_t bytes = size_t(pitch) * kHeight;
        for (int32_t width = 1; width + 3 <= kWidth; ++width) {
            struct Move {
                PlatformSurface to;
                Rect source, destination;
            };
            const Move moves[] = {
                {second, {1, 1, 1 + width, 3}, {3, 2, 3 + width, 4}},  // another surface
                {first, {1, 0, 1 + width, 3}, {2, 1, 2 + width, 4}},   // rows further down
                {first, {2, 2, 2 + width, 5}, {1, 1, 1 + width, 4}},   // rows further up
                {first, {1, 2, 1 + width, 4}, {3, 2, 3 + width, 4}},   // same rows, rightwards
                {first, {3, 2, 3 + width, 4}, {0, 2, width, 4}},       // same rows, leftwards
            };
            for (const Move& m : moves) {
                for (size_t i = 0; i < bytes; ++i) {
                    a[i] = uint8_t(i * 13 + 7);
                    b[i] = uint8_t(i * 5 + 3);
                }
                const std::vector<uint8_t> sourceBefore(a, a + bytes);
                uint8_t* to = m.to == first ? a : b;
                std::vector<uint8_t> expected(to, to + bytes);
                const size_t rowBytes = size_t(width) * bytesPerPixel;
                for (int32_t row = 0; row < m.source.Height(); ++row) {
                    const uint8_t* from =
                        sourceBefore.data() + (m.source.top + row) * pitch + m.source.left * bytesPerPixel;
                    std::copy(from, from + rowBytes,
                              expected.data() + (m.destination.top + row) * pitch +
                                  m.destination.left * bytesPerPixel);
                }
                ASSERT_EQ(platform.Copy(m.to, m.destination, first, m.source, 0), surface_result::Ok);
                ASSERT_EQ(std::vector<uint8_t>(to, to + bytes), expected)
                    << "width " << width << ", " << bytesPerPixel << " bytes per pixel, from row "
                    << m.source.top << " to row " << m.destination.top;
            }
        }
        platform.Release(first);
        platform.Release(second);
    }
}

}  // namespace
