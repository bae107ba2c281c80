#pragma once
// How a sprite's pixels are stored: every pixel, one run per row, or any number of runs per row.
// The number is the file's and the game module's.
#include <cstdint>

enum class SpriteKind : int32_t { Raw = 0, Rle = 1, Rle2 = 2 };
