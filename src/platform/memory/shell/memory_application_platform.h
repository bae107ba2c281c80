#pragma once
// The host window in memory: minimised when its owner says so; the debug boxes it would show, the
// quit codes posted and the times the window was let go are kept for the owner to read.
#include <cstdint>
#include <string>
#include <vector>

#include "shell/application_platform.h"

class MemoryApplicationPlatform final : public ApplicationPlatform {
  public:
    bool WindowMinimised() override { return minimised; }
    void ShowDebugMessage(const char* text) override { debugMessages.emplace_back(text); }
    void PostQuit(int32_t exitCode) override { quitCodes.push_back(exitCode); }
    void ReleaseWindow() override { ++windowReleases; }

    bool minimised = false;
    std::vector<std::string> debugMessages;
    std::vector<int32_t> quitCodes;
    int windowReleases = 0;
};
