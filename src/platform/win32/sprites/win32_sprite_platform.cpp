#include "platform/win32/sprites/win32_sprite_platform.h"

#include <windows.h>

#include <string>

#include "sprites/format/load_failure.h"

void Win32SpritePlatform::ReportLoadFailure(const char* text) {
    OutputDebugStringA((std::string(text) + "\n").c_str());
}

// Resources of type "SPR" linked into the program module.
bool Win32SpritePlatform::FindSpriteResource(const char* name, std::span<const uint8_t>* bytes,
                                             SpriteLoadFailure& failure) {
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
