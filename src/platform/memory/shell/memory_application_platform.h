#pragma once
// The host window in memory: minimised when its owner says so; the times the window was let go
// are counted for the owner to read.

#include "shell/application_platform.h"

class MemoryApplicationPlatform final : public ApplicationPlatform {
  public:
    bool WindowMinimised() override { return minimised; }
    void ReleaseWindow() override { ++windowReleases; }

    bool minimised = false;
    int windowReleases = 0;
};
