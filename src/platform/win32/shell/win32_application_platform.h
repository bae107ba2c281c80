#pragma once
// The host window on Windows: whether it is minimised, and at the end the window and its class.
#include "shell/application_platform.h"

class Win32ApplicationPlatform final : public ApplicationPlatform {
  public:
    bool WindowMinimised() override;
    void ReleaseWindow() override;
};
