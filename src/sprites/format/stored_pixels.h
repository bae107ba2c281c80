#pragma once
// The pixels of one sprite as a file stores them, checked against the sprite's size before
// anything is made from them, and turned into the in-memory form that the renderers of a
// display layout draw, or into RGBA for tools.
//
// Stored forms (3 stored bytes per pixel: blue, green, red; 2: a 5:6:5 word):
//   Raw   width x height pixels, row after row.
//   Rle   one entry per row: a run, or a row end for a row with no visible pixel.
//   Rle2  each row: any number of runs, then a row end.
//   A run is skip (u16), a flag byte, count (u16) and count pixels. With 3 stored bytes skip
//   and count are pixels, with 2 they are bytes. A word with the top bit set is a marker:
//   0xFFFF row end, 0xFFFE sprite end. In Rle data of 3 stored bytes any other marker is an
//   empty row; elsewhere any other marker ends the sprite there.
//
// In-memory form for a display of B bytes per pixel: the same structure with skip and count in
// bytes (pixels x B) and display pixels; row marks are written as 0xFFFF and the data ends with
// 0xFFFE (a Raw rectangle is followed by 0xFFFE too). Data stored with 2 bytes per pixel keeps
// its stored bytes on a 16-bit display, with the pixels turned to 5:5:5 where the display is.
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/colour_packing.h"
#include "common/pixel_layout.h"
#include "sprites/format/sprite_kind.h"

// Room that the fast row conversion may write past the end of a converted form.
inline constexpr size_t kScratchSlack = 64;

struct StoredPixels {
    SpriteKind kind = SpriteKind::Raw;
    int32_t storedBytesPerPixel = 3;  // 2 or 3
    int32_t width = 0;                // not negative
    int32_t height = 0;               // not negative
    std::span<const uint8_t> data;
};

enum class PixelFault {
    None,
    DataTooShort,   // Raw data smaller than the rectangle
    RunPassesData,  // a run or marker that the data ends inside
    SplitsPixel,    // an odd skip or count in data of 2-byte pixels
};

struct PixelInspection {
    PixelFault fault = PixelFault::None;
    uint32_t faultOffset = 0;  // byte of the data where the fault was found
    // What the run data holds, up to where the sprite ends.
    uint32_t runs = 0;
    uint32_t marks = 0;  // row marks and a marker that ends the drawing
    uint64_t pixels = 0;
    uint32_t longestSkip = 0;   // pixels
    uint32_t longestCount = 0;  // pixels
    // Part of the data lies outside the sprite's rectangle (a run past its row's width, entries
    // below the last row) and is left out of what is converted or decoded.
    bool clipped = false;

    bool ok() const { return fault == PixelFault::None; }
};

// Checks the stored pixels: every run inside the data, no 2-byte pixel split, Raw data covering
// the rectangle. What passes the rectangle's right edge or bottom is clipped, not refused.
PixelInspection InspectStoredPixels(const StoredPixels& pixels);

// The size of the in-memory form for a layout, or false when it cannot be expressed there (a
// skip or count that would not fit its 16-bit field once counted in bytes). Needs a successful
// inspection.
bool ConvertedSize(const StoredPixels& pixels, const PixelInspection& inspection, PixelLayout layout,
                   size_t* bytes);

// Whether the in-memory form for a layout is the stored data itself (2-byte pixels on a 16-bit
// display, with nothing clipped), with at most the pixels turned to 5:5:5.
bool KeepsStoredForm(const StoredPixels& pixels, const PixelInspection& inspection, PixelLayout layout);

// Writes the in-memory form for a layout into out, which holds the ConvertedSize bytes. Needs
// the successful inspection of the same pixels.
void ConvertStoredPixels(const StoredPixels& pixels, const PixelInspection& inspection, PixelLayout layout,
                         uint8_t* out, size_t outBytes);

// Run data of 3-byte pixels, and 2-byte pixels for 24- and 32-bit displays, can be checked and
// converted in one walk, into a scratch buffer of OneWalkScratchBytes (an upper bound of the
// in-memory form, with room for the fast row conversion to run past its end). On success
// *converted is the size of the in-memory form at the front of scratch, the ConvertedSize.
bool ConvertsInOneWalk(const StoredPixels& pixels, PixelLayout layout);
size_t OneWalkScratchBytes(const StoredPixels& pixels);
PixelInspection InspectAndConvert(const StoredPixels& pixels, PixelLayout layout, uint8_t* scratch,
                                  size_t* converted);

// The picture as width x height RGBA values (red in the lowest byte), alpha 0 where the sprite
// is transparent. Needs a successful inspection.
void DecodeStoredPixels(const StoredPixels& pixels, uint32_t* rgba);

// Display values of one stored 24-bit pixel (blue, green, red bytes: Pack565 and Pack555) and of
// a stored 5:6:5 word.
inline uint16_t Convert565To555(uint16_t v) { return uint16_t(((v >> 1) & 0x7FE0) | (v & 0x001F)); }
