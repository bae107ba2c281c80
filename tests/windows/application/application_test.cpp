// Start-up, the window procedure and shutdown of the host in a windowed mode, in process.
#include <gtest/gtest.h>
#include <windows.h>

#include "display/display.h"
#include "host/host_globals.h"
#include "platform/win32/shell/application.h"
#include "platform/win32/shell/win32_loop_platform.h"
#include "platform/win32/shell/window_proc.h"
#include "sound/sound_device.h"

namespace {

class Listener : public Control {
  public:
    Listener() : Control(nullptr, 0, 0, 0, 0, 64) {}
    Control* HandleMessage(WindowMessage* m) override {
        last = *m;
        return nullptr;
    }
    WindowMessage last{};
};

void PumpPending() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

class ApplicationTest : public ::testing::Test {
  protected:
    void TearDown() override {
        ShutdownApplication();
        PumpPending();
    }
    void Start(uint32_t level) {
        ASSERT_NE(InitApplication(GetModuleHandleA(nullptr), nullptr, SW_SHOW, nullptr, 30, 20, 640, 480, 2,
                                  level, 0),
                  0);
        ASSERT_NE(host::Display, nullptr);
    }
};

TEST_F(ApplicationTest, CreatesTheHostObjectsInOrder) {
    Start(host::kWindowed);
    if (HasFatalFailure()) return;
    EXPECT_STREQ(HostClassName(), "KTZ Application") << "a null title gives the default name";
    ASSERT_NE(host::HostWindow, nullptr);
    char title[64] = {};
    GetWindowTextA(static_cast<HWND>(host::HostWindow), title, sizeof title);
    EXPECT_STREQ(title, "KTZ Application");
    RECT r{};
    GetWindowRect(static_cast<HWND>(host::HostWindow), &r);
    EXPECT_EQ(r.right - r.left, 646);
    EXPECT_EQ(r.bottom - r.top, 504);
    ASSERT_NE(host::Display, nullptr);
    ASSERT_NE(host::RootControl, nullptr);
    EXPECT_EQ(host::RootControl->ownSurface, host::Display->drawSurface);
    EXPECT_EQ(host::RootControl->bounds.right, host::Display->drawSurface->width);
    EXPECT_EQ(host::RootControl->priority, 64);
    EXPECT_EQ(host::ClientOffset, (Point{3, 21}));
    ASSERT_NE(host::NetworkManager, nullptr);
    EXPECT_EQ(host::AppInfo.networkManager, host::NetworkManager);
    EXPECT_TRUE(sound::HasDevice()) << "the ALSA null device serves DirectSound";
    EXPECT_EQ(host::FrameInterval, 40u);
    EXPECT_EQ(host::BackgroundClear, 1u);
    ASSERT_NE(host::AppInfo.currentScreen, nullptr);
    EXPECT_EQ(host::DrawRoot, host::AppInfo.currentScreen);
    EXPECT_EQ(host::UpdateRoot, host::AppInfo.currentScreen);
    EXPECT_EQ(host::InputRoot, host::AppInfo.currentScreen);
    EXPECT_EQ(host::AppInfo.window, host::HostWindow);
    EXPECT_EQ(host::DrawRoot->Transition(), TransitionState::Opening) << "the first screen is opened";
}

TEST_F(ApplicationTest, FramelessWindowHasNoClientOffsetAndThePictureSize) {
    Start(host::kFrameless);
    if (HasFatalFailure()) return;
    EXPECT_EQ(host::ClientOffset, (Point{0, 0}));
    RECT r{};
    GetWindowRect(static_cast<HWND>(host::HostWindow), &r);
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(GetWindowLongA(static_cast<HWND>(host::HostWindow), GWL_STYLE) & WS_POPUP, WS_POPUP);
}

TEST_F(ApplicationTest, WindowProcedureKeepsThePositionAndHandsCloseToTheInputRoot) {
    Start(host::kWindowed);
    if (HasFatalFailure()) return;
    HWND window = static_cast<HWND>(host::HostWindow);
    SetWindowPos(window, nullptr, 100, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PumpPending();
    RECT r{};
    GetWindowRect(window, &r);
    EXPECT_EQ(host::Display->windowX, r.left + 3);
    EXPECT_EQ(host::Display->windowY, r.top + 21);

    Listener listener;
    Control* previous = host::InputRoot;
    host::InputRoot = &listener;
    SendMessageA(window, WM_CLOSE, 7, 9);
    EXPECT_EQ(listener.last.message, unsigned(WM_CLOSE));
    EXPECT_EQ(listener.last.wParam, 7u);
    EXPECT_EQ(listener.last.lParam, 9);
    EXPECT_TRUE(IsWindow(window)) << "closing is the game's decision";
    host::InputRoot = previous;
}

TEST_F(ApplicationTest, FullScreenIgnoresWindowMoves) {
    Start(host::kFullScreen);
    if (HasFatalFailure()) return;
    int32_t x = host::Display->windowX;
    SendMessageA(static_cast<HWND>(host::HostWindow), WM_MOVE, 0, MAKELPARAM(300, 300));
    EXPECT_EQ(host::Display->windowX, x);
}

TEST_F(ApplicationTest, ResizeWindowMovesTheWindowAndResizesTheDisplay) {
    Start(host::kWindowed);
    if (HasFatalFailure()) return;
    EXPECT_EQ(ResizeWindow(800, 600), 1);
    EXPECT_EQ(host::Display->width, 800);
    RECT r{};
    GetWindowRect(static_cast<HWND>(host::HostWindow), &r);
    EXPECT_EQ(r.right - r.left, 803) << "3 and 21 more than the picture";
    EXPECT_EQ(r.bottom - r.top, 621);
}

TEST_F(ApplicationTest, ShutdownReleasesEverythingAndIsSafeTwice) {
    Start(host::kWindowed);
    if (HasFatalFailure()) return;
    HWND window = static_cast<HWND>(host::HostWindow);
    ShutdownApplication();
    EXPECT_EQ(host::DrawRoot, nullptr);
    EXPECT_EQ(host::InputRoot, nullptr);
    EXPECT_EQ(host::UpdateRoot, nullptr);
    EXPECT_EQ(host::AppInfo.currentScreen, nullptr);
    EXPECT_EQ(host::Display, nullptr);
    EXPECT_EQ(host::RootControl, nullptr);
    EXPECT_EQ(host::NetworkManager, nullptr);
    EXPECT_FALSE(IsWindow(window)) << "NT platforms destroy the window";
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), "KTZ Application", &wc));
    ShutdownApplication();
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(ApplicationTest, TheFrameLoopRefusesToRunWithoutADisplay) { EXPECT_EQ(RunHostFrameLoop(), 0); }

}  // namespace
