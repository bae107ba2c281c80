// Server programs behind HAProxy in TCP mode on loopback ports, with clients connecting to HAProxy
// only and HAProxy checking each instance's /health: every session completes and both instances
// serve some; when one instance dies in the middle of a run, the sessions on the other finish and
// new sessions go to the survivor.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
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
// Short health checks, so that a test sees an instance marked down within a second.
constexpr char kCheckInterval[] = "inter 100ms";
constexpr char kTestGlobalMaxconn[] = "maxconn 1000";

// Whether a program listens on the port, found without connecting (a connection through HAProxy
// would be a session of an instance).
bool Listening(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool taken = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0;
    ::close(fd);
    return taken;
}

std::string Text(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

// One server program on a loopback port with its metrics endpoint, as HAProxy checks it.
struct Instance {
    Instance(const fs::path& release, const fs::path& logPath)
        : log(logPath),
          child({UPDATE_SERVER_PATH, "--folder", release.string(), "--address", "127.0.0.1", "--port", "0",
                 "--metrics-port", std::to_string(FreePort()), "--chunk-size", "16384", "--proxy-protocol"},
                log, true),
          port(PortOf(child.FirstLine())), metricsPort(MetricsPortFromLog(log)) {}

    int CompleteSessions() const { return Occurrences(Text(log), "start-screen complete"); }

    fs::path log;
    Child child;
    uint16_t port;
    uint16_t metricsPort;
};

// HAProxy with the deployment example, its addresses replaced by loopback ports and its health
// checks made short.
class Balancer {
  public:
    Balancer(const fs::path& work, const Instance& first, const Instance& second) : front_(FreePort()) {
        std::ifstream in(std::string(UPDATE_SERVER_DEPLOY_DIR) + "/haproxy.cfg");
        std::stringstream text;
        text << in.rdbuf();
        std::string config = text.str();
        Replace(config, "0.0.0.0:8100", "127.0.0.1:" + std::to_string(front_));
        Replace(config, "inter 2s", kCheckInterval);
        // HAProxy refuses to start when the descriptors its global maxconn needs exceed the hard
        // limit, which on a test machine may be below the production figure; a few connections do.
        Replace(config, "maxconn 8000", kTestGlobalMaxconn);
        for (const Instance* instance : {&first, &second})
            Replace(config, instance == &first ? "10.0.0.11:8100" : "10.0.0.12:8100",
                    "127.0.0.1:" + std::to_string(instance->port) + " port " +
                        std::to_string(instance->metricsPort));
        std::ofstream(work / "haproxy.cfg") << config;
        log_ = work / "haproxy.log";
        haproxy_ = std::make_unique<Child>(
            std::vector<std::string>{kHaproxy, "-db", "-f", (work / "haproxy.cfg").string()}, log_, false);
        const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!Listening(front_) && std::chrono::steady_clock::now() < bound)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    uint16_t Port() const { return front_; }
    std::string Log() const { return Text(log_); }

  private:
    uint16_t front_;
    fs::path log_;
    std::unique_ptr<Child> haproxy_;
};

// Two instances serving the same release behind one HAProxy, each logging to a file in the work
// folder.
struct Farm {
    Farm(const fs::path& work, const fs::path& release)
        : first(release, work / "first.log"), second(release, work / "second.log"),
          balancer(work, first, second) {}
    Instance first;
    Instance second;
    Balancer balancer;
};

class ScaleOutTest : public UpdateServerTest {
  protected:
    ClientPointer ClientThrough(const Balancer& balancer, const std::string& name) {
        const fs::path folder = installed.parent_path() / name;
        fs::create_directories(folder);
        ClientPointer client(new UpdateTestClient(TestHello::StartScreen, folder.string()),
                             [](UpdateTestClient* c) { DestroyConnection(c); });
        EXPECT_TRUE(client->ConnectTo(pump.Manager(), balancer.Port()));
        return client;
    }
    bool FilesExact(const std::string& name) {
        const fs::path folder = installed.parent_path() / name;
        return ReadFile(folder / "Game.dat") == game && ReadFile(folder / "SPR" / "Start.SPR") == start;
    }
    void WriteRelease() {
        WriteFile(release / "Game.dat", game);
        WriteFile(release / "SPR" / "Start.SPR", start);
    }
    std::vector<uint8_t> game;
    std::vector<uint8_t> start = Pattern(5000, 2);
};

TEST_F(ScaleOutTest, TwoInstancesBehindHaproxyShareTheSessionsAndAllComplete) {
    if (!fs::exists(kHaproxy)) GTEST_SKIP() << "haproxy is not installed (scripts/setup.sh installs it)";
    constexpr int kClients = 8;
    game = Pattern(40000, 1);
    WriteRelease();
    Farm farm(installed.parent_path(), release);
    ASSERT_NE(farm.first.metricsPort, 0) << Text(farm.first.log);
    ASSERT_NE(farm.second.metricsPort, 0) << Text(farm.second.log);
    Instance& first = farm.first;
    Instance& second = farm.second;
    Balancer& balancer = farm.balancer;

    std::vector<ClientPointer> clients;
    for (int i = 0; i < kClients; ++i)
        clients.push_back(ClientThrough(balancer, "client" + std::to_string(i)));
    ASSERT_TRUE(pump.Until([&] {
        return std::all_of(clients.begin(), clients.end(), [](const auto& c) { return c->finished; });
    }));
    for (int i = 0; i < kClients; ++i)
        EXPECT_TRUE(FilesExact("client" + std::to_string(i))) << i;
    clients.clear();
    pump.Until([&] { return first.CompleteSessions() + second.CompleteSessions() == kClients; });
    EXPECT_EQ(first.CompleteSessions() + second.CompleteSessions(), kClients);
    EXPECT_GT(first.CompleteSessions(), 0);
    EXPECT_GT(second.CompleteSessions(), 0);
    // HAProxy's checks are not sessions: the instances log the clients' sessions only.
    EXPECT_EQ(Occurrences(Text(first.log) + Text(second.log), " session "), kClients);
}

TEST_F(ScaleOutTest, WhenOneInstanceDiesTheOtherFinishesItsSessionsAndTakesTheNewOnes) {
    if (!fs::exists(kHaproxy)) GTEST_SKIP() << "haproxy is not installed (scripts/setup.sh installs it)";
    constexpr int kClients = 6;
    // Larger than what the socket buffers between an instance and a client hold, so that no session
    // is over when the instance dies.
    game = Pattern(32 << 20, 1);
    WriteRelease();
    Farm farm(installed.parent_path(), release);
    ASSERT_NE(farm.first.metricsPort, 0) << Text(farm.first.log);
    ASSERT_NE(farm.second.metricsPort, 0) << Text(farm.second.log);
    Instance& first = farm.first;
    Instance& second = farm.second;
    Balancer& balancer = farm.balancer;

    std::vector<ClientPointer> running;
    for (int i = 0; i < kClients; ++i)
        running.push_back(ClientThrough(balancer, "running" + std::to_string(i)));
    ASSERT_TRUE(pump.Until([&] {
        return std::all_of(running.begin(), running.end(),
                           [](const auto& c) { return c->Count(message_id::FileData) > 0; });
    }));
    ASSERT_TRUE(std::none_of(running.begin(), running.end(), [](const auto& c) { return c->finished; }));
    first.child.Stop(SIGKILL);

    // Right after the fault, before any check has noticed it: new clients are served too.
    std::vector<ClientPointer> later;
    for (int i = 0; i < kClients; ++i)
        later.push_back(ClientThrough(balancer, "later" + std::to_string(i)));
    ASSERT_TRUE(pump.Until(
        [&] {
            auto over = [](const auto& c) { return c->finished || c->disconnects > 0; };
            return std::all_of(running.begin(), running.end(), over) &&
                   std::all_of(later.begin(), later.end(), over);
        },
        60000));

    int finished = 0;
    for (int i = 0; i < kClients; ++i) {
        // A session on the dead instance ends with the connection; every other one completes.
        if (running[i]->finished) {
            ++finished;
            EXPECT_TRUE(FilesExact("running" + std::to_string(i))) << i;
        }
        EXPECT_TRUE(later[i]->finished) << i << balancer.Log();
        EXPECT_TRUE(FilesExact("later" + std::to_string(i))) << i;
    }
    EXPECT_GT(finished, 0);
    EXPECT_LT(finished, kClients);
    ASSERT_TRUE(pump.Until([&] { return second.CompleteSessions() == finished + kClients; }));
    // The health checks took the dead instance out of the rotation.
    pump.Until([&] { return balancer.Log().find("update1 is DOWN") != std::string::npos; }, 5000);
    EXPECT_NE(balancer.Log().find("update1 is DOWN"), std::string::npos) << balancer.Log();
}

}  // namespace
