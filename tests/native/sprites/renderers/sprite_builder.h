#pragma once
// Builds sprites in memory in the three forms the renderers read, from a picture whose
// transparent positions are marked.
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "sprites/renderers/sprite_renderer.h"

struct Picture {
    int width = 0;
    int height = 0;
    int bytesPerPixel = 2;
    std::vector<std::optional<uint32_t>> pixels;  // row after row; empty = transparent

    std::optional<uint32_t>& at(int x, int y) { return pixels[size_t(y) * width + x]; }
    const std::optional<uint32_t>& at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

class SpriteBytes {
  public:
    explicit SpriteBytes(int bytesPerPixel) : bpp_(bytesPerPixel) {}
    SpriteBytes& Word(uint16_t w) { return Put(w, 2); }
    SpriteBytes& Pixel(uint32_t p) { return Put(p, bpp_); }
    // A run header: skip and count in pixels, stored in bytes.
    SpriteBytes& Run(int skipPixels, int countPixels, uint8_t flag = 0x5A) {
        Word(uint16_t(skipPixels * bpp_));
        bytes_.push_back(flag);
        return Word(uint16_t(countPixels * bpp_));
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

  private:
    SpriteBytes& Put(uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            bytes_.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    int bpp_;
    std::vector<uint8_t> bytes_;
};

// Raw keeps every position (transparent ones as 0); Rle stores one run per row from the first
// to the last opaque position (gaps stored as 0); Rle2 stores only the opaque runs.
inline std::vector<uint8_t> Encode(const Picture& pic, SpriteKind kind) {
    SpriteBytes out(pic.bytesPerPixel);
    for (int y = 0; y < pic.height; ++y) {
        if (kind == SpriteKind::Raw) {
            for (int x = 0; x < pic.width; ++x)
                out.Pixel(pic.at(x, y).value_or(0));
            continue;
        }
        if (kind == SpriteKind::Rle) {
            int first = -1, last = -1;
            for (int x = 0; x < pic.width; ++x)
                if (pic.at(x, y)) {
                    if (first < 0) first = x;
                    last = x;
                }
            if (first < 0) {
                out.Word(0xFFFF);
                continue;
            }
            out.Run(first, last - first + 1);
            for (int x = first; x <= last; ++x)
                out.Pixel(pic.at(x, y).value_or(0));
            continue;
        }
        int end = 0;
        for (int x = 0; x < pic.width;) {
            if (!pic.at(x, y)) {
                ++x;
                continue;
            }
            int n = 0;
            while (x + n < pic.width && pic.at(x + n, y))
                ++n;
            out.Run(x - end, n);
            for (int i = 0; i < n; ++i)
                out.Pixel(*pic.at(x + i, y));
            x += n;
            end = x;
        }
        out.Word(0xFFFF);
    }
    if (kind != SpriteKind::Raw) out.Word(0xFFFE);
    return out.bytes();
}

// A renderer of the class for layout and kind, owning a copy of the bytes.
inline SpriteRenderer* MakeSprite(PixelLayout layout, SpriteKind kind, int width, int height,
                                  const std::vector<uint8_t>& bytes) {
    SpriteRenderer* r = CreateSpriteRenderer(layout, kind);
    uint8_t* data = SpriteRenderer::AllocatePixelData(bytes.size());
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    r->AdoptPixelData(data);
    r->width = width;
    r->height = height;
    r->bounds = Rect{0, 0, width, height};
    return r;
}
