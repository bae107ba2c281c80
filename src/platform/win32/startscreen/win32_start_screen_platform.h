#pragma once
// The start screen's platform on Windows: the program folder through the file API, the registry
// under HKEY_LOCAL_MACHINE, and the hand-over the host's start-up provides.
#include <functional>
#include <string>

#include "platform/win32/update_client/win32_file_store_platform.h"
#include "platform/win32/startscreen/win32_registry_platform.h"
#include "startscreen/screen/start_screen_platform.h"

class Win32StartScreenPlatform final : public StartScreenPlatform {
  public:
    Win32StartScreenPlatform(std::string defaultServer, std::function<bool()> handOver)
        : defaultServer_(std::move(defaultServer)), handOver_(std::move(handOver)) {}

    FileStorePlatform& Files() override { return files_; }
    RegistryPlatform& Registry() override { return registry_; }
    bool HandOver() override { return handOver_ && handOver_(); }
    std::string DefaultServer() override { return defaultServer_; }

  private:
    Win32FileStorePlatform files_;
    Win32RegistryPlatform registry_;
    std::string defaultServer_;
    std::function<bool()> handOver_;
};
