#include "sprites/format/sprite_format.h"

#include <algorithm>
#include <cstring>

namespace sprite_format {

int32_t CheckNumber(const void* bytes, size_t size) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    uint32_t sum = 0;  // unsigned, so that the wrap-around is defined
    for (size_t i = 0; i < size; ++i)
        sum += uint32_t(int32_t(int8_t(p[i])));
    return int32_t(sum);
}

bool HasSignature(const SpriteFileHead& head) {
    return std::memcmp(head.signature, kSignature.data(), kSignature.size()) == 0;
}

SpriteFileHead EmptyHead() {
    SpriteFileHead head{};
    std::memcpy(head.signature, kSignature.data(), kSignature.size());
    head.version = kNewestVersion;
    head.layout = kNewestLayout;
    return head;
}

size_t DataHeadBytes(uint8_t version, uint8_t layout) {
    if (version < 3) return kDataHeadBytes72;
    return layout < 2 ? kDataHeadBytes88 : kDataHeadBytes112;
}

namespace {
// Where the short forms stop copying the canonical record, and where their last three fields
// (canonical 100 to 111) sit.
size_t SharedPrefixBytes(size_t storedBytes) { return storedBytes - 12; }
constexpr size_t kTailOffset = offsetof(SpriteDataHead, kept100);
}  // namespace

SpriteDataHead WidenDataHead(const uint8_t* stored, size_t storedBytes) {
    SpriteDataHead head{};
    auto* canonical = reinterpret_cast<uint8_t*>(&head);
    const size_t prefix = SharedPrefixBytes(storedBytes);
    std::memcpy(canonical, stored, prefix);
    std::memcpy(canonical + kTailOffset, stored + prefix, 12);
    if (storedBytes < kDataHeadBytes88) head.bounds = Rect{0, 0, head.width, head.height};
    if (storedBytes < kDataHeadBytes112) {
        head.alpha = 256;
        head.effect = 0;
        head.offsetX = head.offsetY = 0;
        head.extra[0] = head.extra[1] = 0;
    }
    return head;
}

void NarrowDataHead(const SpriteDataHead& head, uint8_t* stored, size_t storedBytes) {
    const auto* canonical = reinterpret_cast<const uint8_t*>(&head);
    const size_t prefix = SharedPrefixBytes(storedBytes);
    std::memcpy(stored, canonical, prefix);
    std::memcpy(stored + prefix, canonical + kTailOffset, 12);
}

size_t BundleHeadBytes(uint8_t layout) { return layout < 2 ? kOldBundleHeadBytes : kNewBundleHeadBytes; }

size_t FrameValueBytes(uint8_t layout) {
    switch (layout) {
    case 0:
        return 0;
    case 1:
        return 8;
    case 2:
        return 32;
    default:
        return sizeof(FrameRecord);
    }
}

FrameRecord MakeFrameRecord(uint8_t layout, const uint8_t* values) {
    FrameRecord record{0, 0, 256, 0, -1, 0, 0, 0, 0};
    uint32_t v[9] = {};
    std::memcpy(v, values, FrameValueBytes(layout));
    switch (layout) {
    case 0:
        break;
    case 1:
        record.offsetX = v[0];
        record.offsetY = v[1];
        break;
    case 2:
        record = FrameRecord{v[0], v[1], v[2], v[3], -1, v[4], v[5], v[6], v[7]};
        break;
    default:
        std::memcpy(&record, values, sizeof record);
        break;
    }
    return record;
}

void StoreFrameValues(uint8_t layout, const FrameRecord& record, uint8_t* values) {
    const uint32_t eight[8] = {record.offsetX, record.offsetY, record.value3, record.value4,
                               record.value6,  record.value7,  record.value8, record.value9};
    switch (layout) {
    case 0:
        break;
    case 1:
    case 2:
        std::memcpy(values, eight, FrameValueBytes(layout));
        break;
    default:
        std::memcpy(values, &record, sizeof record);
        break;
    }
}

BundleValues ReadBundleHead(uint8_t layout, const uint8_t* stored) {
    BundleValues values;
    if (layout < 2) {
        OldBundleHead head;
        std::memcpy(&head, stored, sizeof head);
        values.bounds = Rect{0, 0, head.boundsRight, head.boundsBottom};
        values.bundleValue = head.bundleValue;
        values.frameCount = head.frameCount;
        values.frameTotal = head.frameTotal;
        std::memcpy(values.name, head.name, kNameBytes);
    } else {
        NewBundleHead head;
        std::memcpy(&head, stored, sizeof head);
        values.bounds = head.bounds;
        values.bundleValue = head.bundleValue;
        values.frameCount = head.frameCount;
        values.alpha = head.alpha;
        values.effect = head.effect;
        values.offsetX = head.offsetX;
        values.offsetY = head.offsetY;
        std::memcpy(values.name, head.name, kNameBytes);
    }
    return values;
}

void StoreBundleHead(uint8_t layout, const BundleValues& values, uint8_t* stored) {
    if (layout < 2) {
        OldBundleHead head{};
        std::memcpy(head.name, values.name, kNameBytes);
        head.boundsRight = values.bounds.right;
        head.boundsBottom = values.bounds.bottom;
        head.bundleValue = int16_t(values.bundleValue);
        head.frameCount = values.frameCount;
        head.frameTotal = values.frameTotal;
        std::memcpy(stored, &head, sizeof head);
    } else {
        NewBundleHead head{};
        std::memcpy(head.name, values.name, kNameBytes);
        head.bounds = values.bounds;
        head.bundleValue = int16_t(values.bundleValue);
        head.frameCount = values.frameCount;
        head.alpha = values.alpha;
        head.effect = values.effect;
        head.offsetX = values.offsetX;
        head.offsetY = values.offsetY;
        std::memcpy(stored, &head, sizeof head);
    }
}

std::string_view NameText(const uint8_t* field, size_t size) {
    const auto* text = reinterpret_cast<const char*>(field);
    return std::string_view(text, std::find(text, text + size, '\0') - text);
}

void StoreName(uint8_t* field, size_t size, std::string_view text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(size, text.size()));
}

}  // namespace sprite_format
