#pragma once
// What the run needs of the host window besides its message queue: whether it is minimised, and
// at the end letting go of the window and its class. Its boxes and the quit message are the host's
// notices (common/host_notice_platform.h).
#include <cstdint>

#include "common/platform_slot.h"

class ApplicationPlatform {
  public:
    // A minimised window is not drawn into.
    virtual bool WindowMinimised() = 0;
    // Unregisters the window class and, where the platform wants it, destroys the window. Runs
    // once more, finding nothing left, when destroying the window runs the shutdown again.
    virtual void ReleaseWindow() = 0;

  protected:
    ~ApplicationPlatform() = default;
};

// The frame loop and the shutdown, which runs from the window procedure too, hold no reference to
// the platform: they find it here.
inline ApplicationPlatform& ActiveApplicationPlatform() {
    return PlatformSlot<ApplicationPlatform>::Required("ApplicationPlatform");
}
