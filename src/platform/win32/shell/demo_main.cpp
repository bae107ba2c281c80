// The entry point of the host's demonstration: the same host, whose first screen is the
// demonstration scene instead of the start screen (no update server is needed).
#include <windows.h>

#include <new>

#include "host/host_globals.h"
#include "platform/win32/shell/application.h"
#include "platform/win32/shell/host_main.h"
#include "shell/demo_scene.h"

namespace {
Control* NewDemoScene() {
    return new (std::nothrow) DemoScene(host::RootControl->bounds.right, host::RootControl->bounds.bottom,
                                        static_cast<MouseCursor*>(host::MouseCursor));
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand) {
    SetFirstScreenFactory(NewDemoScene);
    return HostMain(instance, previousInstance, commandLine, showCommand);
}
