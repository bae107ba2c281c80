#include "platform/win32/shell/win32_application_platform.h"

#include <windows.h>

#include "host/host_globals.h"
#include "platform/win32/shell/application.h"

bool Win32ApplicationPlatform::WindowMinimised() {
    return IsIconic(static_cast<HWND>(host::HostWindow)) != 0;
}

void Win32ApplicationPlatform::ReleaseWindow() {
    HINSTANCE instance = static_cast<HINSTANCE>(host::InstanceHandle);
    bool unregistered = UnregisterClassA(HostClassName(), instance) != 0;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT && host::HostWindow) {
        // Destroying the window runs the window procedure's WM_DESTROY, and with it the shutdown
        // once more; every step then finds its object gone.
        HWND window = static_cast<HWND>(host::HostWindow);
        host::HostWindow = nullptr;
        DestroyWindow(window);
        // A class cannot be unregistered while a window of it exists; now it can.
        if (!unregistered) UnregisterClassA(HostClassName(), instance);
    }
}
