#pragma once
// Reads the records of a sprite file in file order, checks every count, size, run and index
// against the data that is really there, and hands each record to a sink: the loader that
// makes drawable sprites of them, or a tool that keeps them as they are.
//
// A file on disk and a resource of the program module hold the same bytes but are checked
// differently: a resource must be version 1 with layout 0 or 1, its check numbers and totals
// must agree, and its pixels are 3 bytes each. A file's check numbers are read, not compared.
#include <cstdint>
#include <span>
#include <vector>

#include "sprites/format/byte_source.h"
#include "sprites/format/load_failure.h"
#include "sprites/format/sprite_format.h"
#include "sprites/format/stored_pixels.h"

// Where Load takes a sprite file from.
enum class SpriteSource : int32_t { File = 0, Resource = 1 };

// A bundle as read: its head and one sprite index and FrameRecord per frame.
struct ParsedBundle {
    sprite_format::BundleValues values;
    std::vector<uint32_t> spriteIndices;
    std::vector<FrameRecord> frames;
};

// Receives the records. A call that returns false ends the parse; the sink has then composed
// the failure.
class SpriteFileSink {
  public:
    // The head, after its checks, with the bytes that its version does not have set to zero.
    virtual bool OnHead(const SpriteFileHead& head) = 0;
    // One entry of the effect section. For type 0 the size bytes of samples follow at the
    // source's position and are known to be there; the sink reads or skips them (untouched
    // samples are skipped for it).
    virtual bool OnEffect(int32_t index, const EffectHead& head, SpriteByteSource& source) = 0;
    // Checks a sprite's pixels before OnSprite; a sink may convert them on the way.
    virtual PixelInspection InspectSprite(const StoredPixels& pixels) { return InspectStoredPixels(pixels); }
    // One sprite with its canonical head and its checked pixels.
    virtual bool OnSprite(int32_t index, const SpriteDataHead& head, const StoredPixels& pixels,
                          const PixelInspection& inspection) = 0;
    // The bundle count, when it is above 0; readable is false when the layout has no bundle
    // records (the bundles then stay as constructed and OnBundle is not called).
    virtual bool OnBundleCount(int32_t count, bool readable) = 0;
    // One bundle; every sprite index is inside the sprite table.
    virtual bool OnBundle(int32_t index, const ParsedBundle& bundle) = 0;

  protected:
    ~SpriteFileSink() = default;
};

// The largest number of default bundles made for a layout without bundle records.
inline constexpr int32_t kMaxUnreadableBundles = 65536;
// Sprite data that the source cannot lend in place is read into a working buffer, which starts
// this large and grows only as the data proves to be there.
inline constexpr size_t kInitialReadBuffer = 2000000;
// The loader's conversion buffer starts as large and grows when a sprite needs more.
inline constexpr size_t kInitialConversionBuffer = 2000000;

// Parses a whole sprite file. name goes into the failure texts; on false, failure holds the
// text of the first fault.
bool ParseSpriteFile(SpriteByteSource& source, SpriteSource rules, const char* name, SpriteFileSink& sink,
                     SpriteLoadFailure& failure);
