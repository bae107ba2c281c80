// Drawing operations of the surface classes.
#include <algorithm>
#include <cstring>

#include "display/surface.h"

namespace {
constexpr int32_t kOpaque = 256;

uint16_t* Pixel16(Surface& s, int32_t px, int32_t py) {
    return reinterpret_cast<uint16_t*>(s.pixels + py * s.pitch + px * 2);
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

// Orders and limits the corners of FillRect; false when nothing is to be filled.
bool FillCorners(const Surface& s, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Rect& out) {
    if (x1 > x2) std::swap(x1, x2);
    if (x1 == x2) return false;
    if (y1 > y2) std::swap(y1, y2);
    if (y1 == y2) return false;
    if (x2 <= 0 || x1 > s.width || y2 <= 0 || y1 > s.height) return false;
    out = Rect{std::max(x1, 0), std::max(y1, 0), std::min(x2, s.width), std::min(y2, s.height)};
    return !out.IsEmpty();
}
} // namespace

// Base class: 16-bit pixel access, platform fills whatever the level, no copy.
uint32_t Surface::GetPixel(int32_t px, int32_t py) {
    if (!HasPixels()) return 0;
    return *Pixel16(*this, px, py);
}

void Surface::PutPixel(int32_t px, int32_t py, uint32_t colour, int32_t, int32_t) {
    if (!HasPixels()) return;
    *Pixel16(*this, px, py) = uint16_t(colour);
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
    if (HasPixels() && FillCorners(*this, x1, y1, x2, y2, r)) FillRectangle(r, colour);
}

void Surface::BlitTo(Surface*, int32_t, int32_t, Rect, int32_t, int32_t) {}

// 16-bit layouts.
void Surface565::DrawHLine(int32_t x1, int32_t x2, int32_t py, uint32_t colour, int32_t level, int32_t) {
    Rect r;
    if (level == kOpaque && HasPixels() && HLineRect(*this, x1, x2, py, r)) FillRectangle(r, colour);
}

void Surface565::DrawVLine(int32_t px, int32_t y1, int32_t y2, uint32_t colour, int32_t level, int32_t) {
    Rect r;
    if (level == kOpaque && HasPixels() && VLineRect(*this, px, y1, y2, r)) FillRectangle(r, colour);
}

void Surface565::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                          int32_t) {
    Rect r;
    if (!HasPixels() || !FillCorners(*this, x1, y1, x2, y2, r)) return;
    if (level == kOpaque) FillRectangle(r, colour);
}

void Surface555::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                          int32_t) {
    Rect r;
    if (!HasPixels() || !FillCorners(*this, x1, y1, x2, y2, r)) return;
    if (level == kOpaque) FillRectangle(r, colour);
}

void Surface565::BlitTo(Surface* destination, int32_t dx, int32_t dy, Rect src, int32_t level,
                        int32_t effect) {
    if (!platformSurface || src.left >= width || src.top >= height || !destination) return;
    if (src.left < 0) {
        dx -= src.left;
        src.left = 0;
    }
    if (src.right > width) src.right = width;
    if (src.top < 0) {
        dy -= src.top;
        src.top = 0;
    }
    if (src.bottom > height) src.bottom = height;
    int32_t excess = dx + src.Width() - destination->width;
    if (excess > 0) src.right -= excess;
    if (dx < 0) {
        src.left -= dx;
        dx = 0;
    }
    excess = dy + src.Height() - destination->height;
    if (excess > 0) src.bottom -= excess;
    if (dy < 0) {
        src.top -= dy;
        dy = 0;
    }
    if (src.IsEmpty()) return;
    if (level == kOpaque && effect == 0) {
        Rect dst{dx, dy, dx + src.Width(), dy + src.Height()};
        ActiveSurfaceBackend()->Copy(destination->platformSurface, dst, platformSurface, src, blitOptions);
    }
}

// 24/32-bit layouts.
uint32_t Surface24::GetPixel(int32_t px, int32_t py) {
    if (!HasPixels()) return 0;
    const uint8_t* p = pixels + py * pitch + px * 3;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}

void Surface24::PutPixel(int32_t px, int32_t py, uint32_t colour, int32_t, int32_t) {
    if (!HasPixels()) return;
    uint8_t* p = pixels + py * pitch + px * 3;
    p[0] = uint8_t(colour);
    p[1] = uint8_t(colour >> 8);
    p[2] = uint8_t(colour >> 16);
}

uint32_t Surface32::GetPixel(int32_t px, int32_t py) {
    if (!HasPixels()) return 0;
    uint32_t v;
    std::memcpy(&v, pixels + py * pitch + px * 4, 4);
    return v;
}

void Surface32::PutPixel(int32_t px, int32_t py, uint32_t colour, int32_t, int32_t) {
    if (!HasPixels()) return;
    std::memcpy(pixels + py * pitch + px * 4, &colour, 4);
}

void Surface24::DrawHLine(int32_t x1, int32_t x2, int32_t py, uint32_t colour, int32_t level, int32_t) {
    Rect r;
    if (level == kOpaque && HasPixels() && HLineRect(*this, x1, x2, py, r)) FillRectangle(r, colour);
}

void Surface24::DrawVLine(int32_t px, int32_t y1, int32_t y2, uint32_t colour, int32_t level, int32_t) {
    Rect r;
    if (level == kOpaque && HasPixels() && VLineRect(*this, px, y1, y2, r)) FillRectangle(r, colour);
}

namespace {
uint32_t ApplyEffectToColour(uint32_t colour, int32_t effect) {
    if (effect == 0) return colour;
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t b = (colour >> shift) & 0xFF;
        uint32_t v = effect > 0 ? b + ((255 - b) * uint32_t(effect) >> 8) : (b * uint32_t(256 + effect)) >> 8;
        out |= (v & 0xFF) << shift;
    }
    return out;
}
} // namespace

void Surface24::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                         int32_t effect) {
    Rect r;
    if (!HasPixels() || !FillCorners(*this, x1, y1, x2, y2, r)) return;
    uint32_t adjusted = ApplyEffectToColour(colour, effect);
    if (level == kOpaque) FillRectangle(r, adjusted);
}

void Surface32::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t level,
                         int32_t effect) {
    Surface24::FillRect(x1, y1, x2, y2, colour, level, effect);
}

void Surface24::BlitTo(Surface* destination, int32_t dx, int32_t dy, Rect src, int32_t level,
                       int32_t effect) {
    if (!platformSurface || src.left >= width || src.top >= height || !destination) return;
    if (src.left < 0) {
        dx -= src.left;
        src.left = 0;
    }
    if (src.right > width) src.right = width;
    if (src.top < 0) {
        dy -= src.top;
        src.top = 0;
    }
    if (src.bottom > height) src.bottom = height;
    if (src.IsEmpty()) return;
    Rect dst{dx, dy, dx + src.Width(), dy + src.Height()};
    if (dst.left < 0 || dst.top < 0 || dst.right > destination->width || dst.bottom > destination->height)
        return;
    if (level == kOpaque && effect == 0)
        ActiveSurfaceBackend()->Copy(destination->platformSurface, dst, platformSurface, src, blitOptions);
}

void Surface32::BlitTo(Surface* destination, int32_t dx, int32_t dy, Rect src, int32_t level,
                       int32_t effect) {
    Surface24::BlitTo(destination, dx, dy, src, level, effect);
}
