#pragma once
// A colour of 8-bit red, green and blue as a pixel of a layout: the 16-bit layouts keep the top
// bits of each channel, the 24/32-bit layouts every bit.
#include <cstdint>

#include "common/pixel_layout.h"

inline uint16_t Pack565(uint8_t red, uint8_t green, uint8_t blue) {
    return uint16_t((red & 0xF8) << 8 | (green & 0xFC) << 3 | blue >> 3);
}
inline uint16_t Pack555(uint8_t red, uint8_t green, uint8_t blue) {
    return uint16_t((red & 0xF8) << 7 | (green & 0xF8) << 2 | blue >> 3);
}

inline uint32_t PackColour(PixelLayout layout, uint8_t red, uint8_t green, uint8_t blue) {
    switch (layout) {
    case PixelLayout::Rgb565:
        return Pack565(red, green, blue);
    case PixelLayout::Rgb555:
        return Pack555(red, green, blue);
    default:
        return uint32_t(red) << 16 | uint32_t(green) << 8 | blue;
    }
}
