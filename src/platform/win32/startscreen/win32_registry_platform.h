#pragma once
// Registry values under HKEY_LOCAL_MACHINE.
#include "startscreen/flow/registry_platform.h"

class Win32RegistryPlatform final : public RegistryPlatform {
  public:
    bool ReadText(const std::string& keyPath, const std::string& valueName, std::string* text) override;
    // Stores the text's characters without a terminator; ReadText takes the value's length,
    // terminator or not.
    bool WriteText(const std::string& keyPath, const std::string& valueName,
                   const std::string& text) override;
};
