#include "platform/win32/controls/win32_screen_module_platform.h"

#include <windows.h>

void* Win32ScreenModulePlatform::Load(const char* path) { return LoadLibraryA(path); }

void* Win32ScreenModulePlatform::Find(void* library, const char* name) {
    // Through void (*)(), the one function pointer type a cast from FARPROC may go through quietly.
    return reinterpret_cast<void*>(
        reinterpret_cast<void (*)()>(GetProcAddress(static_cast<HMODULE>(library), name)));
}

void Win32ScreenModulePlatform::Free(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

Win32ScreenModulePlatform& Win32ScreenModulePlatform::Instance() {
    static Win32ScreenModulePlatform libraries;
    return libraries;
}
