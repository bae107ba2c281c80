#include "sprites/files/sprite_file_loader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "sprites/files/sprite_file.h"
#include "sprites/renderers/prepared_runs.h"

using namespace load_text;

namespace {
// The format record as the device gets it. The device reads extraSize bytes behind the 18-byte
// record; a file stores only the record, so no extra bytes are announced.
WaveFormat DeviceFormat(const EffectHead& head) {
    WaveFormat format = head.format;
    format.extraSize = 0;
    return format;
}
}  // namespace

SpriteFileLoader::~SpriteFileLoader() {
    for (SoundObject* effect : effects_)
        DestroySoundObject(effect);
    for (SpriteRenderer* sprite : sprites_)
        DestroySpriteRenderer(sprite);
}

bool SpriteFileLoader::Fail(const char* text) {
    failure_.Compose(text, name_);
    return false;
}

bool SpriteFileLoader::OnHead(const SpriteFileHead& head) {
    head_ = head;
    return true;
}

bool SpriteFileLoader::OnEffect(int32_t index, const EffectHead& head, SpriteByteSource& source) {
    SoundObject* effect = nullptr;
    if (head.type == sprite_format::kEffectSamples && head.size < kStreamThreshold) {
        bool ok = true;
        effect = MakeStaticSound(index, head, source, &ok);
        if (!ok) return false;
    } else if (head.type == sprite_format::kEffectSamples) {
        effect = MakeStream(head, source);
    } else if (head.type == sprite_format::kEffectPlaceholder) {
        effect = new (std::nothrow) NullSound;
        if (!effect) return Fail(kPlaceholderSound);
    }
    // Other types leave the entry empty. An object that could not be made does too; the parser
    // then skips its samples.
    effects_.push_back(effect);
    return true;
}

// Reads the samples straight into the locked platform buffer. A sound whose buffer could not be
// made or locked stays, silent, and its samples are skipped.
SoundObject* SpriteFileLoader::MakeStaticSound(int32_t index, const EffectHead& head,
                                               SpriteByteSource& source, bool* ok) {
    auto* sound = new (std::nothrow) SoundBuffer;
    if (!sound) return nullptr;
    const WaveFormat format = DeviceFormat(head);
    sound->Create(&format, head.size, sound_flags::Static);
    void* samples = nullptr;
    uint32_t bytes = 0;
    if (sound->soundBuffer && sound->Lock(&samples, &bytes)) {
        if (bytes >= head.size && source.Read(samples, head.size)) {
            sound->SetVolume(0);
            sound->SetPan(0);
        } else {
            *ok = false;
        }
        sound->Unlock(samples, bytes);
    }
    if (!*ok) {
        DestroySoundObject(sound);
        failure_.Compose(kEffectRead, name_, index);
        return nullptr;
    }
    return sound;
}

// A stream reads its samples from the open file later; here it only learns where they are.
SoundObject* SpriteFileLoader::MakeStream(const EffectHead& head, SpriteByteSource& source) {
    auto* stream = new (std::nothrow) SoundStream;
    if (!stream) return nullptr;
    stream->fileHandle = file_;
    stream->dataStart = uint32_t(source.Position());
    stream->dataEnd = uint32_t(source.Position() + head.size);
    const WaveFormat format = DeviceFormat(head);
    stream->CreateStream(&format, kStreamBlockCount, kStreamBlockSize, sound_flags::StreamExtra);
    return stream;
}

PixelInspection SpriteFileLoader::InspectSprite(const StoredPixels& pixels) {
    convertedInWalk_ = false;
    if (!ConvertsInOneWalk(pixels, layout_)) return InspectStoredPixels(pixels);
    const size_t needed = std::max(OneWalkScratchBytes(pixels), kInitialConversionBuffer);
    if (conversionCapacity_ < needed) {
        conversion_.reset(new (std::nothrow) uint8_t[needed]);
        conversionCapacity_ = conversion_ ? needed : 0;
        // Without the buffer the pixels are checked alone and converted later, straight into
        // the renderer.
        if (!conversion_) return InspectStoredPixels(pixels);
    }
    convertedInWalk_ = true;
    return InspectAndConvert(pixels, layout_, conversion_.get(), &converted_);
}

bool SpriteFileLoader::OnSprite(int32_t, const SpriteDataHead& head, const StoredPixels& pixels,
                                const PixelInspection& inspection) {
    SpriteRenderer* sprite = CreateSpriteRenderer(layout_, SpriteKind(head.kind));
    if (!sprite) return Fail(kDataMemory);
    sprites_.push_back(sprite);
    sprite->width = head.width;
    sprite->height = head.height;
    sprite->offsetX = head.offsetX;
    sprite->offsetY = head.offsetY;
    sprite->bounds = head.bounds;
    sprite->alpha = head.alpha;
    sprite->effect = head.effect;
    sprite->extra[0] = head.extra[0];
    sprite->extra[1] = head.extra[1];
    size_t bytes = 0;
    if (!ConvertedSize(pixels, inspection, layout_, &bytes)) {
        failure_.Compose(kRunTooLong, name_, int32_t(sprites_.size() - 1));
        return false;
    }
    uint8_t* data = SpriteRenderer::AllocatePixelData(bytes);
    if (!data) return Fail(kDataMemory);
    if (convertedInWalk_) {
        std::memcpy(data, conversion_.get(), bytes);
    } else {
        ConvertStoredPixels(pixels, inspection, layout_, data, bytes);
    }
    sprite->AdoptPixelData(data);
    PrepareRunsAhead(*sprite, layout_, SpriteKind(head.kind));
    return true;
}

bool SpriteFileLoader::OnBundleCount(int32_t count, bool) {
    bundleCount_ = count;
    return true;
}

bool SpriteFileLoader::OnBundle(int32_t, const ParsedBundle& bundle) {
    bundles_.push_back(bundle);
    return true;
}

// Bundles are made as one array of unfilled bundles and then filled in place; a layout without
// bundle records leaves them unfilled.
SpriteBundle* SpriteFileLoader::MakeBundles(SpriteRenderer** spriteTable) {
    auto* bundles = new (std::nothrow) SpriteBundle[size_t(bundleCount_)];
    if (!bundles) return nullptr;
    for (size_t i = 0; i < bundles_.size(); ++i) {
        const ParsedBundle& parsed = bundles_[i];
        SpriteBundle& bundle = bundles[i];
        const size_t frames = parsed.frames.size();
        if (frames) {
            bundle.frameRecords = new (std::nothrow) FrameRecord[frames];
            bundle.frames = new (std::nothrow) SpriteRenderer*[frames];
            if (!bundle.frameRecords || !bundle.frames) {
                delete[] bundles;
                return nullptr;
            }
            for (size_t j = 0; j < frames; ++j) {
                bundle.frameRecords[j] = parsed.frames[j];
                bundle.frames[j] = spriteTable[parsed.spriteIndices[j]];
            }
        }
        const sprite_format::BundleValues& v = parsed.values;
        bundle.reserved = 0;
        bundle.bundleValue = v.bundleValue;
        bundle.frameCount = uint16_t(frames);
        bundle.offsetX = v.offsetX;
        bundle.offsetY = v.offsetY;
        bundle.bounds = v.bounds;
        bundle.alpha = v.alpha;
        bundle.effect = v.effect;
        bundle.further[0] = bundle.further[1] = 0;
    }
    return bundles;
}

bool SpriteFileLoader::Finish(SpriteFile& file) {
    SpriteRenderer** spriteTable = nullptr;
    SoundObject** effectTable = nullptr;
    SpriteBundle* bundles = nullptr;
    if (!sprites_.empty() && !(spriteTable = new (std::nothrow) SpriteRenderer*[sprites_.size()]))
        return Fail(kSpriteTable);
    if (!effects_.empty() && !(effectTable = new (std::nothrow) SoundObject*[effects_.size()])) {
        delete[] spriteTable;
        return Fail(kEffectData);
    }
    for (size_t i = 0; i < sprites_.size(); ++i)
        spriteTable[i] = sprites_[i];
    for (size_t i = 0; i < effects_.size(); ++i)
        effectTable[i] = effects_[i];
    if (bundleCount_ > 0 && !(bundles = MakeBundles(spriteTable))) {
        delete[] spriteTable;
        delete[] effectTable;
        return Fail(kBundleMemory);
    }
    file.head = head_;
    file.sprites = spriteTable;
    file.effects = effectTable;
    file.bundles = bundles;
    sprites_.clear();
    effects_.clear();
    return true;
}
