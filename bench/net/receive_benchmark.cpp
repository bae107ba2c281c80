// Receive path of a connection on a stream of mixed message sizes (20 bytes to 1 MiB) that a
// writer thread sends through a TCP socket pair on 127.0.0.1, beside a plain loop that only reads
// the same stream into a buffer of the connection's base size: the limit of any receiver. Ends
// with one `target <name> <measured ratio> <goal ratio>` line per target (higher is better).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "median_rate_reporter.h"
#include "net/checksum.h"
#include "net/connection.h"
#include "platform/posix/net/posix_socket_platform.h"

namespace {

constexpr size_t kStreamBytes = size_t(96) << 20;
constexpr uint32_t kSmallestMessage = 20;
constexpr uint32_t kLargestMessage = 1u << 20;

// Message sizes spread evenly over the logarithm from 20 bytes to 1 MiB (header included).
std::vector<uint8_t> MakeStream(bool withTrailers, uint32_t& messageCount) {
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> exponent(std::log(double(kSmallestMessage)),
                                                    std::log(double(kLargestMessage)));
    std::vector<uint8_t> stream;
    stream.reserve(kStreamBytes + kLargestMessage + 64);
    messageCount = 0;
    while (stream.size() < kStreamBytes) {
        const uint32_t size = uint32_t(std::exp(exponent(random)));
        const uint32_t length = size - 20;
        const size_t start = stream.size();
        stream.resize(start + 20 + length + (withTrailers ? 4 : 0));
        uint8_t* message = stream.data() + start;
        const MessageHeader header{FrameMagic, 0x80020020, messageCount, 0, length};
        std::memcpy(message, &header, 20);
        for (uint32_t j = 0; j < length; ++j)
            message[20 + j] = uint8_t(random());
        if (withTrailers) {
            const uint32_t trailer =
                ChecksumSum(kReceiveWeights, message, message + 20, length) ^ ReceiveMask;
            std::memcpy(message + 20 + length, &trailer, 4);
        }
        ++messageCount;
    }
    return stream;
}

struct LoopbackPair {
    int sender = -1;
    int receiver = -1;

    LoopbackPair() {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener, 1);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        receiver = ::socket(AF_INET, SOCK_STREAM, 0);
        // The connection's own socket buffer size, set before connecting as the connection does.
        const int size = int(Connection::kSocketBufferSize);
        ::setsockopt(receiver, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        ::connect(receiver, reinterpret_cast<sockaddr*>(&address), sizeof address);
        sender = ::accept(listener, nullptr, nullptr);
        ::close(listener);
    }
    ~LoopbackPair() {
        ::close(sender);
        ::close(receiver);
    }
};

void SendAll(int socket, const std::vector<uint8_t>& stream) {
    size_t done = 0;
    while (done < stream.size()) {
        const ssize_t n =
            ::send(socket, stream.data() + done, std::min<size_t>(stream.size() - done, 1 << 20), 0);
        if (n <= 0) return;
        done += size_t(n);
    }
}

void WaitReadable(int socket) {
    pollfd watch{socket, POLLIN, 0};
    ::poll(&watch, 1, 5000);
}

const std::vector<uint8_t>& Stream(bool withTrailers, uint32_t& count) {
    static uint32_t counts[2];
    static std::map<bool, std::vector<uint8_t>> streams;
    auto found = streams.find(withTrailers);
    if (found == streams.end())
        found = streams.emplace(withTrailers, MakeStream(withTrailers, counts[withTrailers])).first;
    count = counts[withTrailers];
    return found->second;
}

void BM_PlainReadLoop(benchmark::State& state) {
    uint32_t count;
    const auto& stream = Stream(false, count);
    LoopbackPair pair;
    std::vector<uint8_t> buffer(size_t(state.range(0)));
    for (auto _ : state) {
        std::thread writer(SendAll, pair.sender, std::cref(stream));
        size_t received = 0;
        while (received < stream.size()) {
            WaitReadable(pair.receiver);
            const ssize_t n = ::recv(pair.receiver, buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (n > 0) received += size_t(n);
        }
        writer.join();
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.size()));
}

class CountingConnection : public Connection {
  public:
    explicit CountingConnection(uint32_t checksumMode) : Connection(checksumMode) {}
    void* DeletingDestructor(uint32_t flags) override { return RunDeletingDestructor(this, flags); }
    uint32_t OnMessage(MessageHeader* header, uint8_t*) override {
        ++messages;
        bytes += header->bodyLength;
        return 1;
    }
    void OnBadChecksum(MessageHeader*, uint8_t*, uint32_t, uint32_t) override { ++badChecksums; }
    uint32_t messages = 0;
    uint32_t badChecksums = 0;
    uint64_t bytes = 0;
};

void BM_ConnectionReceive(benchmark::State& state) {
    const bool withChecksums = state.range(0) != 0;
    uint32_t count;
    const auto& stream = Stream(withChecksums, count);
    LoopbackPair pair;
    CountingConnection connection(withChecksums ? 1 : 0);
    ActiveSocketPlatform().Close(connection.socket);
    connection.socket = AdoptConnectedSocket(::dup(pair.receiver));
    connection.state = connection_state::Connected;
    for (auto _ : state) {
        connection.messages = 0;
        std::thread writer(SendAll, pair.sender, std::cref(stream));
        while (connection.messages + connection.badChecksums < count) {
            WaitReadable(int(connection.socket));
            if (connection.ReceiveAvailable() < 0) break;
        }
        writer.join();
    }
    if (connection.badChecksums || connection.messages != count)
        state.SkipWithError("stream not received intact");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.size()));
}

void BM_ChecksumSum(benchmark::State& state) {
    std::vector<uint8_t> message(20 + kLargestMessage, 0x5A);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            ChecksumSum(kReceiveWeights, message.data(), message.data() + 20, kLargestMessage));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(message.size()));
}

// The checksum written byte by byte, for comparison.
void BM_ChecksumByteLoop(benchmark::State& state) {
    std::vector<uint8_t> body(kLargestMessage, 0x5A);
    for (auto _ : state) {
        uint32_t sum = 0;
        for (uint32_t j = 0; j < kLargestMessage; ++j)
            sum += uint32_t(int8_t(body[j]) + 11) * j * 13u;
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(body.size()));
}

// The plain loop reads into a buffer as large as the connection's grows for the largest message.
BENCHMARK(BM_PlainReadLoop)
    ->Arg(kLargestMessage + 4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ConnectionReceive)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ChecksumSum)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ChecksumByteLoop)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    PosixSocketPlatform sockets;
    PlatformSlot<SocketPlatform>::Scope installedSockets(sockets);
    benchmark::Initialize(&argc, argv);
    MedianRateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto limit = reporter.Of("BM_PlainReadLoop/" + std::to_string(kLargestMessage + 4));
    const auto plain = reporter.Of("BM_ConnectionReceive/0");
    const auto checked = reporter.Of("BM_ConnectionReceive/1");
    if (limit.real <= 0 || limit.processor <= 0) return 0;
    std::printf("real-time ratios (shared machine, for information): without checksums %.2f, with %.2f\n",
                plain.real / limit.real, checked.real / limit.real);
    std::printf("target receive_without_checksums %.2f 0.80\n", plain.processor / limit.processor);
    std::printf("target receive_with_checksums %.2f 0.50\n", checked.processor / limit.processor);
    return 0;
}
