#pragma once
// Sprites the host's demonstration scene draws without a sprite file: an arrow for the mouse
// cursor and the digits of a counter, built in the display's pixel layout.
#include <cstdint>
#include <memory>
#include <vector>

#include "sprites/files/sprite_bundle.h"
#include "sprites/renderers/sprite_renderer.h"

// A pixel value in the display's layout from 8-bit channels.
uint32_t DemoPixel(uint32_t r, uint32_t g, uint32_t b);

// Sprites and the bundles made of them, released together.
class DemoSprites {
  public:
    DemoSprites();
    ~DemoSprites();
    DemoSprites(const DemoSprites&) = delete;
    DemoSprites& operator=(const DemoSprites&) = delete;

    // One frame: the arrow, its tip at the control's position. Null when no sprite can be made.
    SpriteBundle* cursor = nullptr;
    // Frames 0-9 the digits, 10 blank, 11 minus; advance 12 pixels.
    SpriteBundle* digits = nullptr;

    static constexpr int32_t kDigitAdvance = 12;

  private:
    SpriteRenderer* Keep(SpriteRenderer* sprite);
    std::vector<SpriteRenderer*> sprites_;
};
