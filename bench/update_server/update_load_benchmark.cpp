// 1,000 clients updating a small release from the update server at once, on 127.0.0.1, as the
// players' hosts do it: each keeps its connection after the end message. The server is the real
// program in its own process; the clients are the project's own ClientConnection on the POSIX
// sockets, all driven by one network manager in this process, each checking every byte it
// receives against the release. Beside it, a plain local copy of the same bytes (read each release
// file, write it to another file) gives the scale. Then clients that send the largest file list
// and stop reading, against a second instance serving a large file. Prints sessions per second
// and MB/s of both, the connections held, the server's memory per held connection and per stalled
// client, and `target <name> <measured> <goal>` lines (higher is better). The copy target
// compares with the copy into one file, the faster of the two.
#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "client_file_list.h"
#include "net/client_connection.h"
#include "net/network_manager.h"
#include "platform/posix/net/posix_socket_platform.h"
#include "record_time.h"
#include "session_protocol.h"

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
// Every finished client stays connected, so all the sessions of all runs are held at the end.
constexpr double kHeldGoal = kClients * kRuns;
// A held connection is only its socket: 10,000 of them (the default cap) in 80 MB.
constexpr double kMemoryPerHeldBudget = 8 * 1024;
// A client that sent the largest list and stopped reading keeps one output chunk (64 KiB by
// default) and its read buffer; 1,000 of them (the default --max-clients) in 128 MB. Its list of
// 2,048 records, held, would cost about 300 KiB more.
constexpr double kMemoryPerStalledBudget = 128 * 1024;
constexpr int kStalledClients = 200;
constexpr size_t kLargeFileSize = 8 << 20;
// The stalled clients' receive window: fixed, so the kernel cannot take the whole large file.
constexpr int kStalledReceiveBuffer = 65536;

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

Server StartServer(const fs::path& release, const fs::path& log, std::vector<const char*> options) {
    int out[2];
    if (::pipe(out) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string folder = release.string();
    std::vector<const char*> argv = {UPDATE_SERVER_PATH, "--folder", folder.c_str(), "--address", "127.0.0.1",
                                     "--port",           "0",        "--quiet"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(nullptr);
    Server server;
    if (posix_spawn(&server.pid, UPDATE_SERVER_PATH, &actions, nullptr, const_cast<char**>(argv.data()),
                    environ) != 0)
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

// A figure of /proc/PID/status in bytes: VmHWM (peak resident) or VmRSS (resident now).
uint64_t MemoryOf(pid_t pid, const std::string& which) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        uint64_t kilobytes = 0;
        if (key == which + ":" && status >> kilobytes) return kilobytes * 1024;
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

uint64_t PeakMemoryOf(pid_t pid) { return MemoryOf(pid, "VmHWM"); }
uint64_t ResidentMemoryOf(pid_t pid) { return MemoryOf(pid, "VmRSS"); }

struct RunResult {
    double seconds = 0;
    int complete = 0;
    int failed = 0;
    uint64_t bytes = 0;
};

// Runs kClients sessions at once; the connections of the finished ones are kept open in held.
RunResult RunClients(uint16_t port, std::vector<SocketHandle>& held) {
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
        // A finished client keeps its connection, as a player's host does until the game ends;
        // only its socket stays, without the client's buffers.
        for (auto it = clients.begin(); it != clients.end();) {
            LoadClient* client = *it;
            if (!client->finished && !client->failed) {
                ++it;
                continue;
            }
            client->finished && !client->failed ? ++result.complete : ++result.failed;
            result.bytes += client->bytes;
            if (!client->failed && client->socket != kNoSocket) {
                manager->Unregister(client->socket);
                held.push_back(client->socket);
                client->socket = kNoSocket;
                client->state = connection_state::NotConnected;
            }
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

// How many of the held connections the server has not closed: a closed one reads as the end.
int StillOpen(const std::vector<SocketHandle>& held) {
    int open = 0;
    for (SocketHandle socket : held) {
        char byte;
        const ssize_t n = ::recv(int(socket), &byte, 1, MSG_DONTWAIT | MSG_PEEK);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) ++open;
    }
    return open;
}

bool ReadMessage(int fd, uint32_t expectedId) {
    MessageHeader header;
    if (::recv(fd, &header, kHeaderSize, MSG_WAITALL) != ssize_t(kHeaderSize) || header.id != expectedId)
        return false;
    std::vector<uint8_t> body(header.bodyLength);
    return body.empty() || ::recv(fd, body.data(), body.size(), MSG_WAITALL) == ssize_t(body.size());
}

bool SendAll(int fd, const std::vector<uint8_t>& bytes) {
    return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
}

// The largest list a client may send: 2,048 records in 128 folders, with names long enough to be
// held on the heap, none of them in the release.
std::vector<uint8_t> LargestFileList() {
    std::vector<FileRecord> records;
    for (uint32_t i = 0; i < kMaxListedRecords; ++i) {
        char folder[32];
        char name[48];
        std::snprintf(folder, sizeof folder, "Folder%03u", i % kMaxListedFolders);
        std::snprintf(name, sizeof name, "SpriteSheet_%04u_animation.SPR", i);
        records.push_back(MakeFileRecord(folder, name, CalendarTime{2024, 1, 1, 1, 0, 0, 0, 0}, 1000 + i));
    }
    return EncodeMessage(message_id::FileData, 0, uint32_t(records.size()), records.data(),
                         uint32_t(records.size() * sizeof(FileRecord)));
}

// A start screen that sends the largest list and then reads nothing; its socket, or -1.
int StalledClient(uint16_t port, const std::vector<uint8_t>& list) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int window = kStalledReceiveBuffer;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
    const timeval bound{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    uint8_t hello[SessionProtocol::kHelloBodySize] = {};
    const uint32_t words[5] = {0, 0x10060000, 0, 1, 7};
    std::memcpy(hello, words, sizeof words);
    const uint8_t second[SessionProtocol::kSecondAnswerBodySize] = {};
    const bool ready =
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ReadMessage(fd, message_id::HelloRequest) &&
        SendAll(fd, EncodeMessage(message_id::Hello, 0, message_id::HelloRequest, hello, sizeof hello)) &&
        ReadMessage(fd, message_id::SecondRequest) &&
        SendAll(fd, EncodeMessage(message_id::SecondAnswer, 0, message_id::SecondRequest, second,
                                  sizeof second)) &&
        ReadMessage(fd, message_id::Acknowledge) && SendAll(fd, list);
    if (ready) return fd;
    ::close(fd);
    return -1;
}

struct StalledResult {
    int stalled = 0;
    double bytesPerClient = 0;
};

// kStalledClients clients with the largest list that stop reading, against an instance serving
// one large file: the growth of the server's resident memory per client.
StalledResult MeasureStalledClients(const fs::path& root) {
    const fs::path release = root / "large-release";
    fs::create_directories(release);
    std::ofstream(release / "Big.pak", std::ios::binary)
        .write(std::vector<char>(kLargeFileSize, 'x').data(), std::streamsize(kLargeFileSize));
    const Server server =
        StartServer(release, root / "stalled.log", {"--timeout", "600", "--max-per-address", "100000"});
    StalledResult result;
    if (server.pid < 0 || server.port == 0) return result;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const uint64_t before = ResidentMemoryOf(server.pid);
    const std::vector<uint8_t> list = LargestFileList();
    std::vector<int> sockets;
    for (int i = 0; i < kStalledClients; ++i)
        if (const int fd = StalledClient(server.port, list); fd >= 0) sockets.push_back(fd);
    // Time for the server to plan every update and fill what the kernel takes.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const uint64_t after = ResidentMemoryOf(server.pid);
    result.stalled = int(sockets.size());
    result.bytesPerClient = sockets.empty() ? 0 : double(after - before) / double(sockets.size());
    for (int fd : sockets)
        ::close(fd);
    ::kill(server.pid, SIGTERM);
    ::waitpid(server.pid, nullptr, 0);
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
    PosixSocketPlatform sockets;
    PlatformSlot<SocketPlatform>::Scope installedSockets(sockets);
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    ::signal(SIGPIPE, SIG_IGN);

    char pattern[] = "/tmp/update_load_benchmark.XXXXXX";
    const fs::path root = ::mkdtemp(pattern);
    MakeRelease(root / "release");
    // Every client comes from 127.0.0.1, and every finished one stays connected.
    const Server server = StartServer(root / "release", root / "server.log",
                                      {"--max-clients", "1000", "--close-delay", "3600", "--max-lingering",
                                       "100000", "--max-per-address", "100000"});
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
    std::vector<SocketHandle> held;
    // What a run adds to the resident size is the cost of the connections it leaves held, plus the
    // buffers of the sessions served at once where this run had more of them at once than any
    // before (how many overlap depends on timing: sessions that wait for a rescan start together).
    // The buffers are kept and bounded by --max-clients, so the smallest growth of a run after the
    // first is the cost of the held connections alone.
    uint64_t residentBefore = 0;
    size_t heldBefore = 0;
    double perHeld = 1e9;
    for (int run = 1; run <= kRuns; ++run) {
        const RunResult result = RunClients(server.port, held);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const uint64_t resident = ResidentMemoryOf(server.pid);
        if (run > 1 && held.size() > heldBefore)
            perHeld = std::min(perHeld, std::max(1.0, double(resident - std::min(resident, residentBefore)) /
                                                          double(held.size() - heldBefore)));
        residentBefore = resident;
        heldBefore = held.size();
        failures += result.failed;
        rates.push_back(result.complete / result.seconds);
        throughput.push_back(double(result.bytes) / kMegabyte / result.seconds);
        std::printf("run %d: %d complete, %d failed in %.2f s: %.0f sessions/s, %.1f MB/s\n", run,
                    result.complete, result.failed, result.seconds, rates.back(), throughput.back());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const uint64_t peakMemory = PeakMemoryOf(server.pid);
    const uint64_t residentAtEnd = ResidentMemoryOf(server.pid);
    const int stillOpen = StillOpen(held);
    std::printf("connections held after the update: %d of %zu (server resident %.1f MB; %.2f KiB per held "
                "connection)\n",
                stillOpen, held.size(), residentAtEnd / kMegabyte, perHeld / 1024);
    for (SocketHandle socket : held)
        ActiveSocketPlatform().Close(socket);
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
    const StalledResult stalled = MeasureStalledClients(root);
    std::printf(
        "%d clients with the largest list (%u records) that stopped reading: %.1f KiB of server memory "
        "each\n",
        stalled.stalled, kMaxListedRecords, stalled.bytesPerClient / 1024);
    fs::remove_all(root);

    std::sort(rates.begin(), rates.end());
    std::sort(throughput.begin(), throughput.end());
    const double medianRate = rates[rates.size() / 2];
    const double medianThroughput = throughput[throughput.size() / 2];
    const double perClient = std::max(1.0, double(peakMemory - idleMemory) / kClients);
    std::printf("target update_sessions_per_second %.0f %.0f\n", medianRate, kSessionsGoal);
    std::printf("target update_vs_local_copy %.2f %.2f\n", medianThroughput / copyRate, kCopyRatioGoal);
    std::printf("target update_memory_per_client_budget %.2f 1.00\n", kMemoryPerClientBudget / perClient);
    std::printf("target update_connections_held %d %.0f\n", stillOpen, kHeldGoal);
    std::printf("target update_memory_per_held_connection_budget %.2f 1.00\n",
                kMemoryPerHeldBudget / perHeld);
    std::printf("target update_memory_per_stalled_largest_list_budget %.2f 1.00\n",
                stalled.stalled == kStalledClients
                    ? kMemoryPerStalledBudget / std::max(1.0, stalled.bytesPerClient)
                    : 0.0);
    return failures == 0 && stalled.stalled == kStalledClients ? 0 : 1;
}
