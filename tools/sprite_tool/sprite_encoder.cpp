#include "sprite_encoder.h"

#include <algorithm>

#include "sprites/format/sprite_format.h"
#include "sprites/format/stored_pixels.h"

namespace {
bool Visible(uint32_t rgba) { return (rgba >> 24) != 0; }

class Encoder {
  public:
    Encoder(int32_t storedBytes, std::vector<uint8_t>& out) : twoBytes_(storedBytes == 2), out_(out) {}

    void Word(uint16_t w) {
        out_.push_back(uint8_t(w));
        out_.push_back(uint8_t(w >> 8));
    }
    void Pixel(uint32_t rgba) {
        const uint8_t r = uint8_t(rgba), g = uint8_t(rgba >> 8), b = uint8_t(rgba >> 16);
        if (twoBytes_) {
            Word(Pack565(r, g, b));
        } else {
            out_.insert(out_.end(), {b, g, r});
        }
    }
    // Skip and count in pixels; 2-byte data counts them in bytes.
    void Run(uint32_t skip, const uint32_t* pixels, uint32_t count) {
        const uint32_t unit = twoBytes_ ? 2 : 1;
        Word(uint16_t(skip * unit));
        out_.push_back(0);
        Word(uint16_t(count * unit));
        for (uint32_t i = 0; i < count; ++i)
            Pixel(pixels[i]);
    }

  private:
    bool twoBytes_;
    std::vector<uint8_t>& out_;
};
}  // namespace

SpriteKind ChooseKind(const RgbaImage& image) {
    for (uint32_t p : image.pixels)
        if (!Visible(p)) return SpriteKind::Rle2;
    return SpriteKind::Raw;
}

bool EncodeSprite(const RgbaImage& image, SpriteKind kind, int32_t storedBytes, std::vector<uint8_t>* data,
                  std::string* error) {
    data->clear();
    Encoder out(storedBytes, *data);
    if (kind == SpriteKind::Raw) {
        for (uint32_t p : image.pixels)
            out.Pixel(p);
        return true;
    }
    const uint32_t width = uint32_t(image.width);
    for (int32_t y = 0; y < image.height; ++y) {
        const uint32_t* row = image.pixels.data() + size_t(y) * width;
        if (kind == SpriteKind::Rle) {
            uint32_t first = 0;
            while (first < width && !Visible(row[first]))
                ++first;
            if (first == width) {
                out.Word(sprite_format::kRowEnd);
                continue;
            }
            uint32_t end = width;
            while (!Visible(row[end - 1]))
                --end;
            for (uint32_t x = first; x < end; ++x) {
                if (!Visible(row[x])) {
                    *error =
                        "row " + std::to_string(y) + " has a transparent gap, which only kind rle2 can store";
                    return false;
                }
            }
            if (first > kLongestSkip || end - first > kLongestRun) {
                *error = "row " + std::to_string(y) + " is too wide for the one run of kind rle";
                return false;
            }
            out.Run(first, row + first, end - first);
            continue;
        }
        // Rle2: the visible stretches of the row, long ones split, long gaps crossed by empty runs.
        uint32_t x = 0, previousEnd = 0;
        while (x < width) {
            if (!Visible(row[x])) {
                ++x;
                continue;
            }
            uint32_t end = x;
            while (end < width && Visible(row[end]))
                ++end;
            uint32_t skip = x - previousEnd;
            while (skip > kLongestSkip) {
                out.Run(kLongestSkip, nullptr, 0);
                skip -= kLongestSkip;
            }
            for (uint32_t start = x; start < end; start += kLongestRun) {
                const uint32_t count = std::min(kLongestRun, end - start);
                out.Run(start == x ? skip : 0, row + start, count);
            }
            previousEnd = x = end;
        }
        out.Word(sprite_format::kRowEnd);
    }
    out.Word(sprite_format::kSpriteEnd);
    return true;
}
