#include "startscreen/flow/start_screen_flow.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "net/connection.h"
#include "plain_world.h"
#include "platform/memory/startscreen/memory_registry_platform.h"
#include "platform/posix/update_client/posix_file_store_platform.h"
#include "program_folder_fixture.h"
#include "write_failing_file_store.h"

namespace {

class StartScreenFlowTest : public ProgramFolderTest {
  protected:
    void SetUp() override {
        ProgramFolderTest::SetUp();
        files_ = std::make_unique<PosixFileStorePlatform>(root_.string());
        failing_ = std::make_unique<WriteFailingFileStore>(*files_);
    }
    StartScreenFlow& Flow() {
        if (!flow_)
            flow_ = std::make_unique<StartScreenFlow>(world_, *failing_, registry_,
                                                      StartScreenSettings{"10.0.0.8"});
        return *flow_;
    }
    void Opened() { Flow().Open(); }
    void Updates(int n) {
        for (int i = 0; i < n; ++i)
            Flow().Update();
    }
    void Message(uint32_t id, uint32_t b = 0, const std::vector<uint8_t>& body = {}, uint32_t a = 0) {
        Flow().OnMessage(id, a, b, body.data(), uint32_t(body.size()));
    }
    void PutScrambled(const std::string& path, const std::string& plain, const char* key = kStartScreenKey) {
        Scrambler maker;
        maker.SetKey(key);
        std::vector<uint8_t> image;
        ASSERT_TRUE(
            maker.MakeScrambledFile(reinterpret_cast<const uint8_t*>(plain.data()), plain.size(), &image));
        Put(path, std::string(image.begin(), image.end()));
    }

    PlainWorld world_;
    MemoryRegistryPlatform registry_;
    std::unique_ptr<PosixFileStorePlatform> files_;
    std::unique_ptr<WriteFailingFileStore> failing_;
    std::unique_ptr<StartScreenFlow> flow_;
};

const std::string kKey = "SOFTWARE\\Zeq\\TIDEMARCHRUSSIA";

TEST_F(StartScreenFlowTest, OpeningWritesTheMissingRegistryValueAndStartsTheWait) {
    Opened();
    std::string value;
    ASSERT_TRUE(registry_.ReadText(kKey, "UpdateServer", &value));
    EXPECT_EQ(value, "10.0.0.8");
    EXPECT_EQ(world_.picture, start_picture::Connecting);
    EXPECT_EQ(world_.barMaximum, 100);
    EXPECT_EQ(world_.barValue, 0);
    EXPECT_EQ(world_.totalCounter, 0u);
    EXPECT_EQ(world_.connects, 1);
    EXPECT_EQ(world_.state, start_state::Opening);
}

TEST_F(StartScreenFlowTest, ExistingRegistryValueIsNeitherChangedNorUsed) {
    registry_.WriteText(kKey, "UpdateServer", "192.0.2.1");
    Opened();
    std::string value;
    registry_.ReadText(kKey, "UpdateServer", &value);
    EXPECT_EQ(value, "192.0.2.1");
    EXPECT_EQ(registry_.Writes(), 1);
    EXPECT_EQ(world_.connects, 1);
}

TEST_F(StartScreenFlowTest, LeftoverFileDecidesWhetherTheLibraryGoes) {
    struct Case {
        const char* text;
        bool deleted;
    } cases[] = {
        {"launcher:1: 1", true},   {"launcher:1:x1", true},   {"launcher:1: 2", false},
        {"launcher:1: 10", false}, {"no colon at all", true}, {"one:colon", true},
        {"a:b:", false},           {"a:b:x", false},          {"a:b: -1", false},
        {"a::x1:more", true},
    };
    for (const Case& c : cases) {
        Put("VLQTMD.dll", "library");
        PutScrambled("ZVLQFVC", c.text);
        flow_.reset();
        Opened();
        EXPECT_EQ(!Exists("VLQTMD.dll"), c.deleted) << c.text;
    }
}

TEST_F(StartScreenFlowTest, MissingOrForeignLeftoverDeletesNothing) {
    Put("VLQTMD.dll", "library");
    Opened();
    EXPECT_TRUE(Exists("VLQTMD.dll"));
    PutScrambled("ZVLQFVC", "no colon", "some other key");
    flow_.reset();
    Opened();
    EXPECT_TRUE(Exists("VLQTMD.dll"));
    Put("ZVLQFVC", "twelve bytes");
    flow_.reset();
    Opened();
    EXPECT_TRUE(Exists("VLQTMD.dll"));
}

TEST(LeftoverNumber, NeverReadsPastTheText) {
    const char text[] = "a:b:x1";
    // Cut before the digit, the number is not there.
    EXPECT_FALSE(StartScreenFlow::LeftoverSaysDelete(reinterpret_cast<const uint8_t*>(text), 5));
    EXPECT_TRUE(StartScreenFlow::LeftoverSaysDelete(reinterpret_cast<const uint8_t*>(text), 6));
    EXPECT_FALSE(StartScreenFlow::LeftoverSaysDelete(reinterpret_cast<const uint8_t*>(text), 4));
}

TEST_F(StartScreenFlowTest, UnansweredConnectionCountsAnAttemptAndRetriesWithAFreshScreen) {
    Opened();
    Updates(50);
    EXPECT_EQ(world_.barValue, 50);
    EXPECT_EQ(world_.totalMarkerX, 507);
    EXPECT_EQ(world_.totalCounter, 2u);
    Updates(50);
    EXPECT_EQ(world_.barValue, 100);
    EXPECT_EQ(world_.state, start_state::Opening);
    Updates(1);
    EXPECT_EQ(world_.retries, 1);
    EXPECT_EQ(world_.state, start_state::Closing);
    Updates(1);
    EXPECT_EQ(world_.state, start_state::Closed);
    EXPECT_EQ(world_.freshScreens, 0);
    EXPECT_FALSE(Flow().Update());
    EXPECT_EQ(world_.freshScreens, 1);
}

TEST_F(StartScreenFlowTest, ThirdAttemptShowsTheFailureTextAndThenAnyKeyQuits) {
    world_.retries = 2;  // two fresh screens have already timed out
    Opened();
    Updates(100 + 3);
    EXPECT_EQ(world_.retries, 3);
    EXPECT_EQ(world_.freshScreens, 0);
    EXPECT_TRUE(world_.failureShown);
    EXPECT_FALSE(Flow().OnButtonDown());
    EXPECT_EQ(world_.quits, 0);
    EXPECT_TRUE(Flow().OnKeyDown('A'));
    EXPECT_EQ(world_.quits, 1);
}

TEST_F(StartScreenFlowTest, EscapeQuitsWhileTheBarFillsOtherKeysDoNot) {
    Opened();
    Updates(10);
    EXPECT_FALSE(Flow().OnKeyDown('A'));
    EXPECT_EQ(world_.quits, 0);
    EXPECT_FALSE(Flow().OnKeyDown(StartScreenFlow::kEscape));
    EXPECT_EQ(world_.quits, 1);
}

TEST_F(StartScreenFlowTest, SessionAnswersThenFileListOnTheNextUpdate) {
    Put("A1", "1234");
    Put("D1/B1", "5");
    Opened();
    Message(message_id::HelloRequest);
    Message(message_id::SecondRequest);
    ASSERT_EQ(world_.sent.size(), 2u);
    const Sent& hello = world_.sent[0];
    EXPECT_EQ(hello.id, 0x80020010u);
    EXPECT_EQ(hello.b, 0x80010109u);
    ASSERT_EQ(hello.body.size(), 216u);
    const uint32_t words[] = {0, 0x10060000, 0, 1, 7};
    for (int i = 0; i < 5; ++i) {
        uint32_t word = 0;
        std::memcpy(&word, hello.body.data() + 4 * i, 4);
        EXPECT_EQ(word, words[i]) << i;
    }
    for (size_t i = 20; i < 216; ++i)
        EXPECT_EQ(hello.body[i], 0) << i;
    EXPECT_EQ(world_.sent[1].id, 0x80020011u);
    EXPECT_EQ(world_.sent[1].b, 0x8001010Bu);
    EXPECT_EQ(world_.sent[1].body, std::vector<uint8_t>(196, 0));

    world_.connection = connection_state::Connected;
    Message(message_id::Acknowledge, message_id::Hello);  // the base class's rule, not this screen's
    EXPECT_EQ(world_.connection, connection_state::Connected);
    Message(message_id::Acknowledge, message_id::SecondAnswer);
    EXPECT_EQ(world_.connection, connection_state::SessionReady);
    Updates(1);
    EXPECT_EQ(world_.state, start_state::Open);
    EXPECT_EQ(world_.picture, start_picture::Updating);
    ASSERT_EQ(world_.sent.size(), 3u);
    const Sent& list = world_.sent[2];
    EXPECT_EQ(list.id, 0x80020020u);
    EXPECT_EQ(list.a, 0u);
    EXPECT_EQ(list.b, 2u);
    ASSERT_EQ(list.body.size(), 2 * sizeof(FileRecord));
    FileRecord last{};
    std::memcpy(&last, list.body.data() + sizeof(FileRecord), sizeof last);
    EXPECT_STREQ(last.folder, "D1");
    EXPECT_STREQ(last.name, "B1");
    EXPECT_EQ(last.size, 1u);
}

TEST_F(StartScreenFlowTest, EmptyFolderSendsAnEmptyList) {
    Opened();
    world_.connection = connection_state::SessionReady;
    Updates(1);
    ASSERT_EQ(world_.sent.size(), 1u);
    EXPECT_EQ(world_.sent[0].b, 0u);
    EXPECT_TRUE(world_.sent[0].body.empty());
}

TEST_F(StartScreenFlowTest, RefusalShowsItsPictureAndQuitsOnAClickOrAfterTheCountdown) {
    Opened();
    Message(message_id::Refuse, 0x12345);
    EXPECT_EQ(world_.state, start_state::Opening);
    Message(message_id::Refuse, message_id::SecondAnswer);
    EXPECT_EQ(world_.picture, start_picture::Refused);
    EXPECT_EQ(world_.state, start_state::Refused);
    Flow().OnDisconnected();
    EXPECT_EQ(world_.state, start_state::Refused);
    Updates(4000);
    EXPECT_EQ(world_.quits, 0);
    EXPECT_FALSE(Flow().Update());
    EXPECT_EQ(world_.quits, 1);
    EXPECT_TRUE(Flow().OnButtonDown());
    EXPECT_EQ(world_.quits, 2);
}

TEST_F(StartScreenFlowTest, DisconnectionDuringTheUpdateRestartsALongWait) {
    Opened();
    world_.connection = connection_state::SessionReady;
    Updates(1);
    world_.connection = connection_state::NotConnected;
    Flow().OnDisconnected();
    EXPECT_EQ(world_.state, start_state::Opening);
    EXPECT_EQ(world_.barMaximum, 1000);
    EXPECT_EQ(world_.barValue, 0);
    Updates(1000);
    EXPECT_EQ(world_.retries, 0);
    Updates(1);
    EXPECT_EQ(world_.retries, 1);
}

TEST_F(StartScreenFlowTest, FinishedUpdateHandsOverAfterClosing) {
    Opened();
    world_.connection = connection_state::SessionReady;
    Updates(1);
    Message(message_id::UpdateFinished);
    EXPECT_EQ(world_.state, start_state::Closing);
    EXPECT_FALSE(world_.inputEnabled);
    Flow().OnDisconnected();  // the server closing after the end changes nothing
    EXPECT_EQ(world_.state, start_state::Closing);
    Updates(1);
    EXPECT_EQ(world_.handOvers, 0);
    EXPECT_FALSE(Flow().Update());
    EXPECT_EQ(world_.handOvers, 1);
    EXPECT_EQ(world_.freshScreens, 0);
}

TEST_F(StartScreenFlowTest, FilesArriveThroughTheTransferAtTheirOffsets) {
    Opened();
    FileRecord record{};
    std::strcpy(record.folder, ".");
    std::strcpy(record.name, "Main.dll");
    record.size = 6;
    record.lastWrite = {2020, 1, 3, 2, 3, 4, 5, 6};
    std::vector<uint8_t> header(sizeof record);
    std::memcpy(header.data(), &record, sizeof record);
    Message(message_id::UpdateAnnounced, 0, {1, 0, 0, 0, 6, 0, 0, 0});
    Message(message_id::FileHeader, 0, header);
    Message(message_id::FileData, 0, {'d', 'e', 'f'}, 3);
    Message(message_id::FileData, 0, {'a', 'b', 'c'}, 0);
    EXPECT_EQ(Get("Main.dll"), "abc");  // every chunk ends the file behind itself
    Message(message_id::FileData, 0, {'d', 'e', 'f'}, 3);
    EXPECT_EQ(Get("Main.dll"), "abcdef");
    EXPECT_EQ(world_.totalCounter, 9u);
}

TEST_F(StartScreenFlowTest, LostConnectionOrEndOfTheUpdateClosesAndDatesTheFileBeingReceived) {
    FileRecord record{};
    std::strcpy(record.folder, ".");
    std::strcpy(record.name, "part");
    record.size = 10;
    record.lastWrite = {2021, 3, 2, 16, 8, 30, 45, 500};
    std::vector<uint8_t> header(sizeof record);
    std::memcpy(header.data(), &record, sizeof record);
    const std::function<void()> ends[] = {[this] { Flow().OnDisconnected(); },
                                          [this] { Message(message_id::UpdateFinished); }};
    for (const auto& end : ends) {
        flow_.reset();
        Opened();
        world_.state = start_state::Open;
        Message(message_id::FileHeader, 0, header);
        Message(message_id::FileData, 0, {'a', 'b', 'c'});
        ASSERT_TRUE(files_->HoldsChunkFile());
        end();
        EXPECT_FALSE(files_->HoldsChunkFile());
        EXPECT_EQ(Get("part"), "abc");
        struct stat info {};
        ASSERT_EQ(::stat((root_ / "part").c_str(), &info), 0);
        EXPECT_EQ(int64_t(info.st_mtim.tv_sec), 1615883445);  // 2021-03-16 08:30:45 UTC
    }
}

TEST_F(StartScreenFlowTest, FailedWriteClosesTheScreen) {
    Opened();
    FileRecord record{};
    std::strcpy(record.folder, ".");
    std::strcpy(record.name, "f");
    record.size = 4;
    std::vector<uint8_t> header(sizeof record);
    std::memcpy(header.data(), &record, sizeof record);
    world_.state = start_state::Open;
    Message(message_id::FileHeader, 0, header);
    failing_->FailNextWrite();
    Message(message_id::FileData, 0, {'x'});
    EXPECT_EQ(world_.state, start_state::Closing);
}

}  // namespace
