// A program with the crash handler installed that faults as its command line says:
//   crash_probe.exe <fault> <report folder> <notice folder>
// crash_handler_test runs it once for each fault and reads what it left. The player's notice
// goes to notice.txt in the notice folder (appended, so that a second notice shows), with how
// far the main thread got while the notice was given: when another thread faults, the main
// thread counts as fast as it can, and the handling must have stopped it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "crash/crash_report.h"
#include "platform/win32/crash/crash_handler.h"
#include "platform/win32/sound/direct_sound_platform.h"

extern "C" {
// A null pointer the compiler cannot see through: the write is a real write.
int* volatile gNowhere = nullptr;
__attribute__((noinline)) void NullWrite() { *gNowhere = 1; }

__attribute__((noinline)) int RecurseWithoutEnd(volatile int* depth) {
    volatile char frame[256];
    frame[0] = char(*depth);
    if (*depth < 0) return 0;
    *depth = *depth + 1;
    return RecurseWithoutEnd(depth) + frame[0];
}
}

namespace {
wchar_t gFolder[MAX_PATH];
wchar_t gNoticeFolder[MAX_PATH];
volatile long gMainThreadCount = 0;
constexpr DWORD kNoticeWatchMilliseconds = 300;

void AppendNotice(const char* text, const char* caption) {
    wchar_t path[MAX_PATH + 16];
    std::swprintf(path, MAX_PATH + 16, L"%lsnotice.txt", gNoticeFolder);
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(file, caption, DWORD(std::strlen(caption)), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    WriteFile(file, text, DWORD(std::strlen(text)), &written, nullptr);
    const long before = gMainThreadCount;
    Sleep(kNoticeWatchMilliseconds);
    char counted[64];
    int length = std::snprintf(counted, sizeof counted, "\nmain thread counted meanwhile: %ld",
                               gMainThreadCount - before);
    WriteFile(file, counted, DWORD(length), &written, nullptr);
    WriteFile(file, "\n----\n", 6, &written, nullptr);
    CloseHandle(file);
}

// A frame source that holds two frames, or one that faults when the report reads it.
struct ProbeFrames final : CrashFrameSource {
    bool faults = false;
    uint32_t FramesStarted() const override {
        if (faults) NullWrite();
        return 77;
    }
    size_t RecentFrames() const override { return 2; }
    const char* RecentFrameColumns() const override { return "# frame due\n"; }
    size_t FormatRecentFrame(size_t index, char* line, size_t capacity) const override {
        return size_t(
            std::snprintf(line, capacity, "%u %u\n", unsigned(75 + index), unsigned(3000 + 40 * index)));
    }
};

void NullWriteInThread(void*) { NullWrite(); }

HANDLE gGo;
DWORD WINAPI WaitThenNullWrite(void*) {
    WaitForSingleObject(gGo, INFINITE);
    NullWrite();
    return 0;
}

// What the main thread does while another thread faults: it counts until the handler stops it
// (the exit code 0 would show that nothing ended the process).
int CountingMain() {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 30000)
        gMainThreadCount = gMainThreadCount + 1;
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const char* fault = argv[1];
    std::swprintf(gFolder, MAX_PATH, L"%hs\\", argv[2]);
    std::swprintf(gNoticeFolder, MAX_PATH, L"%hs\\", argv[3]);

    CrashHandlerSettings settings;
    settings.version = "probe";
    settings.folder = gFolder;
    settings.notice = AppendNotice;
    if (!InstallCrashHandler(settings)) return 3;
    static ProbeFrames frames;
    static CrashFrameSourceScope framesScope(frames);

    if (std::strcmp(fault, "main") == 0) {
        NullWrite();
    } else if (std::strcmp(fault, "stack") == 0) {
        volatile int depth = 0;
        RecurseWithoutEnd(&depth);
    } else if (std::strcmp(fault, "sound-thread") == 0) {
        // A thread the host starts, as the sound streams start theirs.
        static DirectSoundPlatform sound;
        uint32_t id = 0;
        if (!sound.StartThread(NullWriteInThread, nullptr, &id)) return 3;
        return CountingMain();
    } else if (std::strcmp(fault, "two-threads") == 0) {
        gGo = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        CloseHandle(CreateThread(nullptr, 0, WaitThenNullWrite, nullptr, 0, nullptr));
        CloseHandle(CreateThread(nullptr, 0, WaitThenNullWrite, nullptr, 0, nullptr));
        Sleep(100);
        SetEvent(gGo);
        return CountingMain();
    } else if (std::strcmp(fault, "in-handler") == 0) {
        frames.faults = true;
        NullWrite();
    } else if (std::strcmp(fault, "at-exit") == 0) {
        // After main has returned, while the program ends.
        std::atexit(NullWrite);
        return 0;
    } else {
        return 2;
    }
    return 0;
}
