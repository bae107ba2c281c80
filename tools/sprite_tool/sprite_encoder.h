#pragma once
// Turns an RGBA picture into stored sprite pixels. Pixels with alpha 0 are transparent in Rle
// and Rle2 sprites; every other pixel is stored opaque. Raw sprites store every pixel.
#include <cstdint>
#include <string>
#include <vector>

#include "image_files.h"
#include "sprites/format/sprite_kind.h"

// Longest skip and run, in pixels, that stay expressible on every display once counted in
// bytes (4 per pixel at most: a skip below 0x8000 bytes, a count up to 0xFFFF).
inline constexpr uint32_t kLongestSkip = 0x7FFF / 4;
inline constexpr uint32_t kLongestRun = 0xFFFF / 4;

// Rle2 when any pixel is transparent, Raw otherwise.
SpriteKind ChooseKind(const RgbaImage& image);

// storedBytesPerPixel: 3 (blue, green, red) or 2 (5:6:5). Fails for an Rle sprite with a
// transparent gap inside a row (Rle stores one run per row) or a row too wide for one run.
bool EncodeSprite(const RgbaImage& image, SpriteKind kind, int32_t storedBytesPerPixel,
                  std::vector<uint8_t>* data, std::string* error);
