#pragma once
// What the mouse cursor needs of the machine: where the platform's pointer is on the desktop.
#include "common/geometry.h"
#include "common/platform_slot.h"

class PointerPlatform {
  public:
    // The pointer's desktop position; false when the platform cannot tell.
    virtual bool ScreenCursorPosition(Point* position) = 0;

  protected:
    ~PointerPlatform() = default;
};

using PointerPlatformSlot = PlatformSlot<PointerPlatform>;
