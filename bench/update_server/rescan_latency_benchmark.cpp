// How a running download fares while the update server rescans a slow release folder. The server
// runs in this process on a file system made slow on purpose: every call a folder scan makes waits
// a few milliseconds (a rescan of the folder takes about a second, as on a loaded network share),
// and every chunk read waits 2 ms, so the server, not the loopback socket, sets the pace of
// chunks. One client downloads a large file; while it does, a second client's session makes the
// server rescan the folder. The figure is the largest gap between two chunks of the first client
// during that rescan, against the usual gap and the largest gap in as long a time right after the
// rescan (what the loaded machine does on its own); the median of three runs counts. Prints `target <name>
// <measured> <goal>` (higher is better).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <asio.hpp>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "net/wire_format.h"
#include "session_protocol.h"
#include "slow_file_system.h"
#include "update_server.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 3;
constexpr int kSmallFiles = 200;
// Scan calls per unchanged small file: its status as a possible link, and its status.
constexpr int kScanCallsPerFile = 2;
constexpr std::chrono::milliseconds kRescanGoal{1000};
constexpr std::chrono::milliseconds kReadDelay{2};
constexpr uint32_t kChunkSize = 16384;
constexpr size_t kBigFileSize = size_t(kChunkSize) * 1500;  // about 3 s at one chunk per read delay
// The download is well under way before the folder turns slow and the second client comes.
constexpr size_t kChunksBeforeRescan = 100;
constexpr std::chrono::milliseconds kPollInterval{1};
// The largest gap allowed while the folder is rescanned: far below the second the rescan takes,
// and below what a player could notice in the start screen's progress bar.
constexpr double kGapGoalMs = 50;
constexpr uint32_t kStartScreenHello[5] = {0, 0x10060000, 0, 1, 7};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// A blocking client of the update protocol that answers as the start screen, lists no files and
// records when each data message arrives.
class RawClient {
  public:
    explicit RawClient(uint16_t port) {
        socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("cannot connect");
        const int one = 1;
        ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    ~RawClient() { ::close(socket_); }

    // Up to and including the file list; returns when it is sent.
    void Handshake() {
        Expect(message_id::HelloRequest);
        uint8_t hello[SessionProtocol::kHelloBodySize] = {};
        std::memcpy(hello, kStartScreenHello, sizeof kStartScreenHello);
        Send(EncodeMessage(message_id::Hello, 0, message_id::HelloRequest, hello, sizeof hello));
        Expect(message_id::SecondRequest);
        const uint8_t second[SessionProtocol::kSecondAnswerBodySize] = {};
        Send(EncodeMessage(message_id::SecondAnswer, 0, message_id::SecondRequest, second, sizeof second));
        Expect(message_id::Acknowledge);
        Send(EncodeMessage(message_id::FileData, 0, 0, nullptr, 0));
        listSent = Clock::now();
    }

    // Reads the update to its end message.
    void Download() {
        for (;;) {
            const uint32_t id = Next();
            if (id == message_id::UpdateAnnounced) announced = Clock::now();
            if (id == message_id::FileData) {
                chunkTimes.push_back(Clock::now());
                ++chunks;
            }
            if (id == message_id::UpdateFinished) return;
        }
    }

    Clock::time_point listSent{};
    Clock::time_point announced{};
    std::vector<Clock::time_point> chunkTimes;
    std::atomic<size_t> chunks{0};

  private:
    void Send(const std::vector<uint8_t>& bytes) {
        if (::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) != ssize_t(bytes.size()))
            throw std::runtime_error("send failed");
    }
    void ReadExactly(uint8_t* out, size_t length) {
        while (length > 0) {
            const ssize_t n = ::recv(socket_, out, length, 0);
            if (n <= 0) throw std::runtime_error("connection lost");
            out += n;
            length -= size_t(n);
        }
    }
    uint32_t Next() {
        MessageHeader header;
        ReadExactly(reinterpret_cast<uint8_t*>(&header), kHeaderSize);
        body_.resize(header.bodyLength);
        ReadExactly(body_.data(), body_.size());
        return header.id;
    }
    void Expect(uint32_t id) {
        if (Next() != id) throw std::runtime_error("unexpected message");
    }

    int socket_ = -1;
    std::vector<uint8_t> body_;
};

void WriteBytes(const fs::path& path, size_t length) {
    fs::create_directories(path.parent_path());
    std::vector<char> bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = char(i * 7 + (i >> 10));
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

struct RunFigures {
    double rescanMs;
    double medianGapMs;
    double largestDuringRescanMs;
    double largestAfterRescanMs;  // in as long a time right after it, for the machine's own noise
};

RunFigures Run() {
    char pattern[] = "/tmp/rescan_latency_benchmark.XXXXXX";
    const fs::path root = ::mkdtemp(pattern);
    const fs::path release = root / "release";
    WriteBytes(release / "Big.bin", kBigFileSize);
    for (int i = 0; i < kSmallFiles; ++i)
        WriteBytes(release / "Small" / ("File" + std::to_string(i) + ".dat"), 100);

    auto slow = std::make_shared<SlowFileSystem>();
    slow->readDelay = kReadDelay;
    ServerOptions options;
    options.folder = release.string();
    options.address = "127.0.0.1";
    options.port = 0;
    options.chunkSize = kChunkSize;
    options.rescanInterval = std::chrono::milliseconds(0);  // every session rescans
    options.quiet = true;

    asio::io_context io;
    UpdateServer server(
        io, options, [](const std::string&) {}, slow);
    std::string error;
    if (!server.Start(error)) throw std::runtime_error(error);
    const uint16_t port = server.Endpoint().port();
    std::thread loop([&] { io.run(); });

    RawClient running(port);
    running.Handshake();
    std::thread download([&] { running.Download(); });
    while (running.chunks < kChunksBeforeRescan)
        std::this_thread::sleep_for(kPollInterval);
    // From now on the folder is slow.
    slow->scanCallDelay = std::chrono::duration_cast<std::chrono::microseconds>(kRescanGoal) /
                          (kSmallFiles * kScanCallsPerFile);
    RawClient rescanning(port);
    rescanning.Handshake();
    rescanning.Download();
    download.join();
    asio::post(io, [&] { server.Stop(); });
    loop.join();
    fs::remove_all(root);

    const Clock::time_point from = rescanning.listSent;
    const Clock::time_point to = rescanning.announced;
    const Clock::time_point controlEnd = to + (to - from);
    RunFigures figures{Ms(to - from), 0, 0, 0};
    // The first client's chunks of the large file only: its small files come several to a read.
    const auto& times = running.chunkTimes;
    const size_t bigChunks = kBigFileSize / kChunkSize;
    if (times.size() < bigChunks || times.front() > from || times[bigChunks - 1] < controlEnd)
        throw std::runtime_error(
            "the large file did not arrive all through the rescan and the time after it");
    std::vector<double> gaps;
    for (size_t i = 1; i < bigChunks; ++i) {
        const double gap = Ms(times[i] - times[i - 1]);
        gaps.push_back(gap);
        if (times[i] > from && times[i - 1] < to)
            figures.largestDuringRescanMs = std::max(figures.largestDuringRescanMs, gap);
        else if (times[i - 1] >= to && times[i] <= controlEnd)
            figures.largestAfterRescanMs = std::max(figures.largestAfterRescanMs, gap);
    }
    std::sort(gaps.begin(), gaps.end());
    figures.medianGapMs = gaps[gaps.size() / 2];
    return figures;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    std::vector<double> during, after;
    try {
        for (int run = 1; run <= kRuns; ++run) {
            const RunFigures f = Run();
            std::printf("run %d: rescan of %d files %.0f ms; chunk gap median %.2f ms, largest during the "
                        "rescan %.2f ms, largest in as long a time after it %.2f ms\n",
                        run, kSmallFiles + 1, f.rescanMs, f.medianGapMs, f.largestDuringRescanMs,
                        f.largestAfterRescanMs);
            during.push_back(f.largestDuringRescanMs);
            after.push_back(f.largestAfterRescanMs);
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "rescan_latency_benchmark: %s\n", failure.what());
        return 1;
    }
    const double largest = Median(during);
    std::printf("median of %d runs: largest gap during the rescan %.2f ms, after it %.2f ms\n", kRuns,
                largest, Median(after));
    std::printf("target rescan_largest_chunk_gap %.2f 1.00\n", kGapGoalMs / std::max(largest, 0.001));
    return 0;
}
