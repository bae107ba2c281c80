#pragma once
// The platform's pointer position on the desktop (GetCursorPos).
#include "controls/pointer_platform.h"

class Win32PointerPlatform final : public PointerPlatform {
  public:
    bool ScreenCursorPosition(Point* position) override;
};
