#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display/picture_scaler.h"

namespace {

// A 16-bit picture with a pitch wider than its rows, as surfaces have.
struct Picture {
    Picture(int32_t w, int32_t h) : width(w), height(h), pitch(w * 2 + 6), bytes(size_t(pitch) * h) {}
    uint16_t& At(int32_t x, int32_t y) { return reinterpret_cast<uint16_t*>(bytes.data() + y * pitch)[x]; }
    int32_t width, height, pitch;
    std::vector<uint8_t> bytes;
};

struct Scaled {
    Scaled(int32_t w, int32_t h) : width(w), height(h), pixels(size_t(w) * h, 0xDEADBEEF) {}
    uint32_t At(int32_t x, int32_t y) const { return pixels[size_t(y) * width + x]; }
    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(pixels.data()); }
    int32_t width, height;
    std::vector<uint32_t> pixels;
};

uint16_t Pattern(int32_t x, int32_t y) { return uint16_t(x * 2654435761u ^ y * 40503u); }

TEST(PictureScaler, WidensEachChannelToEightBits) {
    PictureScaler s565, s555;
    s565.Prepare(Size{1, 1}, Size{1, 1}, true, ScaleFilter::Nearest);
    s555.Prepare(Size{1, 1}, Size{1, 1}, false, ScaleFilter::Nearest);
    EXPECT_EQ(s565.Widened(0xF800), 0x00FF0000u);
    EXPECT_EQ(s565.Widened(0x07E0), 0x0000FF00u);
    EXPECT_EQ(s565.Widened(0x001F), 0x000000FFu);
    EXPECT_EQ(s565.Widened(0x0000), 0x00000000u);
    EXPECT_EQ(s565.Widened(0x8410), 0x00848284u);  // the top bit of each channel: 16, 32, 16
    EXPECT_EQ(s555.Widened(0x7C00), 0x00FF0000u);
    EXPECT_EQ(s555.Widened(0x03E0), 0x0000FF00u);
    EXPECT_EQ(s555.Widened(0x8000), 0x00000000u) << "the unused bit is no colour";
}

TEST(PictureScaler, AWholeScaleMakesEachPixelAnExactBlock) {
    for (int32_t n : {1, 2, 3}) {
        Picture source(37, 23);
        for (int32_t y = 0; y < source.height; ++y)
            for (int32_t x = 0; x < source.width; ++x)
                source.At(x, y) = Pattern(x, y);
        Scaled out(source.width * n, source.height * n);
        PictureScaler scaler;
        scaler.Prepare(Size{source.width, source.height}, Size{out.width, out.height}, true,
                       ScaleFilter::Nearest);
        const Rect shown = scaler.Scale(source.bytes.data(), source.pitch, out.Bytes(), out.width * 4,
                                        Rect{0, 0, source.width, source.height});
        EXPECT_EQ(shown, (Rect{0, 0, out.width, out.height}));
        for (int32_t y = 0; y < out.height; ++y)
            for (int32_t x = 0; x < out.width; ++x)
                ASSERT_EQ(out.At(x, y), scaler.Widened(source.At(x / n, y / n)))
                    << n << ": " << x << "," << y;
    }
}

TEST(PictureScaler, NearestFollowsThePointersMappingAtAnyScale) {
    // 1024 -> 1440 (the 1920x1080 fit) in one dimension, 768 -> 1080 in the other, shrunk too.
    for (Size destination : {Size{1440, 1080}, Size{800, 600}}) {
        Picture source(1024, 768);
        for (int32_t y = 0; y < source.height; ++y)
            for (int32_t x = 0; x < source.width; ++x)
                source.At(x, y) = Pattern(x, y);
        Scaled out(destination.width, destination.height);
        PictureScaler scaler;
        scaler.Prepare(Size{1024, 768}, destination, true, ScaleFilter::Nearest);
        scaler.Scale(source.bytes.data(), source.pitch, out.Bytes(), out.width * 4, Rect{0, 0, 1024, 768});
        for (int32_t y = 0; y < out.height; y += 7)
            for (int32_t x = 0; x < out.width; x += 5)
                ASSERT_EQ(out.At(x, y),
                          scaler.Widened(source.At(int32_t(int64_t(x) * 1024 / destination.width),
                                                   int32_t(int64_t(y) * 768 / destination.height))))
                    << x << "," << y;
    }
}

TEST(PictureScaler, SmoothBlendsBetweenNeighboursAndKeepsFlatAreasExact) {
    // Two columns, black and white, doubled: the outer pixels keep their colour, the two in the
    // middle are a quarter and three quarters of the way across.
    Picture source(2, 2);
    source.At(0, 0) = source.At(0, 1) = 0x0000;
    source.At(1, 0) = source.At(1, 1) = 0xFFFF;
    Scaled out(4, 4);
    PictureScaler scaler;
    scaler.Prepare(Size{2, 2}, Size{4, 4}, true, ScaleFilter::Smooth);
    scaler.Scale(source.bytes.data(), source.pitch, out.Bytes(), out.width * 4, Rect{0, 0, 2, 2});
    for (int32_t y = 0; y < 4; ++y) {
        EXPECT_EQ(out.At(0, y), 0x00000000u);
        EXPECT_EQ(out.At(1, y), 0x003F3F3Fu);
        EXPECT_EQ(out.At(2, y), 0x00BFBFBFu);
        EXPECT_EQ(out.At(3, y), 0x00FFFFFFu);
    }
}

TEST(PictureScaler, ScalingAChangedBlockGivesWhatScalingTheWholeGives) {
    for (ScaleFilter filter : {ScaleFilter::Nearest, ScaleFilter::Smooth}) {
        Picture source(64, 48);
        for (int32_t y = 0; y < source.height; ++y)
            for (int32_t x = 0; x < source.width; ++x)
                source.At(x, y) = Pattern(x, y);
        Scaled whole(90, 67), partly(90, 67);
        PictureScaler scaler;
        scaler.Prepare(Size{64, 48}, Size{90, 67}, true, filter);
        scaler.Scale(source.bytes.data(), source.pitch, partly.Bytes(), 90 * 4, Rect{0, 0, 64, 48});
        const Rect changed{30, 20, 40, 22};
        for (int32_t y = changed.top; y < changed.bottom; ++y)
            for (int32_t x = changed.left; x < changed.right; ++x)
                source.At(x, y) = 0x1234;
        scaler.Scale(source.bytes.data(), source.pitch, whole.Bytes(), 90 * 4, Rect{0, 0, 64, 48});
        const Scaled before = partly;
        const Rect shown = scaler.Scale(source.bytes.data(), source.pitch, partly.Bytes(), 90 * 4, changed);
        EXPECT_EQ(whole.pixels, partly.pixels) << int(filter);
        EXPECT_EQ(shown, scaler.DestinationOf(changed));
        EXPECT_GT(shown.left, 0);
        EXPECT_LT(shown.right, 90);
        // Only the pixels of that rectangle were written.
        for (int32_t y = 0; y < 67; ++y)
            for (int32_t x = 0; x < 90; ++x)
                if (x < shown.left || x >= shown.right || y < shown.top || y >= shown.bottom) {
                    ASSERT_EQ(partly.At(x, y), before.At(x, y)) << x << "," << y;
                }
    }
}

TEST(PictureScaler, TheDestinationOfASourceRectangle) {
    PictureScaler doubled;
    doubled.Prepare(Size{10, 10}, Size{20, 20}, true, ScaleFilter::Nearest);
    EXPECT_EQ(doubled.DestinationOf(Rect{2, 3, 4, 5}), (Rect{4, 6, 8, 10}));
    EXPECT_EQ(doubled.DestinationOf(Rect{9, 9, 10, 10}), (Rect{18, 18, 20, 20}));
    EXPECT_TRUE(doubled.DestinationOf(Rect{5, 5, 5, 6}).IsEmpty());
    // Smooth pixels reach one source pixel further each way.
    PictureScaler smooth;
    smooth.Prepare(Size{10, 10}, Size{20, 20}, true, ScaleFilter::Smooth);
    EXPECT_EQ(smooth.DestinationOf(Rect{3, 3, 5, 5}), (Rect{5, 5, 11, 11}));
    // A picture shrunk to fit leaves some source pixels out: 10 -> 7.
    PictureScaler shrunk;
    shrunk.Prepare(Size{10, 10}, Size{7, 7}, true, ScaleFilter::Nearest);
    EXPECT_TRUE(shrunk.DestinationOf(Rect{3, 3, 4, 4}).IsEmpty()) << "source pixel 3 is shown by none";
    EXPECT_EQ(shrunk.DestinationOf(Rect{3, 3, 5, 5}), (Rect{3, 3, 4, 4}));
    EXPECT_EQ(shrunk.DestinationOf(Rect{0, 0, 10, 10}), (Rect{0, 0, 7, 7}));
    PictureScaler empty;
    empty.Prepare(Size{10, 10}, Size{0, 0}, true, ScaleFilter::Nearest);
    EXPECT_TRUE(empty.DestinationOf(Rect{0, 0, 10, 10}).IsEmpty());
}

}  // namespace
