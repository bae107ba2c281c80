// Loading sprite files written by an independent writer (tests/fixtures/sprites), on every
// display layout: pixels, fields, bundles, effects, and what stays open.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/memory/sound/memory_sound_platform.h"
#include "sound/sound_device.h"
#include "sprite_test_support.h"
#include "sprites/files/sprite_file.h"
#include "sprites/files/sprite_platform.h"
#include "sprites/format/sprite_document.h"
#include "sprites/renderers/prepared_runs.h"

namespace {
using namespace sprite_test;

struct Colour {
    uint8_t r, g, b;
};

// The fixtures' pictures, as make_fixtures.py draws them.
struct Pixel {
    int32_t x, y;
    Colour colour;
};
struct Picture {
    SpriteKind kind;
    int32_t width, height;
    std::vector<Pixel> pixels;  // every other pixel is transparent (Raw sprites list all)
};
const Picture kPictures24[] = {
    {SpriteKind::Raw,
     3,
     2,
     {{0, 0, {255, 0, 0}},
      {1, 0, {0, 255, 0}},
      {2, 0, {0, 0, 255}},
      {0, 1, {255, 255, 255}},
      {1, 1, {18, 52, 86}},
      {2, 1, {0, 0, 0}}}},
    {SpriteKind::Rle,
     4,
     3,
     {{1, 0, {10, 20, 30}},
      {2, 0, {40, 50, 60}},
      {0, 2, {200, 100, 50}},
      {1, 2, {1, 2, 3}},
      {2, 2, {250, 251, 252}},
      {3, 2, {7, 8, 9}}}},
    {SpriteKind::Rle2,
     5,
     2,
     {{0, 0, {90, 80, 70}}, {3, 0, {11, 22, 33}}, {4, 0, {44, 55, 66}}, {4, 1, {128, 64, 32}}}},
};
struct Pixel565 {
    int32_t x, y;
    uint16_t value;
};
struct Picture565 {
    SpriteKind kind;
    int32_t width, height;
    std::vector<Pixel565> pixels;
};
const Picture565 kPictures565[] = {
    {SpriteKind::Raw, 2, 1, {{0, 0, 0x0020}, {1, 0, 0xF81F}}},
    {SpriteKind::Rle2, 3, 1, {{1, 0, 0x07E0}, {2, 0, 0x8410}}},
};

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {
  protected:
    MemoryDisplayScope display{GetParam().bytesPerPixel, GetParam().redMask};
    MemorySoundScope sound;
};

void ExpectPicture(const SpriteFile& file, const LayoutCase& layout) {
    const int32_t b = layout.bytesPerPixel;
    int32_t index = 0;
    auto check = [&](SpriteKind kind, int32_t width, int32_t height, const Grid& expected) {
        SCOPED_TRACE("sprite " + std::to_string(index));
        const SpriteRenderer* sprite = file.sprites[index++];
        ASSERT_NE(sprite, nullptr);
        ASSERT_EQ(sprite->width, width);
        ASSERT_EQ(sprite->height, height);
        EXPECT_EQ(ReadBack(*sprite, kind, b), expected);
    };
    for (const Picture& p : kPictures24) {
        Grid expected(size_t(p.width * p.height));
        for (const Pixel& px : p.pixels)
            expected[size_t(px.y * p.width + px.x)] =
                DisplayValue(layout.layout, px.colour.r, px.colour.g, px.colour.b);
        check(p.kind, p.width, p.height, expected);
    }
    for (const Picture565& p : kPictures565) {
        Grid expected(size_t(p.width * p.height));
        for (const Pixel565& px : p.pixels)
            expected[size_t(px.y * p.width + px.x)] = DisplayValueOf565(layout.layout, px.value);
        check(p.kind, p.width, p.height, expected);
    }
}

const char* kEveryForm[] = {"v1_layout0.spr", "v1_layout1.spr", "v2_layout2.spr",
                            "v2_layout3.spr", "v3_layout0.spr", "v3_layout1.spr",
                            "v3_layout2.spr", "v3_layout3.spr", "v3_layout4.spr"};

TEST_P(LayoutTest, EveryVersionAndLayoutLoadsTheSamePicture) {
    for (const char* name : kEveryForm) {
        SCOPED_TRACE(name);
        SpriteLoadFailure failure;
        SpriteFile file;
        ASSERT_TRUE(file.Load(Fixture(name).c_str(), 0, failure)) << failure.text();
        ASSERT_EQ(file.head.spriteCount, 5);
        ExpectPicture(file, GetParam());
        EXPECT_EQ(file.fileHandle, nullptr) << "a file without effects is closed after the load";
        EXPECT_EQ(std::string(file.name), Fixture(name));
    }
}

// The loader makes the run lists of small Rle2 sprites on 16-bit displays as it loads them, so
// that drawing them later takes no memory; other kinds and layouts get none.
TEST_P(LayoutTest, SmallRle2SpritesHaveTheirRunListsOnceLoaded) {
    std::vector<SpriteKind> kinds;
    for (const Picture& p : kPictures24)
        kinds.push_back(p.kind);
    for (const Picture565& p : kPictures565)
        kinds.push_back(p.kind);
    SpriteLoadFailure failure;
    SpriteFile file;
    ASSERT_TRUE(file.Load(Fixture("v3_layout0.spr").c_str(), 0, failure)) << failure.text();
    ASSERT_EQ(size_t(file.head.spriteCount), kinds.size());
    for (size_t i = 0; i < kinds.size(); ++i) {
        SCOPED_TRACE(i);
        const bool listed = SpriteRenderer::PreparedRunsSlot(file.sprites[i]->pixelData) > kNoPreparedRuns;
        EXPECT_EQ(listed, kinds[i] == SpriteKind::Rle2 && GetParam().bytesPerPixel == 2);
    }
}

// A sprite that passes its rectangle loads on every display with what lies outside clipped: the
// rest of the file is not lost for it.
TEST_P(LayoutTest, ASpritePassingItsRectangleLoadsClipped) {
    const struct {
        const char* file;
        int32_t height;
        std::vector<Pixel> pixels;
    } cases[] = {
        // The first run starts at column 3 of 4: its second pixel is left out.
        {"clipped/run-passes-row.spr",
         3,
         {{3, 0, {10, 20, 30}},
          {0, 2, {200, 100, 50}},
          {1, 2, {1, 2, 3}},
          {2, 2, {250, 251, 252}},
          {3, 2, {7, 8, 9}}}},
        // Height 2: the third row's run is left out.
        {"clipped/too-many-rows.spr", 2, {{1, 0, {10, 20, 30}}, {2, 0, {40, 50, 60}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        SpriteLoadFailure failure;
        SpriteFile file;
        ASSERT_TRUE(file.Load(Fixture(c.file).c_str(), 0, failure)) << failure.text();
        ASSERT_EQ(file.head.spriteCount, 5);
        const SpriteRenderer* sprite = file.sprites[1];
        ASSERT_EQ(sprite->height, c.height);
        Grid expected(size_t(4 * c.height));
        for (const Pixel& px : c.pixels)
            expected[size_t(px.y * 4 + px.x)] =
                DisplayValue(GetParam().layout, px.colour.r, px.colour.g, px.colour.b);
        EXPECT_EQ(ReadBack(*sprite, SpriteKind::Rle, GetParam().bytesPerPixel), expected);
        EXPECT_NE(file.sprites[4], nullptr);
        EXPECT_NE(file.bundles, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, LayoutTest, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string("Rgb") + info.param.name; });

class SpriteFileTest : public ::testing::Test {
  protected:
    MemoryDisplayScope display{2, 0xF800};
    MemorySoundScope sound;

    std::string TempPath(const std::string& name) {
        return (std::filesystem::temp_directory_path() /
                ("tidemarch-" + std::to_string(::getpid()) + "-" + name))
            .string();
    }
};

TEST_F(SpriteFileTest, ShortDataHeadsTakeTheDefaultsAndLongOnesTheirFields) {
    struct Case {
        const char* file;
        Rect bounds;
        int32_t alpha, effect, offsetX, offsetY;
        uint32_t extra0, extra1;
    };
    const Case cases[] = {
        {"v1_layout1.spr", {0, 0, 3, 2}, 256, 0, 0, 0, 0, 0},
        {"v3_layout1.spr", {1, 2, 3, 4}, 256, 0, 0, 0, 0, 0},
        {"v3_layout2.spr", {1, 2, 3, 4}, 200, 7, 5, -3, 11, 22},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        SpriteFile file(Fixture(c.file).c_str(), 0);
        ASSERT_NE(file.sprites, nullptr);
        const SpriteRenderer& s = *file.sprites[0];
        EXPECT_EQ(s.bounds, c.bounds);
        EXPECT_EQ(s.alpha, c.alpha);
        EXPECT_EQ(s.effect, c.effect);
        EXPECT_EQ(s.offsetX, c.offsetX);
        EXPECT_EQ(s.offsetY, c.offsetY);
        EXPECT_EQ(s.extra[0], c.extra0);
        EXPECT_EQ(s.extra[1], c.extra1);
    }
}

TEST_F(SpriteFileTest, BundlesGetTheirHeadsAndFrameRecordsByLayout) {
    const FrameRecord stored[3] = {
        {3, 4, 5, 6, -7, 8, 9, 10, 11}, {1, 2, 0, 0, 0, 0, 0, 0, 0}, {0xFFFFFFFF, 2, 256, 0, -1, 0, 0, 0, 0}};
    struct Case {
        const char* file;
        FrameRecord records[3];
        Rect bounds;
        int32_t alpha, effect, offsetX, offsetY;
    };
    const FrameRecord plain{0, 0, 256, 0, -1, 0, 0, 0, 0};
    const Rect oldBounds{0, 0, 6, 7};
    const Rect newBounds{-1, -2, 30, 40};
    const Case cases[] = {
        {"v1_layout0.spr", {plain, plain, plain}, oldBounds, 256, 0, 0, 0},
        {"v3_layout1.spr",
         {{3, 4, 256, 0, -1, 0, 0, 0, 0},
          {1, 2, 256, 0, -1, 0, 0, 0, 0},
          {0xFFFFFFFF, 2, 256, 0, -1, 0, 0, 0, 0}},
         oldBounds,
         256,
         0,
         0,
         0},
        {"v2_layout2.spr",
         {{3, 4, 5, 6, -1, 8, 9, 10, 11},
          {1, 2, 0, 0, -1, 0, 0, 0, 0},
          {0xFFFFFFFF, 2, 256, 0, -1, 0, 0, 0, 0}},
         newBounds,
         128,
         -5,
         9,
         10},
        {"v3_layout3.spr", {stored[0], stored[1], stored[2]}, newBounds, 128, -5, 9, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        SpriteFile file(Fixture(c.file).c_str(), 0);
        ASSERT_EQ(file.head.bundleCount, 2);
        ASSERT_NE(file.bundles, nullptr);
        const SpriteBundle& walk = file.bundles[0];
        EXPECT_EQ(walk.reserved, 0u);
        EXPECT_EQ(walk.bundleValue, 4);
        ASSERT_EQ(walk.frameCount, 3);
        EXPECT_EQ(walk.frames[0], file.sprites[2]);
        EXPECT_EQ(walk.frames[1], file.sprites[0]);
        EXPECT_EQ(walk.frames[2], file.sprites[2]) << "a frame may name a sprite that another frame names";
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(walk.frameRecords[j], c.records[j]) << "frame " << j;
        EXPECT_EQ(walk.bounds, c.bounds);
        EXPECT_EQ(walk.alpha, c.alpha);
        EXPECT_EQ(walk.effect, c.effect);
        EXPECT_EQ(walk.offsetX, c.offsetX);
        EXPECT_EQ(walk.offsetY, c.offsetY);
        const SpriteBundle& empty = file.bundles[1];
        EXPECT_EQ(empty.bundleValue, -2) << "the 16-bit value is sign-extended";
        EXPECT_EQ(empty.frameCount, 0);
        EXPECT_EQ(empty.frames, nullptr);
        EXPECT_EQ(empty.frameRecords, nullptr);
    }
}

TEST_F(SpriteFileTest, LayoutAboveThreeGivesUnfilledBundles) {
    SpriteFile file(Fixture("v3_layout4.spr").c_str(), 0);
    ASSERT_EQ(file.head.spriteCount, 5);
    ASSERT_NE(file.bundles, nullptr);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(file.bundles[i].frameCount, 0);
        EXPECT_EQ(file.bundles[i].bundleValue, 1);
        EXPECT_EQ(file.bundles[i].frames, nullptr);
    }
}

TEST_F(SpriteFileTest, OlderVersionsIgnoreWhateverFollowsTheirHead) {
    // The fixture holds 0x7F in the head bytes 100 to 130, where versions 1 and 2 have nothing.
    SpriteFile file(Fixture("v1_layout1.spr").c_str(), 0);
    ASSERT_EQ(file.head.spriteCount, 5);
    EXPECT_EQ(file.head.effectCount, 0);
    EXPECT_EQ(file.head.version3Value, 0u);
    EXPECT_EQ(file.effects, nullptr);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&file.head);
    for (int i = 100; i <= 130; ++i)
        EXPECT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(file.head.keptValue, 0xA1B2C3D4u);
    EXPECT_EQ(file.head.keptByte, 0x86);
}

TEST_F(SpriteFileTest, EffectsBecomeSoundObjectsByTypeAndTheFileStaysOpen) {
    const size_t interfacesBefore = sound.platform().LiveInterfaces();
    auto file = std::make_unique<SpriteFile>(Fixture("v3_effects.spr").c_str(), 0);
    ASSERT_EQ(file->head.effectCount, 4);
    ASSERT_NE(file->effects, nullptr);
    ASSERT_NE(file->effects[0], nullptr);
    EXPECT_EQ(file->effects[0]->Kind(), SoundKind::StaticBuffer);
    auto* first = static_cast<SoundBuffer*>(file->effects[0]);
    ASSERT_NE(first->soundBuffer, nullptr);
    const uint8_t* samples = sound.platform().Samples(first->soundBuffer);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(samples[i], i) << "samples are read into the buffer";
    const auto state = sound.platform().Inspect(first->soundBuffer);
    EXPECT_EQ(state.bytes, 100u);
    EXPECT_EQ(state.flags & sound_flags::Static, sound_flags::Static);
    EXPECT_EQ(state.format.samplesPerSecond, 22050u);
    EXPECT_EQ(state.locks, 0u);
    ASSERT_NE(file->effects[1], nullptr);
    EXPECT_EQ(file->effects[1]->Kind(), SoundKind::Placeholder);
    EXPECT_EQ(file->effects[2], nullptr) << "an unknown type leaves its entry empty";
    ASSERT_NE(file->effects[3], nullptr);
    EXPECT_EQ(file->effects[3]->Kind(), SoundKind::StaticBuffer);
    EXPECT_EQ(static_cast<SoundBuffer*>(file->effects[3])->soundBuffer, nullptr)
        << "two bytes are too few for a platform buffer: the sound stays, silent, and its samples are "
           "skipped";
    ExpectPicture(*file, kLayouts[0]);
    EXPECT_NE(file->fileHandle, nullptr) << "effects keep the file open";
    file.reset();
    EXPECT_EQ(sound::LiveObjects, 0);
    EXPECT_EQ(sound.platform().LiveInterfaces(), interfacesBefore) << "the buffers are released";
}

// A file of one sprite and one effect of a given size, written by the document writer.
std::vector<uint8_t> FileWithEffect(uint32_t samples, uint16_t formatExtraSize = 0) {
    SpriteDocument document;
    DocumentEffect effect;
    effect.head.type = 0;
    effect.head.format = WaveFormat{1, 2, 44100, 176400, 4, 16, formatExtraSize};
    effect.samples.assign(samples, 0x11);
    document.effects.push_back(effect);
    DocumentSprite sprite;
    sprite.head.kind = 0;
    sprite.head.storedBytesPerPixel = 3;
    sprite.head.width = 1;
    sprite.head.height = 1;
    sprite.data = {1, 2, 3};
    document.sprites.push_back(sprite);
    return WriteSpriteDocument(document, 3, 3);
}

TEST_F(SpriteFileTest, EffectsOfAMebibyteOrMoreAreStreamedFromTheOpenFile) {
    struct Case {
        uint32_t size;
        SoundKind kind;
    };
    for (const Case& c : {Case{1048575, SoundKind::StaticBuffer}, Case{1048576, SoundKind::Stream}}) {
        SCOPED_TRACE(c.size);
        const std::string path = TempPath("effect.spr");
        // A format record that announces extra bytes, which the file does not store.
        WriteBytes(path, FileWithEffect(c.size, 22));
        {
            SpriteFile file(path.c_str(), 0);
            ASSERT_EQ(file.head.spriteCount, 1);
            ASSERT_NE(file.effects[0], nullptr);
            EXPECT_EQ(file.effects[0]->Kind(), c.kind);
            // The device is never told of bytes beyond the stored 18-byte record.
            const auto* buffer = static_cast<SoundBufferBase*>(file.effects[0]);
            ASSERT_NE(buffer->soundBuffer, nullptr);
            EXPECT_EQ(sound.platform().Inspect(buffer->soundBuffer).format.extraSize, 0);
            if (c.kind == SoundKind::Stream) {
                auto* stream = static_cast<SoundStream*>(file.effects[0]);
                EXPECT_EQ(stream->fileHandle, file.fileHandle);
                EXPECT_EQ(stream->dataStart, 136u + 104u);
                EXPECT_EQ(stream->dataEnd, 136u + 104u + c.size);
                EXPECT_EQ(stream->blockCount, kStreamBlockCount);
                EXPECT_EQ(stream->blockSize, kStreamBlockSize);
                const auto state = sound.platform().Inspect(stream->soundBuffer);
                EXPECT_EQ(state.flags & sound_flags::StreamExtra, sound_flags::StreamExtra);
            }
            // The sprite after the samples was found: the samples were read or skipped whole.
            EXPECT_EQ(file.sprites[0]->width, 1);
        }
        std::remove(path.c_str());
    }
}

TEST_F(SpriteFileTest, SamplesThatTheFileDoesNotHoldFailTheLoad) {
    std::vector<uint8_t> bytes = FileWithEffect(1048576);
    bytes.resize(bytes.size() - 200);  // the streamed samples lose their end
    const std::string path = TempPath("short-stream.spr");
    WriteBytes(path, bytes);
    SpriteLoadFailure failure;
    SpriteFile file;
    EXPECT_FALSE(file.Load(path.c_str(), 0, failure));
    EXPECT_EQ(std::string(failure.text()),
              "File " + path + " : Sound effect 0 needs 1048576 bytes that the file does not hold");
    std::remove(path.c_str());
}

TEST_F(SpriteFileTest, MalformedFilesAreRefusedWithTheirTextAndLeaveTheEmptyFile) {
    std::ifstream manifest(Fixture("malformed/expected.txt"));
    std::string line;
    int checked = 0;
    while (std::getline(manifest, line)) {
        const size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        const std::string path = Fixture("malformed/" + line.substr(0, tab));
        std::string expected = line.substr(tab + 1);
        if (const size_t at = expected.find("%s"); at != std::string::npos) expected.replace(at, 2, path);
        SCOPED_TRACE(path);
        SpriteLoadFailure failure;
        SpriteFile file;
        EXPECT_FALSE(file.Load(path.c_str(), 0, failure));
        EXPECT_EQ(std::string(failure.text()), expected);
        EXPECT_EQ(file.head.spriteCount, 0);
        EXPECT_EQ(file.sprites, nullptr);
        EXPECT_EQ(file.bundles, nullptr);
        EXPECT_EQ(file.effects, nullptr);
        EXPECT_EQ(file.fileHandle, nullptr);
        EXPECT_EQ(file.name[0], '\0');
        const SpriteFileHead empty = sprite_format::EmptyHead();
        EXPECT_EQ(std::memcmp(&file.head, &empty, sizeof file.head), 0);
        ++checked;
    }
    EXPECT_GT(checked, 30) << "the manifest was read";
    EXPECT_EQ(sound::LiveObjects, 0) << "effects made before the failure are released";
}

TEST_F(SpriteFileTest, ARunTooLongForTheDisplayFailsThereOnly) {
    // A 10000-pixel row with a skip of 9000 pixels: 18000 bytes on a 16-bit display, but 36000
    // on a 32-bit one, where the skip would read as a marker.
    SpriteDocument document;
    DocumentSprite sprite;
    sprite.head.kind = uint8_t(SpriteKind::Rle2);
    sprite.head.storedBytesPerPixel = 3;
    sprite.head.width = 10000;
    sprite.head.height = 1;
    sprite.data = {0x28, 0x23, 0, 1, 0, 9, 9, 9, 0xFF, 0xFF, 0xFE, 0xFF};  // skip 9000, count 1
    document.sprites.push_back(sprite);
    const std::string path = TempPath("wide.spr");
    WriteBytes(path, WriteSpriteDocument(document, 3, 3));
    {
        SpriteLoadFailure failure;
        SpriteFile file;
        EXPECT_TRUE(file.Load(path.c_str(), 0, failure)) << failure.text();
        const Grid grid = ReadBack(*file.sprites[0], SpriteKind::Rle2, 2);
        EXPECT_EQ(grid[9000], DisplayValue(PixelLayout::Rgb565, 9, 9, 9));
    }
    {
        MemoryDisplayScope wide(4, 0xFF0000);
        SpriteLoadFailure failure;
        SpriteFile file;
        EXPECT_FALSE(file.Load(path.c_str(), 0, failure));
        EXPECT_EQ(std::string(failure.text()),
                  "File " + path + " : Sprite 0 has a run too long for this display");
    }
    std::remove(path.c_str());
}

TEST_F(SpriteFileTest, SourcesAndPathsThatCannotBeReadAreNamed) {
    struct Case {
        const char* name;
        int32_t source;
        std::string text;
    };
    const Case cases[] = {
        {"/nonexistent/Start.SPR", 0, "File /nonexistent/Start.SPR : Can't open file"},
        {"START", 1, "Resource START : Sprite resources exist only in the Windows build"},
        {"START", 2, "START : Unknown sprite source 2"},
    };
    for (const Case& c : cases) {
        SpriteLoadFailure failure;
        SpriteFile file;
        EXPECT_FALSE(file.Load(c.name, c.source, failure));
        EXPECT_EQ(std::string(failure.text()), c.text);
    }
}

TEST_F(SpriteFileTest, ALoadWhoseCallerTakesNoReasonShowsItThroughTheInstalledSpritePlatform) {
    struct Recording final : SpritePlatform {
        std::vector<std::string> reports;
        void ReportLoadFailure(const char* text) override { reports.push_back(text); }
        bool FindSpriteResource(const char* name, std::span<const uint8_t>*,
                                SpriteLoadFailure& failure) override {
            failure.Compose(load_text::kNoResource, name);
            return false;
        }
    } platform;
    PlatformSlot<SpritePlatform>::Scope installed(platform);
    SpriteFile file;
    EXPECT_FALSE(file.Load("/nonexistent/Start.SPR", 0));
    EXPECT_FALSE(file.Load("START", 1));
    EXPECT_TRUE(file.Load(Fixture("v3_layout3.spr").c_str(), 0));
    EXPECT_EQ(platform.reports, (std::vector<std::string>{"File /nonexistent/Start.SPR : Can't open file",
                                                          "Resource START : No SPR resource of this name"}));
}

TEST_F(SpriteFileTest, OnlyDisplaysOfTwoToFourBytesPerPixelLoadSprites) {
    for (int32_t bytes : {0, 1, 5}) {
        gDisplayFormat.bytesPerPixel = bytes;
        SpriteLoadFailure failure;
        SpriteFile file;
        EXPECT_FALSE(file.Load(Fixture("v3_layout3.spr").c_str(), 0, failure)) << bytes;
        EXPECT_NE(std::string(failure.text()).find("no pixel format"), std::string::npos);
    }
}

TEST_F(SpriteFileTest, TheStoredNameIsCutTo255Characters) {
    const std::string dir = TempPath(std::string(200, 'd'));
    std::filesystem::create_directory(dir);
    const std::string path = dir + "/" + std::string(100, 'f') + ".spr";
    std::filesystem::copy_file(Fixture("v3_layout3.spr"), path);
    {
        SpriteFile file(path.c_str(), 0);
        ASSERT_EQ(file.head.spriteCount, 5);
        EXPECT_EQ(std::string(file.name), path.substr(0, 255));
    }
    std::filesystem::remove_all(dir);
}

TEST_F(SpriteFileTest, ALoadReplacesWhatTheFileHeld) {
    SpriteFile file(Fixture("v3_effects.spr").c_str(), 0);
    ASSERT_NE(file.fileHandle, nullptr);
    SpriteLoadFailure failure;
    EXPECT_FALSE(file.Load(Fixture("malformed/kind-3.spr").c_str(), 0, failure));
    EXPECT_EQ(file.fileHandle, nullptr);
    EXPECT_EQ(file.effects, nullptr);
    EXPECT_EQ(sound::LiveObjects, 0);
}

}  // namespace
