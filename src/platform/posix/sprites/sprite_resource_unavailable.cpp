#include "sprites/files/sprite_file.h"

// Native builds have no program module with resources.
bool FindSpriteResource(const char* name, std::span<const uint8_t>*, SpriteLoadFailure& failure) {
    failure.Compose(load_text::kResourcesUnavailable, name);
    return false;
}
