#include "update_client/update_transfer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix/update_client/posix_file_store_platform.h"
#include "program_folder_fixture.h"
#include "update_client/update_progress.h"
#include "write_failing_file_store.h"

namespace {

// The progress controls as plain values.
class ProgressState final : public UpdateProgressView {
  public:
    void ShowAnnouncement(uint32_t totalBytes) override {
        totalCounter = 0;
        totalMarkerX = kMarkerTrackLeft;
        totalMarkerShown = true;
        totalSizeCounter = totalBytes;
        updatingPicture = true;
    }
    void ShowFileStarted(uint32_t fileSize) override {
        barMaximum = fileSize;
        barValue = 0;
        fileCounter = 0;
        fileMarkerX = kMarkerTrackLeft;
        fileMarkerShown = true;
        fileSizeCounter = fileSize;
    }
    void ShowTotalBytes(uint32_t done) override { totalCounter = done; }
    void MoveTotalMarker(int x) override {
        totalMarkerX = x;
        totalMarkerShown = true;
    }
    void ShowFileBytes(uint32_t done, int markerX) override {
        fileCounter = done;
        barValue = done;
        fileMarkerX = markerX;
        fileMarkerShown = true;
    }
    void ShowPath(const std::string& text) override { path = text; }
    void ReportFileProblem(const std::string& text) override { reports.push_back(text); }
    void OnWriteFailed() override { ++writeFailures; }

    uint32_t totalCounter = 0, totalSizeCounter = 0, barMaximum = 0, barValue = 0, fileCounter = 0,
             fileSizeCounter = 0;
    int totalMarkerX = -1, fileMarkerX = -1;
    bool totalMarkerShown = false, fileMarkerShown = false, updatingPicture = false;
    std::string path;
    std::vector<std::string> reports;
    int writeFailures = 0;
};

constexpr CalendarTime kRecordTime{2021, 3, 2, 16, 8, 30, 45, 500};

std::vector<uint8_t> Header(const std::string& folder, const std::string& name, uint32_t size,
                            CalendarTime time = kRecordTime) {
    FileRecord record{};
    std::memcpy(record.folder, folder.data(), std::min(folder.size(), sizeof record.folder));
    std::memcpy(record.name, name.data(), std::min(name.size(), sizeof record.name));
    record.lastWrite = time;
    record.size = size;
    std::vector<uint8_t> bytes(sizeof record);
    std::memcpy(bytes.data(), &record, sizeof record);
    return bytes;
}

std::vector<uint8_t> Announcement(uint32_t files, uint32_t total) {
    std::vector<uint8_t> bytes(8);
    std::memcpy(bytes.data(), &files, 4);
    std::memcpy(bytes.data() + 4, &total, 4);
    return bytes;
}

std::vector<uint8_t> Chunk(size_t length, char fill) { return std::vector<uint8_t>(length, uint8_t(fill)); }

class Transfer : public ProgramFolderTest {
  protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        files_ = std::make_unique<PosixFileStorePlatform>(root_.string());
        failing_ = std::make_unique<WriteFailingFileStore>(*files_);
        transfer_ = std::make_unique<UpdateTransfer>(*failing_, view_);
    }

    void Announce(uint32_t files, uint32_t total) {
        const auto body = Announcement(files, total);
        transfer_->OnAnnouncement(body.data(), uint32_t(body.size()));
    }
    void Begin(const std::string& folder, const std::string& name, uint32_t size) {
        const auto body = Header(folder, name, size);
        transfer_->OnFileHeader(body.data(), uint32_t(body.size()));
    }
    void Data(uint32_t offset, const std::vector<uint8_t>& chunk) {
        transfer_->OnFileData(offset, chunk.data(), uint32_t(chunk.size()));
    }

    // Seconds and milliseconds since the epoch of the file's write time.
    static int64_t WriteMillis(const std::filesystem::path& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        return int64_t(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    }

    ProgressState view_;
    std::unique_ptr<PosixFileStorePlatform> files_;
    std::unique_ptr<WriteFailingFileStore> failing_;
    std::unique_ptr<UpdateTransfer> transfer_;
};

// 2021-03-16 08:30:45.500 UTC
constexpr int64_t kRecordMillis = 1615883445500;

TEST_F(Transfer, ChunksAtTheirOffsetsMakeTheFileWithTheRecordsTime) {
    Announce(1, 150);
    Begin(".", "A1", 150);
    EXPECT_EQ(view_.path, "./A1");
    EXPECT_TRUE(Exists("A1"));
    Data(0, Chunk(100, 'x'));
    EXPECT_EQ(view_.path, "./A1");
    EXPECT_EQ(view_.fileMarkerX, 407 + 133);  // 200 * 100 / 150 = 133.3
    EXPECT_EQ(view_.totalMarkerX, 407 + 133);
    Data(100, Chunk(50, 'y'));

    EXPECT_EQ(Get("A1"), std::string(100, 'x') + std::string(50, 'y'));
    EXPECT_EQ(WriteMillis(root_ / "A1"), kRecordMillis);
    EXPECT_EQ(view_.path, "");
    EXPECT_EQ(view_.fileCounter, 150u);
    EXPECT_EQ(view_.barValue, 150u);
    EXPECT_EQ(view_.barMaximum, 150u);
    EXPECT_EQ(view_.fileMarkerX, 607);
    EXPECT_EQ(view_.totalCounter, 150u);
    EXPECT_EQ(view_.totalMarkerX, 607);
    EXPECT_TRUE(view_.reports.empty());
}

TEST_F(Transfer, ChunkAtOffsetZeroReplacesLongerOldContent) {
    Put("old", std::string(1000, 'o'));
    Announce(1, 4);
    Begin(".", "old", 4);
    EXPECT_EQ(Get("old").size(), 1000u);  // the header keeps the content
    Data(0, Chunk(4, 'n'));
    EXPECT_EQ(Get("old"), "nnnn");
}

TEST_F(Transfer, HeaderMakesTheFolderOneLevelDown) {
    Announce(1, 3);
    Begin("D1", "B1", 3);
    Data(0, Chunk(3, 'b'));
    EXPECT_EQ(Get("D1/B1"), "bbb");
    EXPECT_EQ(view_.path, "");
}

TEST_F(Transfer, MarkersAndCountersAcrossFiles) {
    Announce(2, 400);
    EXPECT_TRUE(view_.totalMarkerShown);
    EXPECT_EQ(view_.totalMarkerX, 407);
    EXPECT_EQ(view_.totalSizeCounter, 400u);
    Begin(".", "a", 100);
    EXPECT_EQ(view_.fileSizeCounter, 100u);
    Data(0, Chunk(100, 'a'));
    EXPECT_EQ(view_.totalMarkerX, 457);
    Begin(".", "b", 300);
    EXPECT_EQ(view_.fileCounter, 0u);
    EXPECT_EQ(view_.fileMarkerX, 407);
    Data(0, Chunk(1, 'b'));
    EXPECT_EQ(view_.fileMarkerX, 407);   // 0.67 truncates to 0
    EXPECT_EQ(view_.totalMarkerX, 457);  // 200 * 101 / 400 = 50.5
    EXPECT_EQ(view_.totalCounter, 101u);
    EXPECT_EQ(transfer_->FilesAnnounced(), 2u);
    EXPECT_EQ(transfer_->FileCount(), 2u);
}

TEST_F(Transfer, TotalOfZeroLeavesTheTotalMarkerWhereItIs) {
    Announce(1, 0);
    Begin(".", "f", 10);
    view_.totalMarkerX = 999;
    Data(0, Chunk(10, 'f'));
    EXPECT_EQ(view_.totalMarkerX, 999);
    EXPECT_EQ(view_.totalCounter, 10u);
    EXPECT_EQ(Get("f"), std::string(10, 'f'));
}

TEST_F(Transfer, SizeZeroFileIsEmptiedAndStampedAtItsHeader) {
    Put("stale", "old content");
    Announce(1, 0);
    Begin(".", "stale", 0);
    EXPECT_EQ(Get("stale"), "");
    EXPECT_EQ(WriteMillis(root_ / "stale"), kRecordMillis);
    EXPECT_EQ(view_.path, "");
    // A chunk of nothing changes nothing and divides by nothing.
    Data(0, {});
    const uint8_t byte = 'z';
    transfer_->OnFileData(0, &byte, 1);
    EXPECT_EQ(Get("stale"), "");
    EXPECT_TRUE(view_.reports.empty());
}

TEST_F(Transfer, BodiesOfTheWrongLengthAreIgnored) {
    Announce(7, 700);
    const auto shortAnnouncement = Announcement(1, 1);
    transfer_->OnAnnouncement(shortAnnouncement.data(), 7);
    EXPECT_EQ(transfer_->TotalBytes(), 700u);
    auto header = Header(".", "x", 1);
    header.push_back(0);
    transfer_->OnFileHeader(header.data(), uint32_t(header.size()));
    transfer_->OnFileHeader(header.data(), 151);
    EXPECT_EQ(transfer_->FilesAnnounced(), 0u);
    EXPECT_FALSE(Exists("x"));
}

TEST_F(Transfer, ChunkPastTheAnnouncedSizeIsRefusedWithTheRestOfTheFile) {
    Announce(1, 10);
    Begin(".", "f", 10);
    Data(0, Chunk(4, 'a'));
    Data(8, Chunk(4, 'b'));                                       // ends at 12
    transfer_->OnFileData(0xFFFFFFFFu, Chunk(2, 'c').data(), 2);  // wraps in 32 bits
    Data(4, Chunk(6, 'd'));                                       // would fit, but the file is given up
    EXPECT_EQ(Get("f"), "aaaa");  // shorter than its record: sent again next run
    EXPECT_EQ(view_.totalCounter, 4u);
}

// Each case is the first chunk after its header, so no earlier chunk has given the file up.
TEST_F(Transfer, ChunkEndingPastTheSizeIsDroppedEvenWhenItsEndWrapsIn32Bits) {
    struct Case {
        const char* what;
        uint32_t offset;
        uint32_t length;
    } cases[] = {
        {"ends one byte past the size", 7, 4},
        {"starts at the size", 10, 1},
        {"end wraps to 1", 0xFFFFFFFFu, 2},
        {"end wraps to 8, inside the size", 0xFFFFFFF8u, 16},
    };
    for (const Case& c : cases) {
        Put("f", "");
        Announce(1, 10);
        Begin(".", "f", 10);
        transfer_->OnFileData(c.offset, Chunk(c.length, 'w').data(), c.length);
        Data(0, Chunk(4, 'a'));  // the file is given up with the chunk
        transfer_->Finish();
        // The size first: a chunk written at its offset would have made the file 4 GiB long.
        EXPECT_EQ(std::filesystem::file_size(root_ / "f"), 0u) << c.what;
        EXPECT_EQ(view_.totalCounter, 0u) << c.what;
        EXPECT_EQ(view_.fileCounter, 0u) << c.what;
    }
}

// A header whose file is not to be written ends the previous file's chunks: the data that follows
// belongs to the new header and must not reach the file before it.
TEST_F(Transfer, DataAfterAHeaderWhoseFileIsNotWrittenDoesNotReachThePreviousFile) {
    struct Case {
        const char* what;
        std::string folder;
        std::string name;
    } cases[] = {
        {"refused name", ".", "CON"},
        {"refused folder", "..", "B"},
        {"running program", ".", "Tidemarch.exe"},
        {"file that cannot be made", ".", "blocker"},
    };
    files_->SetRunningProgram("Tidemarch.exe");
    Put("Tidemarch.exe", "the running program");
    Put("blocker/inside", "a folder where a file is announced");
    for (const Case& c : cases) {
        Put("A", "");
        Announce(2, 150);
        Begin(".", "A", 100);
        Data(0, Chunk(10, 'a'));
        Begin(c.folder, c.name, 50);
        Data(0, Chunk(50, 'z'));
        transfer_->Finish();
        EXPECT_EQ(Get("A"), std::string(10, 'a')) << c.what;
        EXPECT_EQ(view_.totalCounter, 10u) << c.what;
    }
    EXPECT_EQ(Get("Tidemarch.exe"), "the running program");
    EXPECT_EQ(Get("blocker/inside"), "a folder where a file is announced");
}

TEST_F(Transfer, DataBeforeAnyHeaderIsDropped) {
    Data(0, Chunk(10, 'q'));
    EXPECT_EQ(view_.totalCounter, 0u);
    EXPECT_TRUE(std::filesystem::is_empty(root_));
}

TEST_F(Transfer, HostileNamesCreateNothingAndAreReportedAsFilesThatCannotBeMade) {
    struct Case {
        std::string folder;
        std::string name;
    } cases[] = {
        {"..", "escaped"},
        {".", "../escaped"},
        {"D1/D2", "deep"},
        {"/tmp", "abs"},
        {".", "CON"},
        {".", "nul.txt"},
        {"C:", "drive"},
        {".", "trailing."},
        {".", "line\nfeed"},
        {"..\\up", "x"},
        {std::string(64, 'F'), "x"},
        {".", std::string(64, 'n')},
    };
    for (const Case& c : cases) {
        view_.reports.clear();
        Begin(c.folder, c.name, 4);
        Data(0, Chunk(4, 'h'));
        ASSERT_EQ(view_.reports.size(), 1u) << c.folder << "/" << c.name;
        EXPECT_EQ(view_.reports[0].rfind("Fail to make FILE : ", 0), 0u) << view_.reports[0];
    }
    EXPECT_TRUE(std::filesystem::is_empty(root_));
    EXPECT_FALSE(Exists("../escaped"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(base_), {}), 1);  // only the program folder
    EXPECT_EQ(view_.totalCounter, 0u);
}

TEST_F(Transfer, FileThatCannotBeMadeIsReportedAndTheTransferGoesOn) {
    Put("blocker/inside", "a folder where a file is announced");
    Announce(2, 8);
    Begin(".", "blocker", 4);
    ASSERT_EQ(view_.reports.size(), 1u);
    EXPECT_EQ(view_.reports[0], "Fail to make FILE : ./blocker");
    Data(0, Chunk(4, 'x'));
    Begin(".", "next", 4);
    Data(0, Chunk(4, 'n'));
    EXPECT_EQ(Get("next"), "nnnn");
    EXPECT_EQ(view_.reports.size(), 1u);
}

TEST_F(Transfer, FileThatVanishesIsReportedOnceAndItsChunksDropped) {
    Announce(1, 8);
    Begin(".", "gone", 8);
    std::filesystem::remove(root_ / "gone");
    Data(0, Chunk(4, 'g'));
    Data(4, Chunk(4, 'g'));
    ASSERT_EQ(view_.reports.size(), 1u);
    EXPECT_EQ(view_.reports[0], "Fail to open file : ./gone");
    EXPECT_FALSE(Exists("gone"));
}

TEST_F(Transfer, FailedWriteClosesTheScreen) {
    Announce(1, 8);
    Begin(".", "f", 8);
    failing_->FailNextWrite();
    Data(0, Chunk(4, 'f'));
    EXPECT_EQ(view_.writeFailures, 1);
    EXPECT_EQ(view_.totalCounter, 0u);
    Data(4, Chunk(4, 'f'));
    EXPECT_EQ(view_.writeFailures, 1);
}

TEST_F(Transfer, RunningProgramIsLeftAlone) {
    Put("Tidemarch.exe", "the running program");
    files_->SetRunningProgram("Tidemarch.exe");
    Announce(2, 8);
    Begin(".", "Tidemarch.exe", 4);
    Data(0, Chunk(4, 'x'));
    Begin(".", "after", 4);
    Data(0, Chunk(4, 'a'));
    EXPECT_EQ(Get("Tidemarch.exe"), "the running program");
    EXPECT_EQ(Get("after"), "aaaa");
    EXPECT_TRUE(view_.reports.empty());
}

// The file being received is held open between its chunks; whatever order the chunks come in,
// it ends up as if every chunk had opened it, written, ended it behind itself and dated it.
TEST_F(Transfer, ChunksInAnyOrderLeaveWhatEachChunkEndingTheFileLeaves) {
    struct Written {
        uint32_t offset;
        std::string bytes;
    };
    struct Case {
        const char* what;
        std::string before;
        std::vector<Written> chunks;
    } cases[] = {
        {"in order over longer content", std::string(30, 'o'), {{0, "aaaa"}, {4, "bbbb"}, {8, "cc"}}},
        {"backwards", "", {{8, "cc"}, {4, "bbbb"}, {0, "aaaa"}}},
        {"the first again at the end", "", {{0, "aaaa"}, {4, "bbbb"}, {0, "AA"}}},
        {"a gap, then its filling", "", {{6, "gg"}, {2, "ff"}}},
        {"a shorter chunk inside", "", {{0, "aaaaaaaa"}, {2, "xx"}, {4, "yyyy"}}},
        {"nothing written but the old content", "old content", {{0, ""}}},
        {"into old content from its middle", std::string(10, 'o'), {{3, "mm"}, {5, "nnnnnnn"}}},
    };
    for (const Case& c : cases) {
        Put("f", c.before);
        std::string expected = c.before;
        Announce(1, 100);
        Begin(".", "f", 100);
        for (const Written& chunk : c.chunks) {
            transfer_->OnFileData(chunk.offset, reinterpret_cast<const uint8_t*>(chunk.bytes.data()),
                                  uint32_t(chunk.bytes.size()));
            if (chunk.bytes.empty()) continue;  // a chunk of nothing changes nothing
            expected.resize(std::max<size_t>(expected.size(), chunk.offset), '\0');
            expected.replace(chunk.offset, chunk.bytes.size(), chunk.bytes);
            expected.resize(chunk.offset + chunk.bytes.size());
        }
        transfer_->Finish();
        EXPECT_EQ(Get("f"), expected) << c.what;
        if (expected != c.before) {
            EXPECT_EQ(WriteMillis(root_ / "f"), kRecordMillis) << c.what;
        }
    }
}

TEST_F(Transfer, FileCutOffHoldsTheBytesReceivedWithTheRecordsTimeAndIsNotLeftOpen) {
    struct Case {
        const char* what;
        std::function<void()> cut;
    } cases[] = {
        {"connection lost or update ended", [this] { transfer_->Finish(); }},
        {"next header", [this] { Begin(".", "next", 4); }},
        {"chunk past the size", [this] { Data(8, Chunk(4, 'z')); }},
        {"transfer gone", [this] { transfer_.reset(); }},
        {"write failed",
         [this] {
             failing_->FailNextWrite();
             Data(4, Chunk(4, 'f'));
         }},
    };
    for (const Case& c : cases) {
        transfer_ = std::make_unique<UpdateTransfer>(*failing_, view_);
        Put("cut", std::string(20, 'o'));
        Announce(1, 10);
        Begin(".", "cut", 10);
        Data(0, Chunk(4, 'a'));
        EXPECT_TRUE(files_->HoldsChunkFile()) << c.what;
        c.cut();
        EXPECT_FALSE(files_->HoldsChunkFile()) << c.what;
        EXPECT_EQ(Get("cut"), "aaaa") << c.what;
        EXPECT_EQ(WriteMillis(root_ / "cut"), kRecordMillis) << c.what;
    }
}

TEST_F(Transfer, ChunkAfterTheFileWasClosedOpensItAgain) {
    Announce(1, 8);
    Begin(".", "f", 8);
    Data(0, Chunk(4, 'a'));
    transfer_->Finish();
    Data(4, Chunk(4, 'b'));
    EXPECT_FALSE(files_->HoldsChunkFile());  // complete
    EXPECT_EQ(Get("f"), "aaaabbbb");
    EXPECT_EQ(WriteMillis(root_ / "f"), kRecordMillis);
    EXPECT_EQ(view_.path, "");
}

// No call of the store sees a file held for chunks: each closes and dates it first.
TEST_F(Transfer, EveryOtherCallOfTheStoreClosesAndDatesTheHeldFile) {
    struct Case {
        const char* what;
        std::function<void(PosixFileStorePlatform&)> call;
    } cases[] = {
        {"CloseChunkFile", [](PosixFileStorePlatform& f) { f.CloseChunkFile(); }},
        {"ListFolder",
         [](PosixFileStorePlatform& f) {
             std::vector<FileStoreEntry> entries;
             f.ListFolder(".", &entries);
         }},
        {"MakeFolder", [](PosixFileStorePlatform& f) { f.MakeFolder("D"); }},
        {"CreateOrKeepFile", [](PosixFileStorePlatform& f) { f.CreateOrKeepFile("./other"); }},
        {"IsRunningProgram", [](PosixFileStorePlatform& f) { f.IsRunningProgram(".", "f"); }},
        {"ReadWholeFile",
         [](PosixFileStorePlatform& f) {
             std::vector<uint8_t> bytes;
             f.ReadWholeFile("./other", SIZE_MAX, &bytes);
         }},
        {"RemoveFile", [](PosixFileStorePlatform& f) { f.RemoveFile("./other"); }},
        {"chunk of another file",
         [](PosixFileStorePlatform& f) {
             const uint8_t byte = 'o';
             f.WriteChunk("./other", 0, &byte, 1, CalendarTime{});
         }},
    };
    const uint8_t chunk[] = {'h', 'e', 'l', 'd'};
    for (const Case& c : cases) {
        Put("other", "");
        Put("f", "");
        ASSERT_EQ(files_->WriteChunk("./f", 0, chunk, sizeof chunk, kRecordTime),
                  FileStorePlatform::WriteOutcome::Written);
        c.call(*files_);
        EXPECT_EQ(WriteMillis(root_ / "f"), kRecordMillis) << c.what;
        files_->CloseChunkFile();
    }
    transfer_.reset();
    ASSERT_EQ(files_->WriteChunk("./f", 0, chunk, 2, kRecordTime), FileStorePlatform::WriteOutcome::Written);
    files_.reset();
    EXPECT_EQ(Get("f"), "he");
    EXPECT_EQ(WriteMillis(root_ / "f"), kRecordMillis) << "destruction";
}

TEST(MarkerPosition, TruncatesTowardZeroAndStopsAtTheTrackEnd) {
    struct Case {
        uint32_t done, whole;
        int x;
    } cases[] = {
        {0, 1, 407},
        {1, 3, 473},
        {2, 3, 540},
        {1, 200, 408},
        {199, 200, 606},
        {5, 5, 607},
        {6, 5, 607},
        {0xFFFFFFFFu, 0xFFFFFFFFu, 607},
        {0x7FFFFFFFu, 0xFFFFFFFFu, 506},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MarkerX(c.done, c.whole), c.x) << c.done << "/" << c.whole;
}

}  // namespace
