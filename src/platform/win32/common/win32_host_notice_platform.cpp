#include "platform/win32/common/win32_host_notice_platform.h"

#include <windows.h>

#include "host/host_globals.h"

void Win32HostNoticePlatform::ShowDebugMessage(const char* text) {
    MessageBoxA(static_cast<HWND>(host::HostWindow), text, "For Debug", MB_OK);
}

void Win32HostNoticePlatform::PostQuit(int32_t exitCode) { PostQuitMessage(exitCode); }
