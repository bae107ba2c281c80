#pragma once
// The parts of presenting a frame that are plain arithmetic.
#include <cstdint>

#include "common/geometry.h"

// Whether Present number `count` (counted from 1) checks the primary surface for loss: the
// calls whose count modulo 1,048,576 is below 64.
inline bool PresentChecksPrimary(uint32_t count) { return (count & 0xFFFC0u) == 0; }

struct PresentRects {
    Rect source;
    Rect destination;
};

// The copy of a windowed frame: the top-left width x height of the draw surface goes to the
// client area at (windowX, windowY), cut at the edges of the desktop.
PresentRects WindowedPresentRects(int32_t windowX, int32_t windowY, int32_t width, int32_t height,
                                  int32_t screenWidth, int32_t screenHeight);
