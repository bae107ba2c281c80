#pragma once
// The end of the run on Windows: the thread's quit message, and the host window and its class.
#include "shell/application_platform.h"

class Win32ApplicationPlatform final : public ApplicationPlatform {
  public:
    void PostQuit(int32_t exitCode) override;
    void ReleaseWindow() override;
};
