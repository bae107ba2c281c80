#include "sprites/format/sprite_file_parser.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {
using namespace load_text;
namespace fmt = sprite_format;

class Parser {
  public:
    Parser(SpriteByteSource& source, SpriteSource rules, const char* name, SpriteFileSink& sink,
           SpriteLoadFailure& failure)
        : source_(source), resource_(rules == SpriteSource::Resource), name_(name), sink_(sink),
          failure_(failure) {}

    bool Run() { return ReadHead() && ReadEffects() && ReadSprites() && ReadBundles() && CheckFileTotal(); }

  private:
    bool Fail(const char* text) {
        failure_.Compose(text, name_);
        return false;
    }
    template <class... Args> bool Fail(const char* text, Args... args) {
        failure_.Compose(text, name_, args...);
        return false;
    }
    bool ReadCheckNumber(int32_t* value) { return source_.Read(value, sizeof *value); }

    bool ReadHead() {
        uint8_t stored[fmt::kFileHeadBytes];
        if (!source_.Read(stored, sizeof stored)) return Fail(kHeadUnreadable);
        std::memcpy(&head_, stored, sizeof head_);
        if (!fmt::HasSignature(head_)) return Fail(resource_ ? kResourceNotSpriteFile : kNotSpriteFile);
        const int8_t version = int8_t(head_.version);
        if (resource_) {
            if (version != 1) return Fail(kResourceVersion);
        } else if (version > 3 || version < 1) {
            // Versions 0 and below define none of the later records.
            failure_.Compose("%s", kUnknownVersion);
            return false;
        }
        if (version < 3) std::memset(reinterpret_cast<uint8_t*>(&head_) + 100, 0, 31);
        int32_t check;
        if (!ReadCheckNumber(&check)) return Fail(kHeadCheckNumber);
        if (resource_ && check != fmt::CheckNumber(stored, sizeof stored)) return Fail(kResourceHead);
        return sink_.OnHead(head_);
    }

    // Each count is checked where its table would be made.
    bool ReadEffects() {
        if (head_.version < 2) return true;
        if (head_.effectCount < 0) return Fail(kNegativeEffectCount, head_.effectCount);
        for (int32_t i = 0; i < head_.effectCount; ++i) {
            EffectHead effect;
            int32_t check;
            if (!source_.Read(&effect, sizeof effect) || !ReadCheckNumber(&check)) return Fail(kEffectData);
            const bool hasSamples = effect.type == fmt::kEffectSamples;
            if (hasSamples && !source_.Has(effect.size)) return Fail(kEffectPastEnd, i, effect.size);
            const uint64_t start = source_.Position();
            if (!sink_.OnEffect(i, effect, source_)) return false;
            if (hasSamples && source_.Position() == start && !source_.Skip(effect.size))
                return Fail(kEffectRead, i);
        }
        return true;
    }

    bool ReadSprites() {
        if (head_.spriteCount < 0) return Fail(kNegativeSpriteCount, head_.spriteCount);
        const size_t headBytes =
            resource_ ? fmt::kDataHeadBytes72 : fmt::DataHeadBytes(head_.version, head_.layout);
        for (int32_t i = 0; i < head_.spriteCount; ++i) {
            uint8_t stored[fmt::kDataHeadBytes112];
            if (!source_.Read(stored, headBytes))
                return Fail(headBytes == fmt::kDataHeadBytes88 ? kDataHead88 : kDataHead);
            int32_t check;
            if (!ReadCheckNumber(&check)) return Fail(kDataCheckNumber);
            if (resource_ && check != fmt::CheckNumber(stored, headBytes)) return Fail(kResourceDataHead);
            const SpriteDataHead head = fmt::WidenDataHead(stored, headBytes);
            if (head.kind > uint8_t(SpriteKind::Rle2)) return Fail(kUnknownKind, i, int(head.kind));
            const int32_t storedBytes = resource_ ? 3 : head.storedBytesPerPixel;
            if (storedBytes != 2 && storedBytes != 3) return Fail(kUnknownPixelSize, i, storedBytes);
            if (!DrawableSize(head.width, head.height))
                return Fail(kBadSpriteSize, i, head.width, head.height);
            const uint8_t* data = ReadData(head.dataSize);
            if (!data) return false;
            const StoredPixels pixels{SpriteKind(head.kind), storedBytes, head.width, head.height,
                                      std::span<const uint8_t>(data, head.dataSize)};
            const PixelInspection inspection = sink_.InspectSprite(pixels);
            if (!inspection.ok()) return FailPixels(i, head, inspection);
            if (!sink_.OnSprite(i, head, pixels, inspection)) return false;
            runningTotal_ += head.dataTotal;
        }
        return true;
    }

    // Every byte offset of the sprite, at 4 bytes per pixel, fits a signed 32-bit value.
    static bool DrawableSize(int32_t width, int32_t height) {
        return width >= 0 && height >= 0 &&
               uint64_t(width) * uint64_t(height) * 4 <= uint64_t(std::numeric_limits<int32_t>::max());
    }

    // A sprite's data: in place in the source where it can lend it, else read into the working
    // buffer. A size beyond the buffer's first capacity grows it step by step as the data
    // arrives, so a size that the file does not hold never becomes an allocation of that size.
    // Null after composing the failure.
    const uint8_t* ReadData(uint32_t size) {
        if (const uint8_t* lent = source_.Borrow(size)) return lent;
        if (!buffer_ && !Grow(kInitialReadBuffer, 0)) return FailData(kDataMemory);
        size_t filled = 0;
        while (filled < size) {
            if (filled == capacity_ && !Grow(std::min<size_t>(size, capacity_ * 2), filled))
                return FailData(kDataMemory);
            const size_t chunk = std::min<size_t>(size, capacity_) - filled;
            if (!source_.Read(buffer_.get() + filled, chunk)) return FailData(kDataRead);
            filled += chunk;
        }
        return buffer_.get();
    }
    const uint8_t* FailData(const char* text) {
        Fail(text);
        return nullptr;
    }

    bool Grow(size_t capacity, size_t keep) {
        std::unique_ptr<uint8_t[]> larger(new (std::nothrow) uint8_t[capacity]);
        if (!larger) return false;
        if (keep) std::memcpy(larger.get(), buffer_.get(), keep);
        buffer_ = std::move(larger);
        capacity_ = capacity;
        return true;
    }

    bool FailPixels(int32_t index, const SpriteDataHead& head, const PixelInspection& inspection) {
        switch (inspection.fault) {
        case PixelFault::DataTooShort:
            return Fail(kRawDataShort, index, head.dataSize, head.width, head.height);
        case PixelFault::RunPassesData:
            return Fail(kRunPassesData, index, inspection.faultOffset);
        case PixelFault::SplitsPixel:
            return Fail(kRunSplitsPixel, index, inspection.faultOffset);
        case PixelFault::None:
            break;
        }
        return false;
    }

    bool ReadBundles() {
        const int32_t count = head_.bundleCount;
        if (count <= 0) return true;
        const uint8_t layout = head_.layout;
        if (resource_ && layout > 1) return Fail(kResourceLayout, int(layout));
        if (layout > fmt::kNewestLayout) {
            if (count > kMaxUnreadableBundles) return Fail(kTooManyBundles, count);
            return sink_.OnBundleCount(count, false);
        }
        if (!sink_.OnBundleCount(count, true)) return false;
        const size_t headBytes = fmt::BundleHeadBytes(layout);
        const size_t valueBytes = fmt::FrameValueBytes(layout);
        ParsedBundle bundle;
        for (int32_t i = 0; i < count; ++i) {
            uint8_t stored[fmt::kNewBundleHeadBytes];
            if (!source_.Read(stored, headBytes)) return Fail(kBundleHead);
            int32_t check;
            if (!ReadCheckNumber(&check)) return Fail(kBundleHeadCheckNumber);
            if (resource_ && check != fmt::CheckNumber(stored, headBytes)) return Fail(kResourceBundleHead);
            bundle.values = fmt::ReadBundleHead(layout, stored);
            bundle.spriteIndices.clear();
            bundle.frames.clear();
            uint32_t frameSum = 0;
            for (int32_t j = 0; j < bundle.values.frameCount; ++j) {
                uint32_t index;
                if (!source_.Read(&index, sizeof index)) return Fail(kBundleFrame);
                uint8_t values[sizeof(FrameRecord)];
                if (!source_.Read(values, valueBytes))
                    return Fail(layout == 1 ? kBundleFrame : kBundleFrameRecord);
                if (index >= uint32_t(head_.spriteCount))
                    return Fail(kFrameIndex, i, j, index, head_.spriteCount);
                const FrameRecord record = fmt::MakeFrameRecord(layout, values);
                frameSum += index + (layout == 1 ? record.offsetX + record.offsetY : 0);
                bundle.spriteIndices.push_back(index);
                bundle.frames.push_back(record);
            }
            if (resource_ && frameSum != bundle.values.frameTotal) return Fail(kResourceBundle);
            if (!sink_.OnBundle(i, bundle)) return false;
            runningTotal_ += bundle.values.frameTotal;
        }
        return true;
    }

    bool CheckFileTotal() {
        if (resource_ && runningTotal_ != head_.fileTotal) return Fail(kResourceFileTotal);
        return true;
    }

    SpriteByteSource& source_;
    const bool resource_;
    const char* name_;
    SpriteFileSink& sink_;
    SpriteLoadFailure& failure_;
    SpriteFileHead head_{};
    std::unique_ptr<uint8_t[]> buffer_;
    size_t capacity_ = 0;
    uint32_t runningTotal_ = 0;
};
}  // namespace

bool ParseSpriteFile(SpriteByteSource& source, SpriteSource rules, const char* name, SpriteFileSink& sink,
                     SpriteLoadFailure& failure) {
    return Parser(source, rules, name, sink, failure).Run();
}
