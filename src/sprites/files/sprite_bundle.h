#pragma once
// An ordered list of a sprite file's sprites: animation frames or a glyph set, each frame with
// its FrameRecord.
//
// Shared with the game module, which reads the fields directly:
//   offset  field                          offset  field
//   0       virtual table                  24      offsetX, offsetY
//   4       reserved (0)                   32      bounds (l, t, r, b)
//   8       bundleValue (steps per frame)  48      alpha
//   12      frameCount (u16)               52      effect
//   16      frameRecords (owned)           56      two further values (0)
//   20      frames (into the sprite table, not owned)
// Slot 0 is the deleting destructor, which frees the two tables.
#include <cstdint>

#include "common/deleting_destructor.h"
#include "common/geometry.h"
#include "common/layout_check.h"
#include "sprites/format/sprite_format.h"
#include "sprites/renderers/sprite_renderer.h"

class SpriteBundle {
  public:
    // A bundle that was never filled: no frames, one step per frame.
    SpriteBundle() = default;
    SpriteBundle(const SpriteBundle&) = delete;
    SpriteBundle& operator=(const SpriteBundle&) = delete;

    virtual void* DeletingDestructor(uint32_t flags);

    uint32_t reserved = 0;
    int32_t bundleValue = 1;
    uint16_t frameCount = 0;
    FrameRecord* frameRecords = nullptr;
    SpriteRenderer** frames = nullptr;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    Rect bounds{0, 0, 0, 0};
    int32_t alpha = 256;
    int32_t effect = 0;
    uint32_t further[2] = {0, 0};

    ~SpriteBundle();
};

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(SpriteBundle, 64);
TIDEMARCH_CHECK_OFFSET(SpriteBundle, reserved, 4);
TIDEMARCH_CHECK_OFFSET(SpriteBundle, bundleValue, 8);
TIDEMARCH_CHECK_OFFSET(SpriteBundle, frameCount, 12);
TIDEMARCH_CHECK_OFFSET(SpriteBundle, frameRecords, 16);
TIDEMARCH_CHECK_OFFSET(SpriteBundle, frames, 20);
TIDEMARCH_CHECK_OFFSET(SpriteBundle, offsetX, 24);
TIDEMARCH_CHECK_OFFSET(SpriteBundle, bounds, 32);
TIDEMARCH_CHECK_OFFSET(SpriteBundle, alpha, 48);
TIDEMARCH_CHECK_OFFSET(SpriteBundle, effect, 52);
TIDEMARCH_CHECK_OFFSET(SpriteBundle, further, 56);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
