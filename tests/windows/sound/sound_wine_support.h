#pragma once
// Helpers of the sound tests on a real DirectSound (Wine with the ALSA null device): the device
// for a window, a platform that counts refills and fails reads on demand, sample files and
// bounded waits.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "common/wave_format.h"
#include "files/read_only_file.h"
#include "platform/win32/sound/direct_sound_platform.h"

// DirectSound with two test hooks: refills (block locks) are counted, and file reads fail once
// the allowance set with FailReadsAfter is used up.
class ObservedDirectSound final : public DirectSoundPlatform {
  public:
    int32_t Lock(PlatformSoundBuffer buffer, uint32_t offset, uint32_t bytes, void** region1,
                 uint32_t* bytes1, void** region2, uint32_t* bytes2, uint32_t flags) override;
    bool ReadFile(FileHandle file, void* into, uint32_t bytes, uint32_t* bytesRead) override;

    void FailReadsAfter(int32_t count) { readsBeforeFailure.store(count); }
    uint32_t Refills() const { return refills.load(); }

    std::atomic<uint32_t> refills{0};
    std::atomic<int32_t> readsBeforeFailure{-1};  // -1: reads never fail
};

// The platform and window that every test of the executable shares; the device is made once.
ObservedDirectSound& TestPlatform();
HWND TestWindow();

WaveFormat Pcm(uint16_t channels, uint16_t bits, uint32_t rate);
std::vector<uint8_t> Pattern(uint32_t bytes, uint32_t seed = 1);

// A temporary file with a head of junk and then the samples, open for reading; removed at the end.
class SampleFile {
  public:
    explicit SampleFile(const std::vector<uint8_t>& samples, uint32_t headBytes = 132);
    ~SampleFile();
    SampleFile(const SampleFile&) = delete;
    SampleFile& operator=(const SampleFile&) = delete;
    FileHandle handle() const { return handle_; }
    uint32_t dataStart() const { return headBytes_; }

  private:
    std::string path_;
    uint32_t headBytes_;
    FileHandle handle_;
};

// Polls a condition until it holds or the time is up; true when it held.
template <class Condition> bool WaitFor(Condition condition, DWORD limitMs = 20000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > limitMs) return false;
        Sleep(1);
    }
    return true;
}

uint32_t ThreadsOfThisProcess();
DWORD HandlesOfThisProcess();
