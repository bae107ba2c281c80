#include "platform/win32/controls/win32_module_libraries.h"

#include <windows.h>

void* Win32ModuleLibraries::Load(const char* path) { return LoadLibraryA(path); }

void* Win32ModuleLibraries::Find(void* library, const char* name) {
    // Through void (*)(), the one function pointer type a cast from FARPROC may go through quietly.
    return reinterpret_cast<void*>(
        reinterpret_cast<void (*)()>(GetProcAddress(static_cast<HMODULE>(library), name)));
}

void Win32ModuleLibraries::Free(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

Win32ModuleLibraries& Win32ModuleLibraries::Instance() {
    static Win32ModuleLibraries libraries;
    return libraries;
}
