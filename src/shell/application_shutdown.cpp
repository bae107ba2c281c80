#include "shell/application_shutdown.h"

#include "common/deleting_destructor.h"
#include "common/host_notice_platform.h"
#include "display/display.h"
#include "host/host_globals.h"
#include "net/network_manager.h"
#include "shell/application_platform.h"

namespace {
constexpr int32_t kNormalExit = 0;

int gHolds = 0;
bool gShutdownWaiting = false;

void ReleaseHostObjects() {
    ReleaseScreens();
    // The manager deletes every connection still registered with it, the game module's too.
    if (host::NetworkManager) host::NetworkManager->DeletingDestructor(kDeleteMemory);
    host::NetworkManager = nullptr;
    host::AppInfo.networkManager = nullptr;
    DestroyControl(host::RootControl);
    host::RootControl = nullptr;
    DestroyControl(host::Display);
    host::Display = nullptr;
    ActiveApplicationPlatform().ReleaseWindow();
}
}  // namespace

void ReleaseScreens() {
    DestroyControl(host::MouseCursor);
    host::MouseCursor = nullptr;
    DestroyControl(host::AppInfo.currentScreen);
    host::AppInfo.currentScreen = nullptr;
    ActiveHostNotices().PostQuit(kNormalExit);
}

void ShutdownApplication() {
    host::DrawRoot = host::InputRoot = host::UpdateRoot = nullptr;
    if (gHolds > 0) {
        gShutdownWaiting = true;
        return;
    }
    ReleaseHostObjects();
}

ShutdownHold::ShutdownHold() { ++gHolds; }

ShutdownHold::~ShutdownHold() {
    if (--gHolds > 0 || !gShutdownWaiting) return;
    gShutdownWaiting = false;
    ReleaseHostObjects();
}
