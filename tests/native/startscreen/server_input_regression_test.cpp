// What the update server wrote must not make a later start screen read without bound: a server may
// announce a leftover file of up to 4 GiB and put one chunk at its end, and the next start screen
// reads that file at its opening.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "net/connection.h"
#include "platform/memory/startscreen/memory_registry_platform.h"
#include "platform/memory/update_client/memory_file_store_platform.h"
#include "platform/posix/update_client/posix_file_store_platform.h"
#include "program_folder_fixture.h"
#include "startscreen/flow/start_screen_flow.h"
#include "update_client/scrambler.h"
#include "update_client/unseen_progress.h"
#include "update_protocol/file_record.h"

namespace {

// A start screen's controls, connection and host, of which these tests need none.
class QuietWorld final : public UnseenProgress<StartScreenWorld> {
  public:
    int32_t State() override { return state; }
    void SetState(int32_t value) override { state = value; }
    void OpenPanel() override { state = start_state::Opening; }
    void ClosePanel() override { state = start_state::Closing; }
    int32_t ConnectionState() override { return connection; }
    void SetConnectionState(int32_t value) override { connection = value; }
    void ConnectToServer() override {}
    void Send(uint32_t, uint32_t, uint32_t, const void*, uint32_t) override {}
    void ShowStatus(uint32_t) override {}
    void ShowBar(int32_t, int32_t, int32_t) override {}
    void ShowFailureText() override {}
    void MoveWaitMarker(int) override {}
    int32_t RetryCount() override { return 0; }
    void SetRetryCount(int32_t) override {}
    void PostQuit() override {}
    void HandOver() override {}
    void StartFreshScreen() override {}
    void RefuseRelease(const std::string&, int32_t) override {}
    void ReportFileProblem(const std::string&) override {}
    void OnWriteFailed() override {}

    int32_t state = start_state::Closed;
    int32_t connection = connection_state::Connected;
};

constexpr size_t kScrambledHeadBytes = 12;
constexpr char kDeletingText[] = "left:over: 1";

// A leftover file of exactly `size` bytes that asks for the leftover library to go.
std::vector<uint8_t> DeletingLeftover(size_t size) {
    std::vector<uint8_t> plain(size - kScrambledHeadBytes, 'x');
    std::memcpy(plain.data(), kDeletingText, std::strlen(kDeletingText));
    Scrambler scrambler;
    scrambler.SetKey(kStartScreenKey);
    std::vector<uint8_t> image;
    EXPECT_TRUE(scrambler.MakeScrambledFile(plain.data(), plain.size(), &image));
    return image;
}

std::vector<uint8_t> Header(const char* folder, const char* name, uint32_t size) {
    FileRecord record{};
    std::strcpy(record.folder, folder);
    std::strcpy(record.name, name);
    record.lastWrite = CalendarTime{2024, 5, 3, 17, 12, 30, 45, 0};
    record.size = size;
    std::vector<uint8_t> bytes(sizeof record);
    std::memcpy(bytes.data(), &record, sizeof record);
    return bytes;
}

class LeftoverCheck : public ::testing::Test {
  protected:
    void SetUp() override { files_.Put(StartScreenFlow::kLeftoverLibrary, {'l', 'i', 'b'}); }

    // A fresh start screen opens over the folder as it is.
    void OpenStartScreen() {
        QuietWorld world;
        StartScreenFlow flow(world, files_, registry_, StartScreenSettings{"127.0.0.1"});
        flow.Open();
    }

    MemoryFileStorePlatform files_;
    MemoryRegistryPlatform registry_;
};

TEST_F(LeftoverCheck, ReadsALeftoverFileUpToItsLimitAndNoLonger) {
    struct Case {
        size_t size;
        bool libraryDeleted;
    } cases[] = {
        {StartScreenFlow::kLeftoverMaxBytes, true},
        {StartScreenFlow::kLeftoverMaxBytes + 1, false},
    };
    for (const Case& c : cases) {
        SetUp();
        files_.Put(StartScreenFlow::kLeftoverFile, DeletingLeftover(c.size));
        const uint64_t readBefore = files_.BytesRead();
        OpenStartScreen();
        EXPECT_EQ(!files_.Exists(StartScreenFlow::kLeftoverLibrary), c.libraryDeleted) << c.size;
        EXPECT_EQ(files_.BytesRead() - readBefore, c.libraryDeleted ? c.size : 0) << c.size;
    }
}

// The server announces the leftover file with a size just past the limit and sends only its last
// byte: the file is that long but holds one byte. The next start screen leaves it unread.
TEST_F(LeftoverCheck, LeavesUnreadALeftoverFileTheServerMadeLong) {
    const uint32_t size = uint32_t(StartScreenFlow::kLeftoverMaxBytes) + 1;
    {
        QuietWorld world;
        StartScreenFlow flow(world, files_, registry_, StartScreenSettings{"127.0.0.1"});
        const std::vector<uint8_t> header = Header(".", "ZVLQFVC", size);
        flow.OnMessage(message_id::FileHeader, 0, 0, header.data(), uint32_t(header.size()));
        const uint8_t last = '1';
        flow.OnMessage(message_id::FileData, size - 1, 0, &last, 1);
    }
    ASSERT_EQ(files_.Length(StartScreenFlow::kLeftoverFile), size);
    OpenStartScreen();
    EXPECT_EQ(files_.BytesRead(), 0u);
    EXPECT_TRUE(files_.Exists(StartScreenFlow::kLeftoverLibrary));
}

class BoundedRead : public ProgramFolderTest {};

// Both stores the start screen runs on: the bytes come back whole up to the limit, and past it
// the read fails and hands out nothing, also when the excess lies beyond a first read's worth.
TEST_F(BoundedRead, AFileLongerThanTheLimitIsNotRead) {
    struct Case {
        size_t length;
        size_t limit;
        bool read;
    } cases[] = {
        {0, 0, true},        {16, 16, true},      {17, 16, false},    {8192, 8192, true},
        {8193, 8192, false}, {5000, 4096, false}, {4096, 5000, true}, {1, 0, false},
    };
    PosixFileStorePlatform posix(root_.string());
    MemoryFileStorePlatform memory;
    FileStorePlatform* stores[] = {&posix, &memory};
    for (const Case& c : cases) {
        const std::string content(c.length, 'c');
        Put("f", content);
        memory.Put("./f", std::vector<uint8_t>(content.begin(), content.end()));
        for (FileStorePlatform* store : stores) {
            std::vector<uint8_t> bytes = {'o', 'l', 'd'};
            const bool read = store->ReadWholeFile("./f", c.limit, &bytes);
            EXPECT_EQ(read, c.read) << c.length << " of " << c.limit
                                    << (store == &posix ? " posix" : " memory");
            if (read) {
                EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);
            }
        }
    }
}

}  // namespace
