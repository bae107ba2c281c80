#include "platform/win32/shell/application.h"

#include <cstring>

#include "controls/pointer_platform.h"
#include "host/host_globals.h"
#include "platform/win32/controls/gdi_text_platform.h"
#include "platform/win32/controls/win32_screen_module_platform.h"
#include "platform/win32/shell/presentation.h"
#include "platform/win32/shell/built_in_release_key.h"
#include "platform/win32/shell/win32_platforms.h"
#include "platform/win32/shell/window_proc.h"
#include "platform/win32/startscreen/win32_start_screen_platform.h"
#include "shell/host_start_up.h"
#include "shell/host_window_platform.h"
#include "shell/module_hand_over.h"
#include "startscreen/screen/start_screen.h"

namespace {
char gClassName[256] = {};

// The exit code of a run that ended because the game module could not be handed over.
constexpr int32_t kGameModuleFailedExitCode = 3;

// Once the update has finished, the game module beside the executable takes over the screen.
// When it cannot, a person is told which module and what is wrong, and the run ends in order:
// the start screen keeps the roots, and the quit message ends the frame loop, which releases
// everything.
void ReportFailedHandOver(const HandOverResult& result) {
    MessageBoxA(static_cast<HWND>(host::HostWindow), result.message.c_str(), "Game module",
                MB_OK | MB_ICONERROR);
    host::ExitCode = kGameModuleFailedExitCode;
    PostQuitMessage(kGameModuleFailedExitCode);
}

bool HandOverFromStartScreen() {
    static GameModuleHandOver handOver(Win32ScreenModulePlatform::Instance(), ReportFailedHandOver);
    return handOver.Request();
}

class Win32HostWindowPlatform final : public HostWindowPlatform {
  public:
    int32_t ResizeWindow(int32_t width, int32_t height) override { return ::ResizeWindow(width, height); }
};

GdiTextPlatform gTextPlatform;
Win32StartScreenPlatform gStartScreenPlatform(TIDEMARCH_DEFAULT_UPDATE_SERVER, HandOverFromStartScreen,
                                              BuiltInReleaseKey(), kGameModulePath);

DWORD StyleFor(uint32_t cooperativeLevel) {
    // An overlapped window gets its caption and fixed border from the platform.
    if (cooperativeLevel == host::kWindowed) return WS_SYSMENU | WS_MINIMIZEBOX;
    return WS_POPUP | WS_VISIBLE;
}

// The cursor follows the platform's pointer, taken into the game's coordinates when the game is
// shown in a window form; for the whole run.
class PresentedPointerPlatform final : public PointerPlatform {
  public:
    bool ScreenCursorPosition(Point* position) override { return PresentedPointerPosition(position); }
};

void InstallPointerPlatform() {
    static PresentedPointerPlatform pointer;
    static PointerPlatformSlot::Scope pointerScope(pointer);
}

// The outer size of a framed window around a picture of the requested size.
constexpr int32_t kFrameExtraWidth = 6;
constexpr int32_t kFrameExtraHeight = 24;

class Win32HostStartUpPlatform final : public HostStartUpPlatform {
  public:
    Win32HostStartUpPlatform(HINSTANCE instance, bool registerClass)
        : instance_(instance), registerClass_(registerClass) {}

    void* CreateHostWindow(const HostWindowRequest& request) override {
        std::strncpy(gClassName, request.title ? request.title : "KTZ Application", sizeof gClassName - 1);
        if (registerClass_ && !RegisterHostClass(request.iconResource)) return nullptr;
        const bool framed = request.cooperativeLevel != host::kFrameless;
        const int32_t outerWidth = framed ? request.width + kFrameExtraWidth : request.width;
        const int32_t outerHeight = framed ? request.height + kFrameExtraHeight : request.height;
        const HostWindowShape shape =
            InitialWindowShape(request.x, request.y, outerWidth, outerHeight,
                               StyleFor(request.cooperativeLevel), request.width, request.height);
        HWND window =
            CreateWindowExA(0, gClassName, gClassName, shape.style, shape.outer.left, shape.outer.top,
                            shape.outer.right - shape.outer.left, shape.outer.bottom - shape.outer.top,
                            nullptr, nullptr, instance_, nullptr);
        if (window) PresentationWindowCreated(window);
        return window;
    }

    void ShowHostWindow(void* window, int showCommand) override {
        ShowWindow(static_cast<HWND>(window), showCommand);
    }

    void* Instance() override { return instance_; }

    void HidePlatformPointer() override { ShowCursor(FALSE); }

    void InstallScreenPlatforms() override {
        // Installed for the whole run: every screen draws its text with GDI, and start screens
        // (the first and any fresh one of a retry) find their platform here.
        static TextPlatformSlot::Scope textPlatform(gTextPlatform);
        static StartScreenPlatformSlot::Scope startScreenPlatform(gStartScreenPlatform);
        // The game module's host panel resizes the window through this.
        static Win32HostWindowPlatform hostWindow;
        static HostWindowPlatformSlot::Scope hostWindowPlatform(hostWindow);
    }

  private:
    bool RegisterHostClass(int32_t iconResource) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance_;
        wc.hIcon = iconResource ? LoadIconA(instance_, MAKEINTRESOURCEA(iconResource)) : nullptr;
        wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the standard arrow
        wc.lpszClassName = gClassName;
        return RegisterClassExA(&wc) != 0;
    }

    HINSTANCE instance_;
    bool registerClass_;
};

Control* NewStartScreen() { return new (std::nothrow) StartScreen(); }
FirstScreenFactory gFirstScreenFactory = NewStartScreen;
}  // namespace

void SetFirstScreenFactory(FirstScreenFactory factory) {
    gFirstScreenFactory = factory ? factory : NewStartScreen;
}

const char* HostClassName() { return gClassName; }

int32_t InitApplication(HINSTANCE instance, HINSTANCE previousInstance, int showCommand, const char* title,
                        int32_t x, int32_t y, int32_t width, int32_t height, int32_t depthSelector,
                        uint32_t cooperativeLevel, int32_t iconResource) {
    InstallWin32Platforms();
    InstallPointerPlatform();
    HostWindowRequest request;
    request.title = title;
    request.x = x;
    request.y = y;
    request.width = width;
    request.height = height;
    request.depthSelector = depthSelector;
    request.cooperativeLevel = cooperativeLevel;
    request.iconResource = iconResource;
    request.showCommand = showCommand;
    Win32HostStartUpPlatform platform(instance, previousInstance == nullptr);
    const int32_t started = StartHost(platform, request, gFirstScreenFactory);
    PresentationDisplayCreated();
    return started;
}
