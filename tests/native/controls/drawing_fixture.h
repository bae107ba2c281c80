#pragma once
// A small 5:6:5 screen in memory, solid-colour sprites and bundles made of them, and a way to
// read a row of the screen as text: '.' for black, else the letter of the palette colour there.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../sprites/renderers/sprite_builder.h"
#include "display/surface_control.h"
#include "platform/memory/display/memory_surface_backend.h"
#include "sprites/files/sprite_bundle.h"

struct DrawingFixture : ::testing::Test {
    static constexpr int kWidth = 24;
    static constexpr int kHeight = 8;
    // Palette colour k is drawn as the letter 'A' + k.
    static constexpr uint16_t kPalette[] = {0xF800, 0x07E0, 0x001F, 0xFFE0, 0xF81F, 0x07FF,
                                            0x8410, 0xFFFF, 0x8000, 0x0400, 0x0010, 0x8400};

    MemoryDisplayScope display{2, 0xF800, kWidth, kHeight};
    Surface* screen = CreateSurface(kWidth, kHeight, surface_caps::OffscreenSystemMemory);
    RootControl root{nullptr, 0, 0, kWidth, kHeight, 64};
    std::vector<SpritePtr> sprites;
    std::vector<std::unique_ptr<SpriteBundle>> bundles;

    DrawingFixture() { root.ownSurface = screen; }
    ~DrawingFixture() override {
        root.ownSurface = nullptr;
        DestroySurface(screen);
    }

    // A width x height sprite of palette colour k.
    SpriteRenderer* Solid(int k, int width = 1, int height = 1) {
        Picture pic{width, height, 2, {}};
        pic.pixels.assign(size_t(width * height), kPalette[k]);
        sprites.emplace_back(
            MakeSprite(PixelLayout::Rgb565, SpriteKind::Raw, width, height, Encode(pic, SpriteKind::Raw)));
        return sprites.back().get();
    }

    // A bundle of frames with their x/y offsets (none: all zero) and its own bounds.
    SpriteBundle* Bundle(std::vector<SpriteRenderer*> frames, int32_t bundleValue, Rect bounds,
                         std::vector<Point> offsets = {}) {
        auto bundle = std::make_unique<SpriteBundle>();
        bundle->bundleValue = bundleValue;
        bundle->frameCount = uint16_t(frames.size());
        bundle->frames = new SpriteRenderer*[frames.size()];
        bundle->frameRecords = new FrameRecord[frames.size()]{};
        for (size_t i = 0; i < frames.size(); ++i) {
            bundle->frames[i] = frames[i];
            if (i < offsets.size()) {
                bundle->frameRecords[i].offsetX = uint32_t(offsets[i].x);
                bundle->frameRecords[i].offsetY = uint32_t(offsets[i].y);
            }
        }
        bundle->bounds = bounds;
        bundles.push_back(std::move(bundle));
        return bundles.back().get();
    }

    // Digit frames 0 to 11, each a 1 x 1 sprite of its own colour.
    SpriteBundle* Digits(int32_t advance) {
        std::vector<SpriteRenderer*> frames;
        for (int k = 0; k < 12; ++k)
            frames.push_back(Solid(k));
        return Bundle(frames, 1, Rect{0, 0, advance, 1});
    }

    std::string Row(int y) const {
        std::string out;
        for (int x = 0; x < kWidth; ++x) {
            uint32_t p = screen->GetPixel(x, y);
            char c = p == 0 ? '.' : '?';
            for (int k = 0; k < 12; ++k)
                if (p == kPalette[k]) c = char('A' + k);
            out += c;
        }
        return out;
    }

    void Draw(Control& control) {
        screen->Clear(0);
        DrawTree(&control, &root, nullptr);
    }
};
