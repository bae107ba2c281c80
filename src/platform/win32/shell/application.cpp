#include "platform/win32/shell/application.h"

#include <cstring>

#include "display/display.h"
#include "net/network_manager.h"
#include "platform/win32/controls/gdi_text_platform.h"
#include "platform/win32/controls/win32_pointer_platform.h"
#include "platform/win32/controls/win32_screen_module_platform.h"
#include "platform/win32/shell/win32_platforms.h"
#include "platform/win32/startscreen/win32_start_screen_platform.h"
#include "shell/host_globals.h"
#include "shell/host_objects.h"
#include "shell/host_window_platform.h"
#include "shell/module_hand_over.h"
#include "sound/sound_device.h"
#include "startscreen/start_screen.h"

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
Win32StartScreenPlatform gStartScreenPlatform(TIDEMARCH_DEFAULT_UPDATE_SERVER, HandOverFromStartScreen);

DWORD StyleFor(uint32_t cooperativeLevel) {
    // An overlapped window gets its caption and fixed border from the platform.
    if (cooperativeLevel == host::kWindowed) return WS_SYSMENU | WS_MINIMIZEBOX;
    return WS_POPUP | WS_VISIBLE;
}

// The cursor follows the platform's pointer, for the whole run.
void InstallPointerPlatform() {
    static Win32PointerPlatform pointer;
    static PointerPlatformSlot::Scope pointerScope(pointer);
}

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
    std::strncpy(gClassName, title ? title : "KTZ Application", sizeof gClassName - 1);
    InstallPointerPlatform();

    if (!previousInstance) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hIcon = iconResource ? LoadIconA(instance, MAKEINTRESOURCEA(iconResource)) : nullptr;
        wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the standard arrow
        wc.lpszClassName = gClassName;
        if (!RegisterClassExA(&wc)) return 0;
    }

    const bool framed = cooperativeLevel != host::kFrameless;
    const int32_t outerWidth = framed ? width + 6 : width;
    const int32_t outerHeight = framed ? height + 24 : height;
    HWND window = CreateWindowExA(0, gClassName, gClassName, StyleFor(cooperativeLevel), x, y, outerWidth,
                                  outerHeight, nullptr, nullptr, instance, nullptr);
    if (!window) return 0;
    host::HostWindow = window;
    host::AppInfo.window = window;
    ShowWindow(window, showCommand);

    if (auto* display = new (std::nothrow) Display(width, height)) {
        host::Display = display;
        display->Create(window, instance, width, height, depthSelector, cooperativeLevel);
        if (auto* root = new (std::nothrow) RootControl(nullptr, 0, 0, 0, 0, 64)) {
            root->fillColour = 0;
            host::RootControl = root;
            PointRootControlAtDrawSurface(*display);
        }
    }

    SoundInit(window);
    host::NetworkManager = new (std::nothrow) NetworkManager(window);

    // ClientOffset was set for this window by the display's creation.
    return CreateHostObjects();
}

int32_t CreateHostObjects() {
    ShowCursor(FALSE);
    CreateFrameSettingsAndCursor();

    // Installed for the whole run: every screen draws its text with GDI, and start screens (the
    // first and any fresh one of a retry) find their platform here.
    static TextPlatformSlot::Scope textPlatform(gTextPlatform);
    static StartScreenPlatformSlot::Scope startScreenPlatform(gStartScreenPlatform);
    // The game module's host panel resizes the window through this.
    static Win32HostWindowPlatform hostWindow;
    static HostWindowPlatformSlot::Scope hostWindowPlatform(hostWindow);

    InstallFirstScreen(host::RootControl ? gFirstScreenFactory() : nullptr);
    return 1;
}
