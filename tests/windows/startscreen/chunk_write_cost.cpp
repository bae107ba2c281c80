// Not a test: what the update's per-chunk file steps cost on this platform. Writes the same bytes
// (ARGV: files, bytes per file, chunk bytes) twice into a scratch folder: once as the update does
// (for every chunk: open, seek, write, end the file, set its times, close) and once plainly (one
// open per file, sequential writes). Prints both times and their ratio.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/startscreen/win32_file_store_platform.h"

namespace {
double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }
}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 200;
    const uint32_t fileBytes = argc > 2 ? uint32_t(std::atoi(argv[2])) : 1000000;
    const uint32_t chunk = argc > 3 ? uint32_t(std::atoi(argv[3])) : 65536;
    std::vector<uint8_t> data(fileBytes, 0x5A);
    CreateDirectoryA("chunk_cost", nullptr);
    SetCurrentDirectoryA("chunk_cost");
    Win32FileStorePlatform store;
    const CalendarTime time{2020, 9, 0, 13, 12, 26, 40, 0};

    auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < files; ++f) {
        const std::string path = "./u" + std::to_string(f);
        store.CreateOrKeepFile(path);
        for (uint32_t at = 0; at < fileBytes; at += chunk)
            store.WriteChunk(path, at, data.data() + at, std::min(chunk, fileBytes - at), time);
    }
    const double update = Seconds(std::chrono::steady_clock::now() - start);

    start = std::chrono::steady_clock::now();
    for (int f = 0; f < files; ++f) {
        const std::string path = "p" + std::to_string(f);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        for (uint32_t at = 0; at < fileBytes; at += chunk) {
            DWORD wrote = 0;
            WriteFile(file, data.data() + at, std::min(chunk, fileBytes - at), &wrote, nullptr);
        }
        CloseHandle(file);
    }
    const double plain = Seconds(std::chrono::steady_clock::now() - start);
    const double chunks = double(files) * ((fileBytes + chunk - 1) / chunk);
    std::printf("chunk %u: per-chunk steps %.2f s, plain writes %.2f s, %.0f chunks, %.3f ms extra per chunk\n",
                chunk, update, plain, chunks, (update - plain) * 1000 / chunks);
    return 0;
}
