#pragma once
// Loaded sprite files as a game module sees them: the file with its tables, the bundles (frame
// lists) and the renderers that draw single sprites into a Surface. The host makes and owns all
// of them; the module reads the fields and draws through the renderers' slots.
#include "tidemarch/controls.h"
#include "tidemarch/sound.h"

namespace tidemarch {

// How a sprite's pixels are stored.
namespace sprite_kind {
inline constexpr int32_t Raw = 0;   // a plain rectangle
inline constexpr int32_t Rle = 1;   // one run per row
inline constexpr int32_t Rle2 = 2;  // runs until a row mark
}  // namespace sprite_kind

// The file's head as read; bytes 100 to 130 are zero before version 3.
struct SpriteFileHead {
    char signature[40];
    uint32_t keptValue;
    uint8_t title[40];
    uint8_t version;
    uint8_t layout;
    uint8_t keptByte;
    uint8_t unread87;
    int32_t bundleCount;
    int32_t spriteCount;
    uint32_t fileTotal;
    uint32_t version3Value;
    int32_t effectCount;
    uint8_t version3Bytes[23];
    uint8_t unread131;
};

// Nine values per frame: the first two are the frame's drawing offset, the rest are the file's,
// carried for the game module.
struct FrameRecord {
    uint32_t offsetX;
    uint32_t offsetY;
    uint32_t value3;
    uint32_t value4;
    int32_t value5;
    uint32_t value6;
    uint32_t value7;
    uint32_t value8;
    uint32_t value9;
};

// One sprite, its pixels already in the display's layout. Alpha runs from 0 to 256 (256
// opaque); clip and position are in the target surface's pixels.
class SpriteRenderer {
  public:
    TIDEMARCH_SLOT0_DESTRUCTOR(SpriteRenderer);  // slot 0: frees the pixel data
    virtual void Draw(Surface* target, int32_t x, int32_t y, Rect clip, int32_t alpha,
                      int32_t effect);  // slot 1
    virtual void DrawTinted(Surface* target, int32_t x, int32_t y, Rect clip, uint32_t tint, int32_t alpha,
                            int32_t effect);  // slot 2

    int32_t width;
    int32_t height;
    uint8_t* pixelData;
    int32_t offsetX;
    int32_t offsetY;
    Rect bounds;
    int32_t alpha;
    int32_t effect;
    uint32_t extra[2];
};

// An ordered list of a file's sprites: animation frames or a glyph set.
class SpriteBundle {
  public:
    TIDEMARCH_SLOT0_DESTRUCTOR(SpriteBundle);  // slot 0: frees the two tables

    uint32_t reserved;
    int32_t bundleValue;  // update steps per frame
    uint16_t frameCount;
    FrameRecord* frameRecords;  // frameCount records
    SpriteRenderer** frames;    // frameCount entries of the file's sprite table
    int32_t offsetX;
    int32_t offsetY;
    Rect bounds;
    int32_t alpha;
    int32_t effect;
    uint32_t further[2];
};

// A loaded sprite file. It owns its renderers, bundles and sound objects.
class SpriteFile {
  public:
    TIDEMARCH_SLOT0_DESTRUCTOR(SpriteFile);  // slot 0

    void* fileHandle;  // open only while the file has effects (streams read it)
    char name[256];
    SpriteFileHead head;
    SpriteRenderer** sprites;  // head.spriteCount renderers
    SpriteBundle* bundles;     // head.bundleCount bundles in one array; null when the count is 0 or less
    SoundObject** effects;     // head.effectCount sound objects; an entry may be null
};

}  // namespace tidemarch

#if TIDEMARCH_KIT_LAYOUT
TIDEMARCH_KIT_CHECKS_BEGIN
TIDEMARCH_KIT_SIZE(tidemarch::SpriteFileHead, 132);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteFileHead, version, 84);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteFileHead, bundleCount, 88);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteFileHead, version3Value, 100);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteFileHead, effectCount, 104);
TIDEMARCH_KIT_SIZE(tidemarch::FrameRecord, 36);
TIDEMARCH_KIT_SIZE(tidemarch::SpriteRenderer, 56);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteRenderer, width, 4);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteRenderer, pixelData, 12);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteRenderer, offsetX, 16);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteRenderer, bounds, 24);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteRenderer, alpha, 40);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteRenderer, effect, 44);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteRenderer, extra, 48);
TIDEMARCH_KIT_SIZE(tidemarch::SpriteBundle, 64);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteBundle, reserved, 4);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteBundle, bundleValue, 8);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteBundle, frameCount, 12);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteBundle, frameRecords, 16);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteBundle, frames, 20);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteBundle, offsetX, 24);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteBundle, bounds, 32);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteBundle, alpha, 48);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteBundle, effect, 52);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteBundle, further, 56);
TIDEMARCH_KIT_SIZE(tidemarch::SpriteFile, 408);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteFile, fileHandle, 4);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteFile, name, 8);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteFile, head, 264);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteFile, sprites, 396);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteFile, bundles, 400);
TIDEMARCH_KIT_OFFSET(tidemarch::SpriteFile, effects, 404);
TIDEMARCH_KIT_CHECKS_END
#endif
