#include "platform/win32/startscreen/win32_start_screen_platform.h"

#include <windows.h>

#include "host/host_globals.h"

void Win32StartScreenPlatform::ShowDebugMessage(const std::string& text) {
    MessageBoxA(static_cast<HWND>(host::HostWindow), text.c_str(), "For Debug", MB_OK);
}

void Win32StartScreenPlatform::PostQuit() { PostQuitMessage(0); }
