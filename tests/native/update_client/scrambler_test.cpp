#include "update_client/scrambler.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> FromHex(const char* hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2)
        out.push_back(uint8_t(std::stoul(std::string(hex + i, 2), nullptr, 16)));
    return out;
}

// Values computed from the key derivation and scrambling rules by a separate program.
struct KnownKey {
    const char* key;
    uint32_t a;
    uint32_t b;
    const char* scrambledHex;  // of "launcher:0:1"
};

TEST(Scrambler, KeyStateAndScrambledBytesMatchIndependentComputation) {
    const KnownKey cases[] = {
        {"abc", 0x6E14895Bu, 0x6E15219Fu, "4fa4b886b5f531271eb6871b"},
        {kStartScreenKey, 0x6E16170Bu, 0x6E165DF3u, "3574dc8bafd7250ce2ca41bd"},
    };
    for (const KnownKey& known : cases) {
        Scrambler scrambler;
        scrambler.SetKey(known.key);
        EXPECT_EQ(scrambler.keyA, known.a) << known.key;
        EXPECT_EQ(scrambler.keyB, known.b) << known.key;
        std::vector<uint8_t> buffer = Bytes("launcher:0:1");
        scrambler.ScrambleBuffer(buffer.data(), uint32_t(buffer.size()));
        EXPECT_EQ(buffer, FromHex(known.scrambledHex)) << known.key;
    }
}

TEST(Scrambler, StartScreenKeyIsThirtyTwoBytes) { EXPECT_EQ(std::strlen(kStartScreenKey), 32u); }

TEST(Scrambler, ScramblingTwiceRestoresEveryLength) {
    Scrambler scrambler;
    for (uint32_t length : {1u, 2u, 3u, 4u, 255u, 256u, 1000u}) {
        std::vector<uint8_t> original(length);
        for (uint32_t i = 0; i < length; ++i)
            original[i] = uint8_t(i * 37 + 11);
        std::vector<uint8_t> buffer = original;
        scrambler.ScrambleBuffer(buffer.data(), length, kStartScreenKey);
        EXPECT_NE(buffer, original) << length;
        scrambler.ScrambleBuffer(buffer.data(), length);
        EXPECT_EQ(buffer, original) << length;
    }
}

TEST(Scrambler, WithoutKeyNothingChanges) {
    Scrambler scrambler;
    std::vector<uint8_t> buffer = Bytes("plain text");
    scrambler.ScrambleBuffer(buffer.data(), uint32_t(buffer.size()));
    EXPECT_EQ(buffer, Bytes("plain text"));
}

TEST(Scrambler, LongKeyUsesItsFirstThirtyTwoBytes) {
    const std::string first32 = "0123456789abcdefghijklmnopqrstuv";
    Scrambler longKey;
    Scrambler shortKey;
    longKey.SetKey((first32 + "and more text after it").c_str());
    shortKey.SetKey(first32.c_str());
    EXPECT_EQ(longKey.keyA, shortKey.keyA);
    EXPECT_EQ(longKey.keyB, shortKey.keyB);
    EXPECT_EQ(0, std::memcmp(longKey.keyBytes, shortKey.keyBytes, Scrambler::kKeyBytes));
}

class ScrambledFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("scrambled_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path;
    }

    std::vector<uint8_t> Made(const std::string& plain, const char* key = kStartScreenKey) {
        Scrambler maker;
        maker.SetKey(key);
        std::vector<uint8_t> image;
        EXPECT_TRUE(
            maker.MakeScrambledFile(reinterpret_cast<const uint8_t*>(plain.data()), plain.size(), &image));
        return image;
    }

    std::filesystem::path dir_;
};

struct Payload {
    std::unique_ptr<uint8_t[]> data;
    uint32_t length = 0;
    std::string Text() const {
        return data ? std::string(reinterpret_cast<char*>(data.get()), length) : "<null>";
    }
};

Payload Read(Scrambler& scrambler, const std::string& path, const char* key, uint32_t raw = 0) {
    Payload payload;
    payload.data.reset(scrambler.ReadScrambledFile(path.c_str(), &payload.length, key, raw));
    return payload;
}

TEST_F(ScrambledFile, MadeFileReadsBackAsPlain) {
    const std::string path = Write("ZVLQFVC", Made("launcher:1.0:1"));
    Scrambler reader;
    EXPECT_EQ(Read(reader, path, kStartScreenKey).Text(), "launcher:1.0:1");
}

TEST_F(ScrambledFile, RawFlagLeavesPayloadScrambled) {
    const std::string path = Write("raw", Made("launcher:1.0:1"));
    Scrambler reader;
    Payload raw = Read(reader, path, kStartScreenKey, 1);
    ASSERT_TRUE(raw.data);
    std::vector<uint8_t> expected = Bytes("launcher:1.0:1");
    reader.ScrambleBuffer(expected.data(), uint32_t(expected.size()));
    EXPECT_EQ(raw.Text(), std::string(expected.begin(), expected.end()));
}

TEST_F(ScrambledFile, ReaderUsesKeyStateWhenGivenNoKey) {
    const std::string path = Write("keyed", Made("one byte? no, more"));
    Scrambler unkeyed;
    EXPECT_FALSE(Read(unkeyed, path, nullptr).data);
    Scrambler keyed;
    keyed.SetKey(kStartScreenKey);
    EXPECT_EQ(Read(keyed, path, nullptr).Text(), "one byte? no, more");
}

TEST_F(ScrambledFile, RefusedFiles) {
    const std::vector<uint8_t> good = Made("launcher:1.0:2");
    std::vector<uint8_t> payloadChanged = good;
    payloadChanged[Scrambler::kFileHeadBytes + 3] ^= 0x01;
    std::vector<uint8_t> keyCheckBroken = good;
    keyCheckBroken[0] ^= 0x40;  // H1 bit outside the 0xADAD mask: only the key check sees it
    keyCheckBroken[1] ^= 0x02;
    const std::vector<uint8_t> headOnly(good.begin(), good.begin() + Scrambler::kFileHeadBytes);

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* key;
    } cases[] = {
        {"twelve_bytes", headOnly, kStartScreenKey},          {"empty", {}, kStartScreenKey},
        {"payload_changed", payloadChanged, kStartScreenKey}, {"h1_changed", keyCheckBroken, kStartScreenKey},
        {"other_key", good, "another key entirely"},
    };
    for (const Case& c : cases) {
        Scrambler reader;
        uint32_t length = 12345;
        std::unique_ptr<uint8_t[]> data(
            reader.ReadScrambledFile(Write(c.name, c.bytes).c_str(), &length, c.key, 0));
        EXPECT_EQ(data, nullptr) << c.name;
        EXPECT_EQ(length, 12345u) << c.name;
    }
    Scrambler reader;
    EXPECT_FALSE(Read(reader, (dir_ / "missing").string(), kStartScreenKey).data);
}

TEST_F(ScrambledFile, OneBytePayloadRoundTrips) {
    const std::string path = Write("one", Made("1"));
    Scrambler reader;
    EXPECT_EQ(Read(reader, path, kStartScreenKey).Text(), "1");
}

}  // namespace
