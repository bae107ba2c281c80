#include "sprites/files/sprite_file.h"

#include <cstring>

#include "display/display_format.h"
#include "sprites/files/file_byte_source.h"
#include "sprites/files/sprite_file_loader.h"
#include "sprites/files/sprite_platform.h"

SpriteFile::SpriteFile() = default;

SpriteFile::SpriteFile(const char* name, int32_t source) {
    if (name) Load(name, source);
}

void* SpriteFile::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

SpriteFile::~SpriteFile() { Clear(); }

void SpriteFile::Clear() {
    delete[] bundles;
    bundles = nullptr;
    if (sprites) {
        for (int32_t i = 0; i < head.spriteCount; ++i)
            DestroySpriteRenderer(sprites[i]);
        delete[] sprites;
        sprites = nullptr;
    }
    if (effects) {
        // Streams end their refill threads here, before the file they read is closed.
        for (int32_t i = 0; i < head.effectCount; ++i)
            DestroySoundObject(effects[i]);
        delete[] effects;
        effects = nullptr;
    }
    if (fileHandle) ActiveFilePlatform().Close(fileHandle);
    fileHandle = nullptr;
    std::memset(name, 0, sizeof name);
    head = sprite_format::EmptyHead();
}

bool SpriteFile::Load(const char* name, int32_t source) {
    SpriteLoadFailure failure;
    const bool loaded = Load(name, source, failure);
    if (failure.failed()) ActiveSpritePlatform().ReportLoadFailure(failure.text());
    return loaded;
}

bool SpriteFile::Load(const char* name, int32_t source, SpriteLoadFailure& failure) {
    Clear();
    const char* shown = name ? name : "";
    switch (SpriteSource(source)) {
    case SpriteSource::File:
        return LoadFromFile(shown, failure);
    case SpriteSource::Resource: {
        std::span<const uint8_t> bytes;
        return ActiveSpritePlatform().FindSpriteResource(shown, &bytes, failure) &&
               LoadResourceBytes(shown, bytes, failure);
    }
    }
    failure.Compose(load_text::kUnknownSource, shown, source);
    return false;
}

namespace {
// Sprites are converted for displays of 2, 3 or 4 bytes per pixel only.
PixelLayout SpriteLayout() {
    const int32_t bytes = gDisplayFormat.bytesPerPixel;
    return bytes >= 2 && bytes <= 4 ? CurrentPixelLayout() : PixelLayout::None;
}

void StoreName(char (&field)[256], const char* name) {
    std::strncpy(field, name, sizeof field - 1);
    field[sizeof field - 1] = '\0';
}
}  // namespace

bool SpriteFile::LoadFromFile(const char* path, SpriteLoadFailure& failure) {
    const PixelLayout layout = SpriteLayout();
    if (layout == PixelLayout::None) {
        failure.Compose(load_text::kNoDisplayFormat, path);
        return false;
    }
    FileHandle file = ActiveFilePlatform().OpenForReading(path);
    if (!IsValidFileHandle(file)) {
        failure.Compose(load_text::kCannotOpen, path);
        return false;
    }
    bool loaded;
    {
        FileByteSource source(file);
        SpriteFileLoader loader(layout, file, path, failure);
        loaded = ParseSpriteFile(source, SpriteSource::File, path, loader, failure) && loader.Finish(*this);
    }
    if (!loaded) {
        ActiveFilePlatform().Close(file);
        return false;
    }
    // Streamed effects read the file for as long as they live.
    if (head.effectCount > 0) {
        fileHandle = file;
    } else {
        ActiveFilePlatform().Close(file);
    }
    StoreName(name, path);
    return true;
}

bool SpriteFile::LoadResourceBytes(const char* resourceName, std::span<const uint8_t> bytes,
                                   SpriteLoadFailure& failure) {
    Clear();
    const PixelLayout layout = SpriteLayout();
    if (layout == PixelLayout::None) {
        failure.Compose(load_text::kNoDisplayFormat, resourceName);
        return false;
    }
    MemoryByteSource source(bytes);
    SpriteFileLoader loader(layout, nullptr, resourceName, failure);
    if (!ParseSpriteFile(source, SpriteSource::Resource, resourceName, loader, failure) ||
        !loader.Finish(*this))
        return false;
    StoreName(name, resourceName);
    return true;
}
