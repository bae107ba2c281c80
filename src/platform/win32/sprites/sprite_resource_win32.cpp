#include <windows.h>

#include "sprites/files/sprite_file.h"

// Resources of type "SPR" linked into the program module.
bool FindSpriteResource(const char* name, std::span<const uint8_t>* bytes, SpriteLoadFailure& failure) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = module ? FindResourceA(module, name, "SPR") : nullptr;
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) {
        failure.Compose(load_text::kNoResource, name);
        return false;
    }
    *bytes = std::span<const uint8_t>(static_cast<const uint8_t*>(data), SizeofResource(module, resource));
    return true;
}
