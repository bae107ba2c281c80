// Drawing operations of the surface classes. Opaque work goes to the platform's fill and copy;
// translucent and effect work is done on the pixel memory by pixel/surface_operations.
#include <algorithm>
#include <cstring>

#include "display/opacity.h"
#include "display/pixel/surface_operations.h"
#include "display/surface.h"

namespace {

// Single pixels are read and written only inside the surface: a coordinate outside it reads 0
// and writes nothing, instead of touching memory that is not the surface's.
uint8_t* PixelAddress(Surface& s, int32_t px, int32_t py, int32_t bytesPerPixel) {
    return s.Row(py) + int64_t(px) * bytesPerPixel;
}

// The line rectangles keep their odd edges: a horizontal line ends at width - 1 when it passes
// the right edge, and a vertical line keeps its bottom as given, so that a line reaching below
// the surface is refused by the platform fill.
bool HLineRect(const Surface& s, int32_t x1, int32_t x2, int32_t py, Rect& out) {
    if (x2 < 0 || x1 >= s.width || py < 0 || py >= s.height) return false;
    out = Rect{std::max(x1, 0), py, x2 >= s.width ? s.width - 1 : x2, py + 1};
    return true;
}

bool VLineRect(const Surface& s, int32_t px, int32_t y1, int32_t y2, Rect& out) {
    if (px < 0 || px >= s.width || y1 >= s.height || y2 < 0) return false;
    out = Rect{px, std::max(y1, 0), px + 1, y2};
    return true;
}
}  // namespace

// Base class: 16-bit pixel access, platform fills whatever the level, no copy.
uint32_t Surface::GetPixel(int32_t px, int32_t py) {
    if (!HasPixelAt(px, py)) return 0;
    uint16_t v;
    std::memcpy(&v, PixelAddress(*this, px, py, 2), 2);
    return v;
}

void Surface::PutPixel(int32_t px, int32_t py, uint32_t colour, int32_t, int32_t) {
    if (!HasPixelAt(px, py)) return;
    const uint16_t v = uint16_t(colour);
    std::memcpy(PixelAddress(*this, px, py, 2), &v, 2);
}

void Surface::Reserved3(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {}
void Surface::Reserved7(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {}

void Surface::DrawHLine(int32_t x1, int32_t x2, int32_t py, uint32_t colour, int32_t, int32_t) {
    Rect r;
    if (HasPixels() && HLineRect(*this, x1, x2, py, r)) FillRectangle(r, colour);
}

void Surface::DrawVLine(int32_t px, int32_t y1, int32_t y2, uint32_t colour, int32_t, int32_t) {
    Rect r;
    if (HasPixels() && VLineRect(*this, px, y1, y2, r)) FillRectangle(r, colour);
}

void Surface::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t, int32_t) {
    Rect r;
    if (HasPixels() && LimitFillCorners(*this, x1, y1, x2, y2, r)) FillRectangle(r, colour);
}

void Surface::BlitTo(Surface*, int32_t, int32_t, Rect, int32_t, int32_t) {}

// 16-bit layouts. The lines of the layout classes draw only when opaque.
void Surface565::DrawHLine(int32_t x1, int32_t x2, int32_t py, uint32_t colour, int32_t level,
                           int32_t reserved) {
    if (level == kOpaque) Surface::DrawHLine(x1, x2, py, colour, level, reserved);
}

void Surface565::DrawVLine(int32_t px, int32_t y1, int32_t y2, uint32_t colour, int32_t level,
                           int32_t reserved) {
    if (level == kOpaque) Surface::DrawVLine(px, y1, y2, colour, level, reserved);
}

void Surface565::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                          int32_t effect) {
    FillRectInLayout(*this, PixelLayout::Rgb565, x1, y1, x2, y2, colour, level, effect, PixelPath::Fast);
}

void Surface555::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                          int32_t effect) {
    FillRectInLayout(*this, PixelLayout::Rgb555, x1, y1, x2, y2, colour, level, effect, PixelPath::Fast);
}

void Surface565::BlitTo(Surface* destination, int32_t dx, int32_t dy, Rect source, int32_t level,
                        int32_t effect) {
    BlitToOf<PixelLayout::Rgb565>(*this, destination, dx, dy, source, level, effect, PixelPath::Fast);
}

void Surface555::BlitTo(Surface* destination, int32_t dx, int32_t dy, Rect source, int32_t level,
                        int32_t effect) {
    BlitToOf<PixelLayout::Rgb555>(*this, destination, dx, dy, source, level, effect, PixelPath::Fast);
}

// 24/32-bit layouts.
uint32_t Surface24::GetPixel(int32_t px, int32_t py) {
    if (!HasPixelAt(px, py)) return 0;
    const uint8_t* p = PixelAddress(*this, px, py, 3);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}

void Surface24::PutPixel(int32_t px, int32_t py, uint32_t colour, int32_t, int32_t) {
    if (!HasPixelAt(px, py)) return;
    uint8_t* p = PixelAddress(*this, px, py, 3);
    p[0] = uint8_t(colour);
    p[1] = uint8_t(colour >> 8);
    p[2] = uint8_t(colour >> 16);
}

uint32_t Surface32::GetPixel(int32_t px, int32_t py) {
    if (!HasPixelAt(px, py)) return 0;
    uint32_t v;
    std::memcpy(&v, PixelAddress(*this, px, py, 4), 4);
    return v;
}

void Surface32::PutPixel(int32_t px, int32_t py, uint32_t colour, int32_t, int32_t) {
    if (!HasPixelAt(px, py)) return;
    std::memcpy(PixelAddress(*this, px, py, 4), &colour, 4);
}

void Surface24::DrawHLine(int32_t x1, int32_t x2, int32_t py, uint32_t colour, int32_t level,
                          int32_t reserved) {
    if (level == kOpaque) Surface::DrawHLine(x1, x2, py, colour, level, reserved);
}

void Surface24::DrawVLine(int32_t px, int32_t y1, int32_t y2, uint32_t colour, int32_t level,
                          int32_t reserved) {
    if (level == kOpaque) Surface::DrawVLine(px, y1, y2, colour, level, reserved);
}

void Surface24::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                         int32_t effect) {
    FillRectInLayout(*this, PixelLayout::Rgb24, x1, y1, x2, y2, colour, level, effect, PixelPath::Fast);
}

void Surface32::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                         int32_t effect) {
    FillRectInLayout(*this, PixelLayout::Rgb32, x1, y1, x2, y2, colour, level, effect, PixelPath::Fast);
}

void Surface24::BlitTo(Surface* destination, int32_t dx, int32_t dy, Rect source, int32_t level,
                       int32_t effect) {
    BlitToOf<PixelLayout::Rgb24>(*this, destination, dx, dy, source, level, effect, PixelPath::Fast);
}

void Surface32::BlitTo(Surface* destination, int32_t dx, int32_t dy, Rect source, int32_t level,
                       int32_t effect) {
    BlitToOf<PixelLayout::Rgb32>(*this, destination, dx, dy, source, level, effect, PixelPath::Fast);
}
