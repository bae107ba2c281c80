// The records of the format: check numbers, the widening of short data heads, frame records.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sprites/format/sprite_format.h"

namespace {
namespace fmt = sprite_format;

TEST(CheckNumber, SumsTheBytesAsSignedBytes) {
    EXPECT_EQ(fmt::CheckNumber("abc", 3), 294);
    const std::vector<uint8_t> ones(132, 0xFF);
    EXPECT_EQ(fmt::CheckNumber(ones.data(), ones.size()), -132);
    const std::vector<uint8_t> mixed = {0x80, 0x7F, 0x01};
    EXPECT_EQ(fmt::CheckNumber(mixed.data(), mixed.size()), -128 + 127 + 1);
    EXPECT_EQ(fmt::CheckNumber(nullptr, 0), 0);
}

TEST(Signature, EveryOneOfTheFortyBytesCounts) {
    SpriteFileHead head = fmt::EmptyHead();
    EXPECT_TRUE(fmt::HasSignature(head));
    for (int at : {0, 19, 20, 39}) {
        SpriteFileHead changed = head;
        changed.signature[at] = at == 0 ? 'k' : '\0';
        EXPECT_FALSE(fmt::HasSignature(changed)) << at;
    }
}

TEST(DataHead, TheStoredFormFollowsVersionAndLayout) {
    EXPECT_EQ(fmt::DataHeadBytes(1, 3), 72u);
    EXPECT_EQ(fmt::DataHeadBytes(2, 0), 72u);
    EXPECT_EQ(fmt::DataHeadBytes(3, 0), 88u);
    EXPECT_EQ(fmt::DataHeadBytes(3, 1), 88u);
    EXPECT_EQ(fmt::DataHeadBytes(3, 2), 112u);
    EXPECT_EQ(fmt::DataHeadBytes(3, 3), 112u);
}

// Builds a stored head of a form by hand: the shared prefix, the form's middle, and the three
// trailing values that every form ends with.
std::vector<uint8_t> StoredHead(size_t form) {
    std::vector<uint8_t> bytes(form, 0);
    auto put = [&](size_t at, int32_t v) { std::memcpy(&bytes[at], &v, 4); };
    bytes[0] = 'n';
    bytes[44] = 2;  // Rle2
    bytes[45] = 3;
    put(48, 1234);  // data size
    put(52, 7);     // width
    put(56, 9);     // height
    if (form >= 88) {
        put(60, -1), put(64, -2), put(68, 8), put(72, 10);
    }
    if (form == 112) {
        put(76, 99), put(80, -300), put(84, 4), put(88, -5), put(92, 6), put(96, 7);
    }
    put(form - 12, 0x100), put(form - 8, 0x104), put(form - 4, 0xDA7A);
    return bytes;
}

TEST(DataHead, ShortFormsAreWidenedWithTheirDefaults) {
    struct Case {
        size_t form;
        Rect bounds;
        int32_t alpha, effect, offsetX, offsetY;
        uint32_t extra0, extra1;
    };
    const Case cases[] = {
        {72, {0, 0, 7, 9}, 256, 0, 0, 0, 0, 0},
        {88, {-1, -2, 8, 10}, 256, 0, 0, 0, 0, 0},
        {112, {-1, -2, 8, 10}, 99, -300, 4, -5, 6, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        const std::vector<uint8_t> stored = StoredHead(c.form);
        const SpriteDataHead head = fmt::WidenDataHead(stored.data(), stored.size());
        EXPECT_EQ(head.name[0], 'n');
        EXPECT_EQ(head.kind, 2);
        EXPECT_EQ(head.storedBytesPerPixel, 3);
        EXPECT_EQ(head.dataSize, 1234u);
        EXPECT_EQ(head.width, 7);
        EXPECT_EQ(head.height, 9);
        EXPECT_EQ(head.bounds, c.bounds);
        EXPECT_EQ(head.alpha, c.alpha);
        EXPECT_EQ(head.effect, c.effect);
        EXPECT_EQ(head.offsetX, c.offsetX);
        EXPECT_EQ(head.offsetY, c.offsetY);
        EXPECT_EQ(head.extra[0], c.extra0);
        EXPECT_EQ(head.extra[1], c.extra1);
        EXPECT_EQ(head.kept100, 0x100u);
        EXPECT_EQ(head.kept104, 0x104u);
        EXPECT_EQ(head.dataTotal, 0xDA7Au);
        std::vector<uint8_t> narrowed(c.form);
        fmt::NarrowDataHead(head, narrowed.data(), narrowed.size());
        EXPECT_EQ(narrowed, stored) << "narrowing gives the stored form back";
    }
}

TEST(FrameRecord, EachLayoutFillsTheNineValuesItsWay) {
    uint32_t stored[9] = {11, 12, 13, 14, 15, 16, 17, 18, 19};
    const auto* bytes = reinterpret_cast<const uint8_t*>(stored);
    EXPECT_EQ(fmt::MakeFrameRecord(0, bytes), (FrameRecord{0, 0, 256, 0, -1, 0, 0, 0, 0}));
    EXPECT_EQ(fmt::MakeFrameRecord(1, bytes), (FrameRecord{11, 12, 256, 0, -1, 0, 0, 0, 0}));
    EXPECT_EQ(fmt::MakeFrameRecord(2, bytes), (FrameRecord{11, 12, 13, 14, -1, 15, 16, 17, 18}));
    EXPECT_EQ(fmt::MakeFrameRecord(3, bytes), (FrameRecord{11, 12, 13, 14, 15, 16, 17, 18, 19}));
    for (uint8_t layout = 0; layout <= 3; ++layout) {
        const FrameRecord record = fmt::MakeFrameRecord(layout, bytes);
        uint8_t again[36] = {};
        fmt::StoreFrameValues(layout, record, again);
        EXPECT_EQ(fmt::MakeFrameRecord(layout, again), record) << int(layout);
    }
}

}  // namespace
