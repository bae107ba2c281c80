#include "sprites/format/sprite_document.h"

#include <cstring>
#include <numeric>

namespace {
namespace fmt = sprite_format;

class DocumentSink final : public SpriteFileSink {
  public:
    explicit DocumentSink(SpriteDocument& document, const char* name, SpriteLoadFailure& failure)
        : document_(document), name_(name), failure_(failure) {}

    bool OnHead(const SpriteFileHead& head) override {
        document_.head = head;
        return true;
    }
    bool OnEffect(int32_t index, const EffectHead& head, SpriteByteSource& source) override {
        DocumentEffect& effect = document_.effects.emplace_back();
        effect.head = head;
        if (head.type != fmt::kEffectSamples) return true;
        effect.samples.resize(head.size);  // the parser has seen that the file holds them
        if (source.Read(effect.samples.data(), head.size)) return true;
        failure_.Compose(load_text::kEffectRead, name_, index);
        return false;
    }
    bool OnSprite(int32_t index, const SpriteDataHead& head, const StoredPixels& pixels,
                  const PixelInspection&) override {
        if (uint64_t(head.width) * uint64_t(head.height) > kMaxDocumentPixels) {
            failure_.Compose(load_text::kPictureTooLarge, name_, index, head.width, head.height,
                             unsigned(kMaxDocumentPixels));
            return false;
        }
        document_.sprites.push_back(DocumentSprite{head, {pixels.data.begin(), pixels.data.end()}});
        return true;
    }
    bool OnBundleCount(int32_t count, bool hasRecords) override {
        if (!hasRecords) document_.defaultBundles = count;
        return true;
    }
    bool OnBundle(int32_t, const ParsedBundle& bundle) override {
        document_.bundles.push_back(bundle);
        return true;
    }

  private:
    SpriteDocument& document_;
    const char* name_;
    SpriteLoadFailure& failure_;
};

// Grows the vector and copies, rather than inserting a range, which some compilers at -O2 warn
// about without cause.
void AppendBytes(std::vector<uint8_t>& out, const void* bytes, size_t size) {
    if (size == 0) return;
    const size_t at = out.size();
    out.resize(at + size);
    std::memcpy(out.data() + at, bytes, size);
}
template <class T> void Append(std::vector<uint8_t>& out, const T& value) {
    AppendBytes(out, &value, sizeof value);
}
// A head record followed by its check number.
void AppendHead(std::vector<uint8_t>& out, const uint8_t* bytes, size_t size) {
    AppendBytes(out, bytes, size);
    Append(out, fmt::CheckNumber(bytes, size));
}

uint32_t FrameTotalOf(const ParsedBundle& bundle, uint8_t layout) {
    uint32_t total = 0;
    for (size_t j = 0; j < bundle.spriteIndices.size(); ++j) {
        total += bundle.spriteIndices[j];
        if (layout == 1) total += bundle.frames[j].offsetX + bundle.frames[j].offsetY;
    }
    return total;
}
}  // namespace

bool ReadSpriteDocument(std::span<const uint8_t> bytes, SpriteSource rules, const char* name,
                        SpriteDocument* document, SpriteLoadFailure& failure) {
    *document = SpriteDocument{};
    MemoryByteSource source(bytes);
    DocumentSink sink(*document, name, failure);
    return ParseSpriteFile(source, rules, name, sink, failure);
}

uint32_t DataTotalOf(std::span<const uint8_t> data) { return std::accumulate(data.begin(), data.end(), 0u); }

std::vector<uint8_t> WriteSpriteDocument(const SpriteDocument& document, uint8_t version, uint8_t layout) {
    SpriteFileHead head = document.head;
    head.version = version;
    head.layout = layout;
    head.spriteCount = int32_t(document.sprites.size());
    const bool bundleRecords = layout <= fmt::kNewestLayout;
    head.bundleCount = bundleRecords ? int32_t(document.bundles.size()) : document.defaultBundles;
    head.effectCount = version >= 3 ? int32_t(document.effects.size()) : 0;
    uint32_t fileTotal = 0;
    for (const DocumentSprite& sprite : document.sprites)
        fileTotal += sprite.head.dataTotal;
    if (bundleRecords)
        for (const ParsedBundle& bundle : document.bundles)
            fileTotal += FrameTotalOf(bundle, layout);
    head.fileTotal = fileTotal;
    if (version < 3) std::memset(reinterpret_cast<uint8_t*>(&head) + 100, 0, 31);

    std::vector<uint8_t> out;
    AppendHead(out, reinterpret_cast<const uint8_t*>(&head), sizeof head);
    if (version >= 3) {
        for (const DocumentEffect& effect : document.effects) {
            EffectHead effectHead = effect.head;
            if (effectHead.type == fmt::kEffectSamples) effectHead.size = uint32_t(effect.samples.size());
            AppendHead(out, reinterpret_cast<const uint8_t*>(&effectHead), sizeof effectHead);
            if (effectHead.type == fmt::kEffectSamples)
                AppendBytes(out, effect.samples.data(), effect.samples.size());
        }
    }
    const size_t dataHeadBytes = fmt::DataHeadBytes(version, layout);
    for (const DocumentSprite& sprite : document.sprites) {
        SpriteDataHead dataHead = sprite.head;
        dataHead.dataSize = uint32_t(sprite.data.size());
        uint8_t stored[fmt::kDataHeadBytes112];
        fmt::NarrowDataHead(dataHead, stored, dataHeadBytes);
        AppendHead(out, stored, dataHeadBytes);
        AppendBytes(out, sprite.data.data(), sprite.data.size());
    }
    for (const ParsedBundle& bundle : document.bundles) {
        if (!bundleRecords) break;
        fmt::BundleValues values = bundle.values;
        values.frameCount = uint16_t(bundle.spriteIndices.size());
        values.frameTotal = FrameTotalOf(bundle, layout);
        uint8_t stored[fmt::kNewBundleHeadBytes];
        fmt::StoreBundleHead(layout, values, stored);
        AppendHead(out, stored, fmt::BundleHeadBytes(layout));
        for (size_t j = 0; j < bundle.spriteIndices.size(); ++j) {
            Append(out, bundle.spriteIndices[j]);
            uint8_t frameValues[sizeof(FrameRecord)];
            fmt::StoreFrameValues(layout, bundle.frames[j], frameValues);
            AppendBytes(out, frameValues, fmt::FrameValueBytes(layout));
        }
    }
    return out;
}
