#pragma once
// What ending the run needs of the machine besides the host objects: the quit message for the
// frame loop, and letting go of the window and its class.
#include <cstdint>

#include "common/platform_slot.h"

class ApplicationPlatform {
  public:
    virtual void PostQuit(int32_t exitCode) = 0;
    // Unregisters the window class and, where the platform wants it, destroys the window. Runs
    // once more, finding nothing left, when destroying the window runs the shutdown again.
    virtual void ReleaseWindow() = 0;

  protected:
    ~ApplicationPlatform() = default;
};

// The shutdown runs from the frame loop and from the window procedure, which hold no reference
// to the platform: they find it here.
inline ApplicationPlatform& ActiveApplicationPlatform() {
    return PlatformSlot<ApplicationPlatform>::Required("ApplicationPlatform");
}
