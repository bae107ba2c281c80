// Whole-frame and per-call benchmark of the pixel pipeline on the 5:6:5 screen.
//
// The frame is what a 2D game draws: a full-screen background, about a thousand sprites of 8 to
// 96 pixels (mostly Rle2 and Raw; some translucent, some darkened, some partly off-screen), a
// few translucent panels and translucent fills. The same frame is drawn by SDL2 (blits; pixman
// for the translucent fills, which SDL2 surfaces do not have) into the same memory. Figures are
// frames per second of processor time, the median of interleaved repetitions.
//
// The per-call part draws 1 x 1 and 4 x 4 pictures at 2048 random places and reports the
// processor time per call, this code against SDL2, so that the fixed cost of a call shows.
//
// Before timing, the frame drawn by the fast paths is checked byte for byte against the frame
// drawn by the reference, and the SDL2 frame against ours within a few steps per channel.
#include <SDL.h>
#include <pixman.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "display/pixel/surface_operations.h"
#include "display/surface.h"
#include "platform/memory/display/memory_surface_platform.h"
#include "sprite_encoding.h"
#include "sprites/renderers/sprite_draw.h"
#include "sprites/renderers/sprite_renderer.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;
constexpr uint16_t kKey = 0xF81F;  // transparent positions of the keyed pictures
constexpr int kSpriteKinds = 120;  // distinct sprites, each with its own kind, size and blend
constexpr int kSpritesPerFrame = 1000;
constexpr int kPanels = 4;
constexpr int kFills = 6;
const Rect kScreen{0, 0, kWidth, kHeight};

std::mt19937 gRandom(20240611);
int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(gRandom); }

double ProcessSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

SDL_Surface* Wrap565(void* pixels, int w, int h, int pitch) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(pixels, w, h, 16, pitch, SDL_PIXELFORMAT_RGB565);
    if (!s) {
        std::fprintf(stderr, "SDL surface: %s\n", SDL_GetError());
        std::exit(1);
    }
    return s;
}

pixman_image_t* WrapPixman(Surface& s) {
    return pixman_image_create_bits(PIXMAN_r5g6b5, s.width, s.height, reinterpret_cast<uint32_t*>(s.pixels),
                                    s.pitch);
}

uint16_t RandomPixel() {
    const uint16_t v = uint16_t(gRandom());
    return v == 0 || v == kKey ? 0x1234 : v;
}

// A picture: rows of opaque runs between transparent ones (keyed), or wholly opaque.
std::vector<uint16_t> MakePicture(int w, int h, bool keyed) {
    std::vector<uint16_t> p(size_t(w) * h, kKey);
    for (int y = 0; y < h; ++y) {
        bool opaque = !keyed || (gRandom() & 1);
        for (int x = 0; x < w;) {
            const int n = keyed ? std::min(w - x, Pick(2, std::max(2, w / 3))) : w;
            for (int i = 0; i < n; ++i)
                p[size_t(y) * w + x + i] = opaque ? RandomPixel() : kKey;
            x += n;
            opaque = !keyed || !opaque;
        }
    }
    return p;
}

SpriteRenderer* MakeRenderer(SpriteKind kind, int w, int h, const std::vector<uint8_t>& bytes) {
    SpriteRenderer* r = CreateSpriteRenderer(PixelLayout::Rgb565, kind);
    uint8_t* data = SpriteRenderer::AllocatePixelData(bytes.size());
    std::memcpy(data, bytes.data(), bytes.size());
    r->AdoptPixelData(data);
    r->width = w;
    r->height = h;
    r->bounds = Rect{0, 0, w, h};
    return r;
}

// One sprite of the scene as both sides draw it. SDL2 has no darkening blit of its own: its
// surface holds the pixels darkened once, as a game using SDL2 would keep them, so SDL2 draws
// those sprites as plain blits.
struct SceneSprite {
    SpriteKind kind;
    int w, h;
    int alpha, effect;
    std::vector<uint16_t> pixels;  // as SDL2 draws them (darkened where the sprite is)
    SpriteRenderer* ours = nullptr;
    SDL_Surface* sdl = nullptr;
};

struct SceneDraw {
    int sprite;
    int x, y;
};

struct Rectangle {
    int x, y, w, h, level;
    uint16_t colour;
};

class Scene {
  public:
    Scene() : display_(2, 0xF800, kWidth, kHeight) {
        background_ = CreateSurface(kWidth, kHeight, surface_caps::OffscreenSystemMemory);
        target_ = CreateSurface(kWidth, kHeight, surface_caps::OffscreenSystemMemory);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                background_->PutPixel(x, y, RandomPixel(), 256, 0);
        sdlBackground_ = Wrap565(background_->pixels, kWidth, kHeight, background_->pitch);
        sdlTarget_ = Wrap565(target_->pixels, kWidth, kHeight, target_->pitch);
        SDL_SetSurfaceBlendMode(sdlBackground_, SDL_BLENDMODE_NONE);
        pixmanTarget_ = WrapPixman(*target_);

        for (int i = 0; i < kSpriteKinds; ++i) {
            SceneSprite s;
            s.kind = Pick(0, 99) < 60 ? SpriteKind::Rle2 : SpriteKind::Raw;
            s.w = Pick(8, 96);
            s.h = Pick(8, 96);
            const int blend = Pick(0, 99);
            s.alpha = blend < 20 ? Pick(96, 224) : 256;
            s.effect = blend >= 20 && blend < 35 ? -Pick(32, 160) : 0;
            const bool keyed = s.kind == SpriteKind::Rle2;
            const std::vector<uint16_t> picture = MakePicture(s.w, s.h, keyed);
            s.ours = MakeRenderer(s.kind, s.w, s.h,
                                  keyed ? EncodeRle2(picture, s.w, s.h, kKey) : EncodeRaw(picture));
            s.pixels = picture;
            if (s.effect != 0) Darken(s.pixels, s.effect);
            s.sdl = Wrap565(s.pixels.data(), s.w, s.h, s.w * 2);
            if (keyed) {
                SDL_SetColorKey(s.sdl, SDL_TRUE, kKey);
                SDL_SetSurfaceRLE(s.sdl, 1);
            }
            SDL_SetSurfaceBlendMode(s.sdl, s.alpha < 256 ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
            if (s.alpha < 256) SDL_SetSurfaceAlphaMod(s.sdl, Uint8(s.alpha));
            sprites_.push_back(std::move(s));
        }
        for (int i = 0; i < kSpritesPerFrame; ++i) {
            const int index = Pick(0, kSpriteKinds - 1);
            const SceneSprite& s = sprites_[index];
            // One in ten reaches past an edge of the screen.
            const bool across = Pick(0, 9) == 0;
            const int x = across ? Pick(-s.w + 1, kWidth - 1) : Pick(0, kWidth - s.w);
            const int y = across ? (Pick(0, 1) ? -s.h / 2 : kHeight - s.h / 2) : Pick(0, kHeight - s.h);
            draws_.push_back(SceneDraw{index, x, y});
        }
        for (int i = 0; i < kPanels; ++i) {
            Surface* panel = CreateSurface(256, 192, surface_caps::OffscreenSystemMemory);
            for (int y = 0; y < 192; ++y)
                for (int x = 0; x < 256; ++x)
                    panel->PutPixel(x, y, RandomPixel(), 256, 0);
            panels_.push_back(panel);
            SDL_Surface* sdl = Wrap565(panel->pixels, 256, 192, panel->pitch);
            SDL_SetSurfaceBlendMode(sdl, SDL_BLENDMODE_BLEND);
            SDL_SetSurfaceAlphaMod(sdl, 160);
            sdlPanels_.push_back(sdl);
            panelAt_.push_back(Rectangle{Pick(0, kWidth - 256), Pick(0, kHeight - 192), 256, 192, 160, 0});
        }
        for (int i = 0; i < kFills; ++i)
            fills_.push_back(Rectangle{Pick(0, kWidth - 200), Pick(0, kHeight - 120), 200, 120, 96,
                                       uint16_t(Pick(0, 0x1FFF) << 3)});  // green a multiple of 8
    }

    ~Scene() {
        for (SceneSprite& s : sprites_) {
            DestroySpriteRenderer(s.ours);
            SDL_FreeSurface(s.sdl);
        }
        for (SDL_Surface* s : sdlPanels_)
            SDL_FreeSurface(s);
        for (Surface* s : panels_)
            DestroySurface(s);
        SDL_FreeSurface(sdlBackground_);
        SDL_FreeSurface(sdlTarget_);
        pixman_image_unref(pixmanTarget_);
        DestroySurface(background_);
        DestroySurface(target_);
    }

    // The frame drawn by this code, through the virtual operations (fast) or the reference.
    void DrawOurs(PixelPath path) {
        const Rect whole{0, 0, kWidth, kHeight};
        if (path == PixelPath::Fast)
            background_->BlitTo(target_, 0, 0, whole, 256, 0);
        else
            BlitToInLayout(*background_, PixelLayout::Rgb565, target_, 0, 0, whole, 256, 0, path);
        for (const SceneDraw& d : draws_) {
            const SceneSprite& s = sprites_[d.sprite];
            if (path == PixelPath::Fast)
                s.ours->Draw(target_, d.x, d.y, kScreen, s.alpha, s.effect);
            else
                DrawSprite(*s.ours, SpriteClass{PixelLayout::Rgb565, s.kind}, target_, d.x, d.y, kScreen,
                           SpriteBlend{s.alpha, s.effect, false, 0}, path);
        }
        for (int i = 0; i < kPanels; ++i) {
            const Rectangle& r = panelAt_[i];
            BlitToInLayout(*panels_[i], PixelLayout::Rgb565, target_, r.x, r.y, Rect{0, 0, r.w, r.h}, r.level,
                           0, path);
        }
        for (const Rectangle& f : fills_)
            FillRectInLayout(*target_, PixelLayout::Rgb565, f.x, f.y, f.x + f.w, f.y + f.h, f.colour, f.level,
                             0, path);
    }

    void DrawSdl() {
        SDL_BlitSurface(sdlBackground_, nullptr, sdlTarget_, nullptr);
        for (const SceneDraw& d : draws_) {
            const SceneSprite& s = sprites_[d.sprite];
            SDL_Rect to{d.x, d.y, s.w, s.h};
            SDL_BlitSurface(s.sdl, nullptr, sdlTarget_, &to);
        }
        for (int i = 0; i < kPanels; ++i) {
            const Rectangle& r = panelAt_[i];
            SDL_Rect to{r.x, r.y, r.w, r.h};
            SDL_BlitSurface(sdlPanels_[i], nullptr, sdlTarget_, &to);
        }
        for (const Rectangle& f : fills_) {
            const uint16_t alpha = uint16_t(f.level * 256);
            auto channel = [&](uint32_t v, int bits) {
                return uint16_t(v * 0xFFFFu / ((1u << bits) - 1) * alpha / 0xFFFFu);
            };
            const pixman_color_t c{channel(f.colour >> 11, 5), channel((f.colour >> 5) & 63, 6),
                                   channel(f.colour & 31, 5), alpha};
            const pixman_rectangle16_t r{int16_t(f.x), int16_t(f.y), uint16_t(f.w), uint16_t(f.h)};
            pixman_image_fill_rectangles(PIXMAN_OP_OVER, pixmanTarget_, &c, 1, &r);
        }
    }

    std::vector<uint8_t> Frame() const {
        return std::vector<uint8_t>(target_->pixels, target_->pixels + size_t(target_->pitch) * kHeight);
    }

    // What the frame holds: pixels drawn per frame by the sprites, panels and fills.
    void Describe() const {
        int64_t spritePixels = 0, translucent = 0, darkened = 0, across = 0;
        int rle2 = 0;
        for (const SceneDraw& d : draws_) {
            const SceneSprite& s = sprites_[d.sprite];
            spritePixels += int64_t(s.w) * s.h;
            translucent += s.alpha < 256;
            darkened += s.effect != 0;
            rle2 += s.kind == SpriteKind::Rle2;
            across += d.x < 0 || d.y < 0 || d.x + s.w > kWidth || d.y + s.h > kHeight;
        }
        std::printf(
            "scene: background 1024x768, %d sprites (%d Rle2, %d Raw; %lld translucent, %lld darkened, "
            "%lld across an edge; %.1f Mpix of sprite rectangles), %d panels 256x192 at level 160, "
            "%d fills 200x120 at level 96\n",
            kSpritesPerFrame, rle2, kSpritesPerFrame - rle2, (long long)translucent, (long long)darkened,
            (long long)across, double(spritePixels) / 1e6, kPanels, kFills);
    }

  private:
    // Darkening by the 16-bit rule: every channel scaled by ((256 + effect) >> 3) / 32.
    static void Darken(std::vector<uint16_t>& pixels, int effect) {
        const uint32_t k = uint32_t(256 + effect) >> 3;
        for (uint16_t& p : pixels) {
            if (p == kKey) continue;
            const uint32_t r = (p >> 11) * k / 32, g = ((p >> 5) & 63) * k / 32, b = (p & 31) * k / 32;
            p = uint16_t(r << 11 | g << 5 | b);
            if (p == kKey) p = 0xF81E;
        }
    }

    MemoryDisplayScope display_;
    Surface* background_ = nullptr;
    Surface* target_ = nullptr;
    SDL_Surface* sdlBackground_ = nullptr;
    SDL_Surface* sdlTarget_ = nullptr;
    pixman_image_t* pixmanTarget_ = nullptr;
    std::vector<SceneSprite> sprites_;
    std::vector<SceneDraw> draws_;
    std::vector<Surface*> panels_;
    std::vector<SDL_Surface*> sdlPanels_;
    std::vector<Rectangle> panelAt_;
    std::vector<Rectangle> fills_;
};

// Largest difference of any channel, and the share of pixels more than `near` steps off.
void CompareFrames(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int near, int& worst,
                   double& farShare) {
    worst = 0;
    int64_t far = 0, pixels = 0;
    for (size_t i = 0; i + 1 < a.size(); i += 2, ++pixels) {
        const int pa = a[i] | a[i + 1] << 8, pb = b[i] | b[i + 1] << 8;
        const int d =
            std::max({std::abs((pa >> 11) - (pb >> 11)), std::abs(((pa >> 5) & 63) - ((pb >> 5) & 63)),
                      std::abs((pa & 31) - (pb & 31))});
        worst = std::max(worst, d);
        far += d > near;
    }
    farShare = double(far) / double(pixels);
}

// ---- Timing: interleaved repetitions, medians of processor time. ----

struct Timed {
    std::string name;
    std::function<void()> pass;  // one pass of the work
    double unitsPerPass;         // frames or calls
    std::vector<double> secondsPerUnit;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void RunInterleaved(std::vector<Timed>& work, int repetitions, double minSeconds) {
    for (Timed& t : work)
        t.pass();  // warm the caches and the peers' lazily built blitters
    std::vector<size_t> order(work.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    for (int r = 0; r < repetitions; ++r) {
        std::shuffle(order.begin(), order.end(), gRandom);
        for (size_t i : order) {
            Timed& t = work[i];
            int passes = 0;
            const double start = ProcessSeconds();
            double now = start;
            do {
                t.pass();
                ++passes;
                now = ProcessSeconds();
            } while (now - start < minSeconds);
            t.secondsPerUnit.push_back((now - start) / (passes * t.unitsPerPass));
        }
    }
}

// ---- Per-call cost: tiny draws at random places. ----

struct TinyPictures {
    SpriteRenderer* raw = nullptr;
    SpriteRenderer* rle2 = nullptr;
    SDL_Surface* sdlOpaque = nullptr;
    SDL_Surface* sdlAlpha = nullptr;
    SDL_Surface* sdlRle = nullptr;
    std::vector<uint16_t> pixels;
};

}  // namespace

int main(int argc, char** argv) {
    int repetitions = 11;
    double minSeconds = 0.05;
    std::string only;  // workloads by name, separated by commas: for a profiler or a closer look
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--only=", 7) == 0) only = argv[i] + 7;
        if (std::strncmp(argv[i], "--repetitions=", 14) == 0)
            repetitions = std::max(1, std::atoi(argv[i] + 14));
        if (std::strncmp(argv[i], "--min-time=", 11) == 0) minSeconds = std::atof(argv[i] + 11);
    }

    Scene scene;
    scene.Describe();

    // Exactness and sameness before timing.
    scene.DrawOurs(PixelPath::Reference);
    const std::vector<uint8_t> reference = scene.Frame();
    scene.DrawOurs(PixelPath::Fast);
    const std::vector<uint8_t> fast = scene.Frame();
    scene.DrawSdl();
    const std::vector<uint8_t> sdl = scene.Frame();
    const bool exact = fast == reference;
    int worst = 0;
    double farShare = 0;
    // Rounding differs a little per layer (SDL2 weighs alpha out of 255, this code out of 32 on
    // 5:6:5), and layers pile up where sprites, panels and fills overlap; different work (a
    // sprite missing, another operation) differs by far more.
    constexpr int kNear = 2, kTolerance = 6;
    CompareFrames(fast, sdl, kNear, worst, farShare);
    std::printf("check scene fast = reference: %s\n", exact ? "same bytes" : "DIFFERENT");
    std::printf(
        "check scene ours ~ SDL2: max channel difference %d (tolerance %d), %.2f%% of pixels more than %d "
        "steps apart\n",
        worst, kTolerance, farShare * 100, kNear);
    if (!exact || worst > kTolerance) {
        std::fprintf(stderr, "the compared frames do not do the same work\n");
        return 1;
    }

    // The per-call pictures and places.
    MemoryDisplayScope display(2, 0xF800, kWidth, kHeight);
    Surface* target = CreateSurface(kWidth, kHeight, surface_caps::OffscreenSystemMemory);
    Surface* source = CreateSurface(kWidth, kHeight, surface_caps::OffscreenSystemMemory);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            source->PutPixel(x, y, RandomPixel(), 256, 0);
    SDL_Surface* sdlTarget = Wrap565(target->pixels, kWidth, kHeight, target->pitch);
    SDL_Surface* sdlSource = Wrap565(source->pixels, kWidth, kHeight, source->pitch);
    SDL_SetSurfaceBlendMode(sdlSource, SDL_BLENDMODE_BLEND);
    SDL_SetSurfaceAlphaMod(sdlSource, 128);
    pixman_image_t* pixmanTarget = WrapPixman(*target);
    const int edges[] = {1, 4};
    TinyPictures tiny[2];
    for (int e = 0; e < 2; ++e) {
        const int n = edges[e];
        TinyPictures& t = tiny[e];
        t.pixels.resize(size_t(n) * n);
        for (uint16_t& p : t.pixels)
            p = RandomPixel();
        t.raw = MakeRenderer(SpriteKind::Raw, n, n, EncodeRaw(t.pixels));
        t.rle2 = MakeRenderer(SpriteKind::Rle2, n, n, EncodeRle2(t.pixels, n, n, kKey));
        t.sdlOpaque = Wrap565(t.pixels.data(), n, n, n * 2);
        SDL_SetSurfaceBlendMode(t.sdlOpaque, SDL_BLENDMODE_NONE);
        t.sdlAlpha = Wrap565(t.pixels.data(), n, n, n * 2);
        SDL_SetSurfaceBlendMode(t.sdlAlpha, SDL_BLENDMODE_BLEND);
        SDL_SetSurfaceAlphaMod(t.sdlAlpha, 128);
        t.sdlRle = Wrap565(t.pixels.data(), n, n, n * 2);
        SDL_SetColorKey(t.sdlRle, SDL_TRUE, kKey);
        SDL_SetSurfaceRLE(t.sdlRle, 1);
        SDL_SetSurfaceBlendMode(t.sdlRle, SDL_BLENDMODE_BLEND);
        SDL_SetSurfaceAlphaMod(t.sdlRle, 128);
    }
    struct Place {
        int sx, sy, dx, dy;
    };
    std::vector<Place> places;
    for (int i = 0; i < 2048; ++i)
        places.push_back(
            Place{Pick(0, kWidth - 8), Pick(0, kHeight - 8), Pick(0, kWidth - 8), Pick(0, kHeight - 8)});
    const double calls = double(places.size());

    std::vector<Timed> work;
    work.push_back({"scene_ours", [&] { scene.DrawOurs(PixelPath::Fast); }, 1, {}});
    work.push_back({"scene_sdl2", [&] { scene.DrawSdl(); }, 1, {}});
    for (int e = 0; e < 2; ++e) {
        const int n = edges[e];
        TinyPictures& t = tiny[e];
        const std::string size = "@" + std::to_string(n) + "x" + std::to_string(n);
        work.push_back(
            {"blit_copy" + size,
             [&, n] {
                 for (const Place& p : places)
                     source->BlitTo(target, p.dx, p.dy, Rect{p.sx, p.sy, p.sx + n, p.sy + n}, 256, 0);
             },
             calls,
             {}});
        work.push_back({"sdl_blit_copy" + size,
                        [&, n] {
                            SDL_SetSurfaceBlendMode(sdlSource, SDL_BLENDMODE_NONE);
                            for (const Place& p : places) {
                                SDL_Rect from{p.sx, p.sy, n, n}, to{p.dx, p.dy, n, n};
                                SDL_BlitSurface(sdlSource, &from, sdlTarget, &to);
                            }
                            SDL_SetSurfaceBlendMode(sdlSource, SDL_BLENDMODE_BLEND);
                        },
                        calls,
                        {}});
        work.push_back(
            {"blit_128" + size,
             [&, n] {
                 for (const Place& p : places)
                     source->BlitTo(target, p.dx, p.dy, Rect{p.sx, p.sy, p.sx + n, p.sy + n}, 128, 0);
             },
             calls,
             {}});
        work.push_back({"sdl_blit_alpha_128" + size,
                        [&, n] {
                            for (const Place& p : places) {
                                SDL_Rect from{p.sx, p.sy, n, n}, to{p.dx, p.dy, n, n};
                                SDL_BlitSurface(sdlSource, &from, sdlTarget, &to);
                            }
                        },
                        calls,
                        {}});
        // One sprite of ours at a level, or one SDL2 surface blitted whole, at every place.
        auto ours = [&](const std::string& name, SpriteRenderer* sprite, int level) {
            work.push_back({name + size,
                            [&, sprite, level] {
                                for (const Place& p : places)
                                    sprite->Draw(target, p.dx, p.dy, kScreen, level, 0);
                            },
                            calls,
                            {}});
        };
        auto sdl = [&](const std::string& name, SDL_Surface* picture) {
            work.push_back({name + size,
                            [&, picture] {
                                for (const Place& p : places) {
                                    SDL_Rect to{p.dx, p.dy, 0, 0};
                                    SDL_BlitSurface(picture, nullptr, sdlTarget, &to);
                                }
                            },
                            calls,
                            {}});
        };
        ours("sprite_raw_copy", t.raw, 256);
        sdl("sdl_sprite_copy", t.sdlOpaque);
        ours("sprite_raw_128", t.raw, 128);
        sdl("sdl_sprite_alpha_128", t.sdlAlpha);
        ours("sprite_rle2_128", t.rle2, 128);
        sdl("sdl_rle_alpha_128", t.sdlRle);
        work.push_back({"fill_128" + size,
                        [&, n] {
                            for (const Place& p : places)
                                target->FillRect(p.dx, p.dy, p.dx + n, p.dy + n, 0xB616, 128, 0);
                        },
                        calls,
                        {}});
        work.push_back(
            {"pixman_fill_128" + size,
             [&, n] {
                 const pixman_color_t c{0x5A00, 0x2C00, 0x2D00, 0x8000};
                 for (const Place& p : places) {
                     const pixman_rectangle16_t r{int16_t(p.dx), int16_t(p.dy), uint16_t(n), uint16_t(n)};
                     pixman_image_fill_rectangles(PIXMAN_OP_OVER, pixmanTarget, &c, 1, &r);
                 }
             },
             calls,
             {}});
    }

    if (!only.empty()) {
        const std::string list = "," + only + ",";
        work.erase(std::remove_if(
                       work.begin(), work.end(),
                       [&](const Timed& t) { return list.find("," + t.name + ",") == std::string::npos; }),
                   work.end());
    }
    RunInterleaved(work, repetitions, minSeconds);

    auto median = [&](const std::string& name) {
        for (const Timed& t : work)
            if (t.name == name) return Median(t.secondsPerUnit);
        return 0.0;
    };
    // Figures and goals only for what was measured: --only may leave either side of one out.
    auto printTarget = [](const std::string& name, double theirSeconds, double ourSeconds, const char* goal) {
        if (theirSeconds > 0 && ourSeconds > 0)
            std::printf("target %s %.2f %s\n", name.c_str(), theirSeconds / ourSeconds, goal);
    };
    const double ours = median("scene_ours"), theirs = median("scene_sdl2");
    std::printf("\n%-28s %10s\n", "frame", "fps (processor time, median)");
    if (ours > 0) std::printf("%-28s %10.1f\n", "scene, this code", 1 / ours);
    if (theirs > 0) std::printf("%-28s %10.1f\n", "scene, SDL2 (+ pixman fills)", 1 / theirs);
    std::printf("\n%-24s %12s %12s   (ns per call, median)\n", "call", "1x1", "4x4");
    // A row per workload measured at either size; a size it was not measured at shows 0.
    std::vector<std::string> shown;
    for (const Timed& t : work) {
        const size_t at = t.name.find('@');
        if (at == std::string::npos) continue;
        const std::string base = t.name.substr(0, at);
        if (std::find(shown.begin(), shown.end(), base) != shown.end()) continue;
        shown.push_back(base);
        std::printf("%-24s %12.1f %12.1f\n", base.c_str(), median(base + "@1x1") * 1e9,
                    median(base + "@4x4") * 1e9);
    }
    std::printf("\n");
    printTarget("scene-vs-sdl2", theirs, ours, "2.0");
    const std::pair<const char*, const char*> pairs[] = {
        {"blit_copy", "sdl_blit_copy"},           {"blit_128", "sdl_blit_alpha_128"},
        {"sprite_raw_copy", "sdl_sprite_copy"},   {"sprite_raw_128", "sdl_sprite_alpha_128"},
        {"sprite_rle2_128", "sdl_rle_alpha_128"}, {"fill_128", "pixman_fill_128"}};
    for (const char* size : {"@1x1", "@4x4"})
        for (const auto& [mine, peer] : pairs)
            printTarget(std::string("percall-") + mine + "-vs-" + peer + size,
                        median(std::string(peer) + size), median(std::string(mine) + size), "1.0");

    for (TinyPictures& t : tiny) {
        DestroySpriteRenderer(t.raw);
        DestroySpriteRenderer(t.rle2);
        SDL_FreeSurface(t.sdlOpaque);
        SDL_FreeSurface(t.sdlAlpha);
        SDL_FreeSurface(t.sdlRle);
    }
    SDL_FreeSurface(sdlTarget);
    SDL_FreeSurface(sdlSource);
    pixman_image_unref(pixmanTarget);
    DestroySurface(target);
    DestroySurface(source);
    return 0;
}
