#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/host_globals.h"

namespace {

bool AllZero(const void* p, size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i]) return false;
    return true;
}

TEST(CommandLineBlock, ShortCommandLinesLeaveItAllZero) {
    CommandLineBlock block;
    std::memset(&block, 0xAA, sizeof block);
    FillCommandLineBlock(block, "abcdefghijkl");  // 12 characters
    EXPECT_TRUE(AllZero(&block, sizeof block));
    FillCommandLineBlock(block, nullptr);
    EXPECT_TRUE(AllZero(&block, sizeof block));
}

TEST(CommandLineBlock, ThirteenCharactersFillOnlyTheHead) {
    CommandLineBlock block;
    FillCommandLineBlock(block, "abcdefghijklm");
    EXPECT_EQ(std::string(block.head, 12), "abcdefghijkl");
    EXPECT_TRUE(AllZero(reinterpret_cast<char*>(&block) + 12, 396 - 12));
}

TEST(CommandLineBlock, TheTextAfterTheSeparatorGoesToOffset26) {
    CommandLineBlock block;
    FillCommandLineBlock(block, "ABCDEFGHIJKL xyz");
    const auto* raw = reinterpret_cast<const char*>(&block);
    EXPECT_EQ(std::string(raw, 12), "ABCDEFGHIJKL");
    EXPECT_EQ(raw[12], 0);
    EXPECT_STREQ(raw + 26, "xyz");
    EXPECT_EQ(raw[392], 1);
}

TEST(CommandLineBlock, LongTailIsCutTo365Characters) {
    std::string line = "ABCDEFGHIJKL " + std::string(1000, 'q');
    CommandLineBlock block;
    FillCommandLineBlock(block, line.c_str());
    EXPECT_EQ(std::strlen(block.tail), 365u);
    EXPECT_EQ(block.hasTail, 1);
    EXPECT_TRUE(AllZero(block.padding, sizeof block.padding));
}

}  // namespace
