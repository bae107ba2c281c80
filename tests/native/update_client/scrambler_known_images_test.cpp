// The scrambler against file images made by a separate writer (tests/fixtures/scrambled/
// make_fixtures.py): the host must make the same bytes from the same plain text and read them
// back, at a small size and past the size where (i + 13) squared leaves 32 bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "update_client/scrambler.h"

namespace {

const std::string kFixtures = TIDEMARCH_SCRAMBLED_FIXTURES;
constexpr size_t kLargePlainBytes = 70000;

std::vector<uint8_t> Load(const std::string& name) {
    std::ifstream in(kFixtures + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The large image's plain text, made by the same rule as in make_fixtures.py.
std::vector<uint8_t> LargePlain() {
    std::vector<uint8_t> plain(kLargePlainBytes);
    for (uint32_t i = 0; i < kLargePlainBytes; ++i)
        plain[i] = uint8_t(i * 7 + (i >> 8));
    return plain;
}

struct KnownImage {
    const char* image;
    std::vector<uint8_t> plain;
};

std::vector<KnownImage> KnownImages() {
    return {{"small.scr", Load("small.plain")}, {"large.scr", LargePlain()}};
}

TEST(ScramblerKnownImages, ScramblingThePlainTextMakesTheKnownImage) {
    for (const KnownImage& known : KnownImages()) {
        Scrambler maker;
        maker.SetKey(kStartScreenKey);
        std::vector<uint8_t> image;
        ASSERT_TRUE(maker.MakeScrambledFile(known.plain.data(), known.plain.size(), &image)) << known.image;
        const std::vector<uint8_t> expected = Load(known.image);
        ASSERT_EQ(image.size(), expected.size()) << known.image;
        // The first differing byte says more than two dumps of 70,000 bytes.
        size_t firstDifference = 0;
        while (firstDifference < image.size() && image[firstDifference] == expected[firstDifference])
            ++firstDifference;
        EXPECT_EQ(firstDifference, image.size())
            << known.image << " differs first at byte " << firstDifference;
    }
}

TEST(ScramblerKnownImages, ReadingTheKnownImageGivesThePlainText) {
    for (const KnownImage& known : KnownImages()) {
        Scrambler reader;
        uint32_t length = 0;
        const std::string path = kFixtures + "/" + known.image;
        std::unique_ptr<uint8_t[]> plain(reader.ReadScrambledFile(path.c_str(), &length, kStartScreenKey, 0));
        ASSERT_TRUE(plain) << known.image << " refused";
        ASSERT_EQ(length, known.plain.size()) << known.image;
        EXPECT_TRUE(std::equal(known.plain.begin(), known.plain.end(), plain.get())) << known.image;
    }
}

}  // namespace
