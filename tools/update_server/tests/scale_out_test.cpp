// Two server programs behind HAProxy in TCP mode on loopback ports, with clients connecting to
// HAProxy only: every session completes, and both instances serve some of them.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "child_process.h"
#include "server_fixture.h"

namespace fs = std::filesystem;

namespace {

constexpr char kHaproxy[] = "/usr/sbin/haproxy";
constexpr int kClients = 8;

uint16_t FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool Accepts(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

int CompleteSessions(const fs::path& log) {
    std::ifstream in(log);
    std::string line;
    int count = 0;
    while (std::getline(in, line))
        if (line.find("start-screen complete") != std::string::npos) ++count;
    return count;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

// The deployment example with loopback ports for the frontend and the two instances.
std::string HaproxyConfig(uint16_t front, uint16_t first, uint16_t second) {
    std::ifstream in(std::string(UPDATE_SERVER_DEPLOY_DIR) + "/haproxy.cfg");
    std::stringstream text;
    text << in.rdbuf();
    std::string config = text.str();
    Replace(config, "0.0.0.0:8100", "127.0.0.1:" + std::to_string(front));
    Replace(config, "10.0.0.11:8100", "127.0.0.1:" + std::to_string(first));
    Replace(config, "10.0.0.12:8100", "127.0.0.1:" + std::to_string(second));
    return config;
}

TEST_F(UpdateServerTest, TwoInstancesBehindHaproxyShareTheSessionsAndAllComplete) {
    if (!fs::exists(kHaproxy)) GTEST_SKIP() << "haproxy is not installed (scripts/setup.sh installs it)";
    WriteFile(release / "Game.dat", Pattern(40000, 1));
    WriteFile(release / "SPR" / "Start.SPR", Pattern(5000, 2));
    const fs::path work = installed.parent_path();
    auto server = [&](const char* name) {
        return std::make_unique<Child>(std::vector<std::string>{UPDATE_SERVER_PATH, "--folder",
                                                                release.string(), "--address", "127.0.0.1",
                                                                "--port", "0"},
                                       work / name, true);
    };
    auto first = server("first.log");
    auto second = server("second.log");
    const uint16_t firstPort = PortOf(first->FirstLine());
    const uint16_t secondPort = PortOf(second->FirstLine());
    ASSERT_NE(firstPort, 0) << first->FirstLine();
    ASSERT_NE(secondPort, 0) << second->FirstLine();

    const uint16_t front = FreePort();
    std::ofstream(work / "haproxy.cfg") << HaproxyConfig(front, firstPort, secondPort);
    Child haproxy({kHaproxy, "-db", "-f", (work / "haproxy.cfg").string()}, work / "haproxy.log", false);
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!Accepts(front) && std::chrono::steady_clock::now() < bound)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    std::vector<ClientPointer> clients;
    for (int i = 0; i < kClients; ++i) {
        const fs::path folder = work / ("client" + std::to_string(i));
        fs::create_directories(folder);
        ClientPointer client(new UpdateTestClient(TestHello::StartScreen, folder.string()),
                             [](UpdateTestClient* c) { DestroyConnection(c); });
        ASSERT_TRUE(client->ConnectTo(pump.Manager(), front));
        clients.push_back(std::move(client));
    }
    ASSERT_TRUE(pump.Until([&] {
        return std::all_of(clients.begin(), clients.end(), [](const auto& c) { return c->finished; });
    }));
    for (int i = 0; i < kClients; ++i) {
        const fs::path folder = work / ("client" + std::to_string(i));
        EXPECT_EQ(ReadFile(folder / "Game.dat"), Pattern(40000, 1)) << i;
        EXPECT_EQ(ReadFile(folder / "SPR" / "Start.SPR"), Pattern(5000, 2)) << i;
    }
    clients.clear();
    int onFirst = 0;
    int onSecond = 0;
    pump.Until([&] {
        onFirst = CompleteSessions(work / "first.log");
        onSecond = CompleteSessions(work / "second.log");
        return onFirst + onSecond == kClients;
    });
    EXPECT_EQ(onFirst + onSecond, kClients);
    EXPECT_GT(onFirst, 0);
    EXPECT_GT(onSecond, 0);
}

}  // namespace
