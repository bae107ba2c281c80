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

}  // namespace
