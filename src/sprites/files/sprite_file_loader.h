#pragma once
// The sink that makes a SpriteFile's objects from the parsed records: a renderer per sprite
// with its pixels converted to the display's layout, a sound object per effect, and at the end
// the tables the game module reads. Until Finish hands them over, it owns what it has made, so
// a failed load releases everything simply by ending.
#include <cstdint>
#include <memory>
#include <vector>

#include "display/display_format.h"
#include "files/read_only_file.h"
#include "sound/sound_object.h"
#include "sprites/format/sprite_file_parser.h"
#include "sprites/renderers/sprite_renderer.h"

class SpriteBundle;
class SpriteFile;

class SpriteFileLoader final : public SpriteFileSink {
  public:
    // file: the open file that streamed effects will read (none for a resource).
    SpriteFileLoader(PixelLayout layout, FileHandle file, const char* name, SpriteLoadFailure& failure)
        : layout_(layout), file_(file), name_(name), failure_(failure) {}
    ~SpriteFileLoader();
    SpriteFileLoader(const SpriteFileLoader&) = delete;
    SpriteFileLoader& operator=(const SpriteFileLoader&) = delete;

    bool OnHead(const SpriteFileHead& head) override;
    // Run data is converted while it is checked, into the conversion buffer.
    PixelInspection InspectSprite(const StoredPixels& pixels) override;
    bool OnEffect(int32_t index, const EffectHead& head, SpriteByteSource& source) override;
    bool OnSprite(int32_t index, const SpriteDataHead& head, const StoredPixels& pixels,
                  const PixelInspection& inspection) override;
    bool OnBundleCount(int32_t count, bool readable) override;
    bool OnBundle(int32_t index, const ParsedBundle& bundle) override;

    // Makes the tables and moves the head, sprites, bundles and effects into the file.
    bool Finish(SpriteFile& file);

  private:
    bool Fail(const char* text);
    SoundObject* MakeStaticSound(int32_t index, const EffectHead& head, SpriteByteSource& source, bool* ok);
    SoundObject* MakeStream(const EffectHead& head, SpriteByteSource& source);
    SpriteBundle* MakeBundles(SpriteRenderer** spriteTable);

    PixelLayout layout_;
    FileHandle file_;
    const char* name_;
    SpriteLoadFailure& failure_;
    SpriteFileHead head_{};
    std::vector<SoundObject*> effects_;
    std::vector<SpriteRenderer*> sprites_;
    int32_t bundleCount_ = 0;
    std::vector<ParsedBundle> bundles_;
    // The conversion buffer, reused for every sprite, and what the last check left in it.
    std::unique_ptr<uint8_t[]> conversion_;
    size_t conversionCapacity_ = 0;
    size_t converted_ = 0;
    bool convertedInWalk_ = false;
};
