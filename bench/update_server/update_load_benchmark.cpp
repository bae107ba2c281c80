// 1,000 clients updating a small release from the update server at once, on 127.0.0.1. The
// server is the real program in its own process; the clients are the project's own
// ClientConnection on the POSIX sockets, all driven by one network manager in this process, each
// checking every byte it receives against the release. Beside it, a plain local copy of the same
// bytes (read each release file, write it to another file) gives the scale. Prints sessions per
// second and MB/s of both, the server's peak memory, and `target <name> <measured> <goal>` lines
// (higher is better). The copy target compares with the copy into one file, the faster of the
// two.
#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "net/client_connection.h"
#include "net/network_manager.h"
#include "platform/posix/net/socket_notifications.h"
#include "record_time.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

extern char** environ;

namespace {

constexpr int kClients = 1000;
constexpr int kRuns = 3;
constexpr double kMegabyte = 1e6;
// Goals: sessions per second on the 2-core machine; the server's MB/s against a plain local copy
// of the same bytes; the server's memory per client against 128 KiB.
constexpr double kSessionsGoal = 200;
constexpr double kCopyRatioGoal = 0.10;
constexpr double kMemoryPerClientBudget = 128 * 1024;

struct ReleaseFileSpec {
    const char* folder;
    const char* name;
    size_t size;
};

// A small release: a few files of assorted sizes in the folder and in one folder inside it.
constexpr ReleaseFileSpec kRelease[] = {
    {".", "Game.exe", 65536},    {".", "Main.dll", 32768},  {".", "Readme.txt", 1500},  {".", "Empty.cfg", 0},
    {"SPR", "Start.SPR", 24576}, {"SPR", "Font.SPR", 8192}, {"SPR", "Cursor.SPR", 700},
};

uint8_t ByteAt(size_t file, size_t offset) { return uint8_t(file * 31 + offset * 7 + (offset >> 9)); }

size_t ReleaseBytes() {
    size_t total = 0;
    for (const auto& file : kRelease)
        total += file.size;
    return total;
}

void MakeRelease(const fs::path& root) {
    for (size_t i = 0; i < std::size(kRelease); ++i) {
        const fs::path path = root / kRelease[i].folder / kRelease[i].name;
        fs::create_directories(path.parent_path());
        std::vector<uint8_t> bytes(kRelease[i].size);
        for (size_t j = 0; j < bytes.size(); ++j)
            bytes[j] = ByteAt(i, j);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
}

// A simulated start screen: its hello, an empty file list, and every received byte checked.
class LoadClient : public ClientConnection {
  public:
    LoadClient() : ClientConnection(0) {}
    void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
    void OnDisconnected() override { failed = !finished; }

    uint32_t OnMessage(MessageHeader* header, uint8_t* body) override {
        switch (header->id) {
        case message_id::HelloRequest: {
            uint8_t hello[kHelloBodySize] = {};
            const uint32_t words[5] = {0, 0x10060000, 0, 1, 7};
            std::memcpy(hello, words, sizeof words);
            SendMessage(message_id::Hello, 0, message_id::HelloRequest, hello, kHelloBodySize, 0);
            break;
        }
        case message_id::Acknowledge:
            if (header->b == message_id::SecondAnswer) SendMessage(message_id::FileData, 0, 0, nullptr, 0, 0);
            break;
        case message_id::FileHeader: {
            FileRecord record;
            std::memcpy(&record, body, sizeof record);
            current_ = -1;
            for (size_t i = 0; i < std::size(kRelease); ++i)
                if (std::strcmp(record.name, kRelease[i].name) == 0) current_ = int(i);
            if (current_ < 0 || record.size != kRelease[current_].size) failed = true;
            break;
        }
        case message_id::FileData:
            for (uint32_t i = 0; i < header->bodyLength; ++i)
                if (current_ < 0 || body[i] != ByteAt(size_t(current_), header->a + i)) failed = true;
            bytes += header->bodyLength;
            break;
        case message_id::UpdateFinished:
            finished = true;
            break;
        default:
            ClientConnection::OnMessage(header, body);
        }
        return 1;
    }

    bool finished = false;
    bool failed = false;
    uint64_t bytes = 0;

  private:
    int current_ = -1;
};

struct Server {
    pid_t pid = -1;
    uint16_t port = 0;
};

Server StartServer(const fs::path& release, const fs::path& log) {
    int out[2];
    if (::pipe(out) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string folder = release.string();
    const char* argv[] = {
        UPDATE_SERVER_PATH, "--folder", folder.c_str(),  "--address", "127.0.0.1", "--port", "0",
        "--max-clients",    "2000",     "--close-delay", "1",         nullptr};
    Server server;
    if (posix_spawn(&server.pid, UPDATE_SERVER_PATH, &actions, nullptr, const_cast<char**>(argv), environ) !=
        0)
        server.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    char line[128] = {};
    size_t used = 0;
    while (used < sizeof line - 1 && ::read(out[0], line + used, 1) == 1 && line[used] != '\n')
        ++used;
    ::close(out[0]);
    if (const char* colon = std::strrchr(line, ':')) server.port = uint16_t(std::atoi(colon + 1));
    return server;
}

uint64_t PeakMemoryOf(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        uint64_t kilobytes = 0;
        if (key == "VmHWM:" && status >> kilobytes) return kilobytes * 1024;
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

struct RunResult {
    double seconds = 0;
    int complete = 0;
    int failed = 0;
    uint64_t bytes = 0;
};

RunResult RunClients(uint16_t port) {
    int window = 0;
    auto* manager = new NetworkManager(&window);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::vector<LoadClient*> clients;
    RunResult result;
    const auto start = Clock::now();
    for (int i = 0; i < kClients; ++i) {
        auto* client = new LoadClient;
        if (client->Connect(manager, &address, sizeof address) != 1) {
            DestroyConnection(client);
            ++result.failed;
            continue;
        }
        clients.push_back(client);
    }
    const auto bound = start + std::chrono::seconds(300);
    while (!clients.empty() && Clock::now() < bound) {
        PumpSocketNotifications(*manager, 5);
        // A finished client closes at once, as a player's host would when the game starts.
        for (auto it = clients.begin(); it != clients.end();) {
            LoadClient* client = *it;
            if (!client->finished && !client->failed) {
                ++it;
                continue;
            }
            client->finished && !client->failed ? ++result.complete : ++result.failed;
            result.bytes += client->bytes;
            DestroyConnection(client);
            it = clients.erase(it);
        }
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.failed += int(clients.size());
    for (LoadClient* client : clients)
        DestroyConnection(client);
    DestroyNetworkManager(manager);
    return result;
}

// The same bytes as the sessions carry, copied on the local file system: file by file into files
// of their own (as each client stores them), or all into one file (a plain stream of the bytes).
double PlainCopySeconds(const fs::path& release, const fs::path& scratch, bool oneFile) {
    fs::create_directories(scratch);
    std::vector<uint8_t> buffer(1 << 16);
    const auto start = Clock::now();
    int stream = oneFile ? ::open((scratch / "stream").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644) : -1;
    for (int client = 0; client < kClients; ++client)
        for (const auto& file : kRelease) {
            const int in = ::open((release / file.folder / file.name).c_str(), O_RDONLY);
            const int out =
                oneFile ? stream : ::open((scratch / file.name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ssize_t n;
            while ((n = ::read(in, buffer.data(), buffer.size())) > 0)
                if (::write(out, buffer.data(), size_t(n)) != n) break;
            ::close(in);
            if (!oneFile) ::close(out);
        }
    if (oneFile) ::close(stream);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    ::signal(SIGPIPE, SIG_IGN);

    char pattern[] = "/tmp/update_load_benchmark.XXXXXX";
    const fs::path root = ::mkdtemp(pattern);
    MakeRelease(root / "release");
    const Server server = StartServer(root / "release", root / "server.log");
    if (server.pid < 0 || server.port == 0) {
        std::fprintf(stderr, "cannot start %s\n", UPDATE_SERVER_PATH);
        return 1;
    }
    const uint64_t idleMemory = PeakMemoryOf(server.pid);
    const double sessionMegabytes = double(ReleaseBytes()) / kMegabyte;
    std::printf("release: %zu files, %.3f MB; %d clients at once, %d runs\n", std::size(kRelease),
                sessionMegabytes, kClients, kRuns);

    std::vector<double> rates;
    std::vector<double> throughput;
    int failures = 0;
    for (int run = 1; run <= kRuns; ++run) {
        const RunResult result = RunClients(server.port);
        failures += result.failed;
        rates.push_back(result.complete / result.seconds);
        throughput.push_back(double(result.bytes) / kMegabyte / result.seconds);
        std::printf("run %d: %d complete, %d failed in %.2f s: %.0f sessions/s, %.1f MB/s\n", run,
                    result.complete, result.failed, result.seconds, rates.back(), throughput.back());
    }
    const uint64_t peakMemory = PeakMemoryOf(server.pid);
    ::kill(server.pid, SIGTERM);
    ::waitpid(server.pid, nullptr, 0);

    const double filesSeconds = PlainCopySeconds(root / "release", root / "copy", false);
    const double streamSeconds = PlainCopySeconds(root / "release", root / "copy", true);
    const double filesRate = sessionMegabytes * kClients / filesSeconds;
    const double copyRate = sessionMegabytes * kClients / streamSeconds;
    std::printf(
        "plain local copy of the same bytes: %.1f MB/s file by file (%.2f s), %.1f MB/s into one file "
        "(%.2f s)\n",
        filesRate, filesSeconds, copyRate, streamSeconds);
    std::printf("server memory: %.1f MB at start, peak %.1f MB (%.1f KiB per client)\n",
                idleMemory / kMegabyte, peakMemory / kMegabyte,
                double(peakMemory - idleMemory) / kClients / 1024);
    {
        std::ifstream log(root / "server.log");
        std::string line, last;
        while (std::getline(log, line))
            if (line.find("stopped:") != std::string::npos) last = line;
        std::printf("server: %s\n", last.c_str());
    }
    fs::remove_all(root);

    std::sort(rates.begin(), rates.end());
    std::sort(throughput.begin(), throughput.end());
    const double medianRate = rates[rates.size() / 2];
    const double medianThroughput = throughput[throughput.size() / 2];
    const double perClient = std::max(1.0, double(peakMemory - idleMemory) / kClients);
    std::printf("target update_sessions_per_second %.0f %.0f\n", medianRate, kSessionsGoal);
    std::printf("target update_vs_local_copy %.2f %.2f\n", medianThroughput / copyRate, kCopyRatioGoal);
    std::printf("target update_memory_per_client_budget %.2f 1.00\n", kMemoryPerClientBudget / perClient);
    return failures == 0 ? 0 : 1;
}
