#pragma once
// Rectangles and points shared with the game module. Rectangles are half-open:
// left and top inside, right and bottom outside. Same layout as the platform's RECT and POINT.
#include <cstdint>

struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    int32_t x;
    int32_t y;
    friend bool operator==(const Point&, const Point&) = default;
};

static_assert(sizeof(Rect) == 16);
static_assert(sizeof(Point) == 8);
