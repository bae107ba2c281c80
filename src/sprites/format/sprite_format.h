#pragma once
// The records of a sprite file (".SPR") as they are stored, and the canonical forms that every
// version and layout is widened to. All integers are little-endian and records follow each
// other with no padding; every head record is followed by a 4-byte check number.
//
// A file, in order:
//   SpriteFileHead (132) + check
//   versions 2 and 3: effect count x { EffectHead (100) + check, samples when the type is 0 }
//   sprite count x { data head (72, 88 or 112) + check, SpriteData (data size bytes) }
//   bundle count x { bundle head (60 or 92) + check, frame count x frame entry }
//
// SpriteFileHead, 132 bytes:
//   0   40  signature "Korvanel Sprite File" and 20 blanks, no terminator
//   40  4   kept value             44  40  kept bytes (a sprite tool's title)
//   84  1   version (1, 2, 3)      85  1   layout of data heads and bundles (0 to 3)
//   86  1   kept byte              87  1   not read
//   88  4   bundle count (i32)     92  4   sprite count (i32)
//   96  4   FileTotal              100 4   kept value (version 3)
//   104 4   effect count (i32, version 3)
//   108 23  kept bytes (version 3) 131 1   not read
// Versions 1 and 2 do not have the bytes 100 to 130: they read as zero.
//
// Data heads by version and layout: 1 and 2: 72 bytes; 3 with layout 0 or 1: 88 bytes; 3 with
// layout 2 or 3: 112 bytes (canonical, below). The 88-byte form lacks the canonical bytes 76
// to 99, the 72-byte form the bytes 60 to 99; both end with the canonical bytes 100 to 111.
//
// Bundle heads and frame entries by layout (u32 sprite index first in every entry):
//   0: 60-byte head, no frame values      1: 60-byte head, two u32 values
//   2: 92-byte head, eight u32 values     3: 92-byte head, a 36-byte FrameRecord
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/geometry.h"
#include "common/layout_check.h"
#include "common/wave_format.h"

static_assert(std::endian::native == std::endian::little, "records are read in place on little-endian hosts");

namespace sprite_format {
// The 40 signature bytes.
inline constexpr std::string_view kSignature = "Korvanel Sprite File                    ";
static_assert(kSignature.size() == 40);

inline constexpr uint8_t kNewestVersion = 3;
inline constexpr uint8_t kNewestLayout = 3;

inline constexpr size_t kCheckNumberBytes = 4;
inline constexpr size_t kFileHeadBytes = 132;
inline constexpr size_t kEffectHeadBytes = 100;
inline constexpr size_t kDataHeadBytes72 = 72;
inline constexpr size_t kDataHeadBytes88 = 88;
inline constexpr size_t kDataHeadBytes112 = 112;
inline constexpr size_t kOldBundleHeadBytes = 60;
inline constexpr size_t kNewBundleHeadBytes = 92;

// Markers where run data expects a skip: any word with the top bit set is a marker.
inline constexpr uint16_t kMarkerBit = 0x8000;
inline constexpr uint16_t kRowEnd = 0xFFFF;
inline constexpr uint16_t kSpriteEnd = 0xFFFE;
// A run: skip (u16), a flag byte, count (u16), then count pixels.
inline constexpr size_t kRunHeaderBytes = 5;

// Effect types.
inline constexpr uint32_t kEffectSamples = 0;
inline constexpr uint32_t kEffectPlaceholder = 1;

// The fixed text fields that a tool may fill (names of sprites, bundles, effects, a title).
inline constexpr size_t kNameBytes = 44;
inline constexpr size_t kEffectNameBytes = 40;
inline constexpr size_t kTitleBytes = 40;
}  // namespace sprite_format

struct SpriteFileHead {
    char signature[40];
    uint32_t keptValue;
    uint8_t title[40];
    uint8_t version;
    uint8_t layout;
    uint8_t keptByte;
    uint8_t unread87;
    int32_t bundleCount;
    int32_t spriteCount;
    uint32_t fileTotal;
    uint32_t version3Value;
    int32_t effectCount;
    uint8_t version3Bytes[23];
    uint8_t unread131;
};

// 100 bytes. Type 0: size bytes of samples in the wave format follow the check number.
struct EffectHead {
    uint32_t unread0;
    uint32_t type;
    uint8_t name[40];
    WaveFormat format;
    uint8_t unread66[10];
    uint32_t size;
    uint8_t unread80[20];
};

// The canonical 112-byte data head.
struct SpriteDataHead {
    uint8_t name[44];
    uint8_t kind;                 // SpriteKind: 0 Raw, 1 Rle, 2 Rle2
    uint8_t storedBytesPerPixel;  // 3: blue, green, red bytes; 2: a 5:6:5 word
    uint8_t unread46[2];
    uint32_t dataSize;
    int32_t width;
    int32_t height;
    Rect bounds;
    int32_t alpha;
    int32_t effect;
    int32_t offsetX;
    int32_t offsetY;
    uint32_t extra[2];
    uint32_t kept100;
    uint32_t kept104;
    uint32_t dataTotal;
};

// The 92-byte bundle head of layouts 2 and 3.
struct NewBundleHead {
    uint8_t name[44];
    Rect bounds;
    int16_t bundleValue;  // animation steps per frame
    uint16_t frameCount;
    int32_t alpha;
    int32_t effect;
    int32_t offsetX;
    int32_t offsetY;
    uint8_t unread80[12];
};

// The 60-byte bundle head of layouts 0 and 1.
struct OldBundleHead {
    uint8_t name[44];
    int32_t boundsRight;
    int32_t boundsBottom;
    int16_t bundleValue;
    uint16_t frameCount;
    uint32_t frameTotal;  // sum of the frame entries' values
};

// Nine values per frame; 1 and 2 are the frame's drawing offset, the rest are carried for the
// game module.
struct FrameRecord {
    uint32_t offsetX;
    uint32_t offsetY;
    uint32_t value3;
    uint32_t value4;
    int32_t value5;
    uint32_t value6;
    uint32_t value7;
    uint32_t value8;
    uint32_t value9;
    friend bool operator==(const FrameRecord&, const FrameRecord&) = default;
};

static_assert(sizeof(SpriteFileHead) == 132);
static_assert(offsetof(SpriteFileHead, version) == 84);
static_assert(offsetof(SpriteFileHead, bundleCount) == 88);
static_assert(offsetof(SpriteFileHead, version3Value) == 100);
static_assert(offsetof(SpriteFileHead, effectCount) == 104);
static_assert(sizeof(EffectHead) == 100);
static_assert(offsetof(EffectHead, format) == 48);
static_assert(offsetof(EffectHead, size) == 76);
static_assert(sizeof(SpriteDataHead) == 112);
static_assert(offsetof(SpriteDataHead, kind) == 44);
static_assert(offsetof(SpriteDataHead, dataSize) == 48);
static_assert(offsetof(SpriteDataHead, bounds) == 60);
static_assert(offsetof(SpriteDataHead, alpha) == 76);
static_assert(offsetof(SpriteDataHead, extra) == 92);
static_assert(offsetof(SpriteDataHead, dataTotal) == 108);
static_assert(sizeof(NewBundleHead) == 92);
static_assert(offsetof(NewBundleHead, bundleValue) == 60);
static_assert(offsetof(NewBundleHead, offsetY) == 76);
static_assert(sizeof(OldBundleHead) == 60);
static_assert(offsetof(OldBundleHead, frameTotal) == 56);
static_assert(sizeof(FrameRecord) == 36);

namespace sprite_format {
// The 32-bit sum of the bytes, each taken as a signed byte.
int32_t CheckNumber(const void* bytes, size_t size);

bool HasSignature(const SpriteFileHead& head);
// A head with the signature, version 3, layout 3 and everything else zero.
SpriteFileHead EmptyHead();

// The stored size of a data head for the version and layout. Layouts above 3 of version 3 are
// read like the newest form.
size_t DataHeadBytes(uint8_t version, uint8_t layout);
// Widens a stored data head of storedBytes (72, 88 or 112) to the canonical form, giving the
// missing fields their defaults: bounds (0, 0, width, height), alpha 256, the rest 0.
SpriteDataHead WidenDataHead(const uint8_t* stored, size_t storedBytes);
// The stored form of a canonical head: writes storedBytes (72, 88 or 112) bytes.
void NarrowDataHead(const SpriteDataHead& head, uint8_t* stored, size_t storedBytes);

// Bundle records of a layout (0 to 3).
size_t BundleHeadBytes(uint8_t layout);
// Bytes after the sprite index in one frame entry: 0, 8, 32 or 36.
size_t FrameValueBytes(uint8_t layout);
// The FrameRecord of a frame entry, from the bytes after its sprite index.
FrameRecord MakeFrameRecord(uint8_t layout, const uint8_t* values);
// The stored frame values of a record for a layout (FrameValueBytes(layout) bytes).
void StoreFrameValues(uint8_t layout, const FrameRecord& record, uint8_t* values);

// A bundle head of either form, as the loader uses it.
struct BundleValues {
    Rect bounds{0, 0, 0, 0};
    int32_t bundleValue = 1;
    uint16_t frameCount = 0;
    int32_t alpha = 256;
    int32_t effect = 0;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    uint32_t frameTotal = 0;  // stored by the old form only
    uint8_t name[kNameBytes] = {};
};
BundleValues ReadBundleHead(uint8_t layout, const uint8_t* stored);
void StoreBundleHead(uint8_t layout, const BundleValues& values, uint8_t* stored);

// The text of a fixed-size name field, up to its first zero byte.
std::string_view NameText(const uint8_t* field, size_t size);
// Stores text in a name field, cut to its size and padded with zeros.
void StoreName(uint8_t* field, size_t size, std::string_view text);
}  // namespace sprite_format
