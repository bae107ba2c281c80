#include "shell/demo_sprites.h"

#include <cstring>
#include <string>

#include "common/colour_packing.h"
#include "display/display_format.h"
#include "sprites/renderers/prepared_runs.h"

namespace {
// The arrow: 'X' outline, 'o' body, ' ' transparent.
const char* const kArrow[] = {
    "X          ", "XX         ", "XoX        ", "XooX       ", "XoooX      ", "XooooX     ",
    "XoooooX    ", "XooooooX   ", "XoooooooX  ", "XooooooooX ", "XoooooXXXXX", "XooXooX    ",
    "XoX XooX   ", "XX  XooX   ", "X    XooX  ", "     XooX  ", "      XX   ",
};

// Digits 0-9, blank and minus on a 3 x 5 grid, drawn 3 times larger.
const char* const kDigitGlyphs[12][5] = {
    {"###", "# #", "# #", "# #", "###"}, {" # ", "## ", " # ", " # ", "###"},
    {"###", "  #", "###", "#  ", "###"}, {"###", "  #", "###", "  #", "###"},
    {"# #", "# #", "###", "  #", "  #"}, {"###", "#  ", "###", "  #", "###"},
    {"###", "#  ", "###", "# #", "###"}, {"###", "  #", "  #", "  #", "  #"},
    {"###", "# #", "###", "# #", "###"}, {"###", "# #", "###", "  #", "###"},
    {"   ", "   ", "   ", "   ", "   "}, {"   ", "   ", "###", "   ", "   "},
};
constexpr int32_t kDigitScale = 3;

int32_t BytesPerPixel() { return gDisplayFormat.bytesPerPixel; }

void PutBytes(std::vector<uint8_t>& out, uint32_t value, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

// A sprite stored as runs of its opaque pixels (0 in the picture is transparent).
SpriteRenderer* RunSprite(int32_t width, int32_t height, const std::vector<uint32_t>& picture) {
    const int32_t bpp = BytesPerPixel();
    std::vector<uint8_t> bytes;
    for (int32_t y = 0; y < height; ++y) {
        int32_t end = 0;
        for (int32_t x = 0; x < width;) {
            if (!picture[size_t(y * width + x)]) {
                ++x;
                continue;
            }
            int32_t n = 0;
            while (x + n < width && picture[size_t(y * width + x + n)])
                ++n;
            PutBytes(bytes, uint32_t((x - end) * bpp), 2);
            bytes.push_back(0);
            PutBytes(bytes, uint32_t(n * bpp), 2);
            for (int32_t i = 0; i < n; ++i)
                PutBytes(bytes, picture[size_t(y * width + x + i)], bpp);
            x += n;
            end = x;
        }
        PutBytes(bytes, 0xFFFF, 2);
    }
    PutBytes(bytes, 0xFFFE, 2);
    SpriteRenderer* sprite = CreateSpriteRenderer(CurrentPixelLayout(), SpriteKind::Rle2);
    if (!sprite) return nullptr;
    uint8_t* data = SpriteRenderer::AllocatePixelData(bytes.size());
    if (!data) {
        DestroySpriteRenderer(sprite);
        return nullptr;
    }
    std::memcpy(data, bytes.data(), bytes.size());
    sprite->AdoptPixelData(data);
    sprite->width = width;
    sprite->height = height;
    sprite->bounds = Rect{0, 0, width, height};
    PrepareRunsAhead(*sprite, CurrentPixelLayout(), SpriteKind::Rle2);
    return sprite;
}

SpriteBundle* BundleOf(const std::vector<SpriteRenderer*>& frames, Rect bounds) {
    for (SpriteRenderer* f : frames)
        if (!f) return nullptr;
    auto* bundle = new SpriteBundle;
    bundle->frameCount = uint16_t(frames.size());
    bundle->frames = new SpriteRenderer*[frames.size()];
    bundle->frameRecords = new FrameRecord[frames.size()]{};
    for (size_t i = 0; i < frames.size(); ++i)
        bundle->frames[i] = frames[i];
    bundle->bounds = bounds;
    return bundle;
}
}  // namespace

uint32_t DemoPixel(uint32_t r, uint32_t g, uint32_t b) {
    return PackColour(CurrentPixelLayout(), uint8_t(r), uint8_t(g), uint8_t(b));
}

SpriteRenderer* DemoSprites::Keep(SpriteRenderer* sprite) {
    if (sprite) sprites_.push_back(sprite);
    return sprite;
}

DemoSprites::DemoSprites() {
    const int32_t arrowWidth = int32_t(std::strlen(kArrow[0]));
    const int32_t arrowHeight = int32_t(sizeof kArrow / sizeof kArrow[0]);
    std::vector<uint32_t> arrow;
    const uint32_t outline = DemoPixel(16, 16, 16), body = DemoPixel(255, 255, 255);
    for (const char* row : kArrow)
        for (int32_t x = 0; x < arrowWidth; ++x)
            arrow.push_back(row[x] == 'X' ? outline : row[x] == 'o' ? body : 0);
    cursor = BundleOf({Keep(RunSprite(arrowWidth, arrowHeight, arrow))}, Rect{0, 0, arrowWidth, arrowHeight});

    const int32_t w = 3 * kDigitScale, h = 5 * kDigitScale;
    const uint32_t ink = DemoPixel(255, 255, 0);
    std::vector<SpriteRenderer*> digitFrames;
    for (const auto& glyph : kDigitGlyphs) {
        std::vector<uint32_t> picture(size_t(w * h), 0);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                if (glyph[y / kDigitScale][x / kDigitScale] == '#') picture[size_t(y * w + x)] = ink;
        digitFrames.push_back(Keep(RunSprite(w, h, picture)));
    }
    digits = BundleOf(digitFrames, Rect{0, 0, kDigitAdvance, h});
}

DemoSprites::~DemoSprites() {
    if (cursor) cursor->DeletingDestructor(kDeleteMemory);
    if (digits) digits->DeletingDestructor(kDeleteMemory);
    for (SpriteRenderer* s : sprites_)
        DestroySpriteRenderer(s);
}
