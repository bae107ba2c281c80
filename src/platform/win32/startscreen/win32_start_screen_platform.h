#pragma once
// The start screen's platform on Windows: the program folder through the file API, the registry
// under HKEY_LOCAL_MACHINE, the release check over CNG when the host was built with a release
// key, and the hand-over the host's start-up provides.
#include <functional>
#include <optional>
#include <string>

#include "platform/win32/release_manifest/cng_release_crypto_platform.h"
#include "platform/win32/release_manifest/win32_release_file_source.h"
#include "platform/win32/startscreen/win32_registry_platform.h"
#include "platform/win32/update_client/win32_file_store_platform.h"
#include "startscreen/screen/start_screen_platform.h"

class Win32StartScreenPlatform final : public StartScreenPlatform {
  public:
    // releaseKey: nothing for a host built without one. gameModule: the file the hand-over loads.
    Win32StartScreenPlatform(std::string defaultServer, std::function<bool()> handOver,
                             std::optional<ReleasePublicKey> releaseKey, std::string gameModule)
        : defaultServer_(std::move(defaultServer)), handOver_(std::move(handOver)), releaseKey_(releaseKey),
          gameModule_(std::move(gameModule)) {}

    FileStorePlatform& Files() override { return files_; }
    RegistryPlatform& Registry() override { return registry_; }
    bool HandOver() override { return handOver_ && handOver_(); }
    std::string DefaultServer() override { return defaultServer_; }
    std::optional<ReleaseVerification> Verification() override;
    // A message box titled "Release check", owned by the host window.
    void ReportRefusedRelease(const std::string& text) override;

  private:
    Win32FileStorePlatform files_;
    Win32RegistryPlatform registry_;
    CngReleaseCryptoPlatform crypto_;
    Win32ReleaseFileSource releaseFiles_;
    std::string defaultServer_;
    std::function<bool()> handOver_;
    std::optional<ReleasePublicKey> releaseKey_;
    std::string gameModule_;
};
