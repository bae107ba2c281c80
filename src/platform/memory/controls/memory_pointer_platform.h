#pragma once
// A pointer that is where the caller puts it, or nowhere the platform can tell.
#include "controls/pointer_platform.h"

class MemoryPointerPlatform final : public PointerPlatform {
  public:
    bool ScreenCursorPosition(Point* position) override {
        if (!known) return false;
        *position = screenPosition;
        return true;
    }

    Point screenPosition{0, 0};
    bool known = true;
};
