#pragma once
// Sprite data of 16-bit pictures, as the pixel benchmarks hand it to the renderers: raw pixels, or
// Rle2 rows of (skip, opaque run) pairs in which positions of the transparent key are skipped.
#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<uint8_t> EncodeRaw(const std::vector<uint16_t>& pixels);
std::vector<uint8_t> EncodeRle2(const std::vector<uint16_t>& pixels, int width, int height,
                                uint16_t transparentKey);
