#pragma once
// Sprites in the native builds: failure texts go to standard error; there is no program module
// with resources, so resource loads are refused.
#include "sprites/files/sprite_platform.h"

class PosixSpritePlatform final : public SpritePlatform {
  public:
    void ReportLoadFailure(const char* text) override;
    bool FindSpriteResource(const char* name, std::span<const uint8_t>* bytes,
                            SpriteLoadFailure& failure) override;
};
