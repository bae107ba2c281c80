// libFuzzer harness of the sprite renderers: every input is a sprite's stored pixel data (taken
// as it is, or built as well-formed runs from the input), drawn on one of the four display
// layouts as one of the three kinds, at a place, through a clip, with
// an alpha, an effect and possibly a tint, all taken from the input's first bytes. The fast path
// must write exactly the reference's bytes, and neither may read or write outside the data and
// the surface (the buffers end where they end; the sanitizers watch).
#include <cstdint>
#include <cstring>
#include <vector>

#include "display/surface.h"
#include "platform/memory/display/memory_surface_platform.h"
#include "sprites/renderers/sprite_draw.h"
#include "sprites/renderers/sprite_renderer.h"

namespace {

struct Display {
    PixelLayout layout;
    int32_t bytesPerPixel;
    uint32_t redMask;
};
constexpr Display kDisplays[] = {{PixelLayout::Rgb565, 2, 0xF800},
                                 {PixelLayout::Rgb555, 2, 0x7C00},
                                 {PixelLayout::Rgb24, 3, 0xFF0000},
                                 {PixelLayout::Rgb32, 4, 0xFF0000}};
constexpr SpriteKind kKinds[] = {SpriteKind::Raw, SpriteKind::Rle, SpriteKind::Rle2};

constexpr int32_t kSurfaceWidth = 24;
constexpr int32_t kSurfaceHeight = 12;
constexpr size_t kSettingsBytes = 16;

// Reads the settings from the front of the input.
class Settings {
  public:
    explicit Settings(const uint8_t* data) : data_(data) {}
    uint8_t Byte() { return data_[at_++]; }
    // Coordinates around the surface, negative ones and ones past its edges included.
    int32_t Coordinate() { return int32_t(int8_t(Byte())) / 4; }
    int32_t Wide() {
        const uint16_t v = uint16_t(Byte() | Byte() << 8);
        return int32_t(int16_t(v));
    }

  private:
    const uint8_t* data_;
    size_t at_ = 0;
};

// Alphas and effects at and around every edge of their ranges, and anything else now and then.
int32_t Level(int32_t wide) {
    constexpr int32_t kEdges[] = {0, 7, 8, 128, 255, 256, 257, 300, -1, -255, -256, -257, -1000, 1, 31, 33};
    return (wide & 3) == 0 ? wide >> 2 : kEdges[(wide >> 2) & 15];
}

// Well-formed run data most of the time, so that the walks get far: the bytes after the settings
// are read as, per row, a number of runs, then each run's skip and length in pixels and its
// pixels; rows end with a row mark (Rle: a row holds one run or is a row mark), the data with
// the end mark. Raw data is taken as it is.
std::vector<uint8_t> RunData(const uint8_t* in, size_t size, SpriteKind kind, int32_t bytesPerPixel,
                             int32_t rows) {
    std::vector<uint8_t> out;
    size_t at = 0;
    auto next = [&]() -> uint8_t { return at < size ? in[at++] : 0; };
    auto word = [&](uint32_t w) {
        out.push_back(uint8_t(w));
        out.push_back(uint8_t(w >> 8));
    };
    for (int32_t row = 0; row < rows && at < size; ++row) {
        const int runs = kind == SpriteKind::Rle ? 1 : next() % 4;
        for (int r = 0; r < runs; ++r) {
            const uint8_t shape = next();
            const uint32_t skip = (shape & 7) * uint32_t(bytesPerPixel);
            const uint32_t count = ((shape >> 3) % 20) * uint32_t(bytesPerPixel);
            if (kind == SpriteKind::Rle && count == 0) break;
            word(skip);
            out.push_back(0x5A);
            word(count);
            for (uint32_t i = 0; i < count; ++i)
                out.push_back(next());
        }
        if (kind == SpriteKind::Rle2 || runs == 0) word(0xFFFF);
    }
    word(0xFFFE);
    return out;
}

std::vector<uint8_t> Draw(const SpriteRenderer& sprite, SpriteClass cls, int32_t x, int32_t y, Rect clip,
                          SpriteBlend blend, PixelPath path) {
    Surface* surface = CreateSurface(kSurfaceWidth, kSurfaceHeight, surface_caps::OffscreenSystemMemory);
    if (!surface) __builtin_trap();
    const size_t bytes = size_t(surface->pitch) * size_t(surface->height);
    for (size_t i = 0; i < bytes; ++i)
        surface->pixels[i] = uint8_t(i * 37 + 11);
    DrawSprite(sprite, cls, surface, x, y, clip, blend, path);
    std::vector<uint8_t> out(surface->pixels, surface->pixels + bytes);
    DestroySurface(surface);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kSettingsBytes) return 0;
    Settings in(data);
    const uint8_t choice = in.Byte();
    const Display& display = kDisplays[choice & 3];
    const SpriteKind kind = kKinds[(choice >> 2) % 3];
    const int32_t x = in.Coordinate(), y = in.Coordinate();
    const Rect clip{in.Coordinate(), in.Coordinate(), in.Coordinate() + kSurfaceWidth / 2,
                    in.Coordinate() + kSurfaceHeight / 2};
    const int32_t width = in.Byte() % 40, height = in.Byte() % 20;
    SpriteBlend blend{Level(in.Wide()), Level(in.Wide()), (choice & 0x80) != 0, 0};
    std::memcpy(&blend.tint, data + 12, 4);

    MemoryDisplayScope scope(display.bytesPerPixel, display.redMask, 64, 64);
    SpriteRenderer* sprite = CreateSpriteRenderer(display.layout, kind);
    if (!sprite) __builtin_trap();
    const bool asGiven = kind == SpriteKind::Raw || (choice & 0x40) != 0;
    const std::vector<uint8_t> bytes =
        asGiven ? std::vector<uint8_t>(data + kSettingsBytes, data + size)
                : RunData(data + kSettingsBytes, size - kSettingsBytes, kind, display.bytesPerPixel, height);
    uint8_t* pixels = SpriteRenderer::AllocatePixelData(bytes.size());
    if (!pixels) __builtin_trap();
    if (!bytes.empty()) std::memcpy(pixels, bytes.data(), bytes.size());
    sprite->AdoptPixelData(pixels);
    sprite->width = width;
    sprite->height = height;
    sprite->bounds = Rect{0, 0, width, height};

    const SpriteClass cls{display.layout, kind};
    const std::vector<uint8_t> fast = Draw(*sprite, cls, x, y, clip, blend, PixelPath::Fast);
    const std::vector<uint8_t> reference = Draw(*sprite, cls, x, y, clip, blend, PixelPath::Reference);
    if (fast != reference) __builtin_trap();
    DestroySpriteRenderer(sprite);
    return 0;
}
