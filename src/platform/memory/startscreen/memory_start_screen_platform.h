#pragma once
// The start screen's platform for native runs: a file store the caller chooses, registry values
// in memory, the release check the caller gives (none by default), and the hand-overs and refused
// releases recorded.
#include <optional>
#include <string>
#include <vector>

#include "platform/memory/startscreen/memory_registry_platform.h"
#include "startscreen/screen/start_screen_platform.h"

class MemoryStartScreenPlatform final : public StartScreenPlatform {
  public:
    explicit MemoryStartScreenPlatform(FileStorePlatform& files, std::string defaultServer = "127.0.0.1")
        : files_(files), defaultServer_(std::move(defaultServer)) {}

    FileStorePlatform& Files() override { return files_; }
    RegistryPlatform& Registry() override { return registry; }
    bool HandOver() override {
        ++handOvers;
        return handOverSucceeds;
    }
    std::string DefaultServer() override { return defaultServer_; }
    std::optional<ReleaseVerification> Verification() override { return verification; }
    void ReportRefusedRelease(const std::string& text) override { refusedReleases.push_back(text); }

    MemoryRegistryPlatform registry;
    std::optional<ReleaseVerification> verification;
    std::vector<std::string> refusedReleases;
    int handOvers = 0;
    bool handOverSucceeds = true;

  private:
    FileStorePlatform& files_;
    std::string defaultServer_;
};
