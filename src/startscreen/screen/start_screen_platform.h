#pragma once
// What the start screen needs of the host beyond its controls and connection: the program
// folder's files, the registry and the hand-over to the game module (its boxes and the quit
// message are the host's notices). Installed by the host's start-up (PlatformSlot<StartScreenPlatform>).
#include <string>

#include "common/platform_slot.h"
#include "update_client/file_store_platform.h"
#include "startscreen/flow/registry_platform.h"

class StartScreenPlatform {
  public:
    virtual FileStorePlatform& Files() = 0;
    virtual RegistryPlatform& Registry() = 0;
    // Makes the game module's panel the current screen and the three roots. False when the
    // module could not be handed over; the failure has then been reported and the program ends.
    virtual bool HandOver() = 0;
    // The update server's address the host was built with.
    virtual std::string DefaultServer() = 0;

  protected:
    ~StartScreenPlatform() = default;
};

using StartScreenPlatformSlot = PlatformSlot<StartScreenPlatform>;
