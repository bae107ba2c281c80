#pragma once
// Helpers of the native sound tests: PCM formats, a sample file on disk and bounded waits.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/wave_format.h"
#include "files/read_only_file.h"

inline WaveFormat Pcm(uint16_t channels, uint16_t bits, uint32_t rate = 22050) {
    const uint16_t align = uint16_t(channels * bits / 8);
    return WaveFormat{kWaveFormatPcm, channels, rate, rate * align, align, bits, 0};
}

// Sample bytes that never repeat with a period of a block, so that a misplaced block shows.
inline std::vector<uint8_t> Pattern(uint32_t bytes, uint32_t seed = 1) {
    std::vector<uint8_t> out(bytes);
    uint32_t state = seed * 2654435761u + 1;
    for (auto& b : out) {
        state = state * 1103515245u + 12345u;
        b = uint8_t(state >> 16);
    }
    return out;
}

// A file with a head of junk bytes and then the samples, removed at the end of the test.
class SampleFile {
  public:
    SampleFile(const std::vector<uint8_t>& samples, uint32_t headBytes = 100) : headBytes_(headBytes) {
        char name[] = "/tmp/tidemarch-sound-XXXXXX";
        const int fd = mkstemp(name);
        path_ = name;
        std::vector<uint8_t> content(headBytes, 0xEE);
        content.insert(content.end(), samples.begin(), samples.end());
        size_t written = 0;
        while (written < content.size()) {
            const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
            if (n <= 0) std::abort();
            written += size_t(n);
        }
        ::close(fd);
        handle_ = ActiveFilePlatform().OpenForReading(path_.c_str());
    }
    ~SampleFile() {
        ActiveFilePlatform().Close(handle_);
        std::remove(path_.c_str());
    }
    SampleFile(const SampleFile&) = delete;
    SampleFile& operator=(const SampleFile&) = delete;

    FileHandle handle() const { return handle_; }
    uint32_t dataStart() const { return headBytes_; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    uint32_t headBytes_;
    FileHandle handle_;
};

// Polls a condition until it holds or the time is up; true when it held.
template <class Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}
