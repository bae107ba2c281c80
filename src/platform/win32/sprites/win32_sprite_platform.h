#pragma once
// Sprites on Windows: failure texts go to the debugger's output, resources come from the
// program module.
#include "sprites/files/sprite_platform.h"

class Win32SpritePlatform final : public SpritePlatform {
  public:
    void ReportLoadFailure(const char* text) override;
    bool FindSpriteResource(const char* name, std::span<const uint8_t>* bytes,
                            SpriteLoadFailure& failure) override;
};
