#pragma once
// A drawable sprite: pixels already in the display's layout, drawn into a surface in software.
//
// Shared with the game module. Fields: 0 virtual table, 4 width, 8 height, 12 pixel data,
// 16 offset x, 20 offset y, 24 bounds (l, t, r, b), 40 alpha, 44 effect, 48 and 52 extra values.
// Slots: 0 deleting destructor (frees the pixel data), 1 Draw, 2 DrawTinted.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "common/deleting_destructor.h"
#include "common/geometry.h"
#include "common/layout_check.h"
#include "display/display_format.h"
#include "sprites/format/sprite_kind.h"

class Surface;
class SurfaceControl;

// How a sprite's pixels are stored: a plain rectangle, one run per row, or runs until a row mark.
class SpriteRenderer {
  public:
    SpriteRenderer() = default;
    SpriteRenderer(const SpriteRenderer&) = delete;
    SpriteRenderer& operator=(const SpriteRenderer&) = delete;

    virtual void* DeletingDestructor(uint32_t flags);
    virtual void Draw(Surface* target, int32_t x, int32_t y, Rect clip, int32_t alpha, int32_t effect) = 0;
    virtual void DrawTinted(Surface* target, int32_t x, int32_t y, Rect clip, uint32_t tint, int32_t alpha,
                            int32_t effect) = 0;

    // Draws in screen coordinates into a view: the view's position is the origin, its bounds
    // (relative to that origin) narrow the clip, and its own surface receives the pixels.
    void DrawInView(SurfaceControl* view, int32_t x, int32_t y, Rect clip, int32_t alpha, int32_t effect);

    // Takes ownership of a buffer from AllocatePixelData (or null), freeing any previous one.
    void AdoptPixelData(uint8_t* data);
    static uint8_t* AllocatePixelData(size_t bytes);  // null when the memory is not there
    // Frees a buffer from AllocatePixelData that no renderer adopted (null is ignored).
    static void FreePixelData(uint8_t* data);
    // The size asked of AllocatePixelData for this buffer (0 for null). The walks never read
    // past it, so damaged run data cannot take them outside the buffer.
    static size_t PixelDataSize(const uint8_t* data) {
        if (!data) return 0;
        uint64_t size;
        std::memcpy(&size, data - kPixelDataHeaderBytes, sizeof size);
        return size_t(size);
    }
    // Every pixel buffer carries its size in a small header in front of the pixels, so that the
    // walks can stay inside it whatever the run data says. The header keeps the pixels at the
    // allocator's alignment. Its second half holds what the renderers keep about the pixels
    // (see PreparedRunsSlot).
    static constexpr size_t kPixelDataHeaderBytes = 16;
    static constexpr size_t kPixelDataSlotOffset = 8;
    // The header's slot for the renderers' own use, 0 in a new buffer; FreePixelData releases
    // what it holds (ReleasePreparedRuns).
    static uintptr_t PreparedRunsSlot(const uint8_t* data) {
        uint64_t slot;
        std::memcpy(&slot, data - kPixelDataHeaderBytes + kPixelDataSlotOffset, sizeof slot);
        return uintptr_t(slot);
    }
    static void SetPreparedRunsSlot(uint8_t* data, uintptr_t value) {
        const uint64_t slot = value;
        std::memcpy(data - kPixelDataHeaderBytes + kPixelDataSlotOffset, &slot, sizeof slot);
    }

    int32_t width = 0;
    int32_t height = 0;
    uint8_t* pixelData = nullptr;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    Rect bounds{0, 0, 0, 0};
    int32_t alpha = 256;
    int32_t effect = 0;
    uint32_t extra[2] = {0, 0};

    // Not virtual on purpose: slot 0 is the way to destroy through a base pointer.
    ~SpriteRenderer();
};

// A new, empty renderer of the class for a display layout and a storage kind; null for a
// layout in which no surface exists or a kind outside the three.
SpriteRenderer* CreateSpriteRenderer(PixelLayout layout, SpriteKind kind);

inline void DestroySpriteRenderer(SpriteRenderer* renderer) {
    if (renderer) renderer->DeletingDestructor(kDeleteMemory);
}

// Sole ownership of a renderer, destroyed through slot 0.
struct SpriteDeleter {
    void operator()(SpriteRenderer* r) const { DestroySpriteRenderer(r); }
};
using SpritePtr = std::unique_ptr<SpriteRenderer, SpriteDeleter>;

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(SpriteRenderer, 56);
TIDEMARCH_CHECK_OFFSET(SpriteRenderer, width, 4);
TIDEMARCH_CHECK_OFFSET(SpriteRenderer, pixelData, 12);
TIDEMARCH_CHECK_OFFSET(SpriteRenderer, offsetX, 16);
TIDEMARCH_CHECK_OFFSET(SpriteRenderer, bounds, 24);
TIDEMARCH_CHECK_OFFSET(SpriteRenderer, alpha, 40);
TIDEMARCH_CHECK_OFFSET(SpriteRenderer, effect, 44);
TIDEMARCH_CHECK_OFFSET(SpriteRenderer, extra, 48);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
