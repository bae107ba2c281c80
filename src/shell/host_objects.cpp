#include "shell/host_objects.h"

#include <new>

#include "control_classes/sprite_controls.h"
#include "host/host_globals.h"

void CreateFrameSettingsAndCursor() {
    host::FrameInterval = host::kFrameIntervalMs;
    host::BackgroundClear = 1;
    host::AppInfo.networkManager = host::NetworkManager;
    host::MouseCursor = new (std::nothrow)::MouseCursor();
}

void InstallFirstScreen(Control* firstScreen) {
    host::AppInfo.currentScreen = firstScreen;
    host::AppInfo.window = host::HostWindow;
    host::DrawRoot = host::UpdateRoot = host::InputRoot = firstScreen;
    if (firstScreen) firstScreen->Open();
}
