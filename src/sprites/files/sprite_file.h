#pragma once
// A loaded sprite file: one renderer per sprite with its pixels already in the display's
// layout, the bundles with their frames pointing at those renderers, and one sound object per
// embedded effect. Load a file after the display has fixed its pixel format, and again if it
// changes.
//
// Shared with the game module, which reads the fields directly:
//   offset  field
//   0       virtual table (slot 0: deleting destructor)
//   4       fileHandle: open only while the file has effects (streamed sounds read it)
//   8       name (255 characters and a terminator), set by a successful load
//   264     head: the SpriteFileHead as read, bytes 100 to 130 zero before version 3
//   396     sprites: spriteCount renderer pointers (owned)
//   400     bundles: bundleCount bundles (owned), none when the count is 0 or less
//   404     effects: effectCount sound object pointers (owned; an entry may be empty)
#include <cstdint>
#include <memory>
#include <span>

#include "common/deleting_destructor.h"
#include "common/layout_check.h"
#include "files/read_only_file.h"
#include "sound/sound_object.h"
#include "sprites/files/sprite_bundle.h"
#include "sprites/format/load_failure.h"
#include "sprites/format/sprite_file_parser.h"
#include "sprites/format/sprite_format.h"
#include "sprites/renderers/sprite_renderer.h"

class SpriteFile {
  public:
    // The empty file: the newest head with no counts and no tables.
    SpriteFile();
    // Loads at once when a name is given; a failed load leaves the empty file.
    SpriteFile(const char* name, int32_t source);
    SpriteFile(const SpriteFile&) = delete;
    SpriteFile& operator=(const SpriteFile&) = delete;

    virtual void* DeletingDestructor(uint32_t flags);

    // Loads from a file on disk (source 0, name is a path) or from a resource of type "SPR" of
    // the program module (source 1). True when the whole file was read; false leaves the empty
    // file and shows why through the sprite platform (the debugger's output on Windows, standard
    // error natively).
    bool Load(const char* name, int32_t source);
    // The same, handing the reason to the caller instead of showing it.
    bool Load(const char* name, int32_t source, SpriteLoadFailure& failure);
    // Loads the resource form from bytes already in memory: what source 1 does once it has
    // found the resource.
    bool LoadResourceBytes(const char* name, std::span<const uint8_t> bytes, SpriteLoadFailure& failure);

    FileHandle fileHandle = nullptr;
    char name[256] = {};
    SpriteFileHead head = sprite_format::EmptyHead();
    SpriteRenderer** sprites = nullptr;
    SpriteBundle* bundles = nullptr;
    SoundObject** effects = nullptr;

    ~SpriteFile();

  private:
    bool LoadFromFile(const char* path, SpriteLoadFailure& failure);
    // Deletes everything and returns to the empty file.
    void Clear();
};

// Sole ownership of a sprite file, destroyed through slot 0.
struct SpriteFileDeleter {
    void operator()(SpriteFile* file) const { file->DeletingDestructor(kDeleteMemory); }
};
using SpriteFilePtr = std::unique_ptr<SpriteFile, SpriteFileDeleter>;

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(SpriteFile, 408);
TIDEMARCH_CHECK_OFFSET(SpriteFile, fileHandle, 4);
TIDEMARCH_CHECK_OFFSET(SpriteFile, name, 8);
TIDEMARCH_CHECK_OFFSET(SpriteFile, head, 264);
TIDEMARCH_CHECK_OFFSET(SpriteFile, sprites, 396);
TIDEMARCH_CHECK_OFFSET(SpriteFile, bundles, 400);
TIDEMARCH_CHECK_OFFSET(SpriteFile, effects, 404);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
