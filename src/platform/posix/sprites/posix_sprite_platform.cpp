#include "platform/posix/sprites/posix_sprite_platform.h"

#include <cstdio>

#include "sprites/format/load_failure.h"

void PosixSpritePlatform::ReportLoadFailure(const char* text) { std::fprintf(stderr, "%s\n", text); }

bool PosixSpritePlatform::FindSpriteResource(const char* name, std::span<const uint8_t>*,
                                             SpriteLoadFailure& failure) {
    failure.Compose(load_text::kResourcesUnavailable, name);
    return false;
}
