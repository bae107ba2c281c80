#include "shell/host_start_up.h"

#include <new>

#include "display/display.h"
#include "display/surface_control.h"
#include "host/host_globals.h"
#include "net/network_manager.h"
#include "shell/host_objects.h"
#include "sound/sound_device.h"

namespace {
// The root control has no parent and no bounds of its own (it takes the draw surface's); it
// stands at a screen's priority.
constexpr int16_t kRootControlPriority = 64;

void CreateDisplayAndRootControl(HostStartUpPlatform& platform, void* window,
                                 const HostWindowRequest& request) {
    auto* display = new (std::nothrow) Display(request.width, request.height);
    if (!display) return;
    host::Display = display;
    display->Create(window, platform.Instance(), request.width, request.height, request.depthSelector,
                    request.cooperativeLevel);
    auto* root = new (std::nothrow) RootControl(nullptr, 0, 0, 0, 0, kRootControlPriority);
    if (!root) return;
    root->fillColour = 0;
    host::RootControl = root;
    PointRootControlAtDrawSurface(*display);
}
}  // namespace

int32_t StartHost(HostStartUpPlatform& platform, const HostWindowRequest& request,
                  FirstScreenFactory firstScreen) {
    void* window = platform.CreateHostWindow(request);
    if (!window) return 0;
    host::HostWindow = window;
    host::AppInfo.window = window;
    platform.ShowHostWindow(window, request.showCommand);

    CreateDisplayAndRootControl(platform, window, request);
    SoundInit(window);
    host::NetworkManager = new (std::nothrow) NetworkManager(window);
    return CreateHostObjects(platform, firstScreen);
}

int32_t CreateHostObjects(HostStartUpPlatform& platform, FirstScreenFactory firstScreen) {
    platform.HidePlatformPointer();
    CreateFrameSettingsAndCursor();
    platform.InstallScreenPlatforms();
    InstallFirstScreen(host::RootControl && firstScreen ? firstScreen() : nullptr);
    return 1;
}
