#pragma once
// The runs of a small Rle2 sprite on a 16-bit display, listed once so that a drawing call that
// shows the whole sprite need not read run headers, row marks or clip bounds.
//
// A small sprite is drawn at a cost that its call, not its pixels, decides: most of the work of
// walking Rle2 data goes into telling entries apart, checking them against the buffer and the
// clip, and choosing how to load each run. The list does all that once. Its runs are grouped by
// the way they are loaded and stored (one pixel, two or three, four to seven, eight and more),
// so that each group is drawn by a loop that knows its kind. The runs of one sprite never
// overlap, so the order in which they are drawn changes nothing.
//
// The list is made on the first drawing of the sprite and lives in the pixel buffer's header,
// freed with the buffer. It keeps positions, not pixels: pixel values are read from the buffer
// at every drawing, so changing them is seen at once; the run headers are taken to stay as they
// were. Every position was checked against the buffer and the sprite's rectangle when the list
// was made, and the list is used only for the width and height it was made for, so a list can
// never take a drawing outside the buffer or the rectangle.
#include <cstdint>

#include "sprites/renderers/sprite_renderer.h"

struct PreparedRun {
    int32_t offset;   // row × pitch + column, for the pitch the list is laid out for
    uint16_t bytes;   // whole pixels only
    uint16_t source;  // bytes from the start of the pixel buffer
    uint16_t row;
    uint16_t column;  // bytes from the sprite's left edge
};

// The groups, by how a run is loaded and stored.
enum class RunClass : int32_t { Pixel, Pair, Halves, Vectors };
constexpr int32_t kRunClasses = 4;

struct PreparedRuns {
    int32_t width;
    int32_t height;
    int64_t pitch;  // of the surfaces the offsets are for; 0 before the first drawing
    // Runs of class c are runs[classEnd[c - 1] .. classEnd[c]), with classEnd[-1] taken as 0.
    uint32_t classEnd[kRunClasses];
    PreparedRun runs[1];  // classEnd[kRunClasses - 1] of them (at least one is allocated)

    const PreparedRun* begin(RunClass c) const {
        return runs + (c == RunClass::Pixel ? 0 : classEnd[int(c) - 1]);
    }
    const PreparedRun* end(RunClass c) const { return runs + classEnd[int(c)]; }
};

// Sprites up to this many rows and bytes across get a list: their rows fit in the first level
// of the cache together, so drawing the groups one after another costs no extra memory waits,
// and every position fits the list's 16-bit fields.
constexpr int32_t kPreparedMaxRows = 32;
constexpr int32_t kPreparedMaxRowBytes = 512;

// Lays the list out for surfaces of this pitch, when it is not already; false when the offsets
// would not fit their field (the sprite is then walked).
bool LayOutAgain(PreparedRuns& list, int64_t pitch);
inline bool LayOutFor(PreparedRuns& list, int64_t pitch) {
    if (list.pitch == pitch) return true;
    return LayOutAgain(list, pitch);
}

// The slot's value for a sprite that has no list and is always walked.
constexpr uintptr_t kNoPreparedRuns = 1;

// Makes the list of a 16-bit Rle2 sprite that has none yet and notes it (or kNoPreparedRuns) in
// the pixel buffer's header; null when the sprite is too large, has data that a list cannot
// stand for (a run past its right edge, say), or the memory is not there.
PreparedRuns* PrepareRuns16(const SpriteRenderer& sprite);

// Makes now the list that a sprite of this layout and kind would otherwise get on its first
// drawing, so that its owner chooses when the memory is taken: the host's loaders do it for every
// sprite they make, and the frames that draw those sprites allocate nothing. Does nothing for
// other layouts and kinds, a sprite without pixels, or one whose list was already tried.
void PrepareRunsAhead(const SpriteRenderer& sprite, PixelLayout layout, SpriteKind kind);

// The list of a 16-bit Rle2 sprite with pixel data, made on the first call.
inline PreparedRuns* PreparedRunsOf16(const SpriteRenderer& sprite) {
    const uintptr_t slot = SpriteRenderer::PreparedRunsSlot(sprite.pixelData);
    if (slot > kNoPreparedRuns) return reinterpret_cast<PreparedRuns*>(slot);
    return slot == kNoPreparedRuns ? nullptr : PrepareRuns16(sprite);
}

// For the pixel buffer's owner: frees what the header's slot holds.
void ReleasePreparedRuns(uintptr_t slot);
