// Whole sessions between the server and clients made of the project's own network code, on
// 127.0.0.1.
#include <gtest/gtest.h>

#include <cstring>

#include "net/wire_format.h"
#include "server_fixture.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kReleaseTime = 1700000000;  // 2023-11-14 22:13:20 UTC

struct Announcement {
    uint32_t files;
    uint32_t total;
};

Announcement AnnouncementOf(const UpdateTestClient& client) {
    for (const ReceivedMessage& m : client.messages)
        if (m.id == message_id::UpdateAnnounced && m.body.size() == 8) {
            Announcement a;
            std::memcpy(&a, m.body.data(), 8);
            return a;
        }
    ADD_FAILURE() << "no announcement";
    return {~0u, ~0u};
}

std::vector<std::string> HeaderNames(const UpdateTestClient& client) {
    std::vector<std::string> names;
    for (const ReceivedMessage& m : client.messages)
        if (m.id == message_id::FileHeader) {
            FileRecord record;
            std::memcpy(&record, m.body.data(), sizeof record);
            names.push_back(std::string(record.folder) + "/" + record.name);
        }
    return names;
}

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

class SessionTest : public UpdateServerTest, public ::testing::WithParamInterface<TestHello> {
  protected:
    // A release of a multi-chunk file, an empty file and a file in a folder.
    void MakeRelease() {
        WriteFile(release / "A1.bin", Pattern(2500, 1));
        SetWriteTime(release / "A1.bin", kReleaseTime, 250);
        WriteFile(release / "Empty.txt", {});
        SetWriteTime(release / "Empty.txt", kReleaseTime, 0);
        WriteFile(release / "D1" / "B1.dat", Pattern(700, 2));
        SetWriteTime(release / "D1" / "B1.dat", kReleaseTime + 60, 999);
        WriteFile(release / "D1" / "Deeper" / "C1", Pattern(10, 3));  // not served: too deep
        WriteFile(release / ".hidden", Pattern(10, 4));               // not served: a dot-name
    }
};

TEST_P(SessionTest, UpdatesMissingAndStaleFilesAndLeavesTheClientsOwnAlone) {
    MakeRelease();
    // The client has an older, longer B1 and a file of its own.
    WriteFile(installed / "D1" / "B1.dat", Pattern(5000, 9));
    WriteFile(installed / "Mine.cfg", Pattern(33, 5));
    StartServer();

    auto client = RunSession(GetParam());
    EXPECT_TRUE(client->writeFailures.empty());
    const Announcement announced = AnnouncementOf(*client);
    EXPECT_EQ(announced.files, 3u);
    EXPECT_EQ(announced.total, 2500u + 700u);
    EXPECT_EQ(HeaderNames(*client), (std::vector<std::string>{"./A1.bin", "./Empty.txt", "D1/B1.dat"}));

    // Chunks follow their header in ascending, gapless order; the empty file has none.
    uint32_t expectedOffset = 0;
    std::vector<uint32_t> chunksPerFile;
    for (const ReceivedMessage& m : client->messages) {
        if (m.id == message_id::FileHeader) {
            expectedOffset = 0;
            chunksPerFile.push_back(0);
        } else if (m.id == message_id::FileData) {
            EXPECT_EQ(m.a, expectedOffset);
            EXPECT_LE(m.body.size(), options.chunkSize);
            EXPECT_FALSE(m.body.empty());
            expectedOffset += uint32_t(m.body.size());
            ++chunksPerFile.back();
        }
    }
    EXPECT_EQ(chunksPerFile, (std::vector<uint32_t>{3, 0, 1}));
    EXPECT_EQ(client->messages.back().id, message_id::UpdateFinished);

    for (const char* name : {"A1.bin", "Empty.txt", "D1/B1.dat"})
        EXPECT_EQ(ReadFile(installed / name), ReadFile(release / name)) << name;
    // The record's time is the release file's, to the millisecond.
    EXPECT_TRUE(SameTime(WriteTimeOf(installed / "A1.bin"), timespec{kReleaseTime, 250000000}));
    EXPECT_TRUE(SameTime(WriteTimeOf(installed / "D1/B1.dat"), timespec{kReleaseTime + 60, 999000000}));
    EXPECT_EQ(ReadFile(installed / "Mine.cfg"), Pattern(33, 5));
    EXPECT_FALSE(fs::exists(installed / "D1" / "Deeper"));
    EXPECT_FALSE(fs::exists(installed / ".hidden"));

    ASSERT_TRUE(WaitForLog("complete"));
    EXPECT_TRUE(LogHas(GetParam() == TestHello::StartScreen
                           ? "start-screen complete files=3/3 bytes=3200"
                           : "generic-client complete files=3/3 bytes=3200"));
}

TEST_P(SessionTest, SecondSessionOfAnUpdatedFolderSendsNothing) {
    MakeRelease();
    StartServer();
    auto first = RunSession(GetParam());
    ASSERT_EQ(AnnouncementOf(*first).files, 3u);

    auto second = RunSession(GetParam());
    const Announcement announced = AnnouncementOf(*second);
    EXPECT_EQ(announced.files, 0u);
    EXPECT_EQ(announced.total, 0u);
    EXPECT_EQ(second->Count(message_id::FileHeader), 0u);
    EXPECT_EQ(second->Count(message_id::FileData), 0u);
}

TEST_P(SessionTest, RefusingServerRefusesAfterTheSecondAnswerAndSendsNoUpdate) {
    MakeRelease();
    options.refuseSessions = true;
    options.closeDelay = std::chrono::milliseconds(200);
    StartServer();
    auto client = NewClient(GetParam());
    ASSERT_TRUE(pump.Until([&] { return client->disconnects > 0; }));
    ASSERT_TRUE(client->refused);
    std::vector<uint32_t> ids;
    for (const ReceivedMessage& m : client->messages)
        ids.push_back(m.id);
    EXPECT_EQ(ids, (std::vector<uint32_t>{message_id::HelloRequest, message_id::SecondRequest,
                                          message_id::Refuse}));
    // The start screen takes a refusal of its second answer; the generic client names its hello.
    EXPECT_EQ(client->messages.back().b,
              GetParam() == TestHello::StartScreen ? message_id::SecondAnswer : message_id::Hello);
    EXPECT_FALSE(client->ready);
    EXPECT_TRUE(fs::is_empty(installed));
    EXPECT_TRUE(WaitForLog("refused"));
}

INSTANTIATE_TEST_SUITE_P(BothHellos, SessionTest,
                         ::testing::Values(TestHello::StartScreen, TestHello::Generic), [](const auto& info) {
                             return info.param == TestHello::StartScreen ? "StartScreen" : "GenericClient";
                         });

TEST_F(UpdateServerTest, ClientLeavingMidFileIsDroppedAndTheNextOneIsServed) {
    // More than the socket buffers of both ends hold, so the server cannot be done when the client
    // leaves.
    WriteFile(release / "Big.bin", Pattern(16 << 20, 7));
    options.chunkSize = 65536;
    StartServer();
    {
        auto leaving = NewClient();
        leaving->afterMessage = [](UpdateTestClient& self, const ReceivedMessage& m) {
            if (m.id == message_id::FileData && self.socket != kNoSocket) {
                ActiveSocketPlatform().Close(self.socket);
                self.manager->Unregister(self.socket);
                self.socket = kNoSocket;
                self.state = connection_state::NotConnected;
            }
        };
        ASSERT_TRUE(pump.Until([&] { return leaving->Count(message_id::FileData) > 0; }));
        ASSERT_TRUE(WaitForLog("dropped"));
    }
    EXPECT_TRUE(LogHas("start-screen dropped files=0/1"));
    auto next = RunSession();
    EXPECT_EQ(ReadFile(installed / "Big.bin"), Pattern(16 << 20, 7));
    const ServerStats stats = StatsNow();
    EXPECT_EQ(stats.dropped, 1u);
    EXPECT_EQ(stats.sessionsComplete, 1u);
}

TEST_F(UpdateServerTest, MalformedFileListsDropTheClientBeforeAnyUpdate) {
    WriteFile(release / "A.bin", Pattern(100, 1));
    FileRecord unterminated = MakeFileRecord(".", "A.bin", {}, 100);
    std::memset(unterminated.name, 'x', sizeof unterminated.name);
    auto bytesOf = [](const std::vector<FileRecord>& records) {
        std::vector<uint8_t> body(records.size() * sizeof(FileRecord));
        std::memcpy(body.data(), records.data(), body.size());
        return body;
    };
    struct Case {
        uint32_t count;
        std::vector<uint8_t> body;
        const char* reason;
    };
    const Case cases[] = {
        {3, bytesOf({MakeFileRecord(".", "A.bin", {}, 100)}), "file list of 3 records in 152 bytes"},
        {1, bytesOf({MakeFileRecord(".", "A.bin", {}, 100)}), nullptr},
        {2049, std::vector<uint8_t>(2049 * sizeof(FileRecord)), "file list with a body of 311448 bytes"},
        {1, bytesOf({unterminated}), "record 0: name has no terminator"},
    };
    StartServer();
    for (const Case& c : cases) {
        auto client = NewClient();
        client->listOverride = {c.count, c.body};
        ASSERT_TRUE(pump.Until([&] { return client->finished || client->disconnects > 0; }));
        if (!c.reason) {  // the sound list of the table: served
            EXPECT_TRUE(client->finished);
            continue;
        }
        EXPECT_EQ(client->Count(message_id::UpdateAnnounced), 0u) << c.reason;
        EXPECT_TRUE(WaitForLog(std::string("dropped files=0/0 bytes=0")));
        EXPECT_TRUE(WaitForLog(c.reason)) << c.reason;
    }
}

TEST_F(UpdateServerTest, ClientThatNeverSendsItsHelloIsDroppedAfterTheHelloTimeout) {
    // The transfer timeout is far longer: the hello has a time-out of its own.
    options.timeout = std::chrono::seconds(60);
    options.helloTimeout = std::chrono::milliseconds(300);
    StartServer();
    const auto start = std::chrono::steady_clock::now();
    auto silent = NewClient();
    silent->answerHello = false;
    ASSERT_TRUE(pump.Until([&] { return silent->disconnects > 0; }));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(silent->Count(message_id::HelloRequest), 1u);
    EXPECT_TRUE(LogHas("no-hello dropped"));
    EXPECT_TRUE(LogHas("no hello for 0.3 s"));
}

TEST_F(UpdateServerTest, ClientThatStopsReadingMidTransferIsDroppedAfterTheTimeout) {
    // Far more than the socket buffers of both ends hold.
    WriteFile(release / "Huge.bin", Pattern(48 << 20, 1));
    options.chunkSize = 65536;
    options.timeout = std::chrono::milliseconds(500);
    StartServer();
    auto stalling = NewClient();
    ASSERT_TRUE(pump.Until([&] { return stalling->Count(message_id::FileData) > 0; }));
    // The client reads nothing more while the server waits for the socket to take its data.
    ASSERT_TRUE(WaitForLogWhileClientsIdle("no progress"));
    EXPECT_TRUE(LogHas("start-screen dropped"));
    EXPECT_LT(fs::file_size(installed / "Huge.bin"), size_t(48 << 20));
}

TEST_F(UpdateServerTest, FileReplacedByRenameDuringTheDownloadArrivesInTheAnnouncedVersion) {
    const std::vector<uint8_t> first = Pattern(300000, 1);
    const std::vector<uint8_t> second = Pattern(100000, 2);
    WriteFile(release / "Data.pak", first);
    SetWriteTime(release / "Data.pak", kReleaseTime, 1);
    options.chunkSize = 4096;
    StartServer();
    auto client = NewClient();
    bool replaced = false;
    client->afterMessage = [&](UpdateTestClient&, const ReceivedMessage& m) {
        if (m.id == message_id::FileData && !replaced) {
            WriteFile(release / "Data.pak.new", second);
            SetWriteTime(release / "Data.pak.new", kReleaseTime + 100, 2);
            fs::rename(release / "Data.pak.new", release / "Data.pak");
            replaced = true;
        }
    };
    ASSERT_TRUE(pump.Until([&] { return client->finished; }));
    ASSERT_TRUE(replaced);
    EXPECT_EQ(ReadFile(installed / "Data.pak"), first);
    EXPECT_TRUE(SameTime(WriteTimeOf(installed / "Data.pak"), timespec{kReleaseTime, 1000000}));

    auto next = RunSession();
    EXPECT_EQ(ReadFile(installed / "Data.pak"), second);
}

TEST_F(UpdateServerTest, ClientsBeyondTheLimitWaitUntilASessionEnds) {
    options.maxClients = 1;
    options.closeDelay = std::chrono::milliseconds(0);
    StartServer();
    auto first = NewClient();
    first->answerHello = false;  // holds its place
    ASSERT_TRUE(pump.Until([&] { return first->Count(message_id::HelloRequest) == 1; }));
    auto second = NewClient();
    pump.For(300);
    EXPECT_EQ(second->Count(message_id::HelloRequest), 0u);
    DestroyConnection(first.release());
    ASSERT_TRUE(pump.Until([&] { return second->finished; }));
}

}  // namespace
