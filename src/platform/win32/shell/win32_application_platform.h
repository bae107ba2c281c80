#pragma once
// The end of the run on Windows: the thread's quit message, and the host window and its class.
#include "shell/application_platform.h"

class Win32ApplicationPlatform final : public ApplicationPlatform {
  public:
    bool WindowMinimised() override;
    void ShowDebugMessage(const char* text) override;
    void PostQuit(int32_t exitCode) override;
    void ReleaseWindow() override;
};
