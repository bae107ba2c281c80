#include "peers.h"

#include <SDL.h>
#include <pixman.h>

#include <cstdio>
#include <cstdlib>

namespace {
pixman_image_t* Wrap(Surface& s, pixman_format_code_t format) {
    return pixman_image_create_bits(format, s.width, s.height, reinterpret_cast<uint32_t*>(s.pixels),
                                    s.pitch);
}

SDL_Surface* Wrap565(void* pixels, int w, int h, int pitch) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(pixels, w, h, 16, pitch, SDL_PIXELFORMAT_RGB565);
    if (!s) {
        std::fprintf(stderr, "SDL surface: %s\n", SDL_GetError());
        std::exit(1);
    }
    return s;
}
}  // namespace

Peers::Peers(BenchScene& scene) : scene_(scene) {
    source565_ = Wrap(scene.source565(), PIXMAN_r5g6b5);
    target565_ = Wrap(scene.target565(), PIXMAN_r5g6b5);
    source32_ = Wrap(scene.source32(), PIXMAN_x8r8g8b8);
    target32_ = Wrap(scene.target32(), PIXMAN_x8r8g8b8);
    Surface& s = scene.source565();
    Surface& t = scene.target565();
    sdlSource565_ = Wrap565(s.pixels, s.width, s.height, s.pitch);
    sdlTarget565_ = Wrap565(t.pixels, t.width, t.height, t.pitch);
    SDL_SetSurfaceBlendMode(sdlSource565_, SDL_BLENDMODE_BLEND);
    for (DrawSize size : kSizes) {
        KeyedPicture& k = scene.keyed(size);
        SDL_Surface* keyed = Wrap565(k.pixels.data(), k.width, k.height, k.width * 2);
        SDL_SetColorKey(keyed, SDL_TRUE, kTransparentKey);
        SDL_SetSurfaceRLE(keyed, 1);
        SDL_SetSurfaceBlendMode(keyed, SDL_BLENDMODE_BLEND);
        sdlKeyed_[int(size)] = keyed;
    }
}

Peers::~Peers() {
    for (pixman_image* m : masks_)
        if (m) pixman_image_unref(m);
    pixman_image_unref(source565_);
    pixman_image_unref(target565_);
    pixman_image_unref(source32_);
    pixman_image_unref(target32_);
    SDL_FreeSurface(sdlSource565_);
    SDL_FreeSurface(sdlTarget565_);
    for (SDL_Surface* k : sdlKeyed_)
        SDL_FreeSurface(k);
}

pixman_image* Peers::Mask(int level) {
    if (!masks_[level]) {
        const pixman_color_t alpha{0, 0, 0, uint16_t(std::min(level * 256, 0xFFFF))};
        masks_[level] = pixman_image_create_solid_fill(&alpha);
    }
    return masks_[level];
}

void Peers::PixmanOver565(const Placement& p, int level) {
    pixman_image_composite32(PIXMAN_OP_OVER, source565_, Mask(level), target565_, p.sx, p.sy, 0, 0, p.dx,
                             p.dy, p.w, p.h);
}

void Peers::PixmanOver32(const Placement& p, int level) {
    pixman_image_composite32(PIXMAN_OP_OVER, source32_, Mask(level), target32_, p.sx, p.sy, 0, 0, p.dx, p.dy,
                             p.w, p.h);
}

void Peers::PixmanFill565(const Placement& p, uint16_t colour, int level) {
    const uint16_t alpha = uint16_t(std::min(level * 256, 0xFFFF));
    // Premultiplied 16-bit channels of the 5:6:5 colour.
    auto channel = [&](uint32_t v, int bits) {
        return uint16_t(v * 0xFFFFu / ((1u << bits) - 1) * alpha / 0xFFFFu);
    };
    const pixman_color_t c{channel(colour >> 11, 5), channel((colour >> 5) & 63, 6), channel(colour & 31, 5),
                           alpha};
    const pixman_rectangle16_t r{int16_t(p.dx), int16_t(p.dy), uint16_t(p.w), uint16_t(p.h)};
    pixman_image_fill_rectangles(PIXMAN_OP_OVER, target565_, &c, 1, &r);
}

void Peers::SdlAlpha565(const Placement& p, int level) {
    SDL_SetSurfaceAlphaMod(sdlSource565_, Uint8(std::min(level, 255)));
    SDL_Rect from{p.sx, p.sy, p.w, p.h}, to{p.dx, p.dy, p.w, p.h};
    SDL_BlitSurface(sdlSource565_, &from, sdlTarget565_, &to);
}

void Peers::SdlRle565(DrawSize size, const Placement& p, int level) {
    SDL_Surface* keyed = sdlKeyed_[int(size)];
    SDL_SetSurfaceAlphaMod(keyed, Uint8(std::min(level, 255)));
    SDL_Rect to{p.dx, p.dy, p.w, p.h};
    SDL_BlitSurface(keyed, nullptr, sdlTarget565_, &to);
}
