// Disk work off the event loop: a session whose file is slow to read, or a rescan held up by a slow
// folder, keeps nobody else waiting.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "net/wire_format.h"
#include "server_fixture.h"
#include "server_options.h"
#include "slow_file_system.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kReleaseTime = 1700000000;

class SlowDiskTest : public UpdateServerTest {
  protected:
    SlowDiskTest() : slow(std::make_shared<SlowFileSystem>()) { fileSystem = slow; }
    // Whatever a test left held is let go before the server stops (its threads wait for it).
    ~SlowDiskTest() override {
        slow->OpenScanGate();
        slow->OpenReadGate();
        StopServer();
    }

    // A client of its own folder, which may already hold some of the release.
    ClientPointer ClientIn(const fs::path& folder) {
        fs::create_directories(folder);
        ClientPointer client(new UpdateTestClient(TestHello::StartScreen, folder.string()),
                             [](UpdateTestClient* c) { DestroyConnection(c); });
        EXPECT_TRUE(client->ConnectTo(pump.Manager(), Port()));
        return client;
    }

    std::shared_ptr<SlowFileSystem> slow;
};

TEST_F(SlowDiskTest, AReadThatHangsHoldsUpOnlyItsOwnSession) {
    WriteFile(release / "Slow.pak", Pattern(5000, 1));
    SetWriteTime(release / "Slow.pak", kReleaseTime, 0);
    WriteFile(release / "Fast.dat", Pattern(3000, 2));
    slow->gatedReads = "Slow.pak";
    slow->CloseReadGate();
    StartServer();

    auto stuck = ClientIn(installed);
    ASSERT_TRUE(pump.Until([&] { return slow->WaitingReads() > 0; }));

    // The second client has the slow file already and needs only the fast one.
    const fs::path other = installed.parent_path() / "other";
    WriteFile(other / "Slow.pak", Pattern(5000, 1));
    SetWriteTime(other / "Slow.pak", kReleaseTime, 0);
    auto served = ClientIn(other);
    ASSERT_TRUE(pump.Until([&] { return served->finished; }));
    EXPECT_EQ(ReadFile(other / "Fast.dat"), Pattern(3000, 2));
    // The stuck client has Fast.dat's three chunks (it comes first) and nothing of Slow.pak.
    EXPECT_EQ(stuck->Count(message_id::FileData), 3u);
    EXPECT_FALSE(stuck->finished);

    slow->OpenReadGate();
    ASSERT_TRUE(pump.Until([&] { return stuck->finished; }));
    EXPECT_EQ(ReadFile(installed / "Slow.pak"), Pattern(5000, 1));
    EXPECT_EQ(ReadFile(installed / "Fast.dat"), Pattern(3000, 2));
}

TEST_F(SlowDiskTest, AClientLeavingWhileItsReadHangsIsDroppedAndTheReadFinishesUnharmed) {
    WriteFile(release / "Slow.pak", Pattern(5000, 1));
    slow->CloseReadGate();
    StartServer();
    {
        auto leaving = ClientIn(installed);
        ASSERT_TRUE(pump.Until([&] { return slow->WaitingReads() > 0; }));
    }
    ASSERT_TRUE(WaitForLog("start-screen dropped"));
    // The read still holds the session's buffer; it completes into it, and nothing is sent.
    slow->OpenReadGate();
    fs::remove_all(installed);
    auto next = ClientIn(installed);
    ASSERT_TRUE(pump.Until([&] { return next->finished; }));
    EXPECT_EQ(ReadFile(installed / "Slow.pak"), Pattern(5000, 1));
    ASSERT_TRUE(WaitForLog("start-screen complete"));
    const ServerStats stats = StatsNow();
    EXPECT_EQ(stats.dropped, 1u);
    EXPECT_EQ(stats.sessionsComplete, 1u);
}

TEST_F(SlowDiskTest, ARunningSessionKeepsReceivingWhileARescanIsHeld) {
    // Far more chunks than a client can take before the second client's rescan begins.
    constexpr size_t kBigSize = 8 << 20;
    WriteFile(release / "Big.bin", Pattern(kBigSize, 3));
    WriteFile(release / "Small.txt", Pattern(100, 4));
    StartServer();

    auto running = ClientIn(installed);
    ASSERT_TRUE(pump.Until([&] { return running->Count(message_id::FileData) > 0; }));
    slow->CloseScanGate();
    auto waiting = ClientIn(installed.parent_path() / "other");
    ASSERT_TRUE(pump.Until([&] { return slow->WaitingScanCalls() > 0; }));
    const size_t chunksWhenHeld = running->Count(message_id::FileData);
    ASSERT_FALSE(running->finished) << "the download ended before the rescan began";

    ASSERT_TRUE(pump.Until([&] { return running->finished; }));
    EXPECT_GT(running->Count(message_id::FileData), chunksWhenHeld);
    EXPECT_EQ(slow->WaitingScanCalls(), 1);
    // The new session waits for the snapshot it asked for, and gets it once the folder answers.
    EXPECT_EQ(waiting->Count(message_id::UpdateAnnounced), 0u);
    slow->OpenScanGate();
    ASSERT_TRUE(pump.Until([&] { return waiting->finished; }));
    EXPECT_EQ(ReadFile(installed / "Big.bin"), Pattern(kBigSize, 3));
    EXPECT_EQ(ReadFile(installed.parent_path() / "other" / "Small.txt"), Pattern(100, 4));
}

class OutsideLinkTest : public UpdateServerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(OutsideLinkTest, ALinkLeadingOutsideReachesClientsOnlyWhenTheOptionAllowsIt) {
    const bool follow = GetParam();
    const fs::path outside = release.parent_path() / "outside";
    WriteFile(outside / "Secret.txt", Pattern(40, 5));
    WriteFile(release / "Game.txt", Pattern(30, 6));
    fs::create_symlink(outside / "Secret.txt", release / "Secret.txt");
    options.followOutsideLinks = follow;
    StartServer();
    RunSession();
    EXPECT_EQ(ReadFile(installed / "Game.txt"), Pattern(30, 6));
    EXPECT_EQ(fs::exists(installed / "Secret.txt"), follow);
    EXPECT_EQ(LogHas("file ./Secret.txt left out: a symbolic link leading outside"), !follow);
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutTheOption, OutsideLinkTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Followed" : "Refused"; });

TEST(ServerOptions, LinksLeadingOutsideAreFollowedOnlyWhenAsked) {
    const char* plain[] = {"update_server", "--folder", "r"};
    const char* follow[] = {"update_server", "--folder", "r", "--follow-outside-links"};
    EXPECT_FALSE(ParseServerOptions(3, plain).options.followOutsideLinks);
    const ParsedOptions parsed = ParseServerOptions(4, follow);
    EXPECT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.options.followOutsideLinks);
}

}  // namespace
