#pragma once
// What the host tells a person and its own frame loop, wherever the news comes from (the display,
// the frame loop, the start screen, the shutdown): a modal box owned by the host window with the
// caption "For Debug", and the quit message that ends the frame loop with an exit code. One
// implementation per machine, installed once by whoever chooses the platform.
#include <cstdint>

#include "common/platform_slot.h"

class HostNoticePlatform {
  public:
    virtual void ShowDebugMessage(const char* text) = 0;
    virtual void PostQuit(int32_t exitCode) = 0;

  protected:
    ~HostNoticePlatform() = default;
};

inline HostNoticePlatform& ActiveHostNotices() {
    return PlatformSlot<HostNoticePlatform>::Required("HostNoticePlatform");
}
