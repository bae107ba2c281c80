// Not a test: what the update's per-chunk file steps cost on this platform. Writes the same bytes
// (ARGV: files, bytes per file, chunk bytes) three times into a scratch folder: through the store
// (the file held open across its chunks: seek, write and end the file per chunk, dated at the
// close), with every chunk in a file of its own opening (open, seek, write, end the file, set its
// times, close), and plainly (one open per file, sequential writes). Prints the three times and
// the extra time per chunk over the plain writes.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/update_client/win32_file_store_platform.h"

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
    store.CloseChunkFile();
    const double held = Seconds(std::chrono::steady_clock::now() - start);

    const SYSTEMTIME parts{time.year, time.month,  time.dayOfWeek, time.day,
                           time.hour, time.minute, time.second,    0};
    FILETIME stamp{};
    SystemTimeToFileTime(&parts, &stamp);
    start = std::chrono::steady_clock::now();
    for (int f = 0; f < files; ++f) {
        const std::string path = "o" + std::to_string(f);
        CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
        for (uint32_t at = 0; at < fileBytes; at += chunk) {
            HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            LARGE_INTEGER position;
            position.QuadPart = at;
            SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
            DWORD wrote = 0;
            WriteFile(file, data.data() + at, std::min(chunk, fileBytes - at), &wrote, nullptr);
            SetEndOfFile(file);
            SetFileTime(file, &stamp, &stamp, &stamp);
            CloseHandle(file);
        }
    }
    const double reopened = Seconds(std::chrono::steady_clock::now() - start);

    start = std::chrono::steady_clock::now();
    for (int f = 0; f < files; ++f) {
        const std::string path = "p" + std::to_string(f);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        for (uint32_t at = 0; at < fileBytes; at += chunk) {
            DWORD wrote = 0;
            WriteFile(file, data.data() + at, std::min(chunk, fileBytes - at), &wrote, nullptr);
        }
        CloseHandle(file);
    }
    const double plain = Seconds(std::chrono::steady_clock::now() - start);
    const double chunks = double(files) * ((fileBytes + chunk - 1) / chunk);
    std::printf("chunk %u, %.0f chunks: held open %.3f s, opened per chunk %.3f s, plain writes %.3f s; "
                "extra per chunk: held open %.3f ms, opened per chunk %.3f ms\n",
                chunk, chunks, held, reopened, plain, (held - plain) * 1000 / chunks,
                (reopened - plain) * 1000 / chunks);
    return 0;
}
