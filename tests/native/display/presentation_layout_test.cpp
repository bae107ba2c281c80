#include <gtest/gtest.h>

#include "display/presentation_layout.h"

namespace {
constexpr Size kGame{1024, 768};

TEST(PresentationLayout, PlacesThePictureInASpace) {
    using S = PictureScale;
    const struct {
        Size space;
        PictureScale scale;
        Rect expected;
    } cases[] = {
        // Aspect kept, bars left and right or above and below.
        {{1920, 1080}, S::Fit, {240, 0, 1680, 1080}},
        {{1280, 720}, S::Fit, {160, 0, 1120, 720}},
        {{1280, 1024}, S::Fit, {0, 32, 1280, 992}},
        {{2560, 1440}, S::Fit, {320, 0, 2240, 1440}},
        {{3840, 2160}, S::Fit, {480, 0, 3360, 2160}},
        // A side that is not whole is rounded to the nearest pixel: 1366 * 3 / 4 = 1024.5.
        {{1366, 2000}, S::Fit, {0, 487, 1366, 1512}},
        // 1001 * 4 / 3 = 1334.67 -> 1335.
        {{1400, 1001}, S::Fit, {32, 0, 1367, 1001}},
        // Whole multiples: the largest that fits, centred.
        {{1920, 1080}, S::Integer, {448, 156, 1472, 924}},
        {{2560, 1440}, S::Integer, {768, 336, 1792, 1104}},
        {{3840, 2160}, S::Integer, {896, 312, 2944, 1848}},
        {{2048, 1536}, S::Integer, {0, 0, 2048, 1536}},
        {{2047, 1536}, S::Integer, {511, 384, 1535, 1152}},
        {{1920, 1080}, S::Single, {448, 156, 1472, 924}},
        {{2560, 1600}, S::Double, {256, 32, 2304, 1568}},
        // A space smaller than the multiple (or than the game) gets the fitted picture.
        {{1920, 1080}, S::Double, {240, 0, 1680, 1080}},
        {{1280, 720}, S::Integer, {160, 0, 1120, 720}},
        {{1280, 720}, S::Single, {160, 0, 1120, 720}},
        {{800, 600}, S::Integer, {0, 0, 800, 600}},
        {{1024, 767}, S::Single, {0, 0, 1023, 767}},
        {{0, 600}, S::Fit, {0, 0, 0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlacePicture(kGame, c.space, c.scale), c.expected)
            << c.space.width << "x" << c.space.height << " scale " << int(c.scale);
}

TEST(PresentationLayout, ArrangesEachMode) {
    using M = PresentationMode;
    using S = PictureScale;
    const Size frame{8, 31};
    const struct {
        PresentationMode mode;
        PictureScale scale;
        Size desktop;
        PresentationLayout expected;
    } cases[] = {
        {M::FullScreen, S::Fit, {1920, 1080}, {{0, 0, 1024, 768}, {0, 0, 1024, 768}}},
        {M::Borderless, S::Fit, {1920, 1080}, {{0, 0, 1920, 1080}, {240, 0, 1680, 1080}}},
        {M::Borderless, S::Integer, {1280, 720}, {{0, 0, 1280, 720}, {160, 0, 1120, 720}}},
        // The framed window's client area is the picture; the window is centred.
        {M::Window, S::Single, {1920, 1080}, {{444, 140, 1476, 939}, {0, 0, 1024, 768}}},
        {M::Window, S::Fit, {1920, 1080}, {{256, 0, 1663, 1080}, {0, 0, 1399, 1049}}},
        {M::Window, S::Double, {2560, 1600}, {{252, 16, 2308, 1583}, {0, 0, 2048, 1536}}},
        // x2 that does not fit the desktop less the frame, and a desktop smaller than the game.
        {M::Window, S::Double, {1920, 1080}, {{256, 0, 1663, 1080}, {0, 0, 1399, 1049}}},
        {M::Window, S::Single, {1280, 720}, {{176, 0, 1103, 720}, {0, 0, 919, 689}}},
    };
    for (const auto& c : cases) {
        PresentationLayout got = ArrangePresentation(c.mode, c.scale, kGame, c.desktop, frame);
        EXPECT_EQ(got.window, c.expected.window)
            << int(c.mode) << " " << int(c.scale) << " " << c.desktop.width;
        EXPECT_EQ(got.picture, c.expected.picture)
            << int(c.mode) << " " << int(c.scale) << " " << c.desktop.width;
    }
}

TEST(PresentationLayout, TakesThePointerBackToTheGame) {
    const Rect fitted{240, 0, 1680, 1080};  // 1.40625 screen pixels per game pixel
    const Rect doubled{448, 156, 2496, 1692};
    const struct {
        Rect picture;
        Point client;
        Point game;
    } cases[] = {
        {fitted, {240, 0}, {0, 0}},
        {fitted, {960, 540}, {512, 384}},
        {fitted, {1679, 1079}, {1023, 767}},
        // Rounding at the edges: the last screen pixel of game pixel 0 and the first of pixel 1.
        {fitted, {241, 1}, {0, 0}},
        {fitted, {242, 2}, {1, 1}},
        // Outside the picture: held to its edge.
        {fitted, {100, 500}, {0, 355}},
        {fitted, {1680, 500}, {1023, 355}},
        {fitted, {1919, 1079}, {1023, 767}},
        {fitted, {-5000, -7}, {0, 0}},
        {fitted, {INT32_MAX, INT32_MIN}, {1023, 0}},
        // Every game pixel is a 2x2 block.
        {doubled, {448, 156}, {0, 0}},
        {doubled, {449, 157}, {0, 0}},
        {doubled, {450, 158}, {1, 1}},
        {doubled, {2495, 1691}, {1023, 767}},
        {Rect{0, 0, 0, 0}, {10, 10}, {0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PointerInPicture(c.client, c.picture, kGame), c.game) << c.client.x << "," << c.client.y;
}

}  // namespace
