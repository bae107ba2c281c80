#include <gtest/gtest.h>

#include "display/surface_control.h"
#include "platform/memory/display/memory_surface_backend.h"

namespace {

struct SurfaceControlTest : ::testing::Test {
    MemoryDisplayScope display{2, 0xF800, 320, 200};
    Surface* screen = CreateSurface(320, 200, 0x840);
    Surface* picture = CreateSurface(10, 10, 0x840);
    RootControl root{nullptr, 0, 0, 320, 200, 64};

    SurfaceControlTest() {
        root.ownSurface = screen;
        picture->Clear(0x07E0);
    }
    ~SurfaceControlTest() override {
        DestroySurface(screen);
        DestroySurface(picture);
    }
    int FirstGreenColumn(int row) {
        for (int x = 0; x < 320; ++x)
            if (screen->GetPixel(x, row) == 0x07E0) return x;
        return -1;
    }
};

TEST_F(SurfaceControlTest, CopiesItsSurfaceRelativeToTheTarget) {
    SurfaceControl image(nullptr, 100, 20, 110, 30, 64);
    image.ownSurface = picture;
    DrawTree(&image, &root, nullptr);
    EXPECT_EQ(FirstGreenColumn(25), 100);
    screen->Clear(0);
    root.x = 40;
    DrawTree(&image, &root, nullptr);
    EXPECT_EQ(FirstGreenColumn(25), 60);
}

TEST_F(SurfaceControlTest, ChildrenBehindAndInFrontOfTheOwnPicture) {
    Surface* red = CreateSurface(10, 10, 0x840);
    red->Clear(0xF800);
    SurfaceControl image(nullptr, 0, 0, 10, 10, 64);
    image.ownSurface = picture;
    SurfaceControl behind(&image, 0, 0, 10, 10, -1);
    behind.ownSurface = red;
    DrawTree(&image, &root, nullptr);
    EXPECT_EQ(screen->GetPixel(5, 5), 0x07E0u);
    SurfaceControl front(&image, 0, 0, 10, 10, 0);
    front.ownSurface = red;
    DrawTree(&image, &root, nullptr);
    EXPECT_EQ(screen->GetPixel(5, 5), 0xF800u);
    image.SetFlag(control_flags::Visible, false);
    screen->Clear(0);
    DrawTree(&image, &root, nullptr);
    EXPECT_EQ(screen->GetPixel(5, 5), 0u) << "an invisible control draws neither itself nor its children";
    front.ownSurface = nullptr;
    behind.ownSurface = nullptr;
    DestroySurface(red);
}

TEST_F(SurfaceControlTest, HandsItsAlphaAndEffectToTheCopy) {
    struct Case {
        int32_t alpha;
        int32_t effect;
        uint32_t overGreen;  // where the picture is green
        uint32_t overZero;   // where the picture holds colour 0
    };
    // Green 0x07E0 over red 0xF800, 5:6:5. Half opacity: red 31 -> 15, green 63 -> 31; a zero
    // source pixel takes the destination's own value, halved twice: 15 + 15.
    const Case cases[] = {
        {256, 0, 0x07E0, 0x0000},
        {128, 0, 0x7BE0, 0xF000},
        // Source weight (16 x 16) >> 5 = 8: green 15; under a zero pixel red 31 -> 7 + 15.
        {128, -128, 0x79E0, 0xB000},
    };
    for (Case c : cases) {
        screen->Clear(0xF800);
        picture->PutPixel(0, 0, 0, 256, 0);
        SurfaceControl image(nullptr, 20, 30, 30, 40, 64);
        image.ownSurface = picture;
        image.alpha = c.alpha;
        image.effect = c.effect;
        DrawTree(&image, &root, nullptr);
        EXPECT_EQ(screen->GetPixel(25, 35), c.overGreen) << c.alpha << " " << c.effect;
        EXPECT_EQ(screen->GetPixel(20, 30), c.overZero) << c.alpha << " " << c.effect;
    }
}

}  // namespace
