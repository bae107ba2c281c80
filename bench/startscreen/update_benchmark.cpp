// How long a player waits for an update. A release of about 200 MB in about 2,000 files (a few
// large, many small) is served by the reference update server on loopback, and a fresh folder is
// filled twice: by the start screen's transfer (its decisions on a real connection, each chunk
// written by opening the file, seeking, writing, ending the file, setting its times and closing
// it), and by a plain client that keeps each file open and writes its bytes in order. Both are
// timed from the connection to the server's last message, for several server chunk sizes.
//
// Usage: update_benchmark [RELEASE_FOLDER]   (made when missing; default /tmp/tidemarch_release)
//        update_benchmark --copy PORT FOLDER  (the plain copy alone, from a running server)
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "plain_copy_client.h"
#include "platform/posix/net/socket_notifications.h"
#include "update_session_support.h"

namespace {

constexpr uint64_t kReleaseBytes = 200ull * 1000 * 1000;
constexpr int kLargeFiles = 4;
constexpr uint64_t kLargeFileBytes = 30ull * 1000 * 1000;
constexpr int kFolders = 10;
constexpr int kSmallFiles = 2000 - kLargeFiles;

void MakeRelease(const std::filesystem::path& release) {
    std::mt19937 random(8100);
    std::vector<char> block(1 << 20);
    for (char& c : block)
        c = char(random());
    auto write = [&](const std::filesystem::path& path, uint64_t size) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        for (uint64_t done = 0; done < size;) {
            const uint64_t part = std::min<uint64_t>(size - done, block.size());
            out.write(block.data(), std::streamsize(part));
            done += part;
        }
    };
    for (int i = 0; i < kLargeFiles; ++i)
        write(release / ("Data" + std::to_string(i) + ".pak"), kLargeFileBytes);
    const uint64_t smallTotal = kReleaseBytes - kLargeFiles * kLargeFileBytes;
    // Sizes spread from a few hundred bytes to a few hundred kilobytes around the mean.
    std::exponential_distribution<double> spread(1.0);
    std::vector<double> weights(kSmallFiles);
    double sum = 0;
    for (double& weight : weights)
        sum += weight = spread(random);
    for (int i = 0; i < kSmallFiles; ++i) {
        const uint64_t size = std::max<uint64_t>(1, uint64_t(double(smallTotal) * weights[i] / sum));
        const std::string folder = i % 5 == 0 ? "." : "Folder" + std::to_string(i % kFolders);
        write(release / folder / ("f" + std::to_string(i) + ".dat"), size);
    }
}

struct Totals {
    uint64_t bytes = 0;
    uint32_t files = 0;
};

Totals Measure(const std::filesystem::path& release) {
    Totals totals;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(release))
        if (entry.is_regular_file()) {
            totals.bytes += entry.file_size();
            ++totals.files;
        }
    return totals;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

double UpdateRun(uint16_t port, const std::filesystem::path& folder) {
    int window = 0;
    NetworkManager* manager = new NetworkManager(&window);
    auto* client = new FlowClient(*manager, port, folder);
    const auto start = std::chrono::steady_clock::now();
    client->Flow().Open();
    while (!client->Frame())
        PumpSocketNotifications(*manager, 5);
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    const bool ok = client->handOvers == 1 && client->problems.empty();
    DestroyConnection(client);
    DestroyNetworkManager(manager);
    return ok ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    // --copy PORT FOLDER: only the plain copy from a server that is already running, for the
    // comparison with the host under Wine (host_update_benchmark.sh).
    if (argc == 4 && std::string(argv[1]) == "--copy") {
        const auto start = std::chrono::steady_clock::now();
        const CopyResult copy = PlainCopy(uint16_t(std::stoi(argv[2])), argv[3]);
        const double seconds = Seconds(std::chrono::steady_clock::now() - start);
        if (!copy.ok) return 1;
        std::printf("copy %.3f seconds %llu bytes %u files\n", seconds, (unsigned long long)copy.bytes, copy.files);
        return 0;
    }
    const std::filesystem::path release = argc > 1 ? argv[1] : "/tmp/tidemarch_release";
    if (!std::filesystem::exists(release)) MakeRelease(release);
    const Totals totals = Measure(release);
    const std::filesystem::path work = std::filesystem::temp_directory_path() / "tidemarch_update_bench";
    std::printf("release: %.1f MB in %u files\n", double(totals.bytes) / 1e6, totals.files);
    std::printf("%-10s %-8s %10s %10s %8s\n", "chunk", "client", "MB/s", "files/s", "seconds");

    double defaultRatio = 0;
    for (uint32_t chunk : {16384u, 65536u, 262124u}) {
        ServerProcess server;
        if (!server.Start(TIDEMARCH_UPDATE_SERVER, release, {"--chunk-size", std::to_string(chunk)})) {
            std::fprintf(stderr, "the update server did not start\n");
            return 1;
        }
        std::filesystem::remove_all(work);
        std::filesystem::create_directories(work);
        const double update = UpdateRun(server.Port(), work);
        std::filesystem::remove_all(work);
        std::filesystem::create_directories(work);
        const auto start = std::chrono::steady_clock::now();
        const CopyResult copy = PlainCopy(server.Port(), work);
        const double plain = Seconds(std::chrono::steady_clock::now() - start);
        if (update < 0 || !copy.ok) {
            std::fprintf(stderr, "a run failed (chunk %u)\n", chunk);
            return 1;
        }
        for (auto [name, seconds] : {std::pair{"update", update}, std::pair{"copy", plain}})
            std::printf("%-10u %-8s %10.1f %10.0f %8.2f\n", chunk, name, double(totals.bytes) / 1e6 / seconds,
                        totals.files / seconds, seconds);
        if (chunk == 65536u) defaultRatio = plain / update;
    }
    std::filesystem::remove_all(work);
    std::printf("target update-vs-copy %.2f 0.5\n", defaultRatio);
    return 0;
}
