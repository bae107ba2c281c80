#pragma once
// A whole sprite file kept as stored, for tools: the head, the effects with their samples, the
// sprites with their canonical heads and stored pixels, and the bundles. Reading goes through
// the same parser and checks as loading; writing produces any version and layout.
#include <cstdint>
#include <span>
#include <vector>

#include "sprites/format/sprite_file_parser.h"

struct DocumentEffect {
    EffectHead head{};
    std::vector<uint8_t> samples;  // type 0 only
};

struct DocumentSprite {
    SpriteDataHead head{};
    std::vector<uint8_t> data;

    StoredPixels Pixels() const {
        return StoredPixels{SpriteKind(head.kind), head.storedBytesPerPixel, head.width, head.height, data};
    }
};

struct SpriteDocument {
    SpriteFileHead head = sprite_format::EmptyHead();
    std::vector<DocumentEffect> effects;
    std::vector<DocumentSprite> sprites;
    std::vector<ParsedBundle> bundles;  // empty when the file's layout has no bundle records
    // The bundle count of a file whose layout has no bundle records: bundles that load as
    // default bundles. Written only with such a layout.
    int32_t defaultBundles = 0;
};

// Tools turn every picture into width x height RGBA values, so the reader refuses a sprite that
// declares more pixels than this before anything of that size is made: a small file could
// otherwise ask for gigabytes. It is far above any real sprite (4096 x 4096, 16384 x 1024).
inline constexpr uint32_t kMaxDocumentPixels = uint32_t(1) << 24;

// Reads every record of the bytes of a sprite file under the rules of a source.
bool ReadSpriteDocument(std::span<const uint8_t> bytes, SpriteSource rules, const char* name,
                        SpriteDocument* document, SpriteLoadFailure& failure);

// The bytes of the document as a file of a version (1 to 3) and layout (0 to 3, or above 3 for a
// file without bundle records, whose bundle count is then defaultBundles). The counts,
// check numbers and FileTotal are computed; FrameTotal is the sum of a bundle's sprite indices,
// plus both frame values in layout 1. Records that the version cannot hold (effects before
// version 3, fields of the shorter heads and frame records) are left out.
std::vector<uint8_t> WriteSpriteDocument(const SpriteDocument& document, uint8_t version, uint8_t layout);

// A sprite's DataTotal as this writer computes it: the sum of its stored bytes.
uint32_t DataTotalOf(std::span<const uint8_t> data);
