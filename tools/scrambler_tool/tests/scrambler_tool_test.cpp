#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "scrambler_tool_commands.h"
#include "update_client/scrambler.h"

namespace {

class ScramblerTool : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("scrambler_tool_" + std::to_string(::getpid()) + "_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Path(const char* name) const { return (dir_ / name).string(); }
    void Put(const char* name, const std::string& bytes) {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string Get(const char* name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path dir_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(ScramblerTool, WrittenFileIsReadByTheStartScreensReaderAndByTheTool) {
    const std::string plain = std::string("launcher:3.1:1\0binary\xff tail", 28);
    Put("plain", plain);
    ASSERT_EQ(WriteCommand(Path("plain"), Path("ZVLQFVC"), {}, out_, err_), 0) << err_.str();
    EXPECT_NE(Get("ZVLQFVC").substr(Scrambler::kFileHeadBytes), plain);

    Scrambler reader;
    uint32_t length = 0;
    std::unique_ptr<uint8_t[]> read(
        reader.ReadScrambledFile(Path("ZVLQFVC").c_str(), &length, kStartScreenKey, 0));
    ASSERT_TRUE(read);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(read.get()), length), plain);

    ASSERT_EQ(ReadCommand(Path("ZVLQFVC"), Path("back"), {}, out_, err_), 0) << err_.str();
    EXPECT_EQ(Get("back"), plain);
}

// The host reads what the tool writes only when both compute alike; the large image was made by
// a separate writer (tests/fixtures/scrambled/make_fixtures.py) past 65,524 payload bytes, where
// a square wider than 32 bits would change the key check.
TEST_F(ScramblerTool, LargeFileMatchesTheKnownImageBothWays) {
    const std::string fixtures = TIDEMARCH_SCRAMBLED_FIXTURES;
    std::string plain(70000, '\0');
    for (uint32_t i = 0; i < plain.size(); ++i)
        plain[i] = char(uint8_t(i * 7 + (i >> 8)));
    std::ifstream in(fixtures + "/large.scr", std::ios::binary);
    const std::string known{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_EQ(known.size(), plain.size() + Scrambler::kFileHeadBytes);

    Put("plain", plain);
    ASSERT_EQ(WriteCommand(Path("plain"), Path("written"), {}, out_, err_), 0) << err_.str();
    EXPECT_TRUE(Get("written") == known);
    Put("known", known);
    ASSERT_EQ(ReadCommand(Path("known"), Path("back"), {}, out_, err_), 0) << err_.str();
    EXPECT_TRUE(Get("back") == plain);
}

TEST_F(ScramblerTool, OwnKeyRoundTripsAndOtherKeysFail) {
    Put("plain", "operator text");
    ASSERT_EQ(WriteCommand(Path("plain"), Path("scrambled"), {"operator key"}, out_, err_), 0);
    EXPECT_EQ(ReadCommand(Path("scrambled"), Path("back"), {"operator key"}, out_, err_), 0);
    EXPECT_EQ(Get("back"), "operator text");
    EXPECT_EQ(ReadCommand(Path("scrambled"), Path("other"), {}, out_, err_), 1);
    EXPECT_FALSE(std::filesystem::exists(Path("other")));
}

TEST_F(ScramblerTool, RefusesWhatCannotBeAScrambledFile) {
    Put("empty", "");
    EXPECT_EQ(WriteCommand(Path("empty"), Path("out"), {}, out_, err_), 1);
    EXPECT_EQ(WriteCommand(Path("missing"), Path("out"), {}, out_, err_), 1);
    EXPECT_FALSE(std::filesystem::exists(Path("out")));
    Put("short", "twelve bytes");
    EXPECT_EQ(ReadCommand(Path("short"), "-", {}, out_, err_), 1);
    EXPECT_NE(err_.str(), "");
}

}  // namespace
