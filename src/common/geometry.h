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

// A width and height, as the platform's SIZE.
struct Size {
    int32_t width;
    int32_t height;
    friend bool operator==(const Size&, const Size&) = default;
};

// A coordinate sum taken in 64 bits and held to the range of int32_t, for positions that add
// a caller's coordinates: far outside any surface, it stays far outside instead of wrapping.
inline int32_t ClampedCoordinate(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return int32_t(value);
}

static_assert(sizeof(Rect) == 16);
static_assert(sizeof(Size) == 8);
static_assert(sizeof(Point) == 8);
