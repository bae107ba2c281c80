// libFuzzer harness of the sprite loader: every input is loaded as a file on disk on each of
// the four display layouts, as a resource of the program module, and read by the tools' reader,
// whose pictures are then decoded. Whatever the bytes, a load either succeeds or fails with a
// text; the sanitizers watch for everything else.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/memory/display/memory_surface_platform.h"
#include "platform/memory/sound/memory_sound_platform.h"
#include "platform/posix/files/posix_file_platform.h"
#include "sprites/files/sprite_file.h"
#include "sprites/format/sprite_document.h"

namespace {
std::string gPath;

struct Display {
    int32_t bytesPerPixel;
    uint32_t redMask;
};
constexpr Display kDisplays[] = {{2, 0xF800}, {2, 0x7C00}, {3, 0xFF0000}, {4, 0xFF0000}};

bool WriteInput(const uint8_t* data, size_t size) {
    FILE* file = std::fopen(gPath.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

void CheckLoaded(const SpriteFile& file, bool loaded, const SpriteLoadFailure& failure) {
    if (loaded == failure.failed()) __builtin_trap();  // a load fails exactly when it says why
    if (!loaded && (file.sprites || file.bundles || file.effects || file.head.spriteCount)) __builtin_trap();
    for (int32_t i = 0; loaded && i < file.head.bundleCount && file.bundles; ++i)
        for (int j = 0; j < file.bundles[i].frameCount; ++j)
            if (!file.bundles[i].frames[j]) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static PosixFilePlatform files;
    PlatformSlot<FilePlatform>::Install(&files);
    static MemorySoundScope sound;
    const char* folder = std::getenv("TMPDIR");
    gPath = std::string(folder ? folder : "/tmp") + "/tidemarch-sprite-fuzz-" + std::to_string(::getpid()) +
            ".spr";
    std::atexit([] { std::remove(gPath.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!WriteInput(data, size)) return 0;
    for (const Display& display : kDisplays) {
        MemoryDisplayScope scope(display.bytesPerPixel, display.redMask);
        SpriteLoadFailure failure;
        SpriteFile file;
        CheckLoaded(file, file.Load(gPath.c_str(), 0, failure), failure);
    }
    {
        MemoryDisplayScope scope(2, 0xF800);
        SpriteLoadFailure failure;
        SpriteFile file;
        CheckLoaded(file, file.LoadResourceBytes("FUZZ", std::span<const uint8_t>(data, size), failure),
                    failure);
    }
    SpriteDocument document;
    SpriteLoadFailure failure;
    if (ReadSpriteDocument(std::span<const uint8_t>(data, size), SpriteSource::File, "fuzz", &document,
                           failure)) {
        for (const DocumentSprite& sprite : document.sprites) {
            std::vector<uint32_t> rgba(size_t(sprite.head.width) * size_t(sprite.head.height));
            DecodeStoredPixels(sprite.Pixels(), rgba.data());
        }
    }
    return 0;
}
