// The display device on a real DirectDraw (Wine on an Xvfb display of 1024x768 at 16 bits).
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

#include "display/display.h"
#include "host/host_globals.h"
#include "host_globals_scope.h"
#include "platform/memory/common/memory_host_notice_platform.h"
#include "platform/win32/display/directdraw.h"
#include "platform/win32/display/directdraw_display_platform.h"

namespace {

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

class DisplayDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "DisplayDeviceTest";
        RegisterClassA(&wc);
        gDisplayFormat = DisplayFormat{};
        gChannelMasks = ChannelMasks{};
    }
    void TearDown() override {
        DestroyControl(host::RootControl);
        DestroyControl(display);
        EXPECT_EQ(gDirectDraw, nullptr) << "the display releases DirectDraw";
        if (window) DestroyWindow(window);
        UnregisterClassA("DisplayDeviceTest", GetModuleHandleA(nullptr));
    }
    void Open(uint32_t level, int32_t w, int32_t h) {
        DWORD style = level == host::kWindowed ? WS_OVERLAPPEDWINDOW | WS_VISIBLE : WS_POPUP | WS_VISIBLE;
        window = CreateWindowExA(0, "DisplayDeviceTest", "DisplayDeviceTest", style, 50, 40, w + 6, h + 24,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        display = new Display(w, h);
        ASSERT_EQ(display->Create(window, GetModuleHandleA(nullptr), w, h, 2, level), 1);
        host::CooperativeLevel = level;
    }
    static uint16_t PixelOf(Surface* s, int x, int y) {
        s->RefreshPixels(1);
        uint16_t v = *reinterpret_cast<uint16_t*>(s->pixels + y * s->pitch + x * 2);
        s->Unlock();
        return v;
    }

    HostGlobalsScope freshGlobals;
    MemoryHostNoticePlatform notices;
    PlatformSlot<HostNoticePlatform>::Scope noticeScope{notices};
    DirectDrawDisplayPlatform device;
    PlatformSlot<DisplayPlatform>::Scope deviceScope{device};
    PlatformSlot<SurfacePlatform>::Scope surfaceScope{DirectDrawSurfacePlatform::Instance()};
    HWND window = nullptr;
    Display* display = nullptr;
};

TEST_F(DisplayDeviceTest, FullScreenHasAFlippingChainAndAScreenSizedDrawSurface) {
    Open(host::kFullScreen, 1024, 768);
    EXPECT_EQ(gDisplayFormat.bytesPerPixel, 2);
    EXPECT_EQ(gDisplayFormat.rowBytes, 2048);
    EXPECT_EQ(gDisplayFormat.frameBytes, 1572864);
    EXPECT_NE(gDisplayFormat.featureWord & kMmxFeatureBit, 0u);
    EXPECT_EQ(gChannelMasks.redLanes, 0xF800F800F800F800ull) << "the display reports 5:6:5";
    EXPECT_EQ(CurrentPixelLayout(), PixelLayout::Rgb565);
    ASSERT_NE(display->primary(), nullptr);
    EXPECT_NE(display->primary()->platformSurface, nullptr);
    ASSERT_NE(display->backBuffer, nullptr);
    ASSERT_NE(display->drawSurface, nullptr);
    EXPECT_EQ(display->drawSurface->width, 1024);
    EXPECT_EQ(display->drawSurface->height, 768);
    EXPECT_NE(display->drawSurface->pixels, nullptr);
    EXPECT_GE(display->drawSurface->pitch, 2048);
    EXPECT_EQ(display->bounds, (Rect{0, 0, 1024, 768}));
    EXPECT_EQ(display->clipper, nullptr);
}

TEST_F(DisplayDeviceTest, PresentShowsTheDrawSurfaceFullScreen) {
    Open(host::kFullScreen, 1024, 768);
    display->drawSurface->FillRect(100, 100, 200, 200, 0x07E0, 256, 0);
    display->Present();
    EXPECT_EQ(display->presentCount, 1u);
    // After the flip the front buffer holds the frame.
    EXPECT_EQ(PixelOf(display->primary(), 150, 150), 0x07E0);
    EXPECT_EQ(PixelOf(display->primary(), 50, 50), 0);
}

TEST_F(DisplayDeviceTest, WindowedTakesTheDesktopFormatAndPresentsAtTheWindow) {
    Open(host::kWindowed, 320, 200);
    EXPECT_EQ(gDisplayFormat.bytesPerPixel, 2) << "16-bit desktop";
    EXPECT_EQ(gDisplayFormat.screenWidth, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(display->backBuffer, nullptr);
    EXPECT_NE(display->clipper, nullptr);
    RECT r{};
    GetWindowRect(window, &r);
    EXPECT_EQ(display->windowX, r.left + 3);
    EXPECT_EQ(display->windowY, r.top + 21);
    EXPECT_EQ(display->drawSurface->width, GetSystemMetrics(SM_CXSCREEN)) << "desktop-sized draw surface";
    display->Present();
    EXPECT_EQ(display->presentCount, 1u);
}

TEST_F(DisplayDeviceTest, FullScreenResizeReportsAFailedModeAndPointsTheRootAtTheNewDrawSurface) {
    Open(host::kFullScreen, 1024, 768);
    host::RootControl = new RootControl(nullptr, 0, 0, 0, 0, 64);
    PointRootControlAtDrawSurface(*display);
    display->ResizeDisplay(800, 600);
    // This display cannot change its mode (Xvfb has one): the failure is reported and the
    // display goes on with surfaces of the new size.
    EXPECT_EQ(notices.debugMessages, (std::vector<std::string>{"Fail to make Set Display Mode"}));
    EXPECT_EQ(gDisplayFormat.screenWidth, 800);
    EXPECT_EQ(gDisplayFormat.rowBytes, 1600);
    ASSERT_NE(display->drawSurface, nullptr);
    EXPECT_EQ(display->drawSurface->width, 800);
    EXPECT_EQ(host::RootControl->ownSurface, display->drawSurface);
    EXPECT_EQ(host::RootControl->bounds, (Rect{0, 0, 800, 600}));
    EXPECT_NE(display->primary()->platformSurface, nullptr);
    EXPECT_EQ(display->width, 800);
    display->drawSurface->FillRect(0, 0, 10, 10, 0xFFFF, 256, 0);
    display->Present();
    display->ResizeDisplay(1024, 768);
    EXPECT_EQ(display->drawSurface->width, 1024);
}

TEST_F(DisplayDeviceTest, WindowedResizeChangesOnlyThePresentedSize) {
    Open(host::kWindowed, 320, 200);
    Surface* draw = display->drawSurface;
    display->ResizeDisplay(640, 480);
    EXPECT_EQ(display->drawSurface, draw);
    EXPECT_EQ(display->width, 640);
    EXPECT_EQ(display->height, 480);
    EXPECT_EQ(display->bounds, (Rect{0, 0, 640, 480}));
}

TEST_F(DisplayDeviceTest, RestoreLeavesSurfacesThatAreNotLostAlone) {
    Open(host::kFullScreen, 1024, 768);
    uint8_t* pixels = display->drawSurface->pixels;
    display->RestoreSurfaces();
    EXPECT_EQ(display->drawSurface->pixels, pixels);
    for (int i = 0; i < 70; ++i)
        display->Present();
    EXPECT_EQ(display->presentCount, 70u);
}

}  // namespace
