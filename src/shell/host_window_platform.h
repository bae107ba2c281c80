#pragma once
// What the host panel's window-size command needs of the machine: move and resize the
// application window and the display for a new picture size.
#include <cstdint>

class HostWindowPlatform {
  public:
    virtual int32_t ResizeWindow(int32_t width, int32_t height) = 0;

  protected:
    ~HostWindowPlatform() = default;
};
