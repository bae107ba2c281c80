#pragma once
// FillRect and BlitTo of the layout classes, with the pixel path as a parameter: the virtual
// operations run them with the fast path, tests also with the reference.
#include <cstdint>

#include "common/geometry.h"
#include "display/pixel/row_kernel.h"

class Surface;

// Orders the corners of a fill and limits them to the surface; false when nothing is left.
bool LimitFillCorners(const Surface& surface, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Rect& out);

void FillRectInLayout(Surface& surface, PixelLayout layout, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      uint32_t colour, int32_t level, int32_t effect, PixelPath path);

// Where a BlitTo lands: the source rectangle clipped to the source surface and, on the 16-bit
// layouts, to the destination; the destination rectangle of the same size. False when nothing
// is drawn (nothing left, or on the 24/32-bit layouts a destination that does not fit).
struct BlitPlacement {
    Rect source;
    Rect destination;
};
bool PlaceBlit(const Surface& source, const Surface& destination, bool clipToDestination, int32_t x,
               int32_t y, const Rect& rect, BlitPlacement& out);

void BlitToInLayout(Surface& source, PixelLayout layout, Surface* destination, int32_t dx, int32_t dy,
                    Rect rect, int32_t level, int32_t effect, PixelPath path);
// The same for a layout known to the compiler (Rgb565, Rgb555, Rgb24, Rgb32), which is what the
// layout classes draw through: the weights and the walk are worked out for that layout alone.
template <PixelLayout Layout>
void BlitToOf(Surface& source, Surface* destination, int32_t dx, int32_t dy, Rect rect, int32_t level,
              int32_t effect, PixelPath path);

// The colour a translucent 16-bit fill adds to every pixel: red and blue scaled by the level
// out of 256, green from its top bits only (two on 5:5:5, three on 5:6:5).
uint32_t PrescaleFillColour16(PixelLayout layout, uint32_t colour, int32_t level);

// The fill colour of the 24/32-bit layouts after the effect: each of blue, green and red moved
// toward white (effect > 0) or black (effect < 0).
uint32_t ApplyEffectToFillColour(uint32_t colour, int32_t effect);
