#pragma once
// The memory every benchmark of the pixel pipeline works on: 1024 x 768 source and destination
// surfaces in 5:6:5 and 32-bit layouts, sprites cut from the same pixels, a half-transparent
// picture for the run-length sprites, and the rectangles each size draws. The peers (pixman,
// SDL2) wrap exactly this memory.
#include <cstdint>
#include <memory>
#include <vector>

#include "display/surface.h"
#include "platform/memory/display/memory_surface_backend.h"
#include "sprites/renderers/sprite_renderer.h"

inline constexpr int kScreenWidth = 1024;
inline constexpr int kScreenHeight = 768;
inline constexpr uint16_t kTransparentKey = 0xF81F;  // the colour the peers take as transparent

struct Placement {
    int sx, sy, dx, dy, w, h;
};

enum class DrawSize { Full, Small32, Small8 };
inline constexpr DrawSize kSizes[] = {DrawSize::Full, DrawSize::Small32, DrawSize::Small8};
const char* SizeName(DrawSize size);
int SizeEdge(DrawSize size, bool width);

// A 16-bit picture with transparent positions marked by kTransparentKey.
struct KeyedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;
};

class BenchScene {
  public:
    BenchScene();
    ~BenchScene();
    BenchScene(const BenchScene&) = delete;
    BenchScene& operator=(const BenchScene&) = delete;

    Surface& source565() { return *source565_; }
    Surface& target565() { return *target565_; }
    Surface& source32() { return *source32_; }
    Surface& target32() { return *target32_; }
    SpriteRenderer& raw565(DrawSize size) { return *raw565_[int(size)]; }
    SpriteRenderer& rle2_565(DrawSize size) { return *rle2_565_[int(size)]; }
    KeyedPicture& keyed(DrawSize size) { return keyed_[int(size)]; }
    const std::vector<Placement>& placements(DrawSize size) const { return placements_[int(size)]; }
    int64_t PixelsPerPass(DrawSize size) const;

    // Puts the destinations back to the same starting pixels.
    void ResetTargets();

  private:
    std::unique_ptr<MemoryDisplayScope> display_;
    Surface* source565_ = nullptr;
    Surface* target565_ = nullptr;
    Surface* source32_ = nullptr;
    Surface* target32_ = nullptr;
    std::vector<uint8_t> start565_, start32_;
    SpriteRenderer* raw565_[3] = {};
    SpriteRenderer* rle2_565_[3] = {};
    KeyedPicture keyed_[3];
    std::vector<Placement> placements_[3];
};
