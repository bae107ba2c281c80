// The shared file handle of native builds.
#include <gtest/gtest.h>

#include <cstring>

#include "files/read_only_file.h"
#include "sound_test_support.h"

namespace {

TEST(SoundFileTest, ReadsSeeksAndCountsAShortReadAtTheEndAsSuccess) {
    const auto samples = Pattern(64);
    SampleFile file(samples, 16);
    FileHandle handle = file.handle();
    ASSERT_TRUE(IsValidFileHandle(handle));
    ASSERT_TRUE(ActiveFilePlatform().SeekTo(handle, 16));
    uint8_t buffer[100] = {};
    uint32_t got = 0;
    ASSERT_TRUE(ActiveFilePlatform().Read(handle, buffer, 10, &got));
    EXPECT_EQ(got, 10u);
    EXPECT_EQ(0, std::memcmp(buffer, samples.data(), 10));
    ASSERT_TRUE(ActiveFilePlatform().SeekBy(handle, 4));
    uint32_t at = 0;
    ASSERT_TRUE(ActiveFilePlatform().Tell(handle, &at));
    EXPECT_EQ(at, 30u);
    ASSERT_TRUE(ActiveFilePlatform().Read(handle, buffer, 100, &got));
    EXPECT_EQ(got, 50u);
    EXPECT_EQ(0, std::memcmp(buffer, samples.data() + 14, 50));
}

TEST(SoundFileTest, TheInvalidHandleFailsEverything) {
    EXPECT_EQ(ActiveFilePlatform().OpenForReading("/nonexistent/tidemarch/file"), InvalidFileHandle());
    uint8_t byte = 0;
    uint32_t at = 0;
    for (FileHandle handle : {InvalidFileHandle(), FileHandle{nullptr}}) {
        EXPECT_FALSE(ActiveFilePlatform().Read(handle, &byte, 1));
        EXPECT_FALSE(ActiveFilePlatform().SeekTo(handle, 0));
        EXPECT_FALSE(ActiveFilePlatform().SeekBy(handle, 1));
        EXPECT_FALSE(ActiveFilePlatform().Tell(handle, &at));
        ActiveFilePlatform().Close(handle);
    }
}

}  // namespace
