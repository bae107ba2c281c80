#pragma once
// What the start screen needs of the host beyond its controls and connection: the program
// folder's files, the registry, the release check of a host built with a release key, and the
// hand-over to the game module (its boxes and the quit message are the host's notices). Installed by the
// host's start-up (PlatformSlot<StartScreenPlatform>).
#include <optional>
#include <string>

#include "common/platform_slot.h"
#include "startscreen/flow/registry_platform.h"
#include "startscreen/flow/release_verification.h"
#include "update_client/file_store_platform.h"

class StartScreenPlatform {
  public:
    virtual FileStorePlatform& Files() = 0;
    virtual RegistryPlatform& Registry() = 0;
    // Makes the game module's panel the current screen and the three roots. False when the
    // module could not be handed over; the failure has then been reported and the program ends.
    virtual bool HandOver() = 0;
    // The update server's address the host was built with.
    virtual std::string DefaultServer() = 0;
    // How the release is checked before the hand-over; nothing for a host built without a key.
    virtual std::optional<ReleaseVerification> Verification() = 0;
    // Shows a person why the release was refused (the run then ends).
    virtual void ReportRefusedRelease(const std::string& text) = 0;

  protected:
    ~StartScreenPlatform() = default;
};

using StartScreenPlatformSlot = PlatformSlot<StartScreenPlatform>;
