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
#include "platform/posix/net/socket_notifications.h"
#include "platform/posix/startscreen/posix_file_store_platform.h"
#include "startscreen/start_screen_flow.h"

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

// The reference update server as its own process on 127.0.0.1 and a free port.
class ServerProcess {
  public:
    bool Start(const std::filesystem::path& folder, bool refuse) {
        std::vector<std::string> args = {TIDEMARCH_UPDATE_SERVER,
                                         "--folder",
                                         folder.string(),
                                         "--address",
                                         "127.0.0.1",
                                         "--port",
                                         "0",
                                         "--quiet",
                                         "--close-delay",
                                         "1"};
        if (refuse) args.push_back("--refuse");
        return Spawn(args);
    }
    bool StartHostile(const std::string& scenario) {
        return Spawn(
            {TIDEMARCH_PYTHON3, TIDEMARCH_HOSTILE_SERVER, "--scenario", scenario, "--timeout", "20"});
    }
    bool Spawn(const std::vector<std::string>& command) {
        int out[2];
        if (::pipe(out) != 0) return false;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            std::vector<const char*> args;
            for (const std::string& word : command)
                args.push_back(word.c_str());
            args.push_back(nullptr);
            ::execv(args[0], const_cast<char* const*>(args.data()));
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        char c = 0;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        const size_t colon = line.rfind(':');
        if (line.rfind("listening on", 0) != 0 || colon == std::string::npos) return false;
        port_ = uint16_t(std::stoi(line.substr(colon + 1)));
        return true;
    }
    ~ServerProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    uint16_t Port() const { return port_; }

  private:
    pid_t pid_ = -1;
    uint16_t port_ = 0;
};

// A start screen without controls: its decisions on a connection of its own.
class FlowClient final : public ClientConnection, public StartScreenWorld {
  public:
    FlowClient(NetworkManager& manager, uint16_t port, const std::filesystem::path& folder)
        : ClientConnection(0), manager_(manager), port_(port), files_(folder.string()),
          flow_(*this, files_, registry_, StartScreenSettings{"127.0.0.1"}) {}

    void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
    uint32_t OnMessage(MessageHeader* header, uint8_t* body) override {
        if (header->id == start_message::FileHeader) ++headers;
        flow_.OnMessage(header->id, header->a, header->b, body, header->bodyLength);
        return 1;
    }
    void OnDisconnected() override { flow_.OnDisconnected(); }

    int32_t State() override { return screenState; }
    void SetState(int32_t value) override { screenState = value; }
    void OpenPanel() override { screenState = start_state::Opening; }
    void ClosePanel() override { screenState = start_state::Closing; }
    int32_t ConnectionState() override { return state; }
    void SetConnectionState(int32_t value) override { state = value; }
    void ConnectToServer() override {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port_);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        Connect(&manager_, &address, sizeof address);
    }
    void Send(uint32_t id, uint32_t a, uint32_t b, const void* body, uint32_t length) override {
        SendMessage(id, a, b, body, length, 0);
    }
    void ShowStatus(uint32_t value) override { picture = value; }
    void ShowBar(int32_t, int32_t, int32_t) override {}
    void ShowFailureText() override { failureShown = true; }
    int32_t RetryCount() override { return retries; }
    void SetRetryCount(int32_t count) override { retries = count; }
    void PostQuit() override { ++quits; }
    void HandOver() override { ++handOvers; }
    void StartFreshScreen() override { ++freshScreens; }
    void ShowAnnouncement(uint32_t) override {}
    void ShowFileStarted(uint32_t) override {}
    void ShowTotalBytes(uint32_t done) override { totalShown = done; }
    void MoveTotalMarker(int) override {}
    void ShowFileBytes(uint32_t, int) override {}
    void ShowPath(const std::string&) override {}
    void ReportFileProblem(const std::string& text) override { problems.push_back(text); }
    void OnWriteFailed() override { ClosePanel(); }

    StartScreenFlow& Flow() { return flow_; }
    // One frame: the decisions' update. True once the screen has handed over or given up.
    bool Frame() {
        if (!flow_.Update()) return true;
        return quits > 0 || failureShown;
    }

    int32_t screenState = start_state::Closed;
    uint32_t picture = 99;
    int32_t retries = 0;
    int quits = 0, handOvers = 0, freshScreens = 0, headers = 0;
    bool failureShown = false;
    uint32_t totalShown = 0;
    std::vector<std::string> problems;

  private:
    NetworkManager& manager_;
    uint16_t port_;
    PosixFileStorePlatform files_;
    MemoryRegistryPlatform registry_;
    StartScreenFlow flow_;
};

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
    void StartServer(bool refuse = false) { ASSERT_TRUE(server_.Start(release, refuse)); }
    void StartHostile(const std::string& scenario) { ASSERT_TRUE(server_.StartHostile(scenario)); }
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
