#include "bench_scene.h"

#include <cstring>
#include <random>

#include "sprite_encoding.h"

const char* SizeName(DrawSize size) {
    switch (size) {
    case DrawSize::Full:
        return "1024x768";
    case DrawSize::Small32:
        return "32x32";
    case DrawSize::Small8:
        return "8x8";
    }
    return "?";
}

int SizeEdge(DrawSize size, bool width) {
    switch (size) {
    case DrawSize::Full:
        return width ? kScreenWidth : kScreenHeight;
    case DrawSize::Small32:
        return 32;
    case DrawSize::Small8:
        return 8;
    }
    return 0;
}

namespace {
std::mt19937 gRandom(20240611);

Surface* MakeSurface() {
    return CreateSurface(kScreenWidth, kScreenHeight, surface_caps::OffscreenSystemMemory);
}

// Random pixels without the value 0 (which the translucent 16-bit copy leaves transparent) and
// without the peers' transparent key.
void FillRandom(Surface& s, int bytesPerPixel) {
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            uint32_t v = gRandom() & (bytesPerPixel == 2 ? 0xFFFF : 0x00FFFFFF);
            if (v == 0 || v == kTransparentKey) v = 0x1234;
            s.PutPixel(x, y, v, 256, 0);
        }
}

void UseLayout(int bytesPerPixel, uint32_t redMask) {
    SetDisplayGeometry(gDisplayFormat, kScreenWidth, kScreenHeight, bytesPerPixel, kScreenWidth,
                       kScreenHeight);
    DeriveChannelMasks(gChannelMasks, bytesPerPixel, true, redMask, 0x07E0, 0x001F);
}

SpriteRenderer* SpriteWith(SpriteKind kind, int w, int h, const std::vector<uint8_t>& bytes) {
    SpriteRenderer* r = CreateSpriteRenderer(PixelLayout::Rgb565, kind);
    uint8_t* data = SpriteRenderer::AllocatePixelData(bytes.size());
    std::memcpy(data, bytes.data(), bytes.size());
    r->AdoptPixelData(data);
    r->width = w;
    r->height = h;
    r->bounds = Rect{0, 0, w, h};
    return r;
}

// Rows of alternating transparent and opaque runs of 4 to 60 pixels: half the sprite shows.
KeyedPicture HalfTransparent(int w, int h) {
    KeyedPicture p{w, h, std::vector<uint16_t>(size_t(w) * h, kTransparentKey)};
    std::uniform_int_distribution<int> length(4, 60);
    for (int y = 0; y < h; ++y) {
        bool opaque = gRandom() & 1;
        for (int x = 0; x < w;) {
            const int n = std::min(w - x, std::max(1, length(gRandom) * std::min(w, 64) / 64));
            for (int i = 0; i < n && opaque; ++i) {
                uint16_t v = uint16_t(gRandom());
                p.pixels[size_t(y) * w + x + i] = v == kTransparentKey || v == 0 ? 0x1234 : v;
            }
            x += n;
            opaque = !opaque;
        }
    }
    return p;
}

}  // namespace

BenchScene::BenchScene()
    : display_(std::make_unique<MemoryDisplayScope>(2, 0xF800, kScreenWidth, kScreenHeight)) {
    source565_ = MakeSurface();
    target565_ = MakeSurface();
    UseLayout(4, 0);
    source32_ = MakeSurface();
    target32_ = MakeSurface();
    UseLayout(2, 0xF800);
    FillRandom(*source565_, 2);
    FillRandom(*target565_, 2);
    FillRandom(*source32_, 4);
    FillRandom(*target32_, 4);
    start565_.assign(target565_->pixels, target565_->pixels + size_t(target565_->pitch) * kScreenHeight);
    start32_.assign(target32_->pixels, target32_->pixels + size_t(target32_->pitch) * kScreenHeight);

    for (DrawSize size : kSizes) {
        const int w = SizeEdge(size, true), h = SizeEdge(size, false);
        std::vector<uint8_t> raw;
        for (int y = 0; y < h; ++y)
            raw.insert(raw.end(), source565_->Row(y), source565_->Row(y) + w * 2);
        raw565_[int(size)] = SpriteWith(SpriteKind::Raw, w, h, raw);
        keyed_[int(size)] = HalfTransparent(w, h);
        rle2_565_[int(size)] =
            SpriteWith(SpriteKind::Rle2, w, h, EncodeRle2(keyed_[int(size)].pixels, w, h, kTransparentKey));

        std::vector<Placement>& list = placements_[int(size)];
        if (size == DrawSize::Full) {
            list.push_back(Placement{0, 0, 0, 0, w, h});
            continue;
        }
        std::uniform_int_distribution<int> px(0, kScreenWidth - w), py(0, kScreenHeight - h);
        for (int i = 0; i < 2048; ++i)
            list.push_back(Placement{px(gRandom), py(gRandom), px(gRandom), py(gRandom), w, h});
    }
}

BenchScene::~BenchScene() {
    for (SpriteRenderer* r : raw565_)
        DestroySpriteRenderer(r);
    for (SpriteRenderer* r : rle2_565_)
        DestroySpriteRenderer(r);
    DestroySurface(source565_);
    DestroySurface(target565_);
    DestroySurface(source32_);
    DestroySurface(target32_);
}

int64_t BenchScene::PixelsPerPass(DrawSize size) const {
    int64_t n = 0;
    for (const Placement& p : placements(size))
        n += int64_t(p.w) * p.h;
    return n;
}

void BenchScene::ResetTargets() {
    std::memcpy(target565_->pixels, start565_.data(), start565_.size());
    std::memcpy(target32_->pixels, start32_.data(), start32_.size());
}
