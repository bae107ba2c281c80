// The display device's creation, presenting, restoring and resizing, on a memory device whose
// every step can be made to fail.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/display.h"
#include "host/host_globals.h"
#include "host_globals_scope.h"
#include "platform/memory/display/memory_display_machine.h"

namespace {

constexpr uint32_t kFullScreen = host::kFullScreen;
constexpr uint32_t kWindowed = host::kWindowed;
constexpr uint32_t kFrameless = host::kFrameless;
constexpr uint32_t kFlippingCaps = 0x218;
constexpr uint16_t kGreen565 = 0x07E0;
constexpr uint32_t kGreen32 = 0x00FF00;

std::vector<uint32_t> CapsOf(const std::vector<PrimaryDescription>& requests) {
    std::vector<uint32_t> caps;
    for (const PrimaryDescription& d : requests)
        caps.push_back(d.capabilities);
    return caps;
}

class DisplayDeviceTest : public ::testing::Test {
  protected:
    DisplayDeviceTest() {
        gDisplayFormat = DisplayFormat{};
        gChannelMasks = ChannelMasks{};
    }
    ~DisplayDeviceTest() override {
        DestroyControl(host::RootControl);
        DestroyControl(display);
        EXPECT_EQ(surfaces.LiveSurfaces(), 0u) << "the display lets go of every surface it made";
        EXPECT_FALSE(device.HasDevice()) << "the display lets go of the display object";
        EXPECT_EQ(host::DirectDrawObject, nullptr);
        gDisplayFormat = DisplayFormat{};
        gChannelMasks = ChannelMasks{};
    }

    int32_t Open(uint32_t level, int32_t w = 1024, int32_t h = 768, int32_t bytesPerPixel = 2) {
        display = new Display(w, h);
        return display->Create(window, instance, w, h, bytesPerPixel, level);
    }

    // The pixel the screen shows: the primary's memory as the platform has it now.
    uint32_t ScreenPixel(int32_t x, int32_t y) {
        Surface* primary = display->primary();
        primary->RefreshPixels(1);
        primary->Unlock();
        return primary->GetPixel(x, y);
    }

    void PointARootControlAtTheDrawSurface() {
        host::RootControl = new RootControl(nullptr, 0, 0, 0, 0, 64);
        PointRootControlAtDrawSurface(*display);
    }

    static bool Lost(Surface* s) { return static_cast<MemorySurface*>(s->platformSurface)->lost; }
    static void Lose(Surface* s) { MemorySurfacePlatform::MarkLost(s->platformSurface); }

    HostGlobalsScope freshGlobals;
    MemoryDisplayMachine machine{MemoryDisplayPlatform::Mode{1280, 1024, 32}};
    MemorySurfacePlatform& surfaces = machine.surfaces;
    MemoryDisplayPlatform& device = machine.device;
    MemoryHostNoticePlatform& notices = machine.notices;
    int windowObject = 0;
    int instanceObject = 0;
    void* window = &windowObject;
    void* instance = &instanceObject;
    Display* display = nullptr;
};

TEST_F(DisplayDeviceTest, FullScreenCreationSetsTheModeAndBuildsAFlippingChainAndADrawSurface) {
    ASSERT_EQ(Open(kFullScreen), 1);
    EXPECT_EQ(host::HostWindow, window);
    EXPECT_EQ(host::InstanceHandle, instance);
    EXPECT_EQ(host::CooperativeLevel, kFullScreen);
    EXPECT_EQ(host::DirectDrawObject, device.EngineInterface());
    EXPECT_NE(host::DirectDrawObject, nullptr);
    EXPECT_EQ(device.CooperativeFlags(), kFullScreen);
    EXPECT_EQ(gDisplayFormat.featureWord, ReadProcessorFeatureWord());
    EXPECT_EQ(device.CurrentMode(), (MemoryDisplayPlatform::Mode{1024, 768, 16}));
    EXPECT_EQ(gDisplayFormat.screenWidth, 1024);
    EXPECT_EQ(gDisplayFormat.rowBytes, 2048);
    EXPECT_EQ(gDisplayFormat.frameBytes, 1572864);
    EXPECT_EQ(device.PrimaryRequests(), (std::vector<PrimaryDescription>{{0x21, 2, kFlippingCaps}}));
    EXPECT_EQ(gChannelMasks.redLanes, 0xF800F800F800F800ull) << "masks from the primary's 5:6:5 format";
    EXPECT_EQ(CurrentPixelLayout(), PixelLayout::Rgb565);

    ASSERT_NE(display->primary(), nullptr);
    EXPECT_NE(display->primary()->pixels, nullptr);
    EXPECT_EQ(display->primary()->width, 1024);
    EXPECT_EQ(display->bounds, (Rect{0, 0, 1024, 768}));
    ASSERT_NE(display->backBuffer, nullptr);
    EXPECT_EQ(display->backBuffer->height, 768);
    ASSERT_NE(display->drawSurface, nullptr);
    EXPECT_NE(dynamic_cast<Surface565*>(display->drawSurface), nullptr);
    EXPECT_EQ(display->drawSurface->width, 1024);
    EXPECT_EQ(display->drawSurface->height, 768);
    EXPECT_EQ(display->clipper, nullptr);
    EXPECT_EQ(display->windowX, 0);
    EXPECT_TRUE(notices.quitCodes.empty());
}

TEST_F(DisplayDeviceTest, WindowedCreationTakesTheDesktopFormatAndTheClientAreaOfTheWindow) {
    struct Case {
        uint32_t level;
        Point clientOffset;
    };
    for (Case c : {Case{kWindowed, {3, 21}}, Case{kFrameless, {0, 0}}}) {
        SCOPED_TRACE(c.level);
        device.MoveWindowTo(Rect{-40, 30, 600, 500});
        ASSERT_EQ(Open(c.level, 640, 480, 2), 1);
        EXPECT_EQ(gDisplayFormat.bytesPerPixel, 4) << "the 32-bit desktop's depth, whatever was asked";
        EXPECT_EQ(gDisplayFormat.screenWidth, 1280);
        EXPECT_EQ(gDisplayFormat.screenHeight, 1024);
        EXPECT_EQ(gDisplayFormat.rowBytes, 4 * 640);
        EXPECT_EQ(device.CurrentMode(), (MemoryDisplayPlatform::Mode{1280, 1024, 32})) << "no mode change";
        EXPECT_EQ(device.PrimaryRequests().back(), (PrimaryDescription{0x1, 0, 0x4200}));
        EXPECT_NE(dynamic_cast<Surface32*>(display->drawSurface), nullptr);
        EXPECT_EQ(display->drawSurface->width, 1280) << "the draw surface is desktop-sized";
        EXPECT_EQ(display->backBuffer, nullptr);
        ASSERT_NE(display->clipper, nullptr);
        EXPECT_EQ(device.ClipperWindow(display->clipper), window);
        EXPECT_EQ(host::ClientOffset, c.clientOffset);
        EXPECT_EQ(display->windowX, -40 + c.clientOffset.x);
        EXPECT_EQ(display->windowY, 30 + c.clientOffset.y);
        EXPECT_EQ(display->width, 640);
        EXPECT_EQ(display->height, 480);
        DestroyControl(display);
        display = nullptr;
    }
}

TEST_F(DisplayDeviceTest, AWindowedPictureFollowsItsWindowAndAFullScreenOneStaysAtTheCorner) {
    struct Case {
        uint32_t level;
        Point expected;
    };
    for (Case c : {Case{kWindowed, {-97, 221}}, Case{kFrameless, {-100, 200}}, Case{kFullScreen, {0, 0}}}) {
        SCOPED_TRACE(c.level);
        ASSERT_EQ(Open(c.level, 640, 480, 2), 1);
        display->FollowWindowFrame(Rect{-100, 200, 560, 700});
        EXPECT_EQ((Point{display->windowX, display->windowY}), c.expected);
        DestroyControl(display);
        display = nullptr;
    }
}

TEST_F(DisplayDeviceTest, EachCreationStepThatFailsEndsCreationTheWayItShould) {
    struct Case {
        const char* step;
        void (*fail)(MemoryDisplayPlatform&);
        uint32_t level;
        int32_t bytesPerPixel;
        int32_t result;
        std::vector<int32_t> quitCodes;
        bool hasPrimarySurface;
        bool hasDrawSurface;
    };
    const Case cases[] = {
        {"invalid GUID",
         [](MemoryDisplayPlatform& d) { d.FailDeviceCreation(int32_t(0x88760231u)); },
         kFullScreen,
         2,
         0,
         {},
         false,
         false},
        {"already created",
         [](MemoryDisplayPlatform& d) { d.FailDeviceCreation(int32_t(0x88760232u)); },
         kFullScreen,
         2,
         0,
         {},
         false,
         false},
        {"no hardware",
         [](MemoryDisplayPlatform& d) { d.FailDeviceCreation(int32_t(0x88760233u)); },
         kWindowed,
         2,
         0,
         {},
         false,
         false},
        {"generic",
         [](MemoryDisplayPlatform& d) { d.FailDeviceCreation(int32_t(0x80004005u)); },
         kFullScreen,
         2,
         0,
         {},
         false,
         false},
        {"out of memory",
         [](MemoryDisplayPlatform& d) { d.FailDeviceCreation(int32_t(0x8007000Eu)); },
         kFullScreen,
         2,
         0,
         {},
         false,
         false},
        {"invalid parameters",
         [](MemoryDisplayPlatform& d) { d.FailDeviceCreation(int32_t(0x80070057u)); },
         kFullScreen,
         2,
         0,
         {},
         false,
         false},
        {"another code",
         [](MemoryDisplayPlatform& d) { d.FailDeviceCreation(int32_t(0x88760001u)); },
         kFullScreen,
         2,
         0,
         {},
         false,
         false},
        {"cooperative level",
         [](MemoryDisplayPlatform& d) { d.RefuseCooperativeLevel(); },
         kFullScreen,
         2,
         0,
         {2},
         false,
         false},
        {"engine interface",
         [](MemoryDisplayPlatform& d) { d.RefuseEngineInterface(); },
         kWindowed,
         2,
         0,
         {2},
         false,
         false},
        {"no device context",
         [](MemoryDisplayPlatform& d) { d.WithoutDeviceContext(); },
         kWindowed,
         4,
         1,
         {2},
         true,
         true},
        {"no surface record", [](MemoryDisplayPlatform&) {}, kFullScreen, 1, 0, {}, false, false},
        {"both primaries",
         [](MemoryDisplayPlatform& d) { d.RefuseAllPrimaries(); },
         kFullScreen,
         2,
         0,
         {},
         false,
         false},
        {"display mode",
         [](MemoryDisplayPlatform& d) { d.RefuseDisplayModes(); },
         kFullScreen,
         2,
         1,
         {},
         true,
         true},
        {"clipper", [](MemoryDisplayPlatform& d) { d.RefuseClipper(); }, kWindowed, 2, 1, {}, true, true},
        {"back buffer",
         [](MemoryDisplayPlatform& d) { d.WithoutBackBuffer(); },
         kFullScreen,
         2,
         1,
         {},
         true,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        MemoryDisplayMachine caseMachine{MemoryDisplayPlatform::Mode{1024, 768, 16}};
        MemorySurfacePlatform& caseSurfaces = caseMachine.surfaces;
        MemoryDisplayPlatform& caseDevice = caseMachine.device;
        MemoryHostNoticePlatform& caseNotices = caseMachine.notices;
        c.fail(caseDevice);
        gDisplayFormat = DisplayFormat{};
        gChannelMasks = ChannelMasks{};
        auto* shown = new Display(800, 600);
        EXPECT_EQ(shown->Create(window, instance, 800, 600, c.bytesPerPixel, c.level), c.result);
        EXPECT_EQ(caseNotices.quitCodes, c.quitCodes);
        EXPECT_EQ(shown->primary() && shown->primary()->platformSurface, c.hasPrimarySurface);
        EXPECT_EQ(shown->drawSurface != nullptr, c.hasDrawSurface);
        EXPECT_EQ(host::DirectDrawObject != nullptr, caseDevice.HasEngineInterface());
        EXPECT_EQ(caseDevice.HasDevice(), caseDevice.HasEngineInterface())
            << "a refused display object is let go";
        if (c.result == 1) {
            EXPECT_NE(host::DirectDrawObject, nullptr);
        }
        EXPECT_TRUE(caseNotices.debugMessages.empty()) << "creation reports nothing in a box";
        DestroyControl(shown);
        EXPECT_EQ(caseSurfaces.LiveSurfaces(), 0u);
        EXPECT_FALSE(caseDevice.HasDevice());
    }
}

TEST_F(DisplayDeviceTest, ARefusedPrimaryIsTriedOnceMoreWithOtherCapabilities) {
    struct Case {
        uint32_t level;
        uint32_t firstCaps;
        uint32_t retryCaps;
    };
    for (Case c : {Case{kWindowed, 0x4200, 0xA00}, Case{kFullScreen, kFlippingCaps, kFlippingCaps}}) {
        SCOPED_TRACE(c.level);
        MemoryDisplayMachine caseMachine{MemoryDisplayPlatform::Mode{1024, 768, 16}};
        MemorySurfacePlatform& caseSurfaces = caseMachine.surfaces;
        MemoryDisplayPlatform& caseDevice = caseMachine.device;
        MemoryHostNoticePlatform& caseNotices = caseMachine.notices;
        caseSurfaces.FailNextCreate();
        auto* shown = new Display(640, 480);
        EXPECT_EQ(shown->Create(window, instance, 640, 480, 2, c.level), 1);
        EXPECT_EQ(CapsOf(caseDevice.PrimaryRequests()), (std::vector<uint32_t>{c.firstCaps, c.retryCaps}));
        EXPECT_NE(shown->primary()->platformSurface, nullptr);
        DestroyControl(shown);
    }
}

TEST_F(DisplayDeviceTest, FullScreenPresentCopiesToTheBackBufferAndFlips) {
    ASSERT_EQ(Open(kFullScreen), 1);
    display->drawSurface->FillRect(100, 100, 200, 200, kGreen565, 256, 0);
    display->Present();
    EXPECT_EQ(display->presentCount, 1u);
    EXPECT_EQ(device.Flips(), 1);
    EXPECT_EQ(ScreenPixel(150, 150), kGreen565);
    EXPECT_EQ(ScreenPixel(50, 50), 0u);
}

TEST_F(DisplayDeviceTest, FullScreenWithoutABackBufferCopiesToThePrimaryAtTheCorner) {
    device.WithoutBackBuffer();
    ASSERT_EQ(Open(kFullScreen), 1);
    ASSERT_EQ(display->backBuffer, nullptr);
    display->drawSurface->FillRect(0, 0, 10, 10, kGreen565, 256, 0);
    display->Present();
    EXPECT_EQ(device.Flips(), 0);
    EXPECT_EQ(ScreenPixel(5, 5), kGreen565);
    EXPECT_EQ(ScreenPixel(1023, 767), 0u);
}

TEST_F(DisplayDeviceTest, WindowedPresentShowsThePictureAtTheClientAreaCutAtTheDesktopEdges) {
    struct Case {
        Rect frame;        // the window's outer rectangle
        Point drawn;       // a draw-surface pixel
        Point shown;       // where the desktop shows it
        Point notShownAt;  // a desktop pixel outside the picture
    };
    // The framed window's client area starts 3 right and 21 down from its outer corner.
    const Case cases[] = {
        {{100, 50, 746, 554}, {0, 0}, {103, 71}, {102, 71}},
        {{-103, 0, 543, 504}, {100, 10}, {0, 31}, {540, 31}},         // client area at x = -100
        {{1000, 900, 1646, 1404}, {276, 102}, {1279, 1023}, {0, 0}},  // past the right and bottom edges
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame.left);
        device.MoveWindowTo(c.frame);
        ASSERT_EQ(Open(kWindowed, 640, 480), 1);
        display->primary()->Clear(0);
        display->drawSurface->PutPixel(c.drawn.x, c.drawn.y, kGreen32, 256, 0);
        display->drawSurface->PutPixel(c.drawn.x + 1, c.drawn.y, kGreen32, 256, 0);
        display->Present();
        EXPECT_EQ(ScreenPixel(c.shown.x, c.shown.y), kGreen32);
        EXPECT_EQ(ScreenPixel(c.notShownAt.x, c.notShownAt.y), 0u);
        DestroyControl(display);
        display = nullptr;
    }
}

TEST_F(DisplayDeviceTest, WindowedPresentShowsOnlyTheTopLeftWidthByHeight) {
    device.MoveWindowTo(Rect{0, 0, 646, 504});
    ASSERT_EQ(Open(kFrameless, 640, 480), 1);
    display->drawSurface->Clear(kGreen32);
    display->Present();
    EXPECT_EQ(ScreenPixel(639, 479), kGreen32);
    EXPECT_EQ(ScreenPixel(640, 479), 0u);
    EXPECT_EQ(ScreenPixel(639, 480), 0u);
}

TEST_F(DisplayDeviceTest, PresentChecksThePrimaryForLossInTheFirst64CallsOfEvery1048576) {
    struct Case {
        uint32_t presentNumber;
        bool checks;
    };
    for (Case c : {Case{1, true}, Case{63, true}, Case{64, false}, Case{1048575, false}, Case{1048576, true},
                   Case{1048576 + 63, true}}) {
        SCOPED_TRACE(c.presentNumber);
        ASSERT_EQ(Open(kFullScreen), 1);
        display->drawSurface->FillRect(0, 0, 4, 4, kGreen565, 256, 0);
        display->presentCount = c.presentNumber - 1;
        Lose(display->primary());
        const int32_t flipsBefore = device.Flips();
        display->Present();
        EXPECT_EQ(display->presentCount, c.presentNumber);
        // A found loss is restored and costs the frame; an unnoticed one leaves the flip to fail.
        EXPECT_EQ(Lost(display->primary()), !c.checks);
        EXPECT_EQ(device.Flips(), flipsBefore);
        display->Present();
        EXPECT_EQ(device.Flips(), flipsBefore + (c.checks ? 1 : 0));
        DestroyControl(display);
        display = nullptr;
    }
}

TEST_F(DisplayDeviceTest, ALostPrimaryIsRestoredWithTheOtherSurfacesAndTheFrameIsDropped) {
    ASSERT_EQ(Open(kFullScreen), 1);
    display->drawSurface->FillRect(0, 0, 4, 4, kGreen565, 256, 0);
    Lose(display->primary());
    Lose(display->drawSurface);
    Lose(display->backBuffer);
    display->Present();
    EXPECT_EQ(device.Flips(), 0);
    EXPECT_FALSE(Lost(display->primary()));
    EXPECT_FALSE(Lost(display->drawSurface));
    EXPECT_FALSE(Lost(display->backBuffer));
    EXPECT_NE(display->primary()->pixels, nullptr);
    display->Present();
    EXPECT_EQ(device.Flips(), 1);
}

TEST_F(DisplayDeviceTest, AWindowedPresentRestoresALostDrawSurfaceAtEveryCall) {
    device.MoveWindowTo(Rect{0, 0, 646, 504});
    ASSERT_EQ(Open(kFrameless, 640, 480), 1);
    display->presentCount = 100;  // past the calls that check the primary
    display->drawSurface->Clear(kGreen32);
    Lose(display->drawSurface);
    display->Present();
    EXPECT_FALSE(Lost(display->drawSurface));
    EXPECT_EQ(ScreenPixel(10, 10), 0u) << "the frame that found the loss is not shown";
    display->drawSurface->Clear(kGreen32);
    display->Present();
    EXPECT_EQ(ScreenPixel(10, 10), kGreen32);
}

TEST_F(DisplayDeviceTest, RestoreSurfacesRestoresOnlyWhatIsLost) {
    ASSERT_EQ(Open(kFullScreen), 1);
    Lose(display->drawSurface);
    Lose(display->backBuffer);
    uint8_t* primaryPixels = display->primary()->pixels;
    display->primary()->pixels = nullptr;  // a surface that is not lost keeps what it has
    display->RestoreSurfaces();
    EXPECT_FALSE(Lost(display->drawSurface));
    EXPECT_FALSE(Lost(display->backBuffer));
    EXPECT_NE(display->drawSurface->pixels, nullptr);
    EXPECT_EQ(display->primary()->pixels, nullptr);
    display->primary()->pixels = primaryPixels;
}

TEST_F(DisplayDeviceTest, FullScreenResizeChangesTheModeAndRemakesTheSurfacesAndTheRootControl) {
    ASSERT_EQ(Open(kFullScreen), 1);
    PointARootControlAtTheDrawSurface();
    Surface* primaryRecord = display->primary();
    display->ResizeDisplay(800, 600);
    EXPECT_EQ(device.FocusRequests(), 1);
    EXPECT_TRUE(notices.debugMessages.empty());
    EXPECT_EQ(device.CurrentMode(), (MemoryDisplayPlatform::Mode{800, 600, 16}));
    EXPECT_EQ(gDisplayFormat.screenWidth, 800);
    EXPECT_EQ(gDisplayFormat.rowBytes, 1600);
    EXPECT_EQ(gDisplayFormat.frameBytes, 960000);
    EXPECT_EQ(display->primary(), primaryRecord) << "the primary record stays";
    EXPECT_EQ(static_cast<MemorySurface*>(primaryRecord->platformSurface)->width, 800);
    EXPECT_EQ(device.PrimaryRequests().back(), (PrimaryDescription{0x21, 2, kFlippingCaps}));
    ASSERT_NE(display->backBuffer, nullptr);
    EXPECT_EQ(display->backBuffer->width, 800);
    ASSERT_NE(display->drawSurface, nullptr);
    EXPECT_EQ(display->drawSurface->width, 800);
    EXPECT_EQ(display->drawSurface->height, 600);
    EXPECT_EQ(host::RootControl->ownSurface, display->drawSurface);
    EXPECT_EQ(host::RootControl->bounds, (Rect{0, 0, 800, 600}));
    EXPECT_EQ(display->bounds, (Rect{0, 0, 800, 600}));
    EXPECT_EQ(display->width, 800);
    display->drawSurface->FillRect(700, 500, 800, 600, kGreen565, 256, 0);
    display->Present();
    EXPECT_EQ(ScreenPixel(799, 599), kGreen565);
}

TEST_F(DisplayDeviceTest, AFailedModeChangeIsReportedAndTheDisplayGoesOnAtTheNewSize) {
    ASSERT_EQ(Open(kFullScreen), 1);
    PointARootControlAtTheDrawSurface();
    device.RefuseDisplayModes();
    display->ResizeDisplay(800, 600);
    EXPECT_EQ(notices.debugMessages, (std::vector<std::string>{"Fail to make Set Display Mode"}));
    EXPECT_EQ(device.CurrentMode(), (MemoryDisplayPlatform::Mode{1024, 768, 16}));
    EXPECT_NE(display->primary()->platformSurface, nullptr);
    EXPECT_EQ(display->primary()->width, 800);
    ASSERT_NE(display->drawSurface, nullptr);
    EXPECT_EQ(display->drawSurface->width, 800);
    EXPECT_EQ(host::RootControl->ownSurface, display->drawSurface);
    EXPECT_EQ(host::RootControl->bounds, (Rect{0, 0, 800, 600}));
    display->Present();
    EXPECT_EQ(device.Flips(), 1);
}

TEST_F(DisplayDeviceTest, AReopenedScreenIsANewFlippingChainBehindTheRecordsTheGameHolds) {
    ASSERT_EQ(Open(kFullScreen), 1);
    PointARootControlAtTheDrawSurface();
    Surface* primaryRecord = display->primary();
    Surface* drawSurface = display->drawSurface;
    PlatformSurface oldPrimary = primaryRecord->platformSurface;
    const size_t surfacesBefore = surfaces.LiveSurfaces();
    drawSurface->FillRect(0, 0, 10, 10, kGreen565, 256, 0);
    // The desktop's own mode came back meanwhile, as when the game was shown in a window.
    ASSERT_GE(device.SetDisplayMode(1280, 1024, 32), 0);

    ASSERT_TRUE(display->ReopenScreen());
    EXPECT_EQ(device.CurrentMode(), (MemoryDisplayPlatform::Mode{1024, 768, 16}));
    EXPECT_EQ(device.CooperativeFlags(), kFullScreen);
    EXPECT_EQ(device.PrimaryRequests().back(), (PrimaryDescription{0x21, 2, kFlippingCaps}));
    EXPECT_EQ(display->primary(), primaryRecord) << "the records stay";
    EXPECT_NE(primaryRecord->platformSurface, oldPrimary) << "behind them, a new chain";
    EXPECT_NE(primaryRecord->pixels, nullptr);
    EXPECT_EQ(display->drawSurface, drawSurface);
    EXPECT_EQ(host::RootControl->ownSurface, drawSurface);
    EXPECT_EQ(gDisplayFormat.screenWidth, 1024);
    EXPECT_EQ(surfaces.LiveSurfaces(), surfacesBefore) << "the old chain is let go";
    ASSERT_NE(display->backBuffer, nullptr);
    display->Present();
    EXPECT_EQ(ScreenPixel(5, 5), kGreen565) << "the frame drawn before reaches the new screen";
}

TEST_F(DisplayDeviceTest, AScreenThatCannotBeReopenedShowsNothingUntilItCan) {
    ASSERT_EQ(Open(kFullScreen), 1);
    device.RefuseAllPrimaries();
    EXPECT_FALSE(display->ReopenScreen());
    EXPECT_EQ(display->primary()->platformSurface, nullptr);
    EXPECT_EQ(display->backBuffer, nullptr);
    const int32_t flips = device.Flips();
    display->Present();
    EXPECT_EQ(device.Flips(), flips);
    device.RefuseAllPrimaries(false);
    ASSERT_TRUE(display->ReopenScreen());
    ASSERT_NE(display->backBuffer, nullptr);
    display->drawSurface->FillRect(0, 0, 10, 10, kGreen565, 256, 0);
    display->Present();
    EXPECT_EQ(ScreenPixel(5, 5), kGreen565);

    device.RefuseCooperativeLevel();
    EXPECT_FALSE(display->ReopenScreen());
}

TEST_F(DisplayDeviceTest, TheWindowedLevelsHaveNoScreenToReopen) {
    ASSERT_EQ(Open(kWindowed), 1);
    PlatformSurface primary = display->primary()->platformSurface;
    EXPECT_FALSE(display->ReopenScreen());
    EXPECT_EQ(display->primary()->platformSurface, primary);
    EXPECT_EQ(device.CurrentMode(), (MemoryDisplayPlatform::Mode{1280, 1024, 32}));
}

TEST_F(DisplayDeviceTest, AResizedPrimaryIsTriedInSystemMemoryAndItsFailureIsReported) {
    struct Case {
        bool refuseAll;
        std::vector<std::string> messages;
        bool hasPrimary;
    };
    for (const Case& c : {Case{false, {}, true}, Case{true, {"Fail to make Primary surface"}, false}}) {
        SCOPED_TRACE(c.refuseAll);
        MemoryDisplayMachine caseMachine{MemoryDisplayPlatform::Mode{1024, 768, 16}};
        MemorySurfacePlatform& caseSurfaces = caseMachine.surfaces;
        MemoryDisplayPlatform& caseDevice = caseMachine.device;
        MemoryHostNoticePlatform& caseNotices = caseMachine.notices;
        auto* shown = new Display(1024, 768);
        ASSERT_EQ(shown->Create(window, instance, 1024, 768, 2, kFullScreen), 1);
        caseDevice.RefusePrimaryCaps(kFlippingCaps);
        caseDevice.RefuseAllPrimaries(c.refuseAll);
        shown->ResizeDisplay(640, 480);
        EXPECT_EQ(CapsOf(caseDevice.PrimaryRequests()),
                  (std::vector<uint32_t>{kFlippingCaps, kFlippingCaps, 0xA18}));
        EXPECT_EQ(caseNotices.debugMessages, c.messages);
        EXPECT_EQ(shown->primary()->platformSurface != nullptr, c.hasPrimary);
        EXPECT_EQ(shown->backBuffer != nullptr, c.hasPrimary);
        ASSERT_NE(shown->drawSurface, nullptr) << "the draw surface is made either way";
        EXPECT_EQ(shown->drawSurface->width, 640);
        shown->Present();
        DestroyControl(shown);
        EXPECT_EQ(caseSurfaces.LiveSurfaces(), 0u);
    }
}

TEST_F(DisplayDeviceTest, AResizeWithoutABackBufferLeavesTheDisplayWithoutOne) {
    ASSERT_EQ(Open(kFullScreen), 1);
    ASSERT_NE(display->backBuffer, nullptr);
    device.WithoutBackBuffer();
    display->ResizeDisplay(800, 600);
    EXPECT_EQ(display->backBuffer, nullptr);
    display->drawSurface->FillRect(0, 0, 4, 4, kGreen565, 256, 0);
    display->Present();
    EXPECT_EQ(ScreenPixel(2, 2), kGreen565) << "shown by a copy to the primary";
}

TEST_F(DisplayDeviceTest, AWindowedResizeChangesOnlyThePresentedSize) {
    device.MoveWindowTo(Rect{0, 0, 646, 504});
    ASSERT_EQ(Open(kFrameless, 640, 480), 1);
    PointARootControlAtTheDrawSurface();
    Surface* draw = display->drawSurface;
    PlatformSurface primary = display->primary()->platformSurface;
    display->ResizeDisplay(320, 200);
    EXPECT_EQ(device.FocusRequests(), 1);
    EXPECT_EQ(display->drawSurface, draw);
    EXPECT_EQ(display->primary()->platformSurface, primary);
    EXPECT_EQ(host::RootControl->ownSurface, draw);
    EXPECT_EQ(display->bounds, (Rect{0, 0, 320, 200}));
    EXPECT_EQ(gDisplayFormat.screenWidth, 1280);
    display->drawSurface->Clear(kGreen32);
    display->Present();
    EXPECT_EQ(ScreenPixel(319, 199), kGreen32);
    EXPECT_EQ(ScreenPixel(320, 199), 0u);
}

TEST_F(DisplayDeviceTest, ADisplayWhoseCreationFailedCanBeResizedAndPresented) {
    device.FailDeviceCreation(int32_t(0x80004005u));
    ASSERT_EQ(Open(kFullScreen), 0);
    PointARootControlAtTheDrawSurface();
    EXPECT_EQ(host::RootControl->bounds, (Rect{0, 0, 0, 0})) << "no draw surface";
    display->ResizeDisplay(800, 600);
    display->Present();
    display->RestoreSurfaces();
    EXPECT_EQ(display->drawSurface, nullptr);
    EXPECT_TRUE(notices.debugMessages.empty());
}

}  // namespace
