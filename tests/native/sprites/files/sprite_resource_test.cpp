// The resource form: the same bytes as a version 1 file, with its check numbers and totals
// compared.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/memory/sound/memory_sound_platform.h"
#include "sprite_test_support.h"
#include "sprites/files/sprite_file.h"

namespace {
using namespace sprite_test;
namespace fmt = sprite_format;

class SpriteResourceTest : public ::testing::Test {
  public:
    MemoryDisplayScope display{4, 0xFF0000};
    MemorySoundScope sound;
    std::vector<uint8_t> bytes = ReadBytes(Fixture("resource_v1_layout1.spr"));

    // Offsets in the fixture: head 132 + 4, then three sprites of 72 + 4 + data, then bundles.
    static constexpr size_t kFirstSprite = 136;

    std::string LoadText() {
        SpriteLoadFailure failure;
        SpriteFile file;
        const bool loaded = file.LoadResourceBytes("START", bytes, failure);
        EXPECT_EQ(loaded, !failure.failed());
        return failure.text();
    }
    // Rewrites the check number that follows a record, as a writer that changed it would.
    void Recheck(size_t offset, size_t size) {
        const int32_t check = fmt::CheckNumber(&bytes[offset], size);
        std::memcpy(&bytes[offset + size], &check, 4);
    }
    size_t FirstBundle() {
        size_t at = kFirstSprite;
        for (int i = 0; i < 3; ++i) {
            uint32_t size;
            std::memcpy(&size, &bytes[at + 48], 4);
            at += 76 + size;
        }
        return at;
    }
};

TEST_F(SpriteResourceTest, LoadsWhenEveryCheckAgrees) {
    SpriteLoadFailure failure;
    SpriteFile file;
    ASSERT_TRUE(file.LoadResourceBytes("START", bytes, failure)) << failure.text();
    EXPECT_EQ(std::string(file.name), "START");
    ASSERT_EQ(file.head.spriteCount, 3);
    EXPECT_EQ(ReadBack(*file.sprites[0], SpriteKind::Raw, 4)[0], DisplayValue(PixelLayout::Rgb32, 255, 0, 0));
    ASSERT_EQ(file.head.bundleCount, 2);
    EXPECT_EQ(file.bundles[0].frameRecords[0].offsetX, 3u);
    EXPECT_EQ(file.fileHandle, nullptr);
    EXPECT_EQ(file.effects, nullptr);

    bytes = ReadBytes(Fixture("resource_v1_layout0.spr"));
    EXPECT_EQ(LoadText(), "");
}

TEST_F(SpriteResourceTest, ChangedBytesAreFoundByTheirCheckNumbersAndTotals) {
    struct Case {
        const char* what;
        void (*change)(SpriteResourceTest&);
        std::string text;
    };
    const Case cases[] = {
        {"signature", [](SpriteResourceTest& t) { t.bytes[0] = 'k'; },
         "Resource START : It is not VMK SPR file"},
        {"version", [](SpriteResourceTest& t) { t.bytes[84] = 3; }, "File START : Version is different"},
        {"head", [](SpriteResourceTest& t) { t.bytes[50] ^= 1; }, "File START : File is broken(File Head)"},
        {"data head", [](SpriteResourceTest& t) { t.bytes[kFirstSprite + 10] ^= 1; },
         "File START : File is broken at SpriteDataHead"},
        {"bundle head", [](SpriteResourceTest& t) { t.bytes[t.FirstBundle() + 3] ^= 1; },
         "File START : File is broken at SpriteBundleHead"},
        {"frame entry", [](SpriteResourceTest& t) { t.bytes[t.FirstBundle() + 64 + 4] ^= 1; },
         "Resource START : File is broken at SpriteBundle"},
        {"file total",
         [](SpriteResourceTest& t) {
             t.bytes[96] ^= 1;
             t.Recheck(0, 132);
         },
         "File START : File is broken at SpriteFile"},
        {"data total",
         [](SpriteResourceTest& t) {
             t.bytes[kFirstSprite + 68] ^= 1;
             t.Recheck(kFirstSprite, 72);
         },
         "File START : File is broken at SpriteFile"},
        {"bundle layout 2",
         [](SpriteResourceTest& t) {
             t.bytes[85] = 2;
             t.Recheck(0, 132);
         },
         "Resource START : Bundle layout 2 is not allowed in a resource"},
        {"cut in a data head", [](SpriteResourceTest& t) { t.bytes.resize(kFirstSprite + 30); },
         "File START : Can't Read file in SpriteDataHead"},
    };
    const std::vector<uint8_t> original = bytes;
    for (const Case& c : cases) {
        bytes = original;
        c.change(*this);
        EXPECT_EQ(LoadText(), c.text) << c.what;
    }
}

TEST_F(SpriteResourceTest, AFileOnDiskDoesNotCompareCheckNumbers) {
    bytes[kFirstSprite + 10] ^= 1;  // a sprite's name: its check number no longer agrees
    const std::string path = ::testing::TempDir() + "/tidemarch-unchecked.spr";
    WriteBytes(path, bytes);
    SpriteLoadFailure failure;
    SpriteFile file;
    EXPECT_TRUE(file.Load(path.c_str(), 0, failure)) << failure.text();
    EXPECT_EQ(LoadText(), "File START : File is broken at SpriteDataHead");
    std::remove(path.c_str());
}

}  // namespace
