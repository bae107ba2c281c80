#pragma once
// What the host panel's window-size command needs of the machine: move and resize the
// application window and the display for a new picture size.
#include <cstdint>

#include "common/platform_slot.h"

class HostWindowPlatform {
  public:
    virtual int32_t ResizeWindow(int32_t width, int32_t height) = 0;

  protected:
    ~HostWindowPlatform() = default;
};

// The host panel is a shared record and cannot hold the platform: it finds it here.
using HostWindowPlatformSlot = PlatformSlot<HostWindowPlatform>;
