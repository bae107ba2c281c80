// The sprite tool: pack -> load -> unpack keeps every pixel, descriptions are checked line by
// line, and check names the first fault.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "description.h"
#include "image_files.h"
#include "platform/memory/display/memory_surface_platform.h"
#include "platform/memory/sound/memory_sound_platform.h"
#include "sprite_encoder.h"
#include "sprite_tool_commands.h"
#include "sprites/files/sprite_file.h"
#include "sprites/format/sprite_document.h"
#include "sprites/format/stored_pixels.h"

namespace {
namespace fs = std::filesystem;

class SpriteToolTest : public ::testing::Test {
  protected:
    fs::path dir = fs::temp_directory_path() / ("tidemarch-tool-" + std::to_string(::getpid()));
    std::ostringstream out, err;

    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const std::string& name) { return (dir / name).string(); }
    void Write(const std::string& name, const std::string& text) { std::ofstream(dir / name) << text; }
};

// A picture with opaque colours, transparent holes (a gap inside a row, an empty row) and
// colours that 5:6:5 cannot hold exactly.
RgbaImage TestPicture(int32_t width, int32_t height, bool holes) {
    RgbaImage image{width, height, std::vector<uint32_t>(size_t(width * height))};
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const bool hole = holes && ((x % 5 == 2) || y == 1 || (x + y) % 7 == 0);
            const uint32_t r = uint32_t(x * 37 + y * 11) & 0xFF, g = uint32_t(x * 5 + y * 91) & 0xFF,
                           b = uint32_t(x * y * 13 + 7) & 0xFF;
            image.pixels[size_t(y * width + x)] = hole ? 0 : (0xFF000000u | b << 16 | g << 8 | r);
        }
    }
    return image;
}

// What 5:6:5 storage keeps of a colour, widened back to eight bits per channel.
uint32_t Through565(uint32_t rgba) {
    if (!(rgba >> 24)) return 0;
    uint32_t out[1];
    const uint16_t v = Pack565(uint8_t(rgba), uint8_t(rgba >> 8), uint8_t(rgba >> 16));
    const uint8_t word[2] = {uint8_t(v), uint8_t(v >> 8)};
    DecodeStoredPixels(StoredPixels{SpriteKind::Raw, 2, 1, 1, word}, out);
    return out[0];
}

TEST_F(SpriteToolTest, PackLoadUnpackKeepsEveryPixel) {
    const RgbaImage opaque = TestPicture(7, 3, false);
    const RgbaImage holes = TestPicture(11, 4, true);
    std::string error;
    ASSERT_TRUE(WritePng(Path("opaque.png"), opaque, &error)) << error;
    ASSERT_TRUE(WritePng(Path("holes.png"), holes, &error)) << error;
    RgbaImage oneRun = TestPicture(6, 2, false);
    oneRun.pixels[0] = oneRun.pixels[11] = 0;  // transparent ends, no gap: one run per row
    ASSERT_TRUE(WritePng(Path("onerun.png"), oneRun, &error)) << error;
    Write("sprites.txt", "title Round trip\n"
                         "sprite opaque.png            # raw, chosen\n"
                         "sprite holes.png name=holes  # rle2, chosen\n"
                         "sprite onerun.png kind=rle offset=3,-4 alpha=100 effect=-20 extra=1,2\n"
                         "sprite holes.png name=holes565 pixels=565\n"
                         "bundle name=anim steps=3\n"
                         "  frame holes x=2 y=-1\n"
                         "  frame 0\n");
    ASSERT_EQ(PackCommand(Path("sprites.txt"), Path("out.spr"), {}, out, err), 0) << err.str();

    const RgbaImage expected[] = {opaque, holes, oneRun, [&] {
                                      RgbaImage quantised = holes;
                                      for (uint32_t& p : quantised.pixels)
                                          p = Through565(p);
                                      return quantised;
                                  }()};
    {
        MemorySoundScope sound;
        MemoryDisplayScope display(4, 0xFF0000);
        SpriteFile file(Path("out.spr").c_str(), 0);
        ASSERT_EQ(file.head.spriteCount, 4);
        EXPECT_EQ(file.head.version, 3);
        EXPECT_EQ(file.head.layout, 3);
        for (int i = 0; i < 4; ++i) {
            const SpriteRenderer& s = *file.sprites[i];
            ASSERT_EQ(s.width, expected[i].width);
            ASSERT_EQ(s.height, expected[i].height);
        }
        // The Raw sprite on a 32-bit display: blue, green, red bytes and the byte after them.
        for (size_t p = 0; p < opaque.pixels.size(); ++p) {
            const uint8_t* px = file.sprites[0]->pixelData + p * 4;
            EXPECT_EQ(uint32_t(px[2] | px[1] << 8 | px[0] << 16 | 0xFF000000u), opaque.pixels[p]) << p;
        }
        EXPECT_EQ(file.sprites[2]->offsetX, 3);
        EXPECT_EQ(file.sprites[2]->offsetY, -4);
        EXPECT_EQ(file.sprites[2]->alpha, 100);
        EXPECT_EQ(file.sprites[2]->effect, -20);
        EXPECT_EQ(file.sprites[2]->extra[1], 2u);
        ASSERT_EQ(file.head.bundleCount, 1);
        EXPECT_EQ(file.bundles[0].bundleValue, 3);
        EXPECT_EQ(file.bundles[0].frames[0], file.sprites[1]);
        EXPECT_EQ(int32_t(file.bundles[0].frameRecords[0].offsetY), -1);
        EXPECT_EQ(file.bundles[0].frameRecords[1].value3, 256u);
    }

    ASSERT_EQ(UnpackCommand(Path("out.spr"), Path("unpacked"), out, err), 0) << err.str();
    for (int i = 0; i < 4; ++i) {
        RgbaImage back;
        ASSERT_TRUE(ReadPng(Path("unpacked/" + std::to_string(i) + ".png"), &back, &error)) << error;
        EXPECT_EQ(back.pixels, expected[i].pixels) << "sprite " << i;
    }
    // The unpacked description packs to a file that unpacks to the same pictures again.
    ASSERT_EQ(PackCommand(Path("unpacked/sprites.txt"), Path("again.spr"), {}, out, err), 0) << err.str();
    ASSERT_EQ(UnpackCommand(Path("again.spr"), Path("again"), out, err), 0) << err.str();
    for (int i = 0; i < 4; ++i) {
        RgbaImage first, second;
        ReadPng(Path("unpacked/" + std::to_string(i) + ".png"), &first, &error);
        ReadPng(Path("again/" + std::to_string(i) + ".png"), &second, &error);
        EXPECT_EQ(first.pixels, second.pixels) << i;
    }
    std::ifstream a(Path("unpacked/sprites.txt")), b(Path("again/sprites.txt"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}),
              std::string(std::istreambuf_iterator<char>(b), {}));
}

TEST_F(SpriteToolTest, OlderVersionsAreWrittenOnRequestAndPassAsResources) {
    std::string error;
    ASSERT_TRUE(WritePng(Path("a.png"), TestPicture(4, 4, true), &error));
    Write("sprites.txt", "sprite a.png\nbundle\n frame a x=1 y=2\n");
    ASSERT_EQ(PackCommand(Path("sprites.txt"), Path("v1.spr"), PackOptions{1, 1}, out, err), 0) << err.str();
    EXPECT_EQ(CheckCommand(Path("v1.spr"), true, out, err), 0) << err.str();
    ASSERT_EQ(PackCommand(Path("sprites.txt"), Path("v3.spr"), {}, out, err), 0) << err.str();
    EXPECT_EQ(CheckCommand(Path("v3.spr"), true, out, err), 1);
    EXPECT_NE(err.str().find("Version is different"), std::string::npos) << err.str();
}

TEST_F(SpriteToolTest, LongRowsAreSplitIntoRunsThatEveryDisplayCanHold) {
    RgbaImage wide{40000, 1, std::vector<uint32_t>(40000, 0xFF102030u)};
    for (int x = 0; x < 9000; ++x)
        wide.pixels[size_t(x)] = 0;  // a long transparent start
    std::string error;
    ASSERT_TRUE(WritePng(Path("wide.png"), wide, &error));
    Write("sprites.txt", "sprite wide.png kind=rle2\n");
    ASSERT_EQ(PackCommand(Path("sprites.txt"), Path("wide.spr"), {}, out, err), 0) << err.str();
    ASSERT_EQ(UnpackCommand(Path("wide.spr"), Path("u"), out, err), 0) << err.str();
    RgbaImage back;
    ASSERT_TRUE(ReadPng(Path("u/0.png"), &back, &error));
    EXPECT_EQ(back.pixels, wide.pixels);

    Write("rle.txt", "sprite wide.png kind=rle\n");
    EXPECT_EQ(PackCommand(Path("rle.txt"), Path("rle.spr"), {}, out, err), 1);
    EXPECT_NE(err.str().find("too wide for the one run"), std::string::npos) << err.str();
}

TEST_F(SpriteToolTest, DescriptionsAreCheckedLineByLine) {
    std::string error;
    ASSERT_TRUE(WritePng(Path("a.png"), TestPicture(5, 3, true), &error));
    struct Case {
        const char* text;
        const char* complaint;
    };
    const Case cases[] = {
        {"sprite a.png\nsprites b.png\n", "line 2: unknown line 'sprites'"},
        {"sprite a.png kind=rle3\n", "line 1: bad option 'kind=rle3'"},
        {"sprite a.png offset=1\n", "line 1: bad option 'offset=1'"},
        {"sprite a.png alpha=99999999999\n", "line 1: bad option 'alpha=99999999999'"},
        {"sprite a.png name\n", "line 1: expected key=value, found 'name'"},
        {"frame a\n", "line 1: frame before any bundle"},
        {"sprite a.png\nbundle\nframe b\n", "line 3: no sprite 'b'"},
        {"sprite a.png\nbundle\nframe 1\n", "line 3: no sprite '1'"},
        {"sprite a.png kind=rle\n", "has a transparent gap"},
        {"sprite missing.png\n", "missing.png"},
        {"effect missing.wav\n", "missing.wav"},
    };
    for (const Case& c : cases) {
        Write("d.txt", c.text);
        err.str("");
        EXPECT_EQ(PackCommand(Path("d.txt"), Path("d.spr"), {}, out, err), 1) << c.text;
        EXPECT_NE(err.str().find(c.complaint), std::string::npos) << c.text << " gave " << err.str();
    }
}

TEST_F(SpriteToolTest, EffectsTravelAsWavFiles) {
    WaveSound sound{WaveFormat{1, 2, 8000, 32000, 4, 16, 0}, std::vector<uint8_t>(1000)};
    for (size_t i = 0; i < sound.samples.size(); ++i)
        sound.samples[i] = uint8_t(i * 7);
    std::string error;
    ASSERT_TRUE(WriteWav(Path("s.wav"), sound, &error));
    Write("d.txt", "effect s.wav name=bell\neffect placeholder\neffect type=5\n");
    ASSERT_EQ(PackCommand(Path("d.txt"), Path("e.spr"), {}, out, err), 0) << err.str();
    ASSERT_EQ(UnpackCommand(Path("e.spr"), Path("u"), out, err), 0) << err.str();
    WaveSound back;
    ASSERT_TRUE(ReadWav(Path("u/effect0.wav"), &back, &error)) << error;
    EXPECT_EQ(back.samples, sound.samples);
    EXPECT_EQ(back.format.samplesPerSecond, 8000u);
    EXPECT_EQ(back.format.channels, 2);
    std::ifstream text(Path("u/sprites.txt"));
    const std::string description(std::istreambuf_iterator<char>(text), {});
    EXPECT_NE(description.find("effect effect0.wav name=bell\neffect placeholder\neffect type=5\n"),
              std::string::npos)
        << description;
    EXPECT_EQ(InfoCommand(Path("e.spr"), out, err), 0);
    EXPECT_NE(out.str().find("effect 0 \"bell\" type 0: 1000 bytes"), std::string::npos) << out.str();
}

// A RIFF WAVE file with a format chunk of any size.
std::string WaveBytes(uint16_t tag, uint16_t channels, uint16_t bits, const std::string& formatExtra) {
    auto word = [](uint32_t v, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i)
            out.push_back(char(v >> (8 * i)));
        return out;
    };
    const uint16_t block = uint16_t(channels * bits / 8);
    std::string format = word(tag, 2) + word(channels, 2) + word(8000, 4) + word(8000u * block, 4) +
                         word(block, 2) + word(bits, 2);
    if (!formatExtra.empty()) format += word(uint32_t(formatExtra.size()), 2) + formatExtra;
    const std::string samples(64, '\x40');
    const std::string body = "WAVE" + std::string("fmt ") + word(uint32_t(format.size()), 4) + format +
                             "data" + word(uint32_t(samples.size()), 4) + samples;
    return "RIFF" + word(uint32_t(body.size()), 4) + body;
}

TEST_F(SpriteToolTest, OnlyPlayablePcmSoundsArePacked) {
    const struct {
        const char* what;
        std::string wav;
        const char* complaint;  // null: packed
    } cases[] = {
        {"16-bit PCM", WaveBytes(1, 2, 16, ""), nullptr},
        {"8-bit PCM with an empty extra field", WaveBytes(1, 1, 8, std::string()), nullptr},
        {"float", WaveBytes(3, 1, 32, ""), "floating-point samples cannot be played"},
        {"extensible", WaveBytes(0xFFFE, 2, 16, std::string(22, '\0')),
         "the extensible format record cannot be played"},
        {"other tag", WaveBytes(2, 1, 4, ""), "format tag 2 cannot be played"},
        {"24-bit PCM", WaveBytes(1, 2, 24, ""), "PCM of 24 bits in 2 channels"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Write("s.wav", c.wav);
        Write("d.txt", "effect s.wav\n");
        err.str("");
        EXPECT_EQ(PackCommand(Path("d.txt"), Path("e.spr"), {}, out, err), c.complaint ? 1 : 0) << err.str();
        if (c.complaint) {
            EXPECT_NE(err.str().find(c.complaint), std::string::npos) << err.str();
            EXPECT_NE(err.str().find(Path("s.wav")), std::string::npos) << err.str();
        }
    }
    // A PCM record announces no extra bytes in the file, whatever the WAV file's record said.
    Write("s.wav", WaveBytes(1, 2, 16, std::string(6, '\x7F')));
    ASSERT_EQ(PackCommand(Path("d.txt"), Path("e.spr"), {}, out, err), 0) << err.str();
    ASSERT_EQ(UnpackCommand(Path("e.spr"), Path("u"), out, err), 0) << err.str();
    WaveSound back;
    std::string error;
    ASSERT_TRUE(ReadWav(Path("u/effect0.wav"), &back, &error)) << error;
    EXPECT_EQ(back.format.extraSize, 0);
}

// Older versions and layouts cannot store every field. Pack refuses to lose them unless asked,
// and then names each one.
TEST_F(SpriteToolTest, PackingIntoAnOlderFormRefusesToDropFieldsUnlessAsked) {
    std::string error;
    ASSERT_TRUE(WritePng(Path("a.png"), TestPicture(4, 4, true), &error));
    const struct {
        const char* what;
        const char* description;
        PackOptions options;
        const char* dropped;  // null: nothing is lost
    } cases[] = {
        {"defaults in version 1", "sprite a.png\nbundle\n frame 0 x=1 y=2\n", {1, 1}, nullptr},
        {"sprite alpha in version 1", "sprite a.png alpha=100\n", {1, 1}, "sprite 0: alpha"},
        {"sprite bounds in version 2", "sprite a.png bounds=1,1,3,3\n", {2, 3}, "sprite 0: bounds"},
        {"sprite bounds kept in version 3 layout 0", "sprite a.png bounds=1,1,3,3\n", {3, 0}, nullptr},
        {"sprite offset in version 3 layout 1", "sprite a.png offset=2,2\n", {3, 1}, "sprite 0: offset"},
        {"bundle alpha in layout 1", "sprite a.png\nbundle alpha=7\n frame 0\n", {3, 1}, "bundle 0: alpha"},
        {"frame position in layout 0",
         "sprite a.png\nbundle\n frame 0 x=1\n",
         {1, 0},
         "bundle 0: frame values"},
        {"frame values in layout 1",
         "sprite a.png\nbundle\n frame 0 values=9,0,-1,0,0,0,0\n",
         {3, 1},
         "bundle 0: frame values"},
        {"bundles in layout 4",
         "sprite a.png\nbundle\n frame 0\n",
         {3, 4, true},
         "1 bundles: the layout holds no"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Write("d.txt", c.description);
        err.str("");
        fs::remove(Path("o.spr"));
        const int refused = PackCommand(Path("d.txt"), Path("o.spr"), c.options, out, err);
        EXPECT_EQ(refused, c.dropped ? 1 : 0) << err.str();
        EXPECT_EQ(fs::exists(Path("o.spr")), !c.dropped);
        if (!c.dropped) continue;
        EXPECT_NE(err.str().find(c.dropped), std::string::npos) << err.str();
        PackOptions dropping = c.options;
        dropping.dropFields = true;
        err.str("");
        EXPECT_EQ(PackCommand(Path("d.txt"), Path("o.spr"), dropping, out, err), 0) << err.str();
        EXPECT_NE(err.str().find(std::string("warning: ") + Path("o.spr")), std::string::npos) << err.str();
        EXPECT_NE(err.str().find(c.dropped), std::string::npos) << err.str();
    }
}

// A file whose layout holds no bundle records counts bundles that load as default bundles; they
// survive unpack and pack.
TEST_F(SpriteToolTest, DefaultBundlesOfALayout4FileRoundTrip) {
    const std::string original = std::string(TIDEMARCH_SPRITE_FIXTURES) + "/v3_layout4.spr";
    ASSERT_EQ(UnpackCommand(original, Path("u"), out, err), 0) << err.str();
    ASSERT_EQ(PackCommand(Path("u/sprites.txt"), Path("again.spr"), {}, out, err), 0) << err.str();
    std::vector<uint8_t> a, b;
    std::string error;
    ASSERT_TRUE(ReadWholeFile(original, &a, &error));
    ASSERT_TRUE(ReadWholeFile(Path("again.spr"), &b, &error));
    SpriteDocument first, second;
    SpriteLoadFailure failure;
    ASSERT_TRUE(ReadSpriteDocument(a, SpriteSource::File, "a", &first, failure));
    ASSERT_TRUE(ReadSpriteDocument(b, SpriteSource::File, "b", &second, failure));
    EXPECT_EQ(second.head.layout, 4);
    EXPECT_GT(first.defaultBundles, 0);
    EXPECT_EQ(second.head.bundleCount, first.head.bundleCount);
    EXPECT_EQ(second.defaultBundles, first.defaultBundles);
    ASSERT_EQ(second.sprites.size(), first.sprites.size());
    // The same pictures (the tool encodes them again; the runs' flag bytes are its own).
    for (size_t i = 0; i < first.sprites.size(); ++i) {
        const SpriteDataHead& h = first.sprites[i].head;
        ASSERT_EQ(second.sprites[i].head.width, h.width);
        ASSERT_EQ(second.sprites[i].head.height, h.height);
        std::vector<uint32_t> before(size_t(h.width * h.height)), after(before.size());
        DecodeStoredPixels(first.sprites[i].Pixels(), before.data());
        DecodeStoredPixels(second.sprites[i].Pixels(), after.data());
        EXPECT_EQ(after, before) << i;
    }

    Write("mixed.txt", "default-bundles 2\nsprite u/0.png\nbundle\n frame 0\n");
    EXPECT_EQ(PackCommand(Path("mixed.txt"), Path("m.spr"), {}, out, err), 1);
    EXPECT_NE(err.str().find("line 1: default-bundles and bundle lines cannot be mixed"), std::string::npos);
    Write("low.txt", "default-bundles 2\nsprite u/0.png\n");
    EXPECT_EQ(PackCommand(Path("low.txt"), Path("m.spr"), PackOptions{3, 3, true}, out, err), 1);
    EXPECT_NE(err.str().find("default bundles need a layout above 3"), std::string::npos);
}

TEST_F(SpriteToolTest, ToolsRefuseAPictureOfHostileSize) {
    SpriteDocument document;
    std::string error;
    std::vector<uint8_t> base;
    ASSERT_TRUE(ReadWholeFile(std::string(TIDEMARCH_SPRITE_FIXTURES) + "/v3_layout3.spr", &base, &error));
    SpriteLoadFailure failure;
    ASSERT_TRUE(ReadSpriteDocument(base, SpriteSource::File, "base", &document, failure));
    document.sprites[1].head.width = 20000;
    document.sprites[1].head.height = 20000;
    std::string bytes;
    for (uint8_t byte : WriteSpriteDocument(document, 3, 3))
        bytes.push_back(char(byte));
    Write("big.spr", bytes);
    EXPECT_EQ(UnpackCommand(Path("big.spr"), Path("never"), out, err), 1);
    EXPECT_NE(err.str().find("File " + Path("big.spr") + " : Sprite 1 declares 20000 x 20000 pixels"),
              std::string::npos)
        << err.str();
    EXPECT_FALSE(fs::exists(Path("never/1.png")));
}

TEST_F(SpriteToolTest, CheckNamesTheFirstFault) {
    const std::string malformed = std::string(TIDEMARCH_SPRITE_FIXTURES) + "/malformed/run-passes-data.spr";
    EXPECT_EQ(CheckCommand(malformed, false, out, err), 1);
    EXPECT_EQ(err.str(),
              "File " + malformed + " : Sprite 1 : the run at byte 13 passes the end of its data\n");
    EXPECT_EQ(CheckCommand(std::string(TIDEMARCH_SPRITE_FIXTURES) + "/v2_layout2.spr", false, out, err), 0);
    EXPECT_EQ(UnpackCommand(malformed, Path("never"), out, err), 1);
    // A text of the loader's own that has no place for the name gets it in front.
    const std::string version4 = std::string(TIDEMARCH_SPRITE_FIXTURES) + "/malformed/version-4.spr";
    err.str("");
    EXPECT_EQ(CheckCommand(version4, false, out, err), 1);
    EXPECT_EQ(err.str(), version4 + ": Error Occur\n");
}

}  // namespace
