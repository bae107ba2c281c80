#include "platform/win32/startscreen/win32_start_screen_platform.h"

#include <windows.h>

#include "host/host_globals.h"

std::optional<ReleaseVerification> Win32StartScreenPlatform::Verification() {
    if (!releaseKey_) return std::nullopt;
    return ReleaseVerification{*releaseKey_, &crypto_, &releaseFiles_, {gameModule_}};
}

void Win32StartScreenPlatform::ReportRefusedRelease(const std::string& text) {
    MessageBoxA(static_cast<HWND>(host::HostWindow), text.c_str(), "Release check", MB_OK | MB_ICONERROR);
}
