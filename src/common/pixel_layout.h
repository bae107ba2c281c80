#pragma once
// The pixel layouts a display or surface can have, shared by the display and the sprite format,
// which converts stored pixels for them without depending on the display.
#include <cstdint>

enum class PixelLayout : int32_t { None = 0, Rgb565, Rgb555, Rgb24, Rgb32 };

// Bytes per pixel of a layout; 0 for None.
constexpr int32_t BytesPerPixel(PixelLayout layout) {
    switch (layout) {
    case PixelLayout::Rgb565:
    case PixelLayout::Rgb555:
        return 2;
    case PixelLayout::Rgb24:
        return 3;
    case PixelLayout::Rgb32:
        return 4;
    default:
        return 0;
    }
}
