#include "sprite_encoding.h"

namespace {
constexpr uint16_t kRowEnd = 0xFFFF;
constexpr uint16_t kSpriteEnd = 0xFFFE;

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
}  // namespace

std::vector<uint8_t> EncodeRaw(const std::vector<uint16_t>& pixels) {
    std::vector<uint8_t> out;
    for (uint16_t v : pixels)
        Put16(out, v);
    return out;
}

std::vector<uint8_t> EncodeRle2(const std::vector<uint16_t>& pixels, int width, int height,
                                uint16_t transparentKey) {
    std::vector<uint8_t> out;
    for (int y = 0; y < height; ++y) {
        const uint16_t* row = pixels.data() + size_t(y) * width;
        int end = 0;  // where the previous run ended
        for (int x = 0; x < width;) {
            if (row[x] == transparentKey) {
                ++x;
                continue;
            }
            int n = 0;
            while (x + n < width && row[x + n] != transparentKey)
                ++n;
            Put16(out, uint16_t((x - end) * 2));
            out.push_back(0);
            Put16(out, uint16_t(n * 2));
            for (int i = 0; i < n; ++i)
                Put16(out, row[x + i]);
            x += n;
            end = x;
        }
        Put16(out, kRowEnd);
    }
    Put16(out, kSpriteEnd);
    return out;
}
