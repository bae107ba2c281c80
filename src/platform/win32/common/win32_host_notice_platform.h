#pragma once
// The host's notices on Windows: a modal box owned by the host window, and the thread's quit
// message.
#include "common/host_notice_platform.h"

class Win32HostNoticePlatform final : public HostNoticePlatform {
  public:
    void ShowDebugMessage(const char* text) override;
    void PostQuit(int32_t exitCode) override;
};
