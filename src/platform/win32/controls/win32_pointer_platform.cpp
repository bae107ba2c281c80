#include "platform/win32/controls/win32_pointer_platform.h"

#include <windows.h>

bool Win32PointerPlatform::ScreenCursorPosition(Point* position) {
    POINT p{};
    if (!GetCursorPos(&p)) return false;
    *position = Point{p.x, p.y};
    return true;
}
