#pragma once
// The one set of platform implementations the host runs on: the program fills it with the
// product's, the test mains and fixtures with the native or in-memory ones, each once, and
// installs it whole. A null member leaves its slot as it is (a test main that has no display, a
// fixture that adds only the display's).
#include <optional>

#include "common/platform_slot.h"

// Each interface is declared by its own layer; a slot holds only a pointer, so the set needs no
// more than the names, and every program and test main can fill it whatever layers it links.
class FilePlatform;
class SocketPlatform;
class SoundPlatform;
class SurfacePlatform;
class DisplayPlatform;
class SpritePlatform;
class ApplicationPlatform;
class HostNoticePlatform;

struct HostPlatforms {
    FilePlatform* files = nullptr;
    SocketPlatform* sockets = nullptr;
    SoundPlatform* sound = nullptr;
    SurfacePlatform* surfaces = nullptr;
    DisplayPlatform* display = nullptr;
    SpritePlatform* sprites = nullptr;
    ApplicationPlatform* application = nullptr;
    HostNoticePlatform* notices = nullptr;
};

// For the rest of the process: the program's start.
inline void InstallHostPlatforms(const HostPlatforms& set) {
    if (set.files) PlatformSlot<FilePlatform>::Install(set.files);
    if (set.sockets) PlatformSlot<SocketPlatform>::Install(set.sockets);
    if (set.sound) PlatformSlot<SoundPlatform>::Install(set.sound);
    if (set.surfaces) PlatformSlot<SurfacePlatform>::Install(set.surfaces);
    if (set.display) PlatformSlot<DisplayPlatform>::Install(set.display);
    if (set.sprites) PlatformSlot<SpritePlatform>::Install(set.sprites);
    if (set.application) PlatformSlot<ApplicationPlatform>::Install(set.application);
    if (set.notices) PlatformSlot<HostNoticePlatform>::Install(set.notices);
}

// For the life of a scope, putting back what each slot held: test mains and fixtures.
class HostPlatformsScope {
  public:
    explicit HostPlatformsScope(const HostPlatforms& set) {
        Enter(files_, set.files);
        Enter(sockets_, set.sockets);
        Enter(sound_, set.sound);
        Enter(surfaces_, set.surfaces);
        Enter(display_, set.display);
        Enter(sprites_, set.sprites);
        Enter(application_, set.application);
        Enter(notices_, set.notices);
    }
    HostPlatformsScope(const HostPlatformsScope&) = delete;
    HostPlatformsScope& operator=(const HostPlatformsScope&) = delete;

  private:
    template <class Interface> using ScopeOf = std::optional<typename PlatformSlot<Interface>::Scope>;

    template <class Interface> static void Enter(ScopeOf<Interface>& scope, Interface* implementation) {
        if (implementation) scope.emplace(*implementation);
    }

    // Left in the reverse order of entering, as members are destroyed.
    ScopeOf<FilePlatform> files_;
    ScopeOf<SocketPlatform> sockets_;
    ScopeOf<SoundPlatform> sound_;
    ScopeOf<SurfacePlatform> surfaces_;
    ScopeOf<DisplayPlatform> display_;
    ScopeOf<SpritePlatform> sprites_;
    ScopeOf<ApplicationPlatform> application_;
    ScopeOf<HostNoticePlatform> notices_;
};
