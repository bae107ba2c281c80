#pragma once
// The libraries people would otherwise pick, wrapped around the benchmark scene's memory:
// pixman (OVER with a solid mask, OVER fills) and SDL2 (alpha-modulated blits, RLE blits).
#include <cstdint>

#include "bench_scene.h"

union pixman_image;
struct SDL_Surface;

class Peers {
  public:
    explicit Peers(BenchScene& scene);
    ~Peers();
    Peers(const Peers&) = delete;
    Peers& operator=(const Peers&) = delete;

    // level is out of 256 like the host's; pixman takes it as a 16-bit alpha, SDL as out of 255.
    void PixmanOver565(const Placement& p, int level);
    void PixmanOver32(const Placement& p, int level);
    void PixmanFill565(const Placement& p, uint16_t colour, int level);
    void SdlAlpha565(const Placement& p, int level);
    void SdlRle565(DrawSize size, const Placement& p, int level);

  private:
    pixman_image* Mask(int level);

    BenchScene& scene_;
    pixman_image* source565_ = nullptr;
    pixman_image* target565_ = nullptr;
    pixman_image* source32_ = nullptr;
    pixman_image* target32_ = nullptr;
    pixman_image* masks_[257] = {};
    SDL_Surface* sdlSource565_ = nullptr;
    SDL_Surface* sdlTarget565_ = nullptr;
    SDL_Surface* sdlKeyed_[3] = {};
};
