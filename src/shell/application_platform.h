#pragma once
// What the run needs of the host window besides its message queue: whether it is minimised, the
// debug box it owns, and at the end the quit message for the frame loop and letting go of the
// window and its class.
#include <cstdint>

#include "common/platform_slot.h"

class ApplicationPlatform {
  public:
    // A minimised window is not drawn into.
    virtual bool WindowMinimised() = 0;
    // A modal box owned by the host window, caption "For Debug".
    virtual void ShowDebugMessage(const char* text) = 0;
    virtual void PostQuit(int32_t exitCode) = 0;
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
