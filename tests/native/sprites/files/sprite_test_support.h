#pragma once
// Helpers of the sprite file tests: fixture paths, a display of each layout, and a reading of a
// renderer's in-memory pixels into a grid, written apart from the loader so that the two check
// each other.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "display/display_format.h"
#include "platform/memory/display/memory_surface_backend.h"
#include "sprites/renderers/sprite_renderer.h"

namespace sprite_test {

inline std::string Fixture(const std::string& name) {
    return std::string(TIDEMARCH_SPRITE_FIXTURES) + "/" + name;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

struct LayoutCase {
    PixelLayout layout;
    int32_t bytesPerPixel;
    uint32_t redMask;
    const char* name;
};
inline constexpr LayoutCase kLayouts[] = {
    {PixelLayout::Rgb565, 2, 0xF800, "565"},
    {PixelLayout::Rgb555, 2, 0x7C00, "555"},
    {PixelLayout::Rgb24, 3, 0xFF0000, "24"},
    {PixelLayout::Rgb32, 4, 0xFF0000, "32"},
};

// The display value that a colour must get, by the rules of each layout (fourth byte of 32-bit
// pixels left out).
inline uint32_t DisplayValue(PixelLayout layout, uint8_t r, uint8_t g, uint8_t b) {
    switch (layout) {
    case PixelLayout::Rgb565:
        return uint32_t(r >> 3) << 11 | uint32_t(g >> 2) << 5 | uint32_t(b >> 3);
    case PixelLayout::Rgb555:
        return uint32_t(r >> 3) << 10 | uint32_t(g >> 3) << 5 | uint32_t(b >> 3);
    default:
        return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
    }
}

// The display value of a stored 5:6:5 word: itself, one green bit fewer on 5:5:5, and each
// channel widened by repeating its top bits on 24- and 32-bit displays.
inline uint32_t DisplayValueOf565(PixelLayout layout, uint16_t v) {
    const uint32_t r = v >> 11, g = (v >> 5) & 63, b = v & 31;
    switch (layout) {
    case PixelLayout::Rgb565:
        return v;
    case PixelLayout::Rgb555:
        return r << 10 | (g >> 1) << 5 | b;
    default:
        return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
    }
}

using Grid = std::vector<std::optional<uint32_t>>;  // width x height, empty where transparent

inline uint32_t PixelAt(const uint8_t* p, int32_t bytes) {
    uint32_t v = 0;
    std::memcpy(&v, p, size_t(bytes));
    return bytes == 4 ? v & 0xFFFFFF : v;
}

// Reads a renderer's pixels: Raw rows, or the run structure with skip and count in bytes. A
// renderer walks Rle and Rle2 alike except for where a row ends.
inline Grid ReadBack(const SpriteRenderer& sprite, SpriteKind kind, int32_t bytesPerPixel) {
    Grid grid(size_t(sprite.width) * size_t(sprite.height));
    const uint8_t* p = sprite.pixelData;
    const uint8_t* end = p + SpriteRenderer::PixelDataSize(p);
    if (kind == SpriteKind::Raw) {
        for (size_t i = 0; i < grid.size(); ++i)
            grid[i] = PixelAt(p + i * size_t(bytesPerPixel), bytesPerPixel);
        return grid;
    }
    int32_t row = 0, column = 0;
    while (p + 2 <= end && row < sprite.height) {
        uint16_t word;
        std::memcpy(&word, p, 2);
        if (word == 0xFFFF) {
            p += 2;
            ++row;
            column = 0;
            continue;
        }
        if (word & 0x8000) break;
        uint16_t count;
        std::memcpy(&count, p + 3, 2);
        column += word / bytesPerPixel;
        p += 5;
        for (int32_t i = 0; i < count / bytesPerPixel; ++i, p += bytesPerPixel)
            grid[size_t(row) * size_t(sprite.width) + size_t(column++)] = PixelAt(p, bytesPerPixel);
        if (kind == SpriteKind::Rle) {
            ++row;
            column = 0;
        }
    }
    return grid;
}

}  // namespace sprite_test
