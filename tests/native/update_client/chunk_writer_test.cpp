// The chunk writing policy every file store shares, seen through the calls it makes: a file stays
// open for its next chunk, seeks and ends only when the chunk needs it, and is dated with its last
// chunk's time when it closes, also when a failed chunk closes it.
#include "update_client/chunk_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

class JournalChunkFile final : public ChunkFile {
  public:
    bool Open(const std::string& path) override {
        calls.push_back("open " + path);
        return !failOpen;
    }
    bool Seek(uint32_t offset) override {
        calls.push_back("seek " + std::to_string(offset));
        return true;
    }
    bool Write(const uint8_t*, uint32_t length) override {
        calls.push_back("write " + std::to_string(length));
        return !failWrite;
    }
    void EndAt(uint64_t length) override { calls.push_back("end " + std::to_string(length)); }
    void Date(const CalendarTime& time) override { calls.push_back("date " + std::to_string(time.second)); }
    void Close() override { calls.push_back("close"); }

    Calls calls;
    bool failOpen = false;
    bool failWrite = false;
};

CalendarTime AtSecond(uint16_t second) { return CalendarTime{2026, 12, 5, 11, 10, 20, second, 0}; }

struct ChunkWriterTest : ::testing::Test {
    JournalChunkFile file;
    ChunkWriter writer{file};
    uint8_t bytes[100] = {};

    FileStorePlatform::WriteOutcome Chunk(const char* path, uint32_t offset, uint32_t length,
                                          uint16_t second) {
        return writer.Write(path, offset, bytes, length, AtSecond(second));
    }
};

TEST_F(ChunkWriterTest, ChunksInOrderOpenOnceSeekNeverAndEndOnlyTheFirst) {
    EXPECT_EQ(Chunk("a", 0, 100, 1), FileStorePlatform::WriteOutcome::Written);
    EXPECT_EQ(Chunk("a", 100, 100, 2), FileStorePlatform::WriteOutcome::Written);
    EXPECT_EQ(Chunk("a", 200, 50, 3), FileStorePlatform::WriteOutcome::Written);
    EXPECT_TRUE(writer.HoldsFile());
    writer.Close();
    writer.Close();  // nothing is open any more
    EXPECT_EQ(file.calls,
              (Calls{"open a", "write 100", "end 100", "write 100", "write 50", "date 3", "close"}));
    EXPECT_FALSE(writer.HoldsFile());
}

TEST_F(ChunkWriterTest, AChunkElsewhereSeeksAndOneBeforeTheEndEndsTheFileBehindItself) {
    Chunk("a", 0, 100, 1);
    Chunk("a", 50, 10, 2);   // behind the start, before the end: seek, and the file ends at 60
    Chunk("a", 60, 100, 3);  // directly behind, past the end it has now: the write alone ends it
    EXPECT_EQ(file.calls,
              (Calls{"open a", "write 100", "end 100", "seek 50", "write 10", "end 60", "write 100"}));
}

TEST_F(ChunkWriterTest, AnotherPathClosesAndDatesTheOpenFileFirst) {
    Chunk("a", 0, 10, 1);
    Chunk("b", 0, 10, 2);
    EXPECT_EQ(file.calls,
              (Calls{"open a", "write 10", "end 10", "date 1", "close", "open b", "write 10", "end 10"}));
}

TEST_F(ChunkWriterTest, AFailedChunkClosesItsFileDatedOnlyWhenAnEarlierChunkWasWritten) {
    file.failWrite = true;
    EXPECT_EQ(Chunk("a", 0, 10, 1), FileStorePlatform::WriteOutcome::WriteFailed);
    EXPECT_EQ(file.calls, (Calls{"open a", "write 10", "close"}));
    EXPECT_FALSE(writer.HoldsFile());

    file.calls.clear();
    file.failWrite = false;
    Chunk("a", 0, 10, 2);
    file.failWrite = true;
    EXPECT_EQ(Chunk("a", 10, 10, 3), FileStorePlatform::WriteOutcome::WriteFailed);
    EXPECT_EQ(file.calls, (Calls{"open a", "write 10", "end 10", "write 10", "date 2", "close"}))
        << "dated with the last chunk that was written";
}

TEST_F(ChunkWriterTest, AFileThatCannotBeOpenedLeavesNothingOpen) {
    file.failOpen = true;
    EXPECT_EQ(Chunk("a", 0, 10, 1), FileStorePlatform::WriteOutcome::OpenFailed);
    writer.Close();
    EXPECT_EQ(file.calls, (Calls{"open a"}));
}

TEST_F(ChunkWriterTest, AnEmptyChunkWritesNothingButEndsTheFile) {
    Chunk("a", 0, 0, 1);
    writer.Close();
    EXPECT_EQ(file.calls, (Calls{"open a", "end 0", "date 1", "close"}));
}

}  // namespace
