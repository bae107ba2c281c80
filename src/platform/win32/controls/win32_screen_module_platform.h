#pragma once
// Screen-module libraries loaded by the platform: LoadLibraryA, GetProcAddress, FreeLibrary.
#include "screen_module/screen_module_platform.h"

class Win32ScreenModulePlatform final : public ScreenModulePlatform {
  public:
    void* Load(const char* path) override;
    void* Find(void* library, const char* name) override;
    void Free(void* library) override;

    static Win32ScreenModulePlatform& Instance();
};
