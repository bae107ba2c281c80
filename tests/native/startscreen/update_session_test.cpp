// The start screen's decisions and transfer, on a real connection, against the reference update
// server: sessions from a fresh folder, an up-to-date folder and a refusing server.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "net/client_connection.h"
#include "net/network_manager.h"
#include "platform/memory/startscreen/memory_registry_platform.h"
#include "platform/posix/net/posix_socket_platform.h"
#include "platform/posix/update_client/posix_file_store_platform.h"
#include "startscreen/flow/start_screen_flow.h"
#include "update_session_support.h"

namespace {

std::vector<uint8_t> Pattern(size_t length, uint8_t seed) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = uint8_t(i * 131 + seed * 7 + (i >> 9));
    return bytes;
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void SetWriteTime(const std::filesystem::path& path, int64_t seconds, int milliseconds) {
    const timespec times[2] = {{seconds, milliseconds * 1000000L}, {seconds, milliseconds * 1000000L}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

timespec WriteTimeOf(const std::filesystem::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mtim;
}

class UpdateSession : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ = std::filesystem::temp_directory_path() /
                ("tidemarch_session_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(base_);
        release = base_ / "release";
        installed = base_ / "installed";
        std::filesystem::create_directories(release);
        std::filesystem::create_directories(installed);
        manager_ = new NetworkManager(&window_);
    }
    void TearDown() override {
        for (FlowClient* client : clients_)
            DestroyConnection(client);  // unregisters it from the manager
        DestroyNetworkManager(manager_);
        std::filesystem::remove_all(base_);
    }
    void StartServer(bool refuse = false) {
        ASSERT_TRUE(
            server_.Start(TIDEMARCH_UPDATE_SERVER, release,
                          refuse ? std::vector<std::string>{"--refuse"} : std::vector<std::string>{}));
    }
    void StartHostile(const std::string& scenario) {
        ASSERT_TRUE(server_.Spawn(
            {TIDEMARCH_PYTHON3, TIDEMARCH_HOSTILE_SERVER, "--scenario", scenario, "--timeout", "20"}));
    }
    // What lies beside the program folder, where nothing may ever be written.
    std::vector<std::string> Beside() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(installed.parent_path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    bool Until(const std::function<bool()>& condition, int boundMs = 20000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end) return false;
            PumpSocketNotifications(*manager_, 5);
        }
        return true;
    }
    FlowClient* NewClient() {
        auto* client = new FlowClient(*manager_, server_.Port(), installed);
        clients_.push_back(client);
        client->Flow().Open();
        return client;
    }
    FlowClient* Run() {
        FlowClient* client = NewClient();
        EXPECT_TRUE(Until([&] { return client->Frame(); }));
        return client;
    }

    std::filesystem::path release;
    std::filesystem::path installed;

  private:
    std::filesystem::path base_;
    int window_ = 0;
    NetworkManager* manager_ = nullptr;
    ServerProcess server_;
    std::vector<FlowClient*> clients_;
};

constexpr int64_t kReleaseTime = 1600000000;  // 2020-09-13 12:26:40 UTC

TEST_F(UpdateSession, FreshFolderIsUpdatedByteForByteThenTheNextSessionSendsNothing) {
    WriteFile(release / "Main.dll", Pattern(300000, 1));
    WriteFile(release / "Empty.txt", {});
    WriteFile(release / "SPR" / "Start.SPR", Pattern(70000, 2));
    WriteFile(release / "SPR" / "Small.SPR", Pattern(3, 3));
    SetWriteTime(release / "Main.dll", kReleaseTime, 250);
    SetWriteTime(release / "Empty.txt", kReleaseTime, 0);
    SetWriteTime(release / "SPR" / "Start.SPR", kReleaseTime + 60, 999);
    SetWriteTime(release / "SPR" / "Small.SPR", kReleaseTime + 1, 1);
    WriteFile(installed / "Main.dll", Pattern(500000, 9));  // an old, longer version
    StartServer();

    FlowClient* first = Run();
    EXPECT_EQ(first->handOvers, 1);
    EXPECT_EQ(first->headers, 4);
    EXPECT_TRUE(first->problems.empty());
    for (const char* path : {"Main.dll", "Empty.txt", "SPR/Start.SPR", "SPR/Small.SPR"}) {
        EXPECT_EQ(ReadFile(installed / path), ReadFile(release / path)) << path;
        const timespec got = WriteTimeOf(installed / path);
        const timespec want = WriteTimeOf(release / path);
        EXPECT_EQ(got.tv_sec, want.tv_sec) << path;
        EXPECT_EQ(got.tv_nsec / 1000000, want.tv_nsec / 1000000) << path;
    }
    EXPECT_EQ(first->totalShown, 300000u + 70000u + 3u);

    FlowClient* second = Run();
    EXPECT_EQ(second->handOvers, 1);
    EXPECT_EQ(second->headers, 0);
}

TEST_F(UpdateSession, RefusingServerLeavesTheScreenRefused) {
    StartServer(true);
    FlowClient* client = NewClient();
    EXPECT_TRUE(Until([&] {
        client->Frame();
        return client->screenState == start_state::Refused;
    }));
    EXPECT_EQ(client->picture, start_picture::Refused);
    EXPECT_TRUE(client->Flow().OnButtonDown());
    EXPECT_EQ(client->quits, 1);
    EXPECT_EQ(client->handOvers, 0);
}

TEST_F(UpdateSession, HostileNamesAndOversizeChunksChangeNothingOutsideTheFolder) {
    StartHostile("hostile");
    FlowClient* client = Run();
    EXPECT_EQ(client->handOvers, 1);
    std::vector<std::string> inside;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(installed))
        inside.push_back(std::filesystem::relative(entry.path(), installed).string());
    std::sort(inside.begin(), inside.end());
    EXPECT_EQ(inside, (std::vector<std::string>{"big.txt", "good.txt"}));
    EXPECT_EQ(ReadFile(installed / "good.txt"), (std::vector<uint8_t>{'G', 'O', 'O', 'D'}));
    EXPECT_TRUE(ReadFile(installed / "big.txt").empty());
    EXPECT_EQ(Beside(), (std::vector<std::string>{"installed", "release"}));
    EXPECT_EQ(client->problems.size(), 10u);
    for (const std::string& problem : client->problems)
        EXPECT_EQ(problem.rfind("Fail to make FILE : ", 0), 0u) << problem;
}

TEST_F(UpdateSession, DisconnectionInTheMiddleOfAFileRestartsTheWaitAndLeavesItShort) {
    StartHostile("disconnect");
    FlowClient* client = NewClient();
    EXPECT_TRUE(Until([&] {
        client->Frame();
        return std::filesystem::exists(installed / "part.bin") &&
               client->state == connection_state::NotConnected && client->screenState == start_state::Opening;
    }));
    EXPECT_EQ(std::filesystem::file_size(installed / "part.bin"), 500u);
    EXPECT_EQ(client->Flow().BarMaximum(), 1000);
    EXPECT_EQ(client->handOvers, 0);
}

}  // namespace
