#pragma once
// A display machine in memory for one scope: surfaces, a display device over them at the desktop
// mode given, and the host's notices, installed while it lives and taken out after.
#include "common/host_platforms.h"
#include "platform/memory/common/memory_host_notice_platform.h"
#include "platform/memory/display/memory_display_platform.h"
#include "platform/memory/display/memory_surface_platform.h"

class MemoryDisplayMachine {
  public:
    explicit MemoryDisplayMachine(MemoryDisplayPlatform::Mode desktop) : device(surfaces, desktop) {}
    MemoryDisplayMachine(const MemoryDisplayMachine&) = delete;
    MemoryDisplayMachine& operator=(const MemoryDisplayMachine&) = delete;

    MemorySurfacePlatform surfaces;
    MemoryDisplayPlatform device;
    MemoryHostNoticePlatform notices;

  private:
    HostPlatforms Platforms() {
        HostPlatforms set;
        set.surfaces = &surfaces;
        set.display = &device;
        set.notices = &notices;
        return set;
    }

    HostPlatformsScope installed_{Platforms()};
};
