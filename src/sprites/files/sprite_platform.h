#pragma once
// What the sprite loader needs of the machine: a place where the text of a failed load can be
// read when no caller takes it, and the sprite resources linked into the program module. On
// Windows these are the debugger's output and the module's resources; natively, standard error
// and no resources.
#include <cstdint>
#include <span>

#include "common/platform_slot.h"

class SpriteLoadFailure;

class SpritePlatform {
  public:
    // Shows the text of a failed load where a person can find it.
    virtual void ReportLoadFailure(const char* text) = 0;
    // Finds the resource of type "SPR" with this name. On refusal the failure says why.
    virtual bool FindSpriteResource(const char* name, std::span<const uint8_t>* bytes,
                                    SpriteLoadFailure& failure) = 0;

  protected:
    ~SpritePlatform() = default;
};

// The installed implementation; the process ends with a message naming it when none is.
inline SpritePlatform& ActiveSpritePlatform() {
    return PlatformSlot<SpritePlatform>::Required("SpritePlatform");
}
