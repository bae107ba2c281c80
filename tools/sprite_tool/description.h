#pragma once
// The text description of a sprite file's contents, as pack reads it and unpack writes it (the
// format is documented in README.md): one line per sprite, bundle, frame and effect.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/geometry.h"
#include "sprites/format/sprite_format.h"

struct SpriteLine {
    std::string file;  // PNG, relative to the description
    std::string name;
    std::string kind = "auto";   // raw, rle, rle2 or auto
    int32_t pixels = 24;         // 24 (blue, green, red bytes) or 565
    std::optional<Rect> bounds;  // the picture's rectangle when not given
    int32_t alpha = 256;
    int32_t effect = 0;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    uint32_t extra[2] = {0, 0};
    int line = 0;
};

struct FrameLine {
    std::string sprite;  // an index or a sprite's name
    FrameRecord record{0, 0, 256, 0, -1, 0, 0, 0, 0};
    int line = 0;
};

struct BundleLine {
    std::string name;
    int32_t steps = 1;
    Rect bounds{0, 0, 0, 0};
    int32_t alpha = 256;
    int32_t effect = 0;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    std::vector<FrameLine> frames;
    int line = 0;
};

struct EffectLine {
    uint32_t type = 0;  // 0: samples from file, 1: placeholder, others: an empty entry
    std::string file;   // WAV, relative to the description
    std::string name;
    int line = 0;
};

struct Description {
    std::string title;
    // Bundles that the file counts but holds no records of (a layout above 3): they load as
    // default bundles. Not together with bundle lines.
    int32_t defaultBundles = 0;
    int defaultBundlesLine = 0;
    std::vector<SpriteLine> sprites;
    std::vector<BundleLine> bundles;
    std::vector<EffectLine> effects;
};

// False with "line N: ..." in *error.
bool ParseDescription(const std::string& text, Description* description, std::string* error);
std::string FormatDescription(const Description& description);
