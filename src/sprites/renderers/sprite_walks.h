#pragma once
// The walks over a sprite's pixel data: which stored pixels land where, after clipping. What is
// done to each pixel is the kernel's business; the walks only hand it runs of pixels.
//
// In-memory forms (B bytes per pixel of the display):
//   Raw:  height rows of width × B bytes, back to back.
//   Rle:  one entry per row, then 0xFFFE.
//   Rle2: per row any number of runs and the row mark 0xFFFF, then 0xFFFE.
//   entry: u16 word where a skip is expected. 0xFFFF is a row mark (an empty row in Rle); any
//          other word with the top bit set ends the drawing; else it is the run's skip:
//     +0 u16 skip (bytes; Rle2 from the end of the previous run in the row)
//     +2 u8  flag (carried, never read)
//     +3 u16 count (bytes)
//     +5 count bytes of pixels
// The walks never read past the buffer's size (SpriteRenderer::PixelDataSize): data that runs
// out ends the drawing like an end mark.
#include <cstddef>
#include <cstdint>

#include "common/geometry.h"
#include "display/pixel/row_kernel.h"
#include "sprites/renderers/sprite_operation.h"
#include "sprites/renderers/sprite_renderer.h"

class Surface;

// The marks and the run header of the run data above.
namespace run_data {
inline constexpr uint16_t kRowMark = 0xFFFF;
inline constexpr uint16_t kMarkBit = 0x8000;  // set in a row mark and in an end mark
inline constexpr size_t kRunHeaderBytes = 5;
}  // namespace run_data

struct SpriteImage {
    const uint8_t* data;
    size_t size;
    int32_t width;
    int32_t height;
};

// The surface memory a sprite is drawn into, and the visible part of it (inside the surface).
struct SpriteTarget {
    uint8_t* pixels;
    int32_t pitch;
    Rect visible;
};

// Bpp is the display's bytes per pixel (2, 3 or 4) and the kernel's; the walks exist for those.
template <int32_t Bpp>
void WalkRaw(const SpriteImage& image, const SpriteTarget& target, int32_t x, int32_t y,
             const RowKernel& kernel);
template <int32_t Bpp>
void WalkRle(const SpriteImage& image, const SpriteTarget& target, int32_t x, int32_t y,
             const RowKernel& kernel);
template <int32_t Bpp>
void WalkRle2(const SpriteImage& image, const SpriteTarget& target, int32_t x, int32_t y,
              const RowKernel& kernel);

// Draws an untinted sprite of a 16-bit layout on the fast path, the whole call: clipping, the
// operation, and the walk with the operation done where each run is found, its weights prepared
// once (copies, and the operations VectorRuns16Take accepts). Other operations go through a
// row kernel (DrawSpriteWithKernel). One function per class, so that nothing of the call is
// handed on through memory. A small Rle2 sprite drawn whole is drawn from its prepared runs
// (prepared_runs.h) instead of its data.
template <PixelLayout Layout, SpriteKind Kind>
void DrawInPlace16(const SpriteRenderer& sprite, Surface* target, int32_t x, int32_t y, Rect clip,
                   int32_t alpha, int32_t effect);
