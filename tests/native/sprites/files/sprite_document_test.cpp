// Reading whole files into documents and writing them back in every version and layout.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "sprites/format/sprite_document.h"

namespace {

std::vector<uint8_t> Fixture(const std::string& name) {
    std::ifstream in(std::string(TIDEMARCH_SPRITE_FIXTURES) + "/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

SpriteDocument Read(const std::vector<uint8_t>& bytes, const char* what) {
    SpriteDocument document;
    SpriteLoadFailure failure;
    EXPECT_TRUE(ReadSpriteDocument(bytes, SpriteSource::File, what, &document, failure)) << failure.text();
    return document;
}

TEST(SpriteDocument, WritingAFileBackGivesItsBytes) {
    // The fixtures come from an independent writer; both must agree to the byte.
    const struct {
        const char* file;
        uint8_t version, layout;
    } cases[] = {{"v1_layout0.spr", 1, 0}, {"v2_layout3.spr", 2, 3},          {"v3_layout0.spr", 3, 0},
                 {"v3_layout1.spr", 3, 1}, {"v3_layout2.spr", 3, 2},          {"v3_layout3.spr", 3, 3},
                 {"v3_effects.spr", 3, 3}, {"resource_v1_layout1.spr", 1, 1}, {"v3_layout4.spr", 3, 4}};
    for (const auto& c : cases) {
        const std::vector<uint8_t> bytes = Fixture(c.file);
        ASSERT_FALSE(bytes.empty()) << c.file;
        std::vector<uint8_t> again = WriteSpriteDocument(Read(bytes, c.file), c.version, c.layout);
        if (c.version < 3 && c.file[0] == 'v') {
            // The fixtures of older versions hold junk in the head bytes their version lacks.
            ASSERT_GE(again.size(), 136u);
            std::memset(again.data() + 100, 0x7F, 31);
            const int32_t check = sprite_format::CheckNumber(again.data(), 132);
            std::memcpy(&again[132], &check, 4);
        }
        EXPECT_EQ(again, bytes) << c.file;
    }
}

TEST(SpriteDocument, EveryVersionAndLayoutReadsBackWhatItCanHold) {
    const SpriteDocument original = Read(Fixture("v3_effects.spr"), "effects");
    for (uint8_t version = 1; version <= 3; ++version) {
        for (uint8_t layout = 0; layout <= 3; ++layout) {
            SCOPED_TRACE(std::to_string(version) + "/" + std::to_string(layout));
            const std::vector<uint8_t> bytes = WriteSpriteDocument(original, version, layout);
            const SpriteDocument copy = Read(bytes, "copy");
            EXPECT_EQ(copy.head.version, version);
            EXPECT_EQ(copy.head.layout, layout);
            EXPECT_EQ(copy.effects.size(), version == 3 ? original.effects.size() : 0u);
            ASSERT_EQ(copy.sprites.size(), original.sprites.size());
            for (size_t i = 0; i < copy.sprites.size(); ++i) {
                EXPECT_EQ(copy.sprites[i].data, original.sprites[i].data);
                EXPECT_EQ(copy.sprites[i].head.width, original.sprites[i].head.width);
                EXPECT_EQ(copy.sprites[i].head.kind, original.sprites[i].head.kind);
                EXPECT_EQ(copy.sprites[i].head.dataTotal, original.sprites[i].head.dataTotal);
            }
            ASSERT_EQ(copy.bundles.size(), original.bundles.size());
            EXPECT_EQ(copy.bundles[0].spriteIndices, original.bundles[0].spriteIndices);
            EXPECT_EQ(copy.bundles[0].frames[1],
                      sprite_format::MakeFrameRecord(
                          layout, reinterpret_cast<const uint8_t*>(&original.bundles[0].frames[1])));
        }
    }
}

TEST(SpriteDocument, Version1FilesWrittenHerePassTheResourceChecks) {
    const SpriteDocument original = Read(Fixture("resource_v1_layout1.spr"), "resource");
    for (uint8_t layout = 0; layout <= 1; ++layout) {
        SpriteDocument resource;
        SpriteLoadFailure failure;
        EXPECT_TRUE(ReadSpriteDocument(WriteSpriteDocument(original, 1, layout), SpriteSource::Resource,
                                       "res", &resource, failure))
            << failure.text();
    }
}

// A sprite may declare a size far beyond what its data draws (run data stores no row it does
// not show). Tools turn pictures into width x height values, so the reader refuses such a size
// before anything of it is made.
TEST(SpriteDocument, APictureOfHostileSizeIsRefusedBeforeAnythingOfItsSizeIsMade) {
    SpriteDocument document = Read(Fixture("v3_layout3.spr"), "base");
    const struct {
        int32_t width, height;
        bool read;
    } cases[] = {{4096, 4096, true}, {16384, 1024, true}, {4097, 4096, false}, {20000, 20000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        document.sprites[1].head.width = c.width;  // an Rle sprite
        document.sprites[1].head.height = c.height;
        SpriteDocument again;
        SpriteLoadFailure failure;
        EXPECT_EQ(ReadSpriteDocument(WriteSpriteDocument(document, 3, 3), SpriteSource::File, "big", &again,
                                     failure),
                  c.read);
        if (!c.read) {
            EXPECT_EQ(std::string(failure.text()), "File big : Sprite 1 declares " + std::to_string(c.width) +
                                                       " x " + std::to_string(c.height) +
                                                       " pixels, more than the 16777216 that the tools take");
        }
    }
}

TEST(SpriteDocument, ReadingStopsAtTheFirstFault) {
    std::vector<uint8_t> bytes = Fixture("v3_layout3.spr");
    ASSERT_GT(bytes.size(), 3u);
    bytes.erase(bytes.end() - 3, bytes.end());
    SpriteDocument document;
    SpriteLoadFailure failure;
    EXPECT_FALSE(ReadSpriteDocument(bytes, SpriteSource::File, "cut", &document, failure));
    EXPECT_STREQ(failure.text(), "File cut : Can't read file at SpriteBundleHeadCheckNumber");
}

}  // namespace
