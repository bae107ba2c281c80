#include "sound_wine_support.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <cstdio>

#include "sound/sound_device.h"

int32_t ObservedDirectSound::Lock(PlatformSoundBuffer buffer, uint32_t offset, uint32_t bytes, void** region1,
                                  uint32_t* bytes1, void** region2, uint32_t* bytes2, uint32_t flags) {
    if (region2) refills.fetch_add(1);  // only block refills ask for a second region
    return DirectSoundPlatform::Lock(buffer, offset, bytes, region1, bytes1, region2, bytes2, flags);
}

bool ObservedDirectSound::ReadFile(FileHandle file, void* into, uint32_t bytes, uint32_t* bytesRead) {
    int32_t left = readsBeforeFailure.load();
    while (left >= 0) {
        if (left == 0) {
            if (bytesRead) *bytesRead = 0;
            return false;
        }
        if (readsBeforeFailure.compare_exchange_weak(left, left - 1)) break;
    }
    return DirectSoundPlatform::ReadFile(file, into, bytes, bytesRead);
}

namespace {
ObservedDirectSound gPlatform;
HWND gWindow = nullptr;

class SoundEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        PlatformSlot<SoundPlatform>::Install(&gPlatform);
        gWindow = CreateWindowA("STATIC", "sound test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(gWindow, nullptr);
        ASSERT_EQ(SoundInit(gWindow), 1);
    }
    void TearDown() override {
        if (gWindow) DestroyWindow(gWindow);
    }
};

const auto* const gEnvironment = ::testing::AddGlobalTestEnvironment(new SoundEnvironment);
}  // namespace

ObservedDirectSound& TestPlatform() { return gPlatform; }
HWND TestWindow() { return gWindow; }

WaveFormat Pcm(uint16_t channels, uint16_t bits, uint32_t rate) {
    const uint16_t align = uint16_t(channels * bits / 8);
    return WaveFormat{kWaveFormatPcm, channels, rate, rate * align, align, bits, 0};
}

std::vector<uint8_t> Pattern(uint32_t bytes, uint32_t seed) {
    std::vector<uint8_t> out(bytes);
    uint32_t state = seed * 2654435761u + 1;
    for (auto& b : out) {
        state = state * 1103515245u + 12345u;
        b = uint8_t(state >> 16);
    }
    return out;
}

SampleFile::SampleFile(const std::vector<uint8_t>& samples, uint32_t headBytes) : headBytes_(headBytes) {
    char folder[MAX_PATH];
    char name[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "snd", 0, name);
    path_ = name;
    std::FILE* out = std::fopen(name, "wb");
    const std::vector<uint8_t> head(headBytes, 0xEE);
    std::fwrite(head.data(), 1, head.size(), out);
    std::fwrite(samples.data(), 1, samples.size(), out);
    std::fclose(out);
    handle_ = ActiveFilePlatform().OpenForReading(name);
}

SampleFile::~SampleFile() {
    ActiveFilePlatform().Close(handle_);
    DeleteFileA(path_.c_str());
}

uint32_t ThreadsOfThisProcess() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    uint32_t count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

DWORD HandlesOfThisProcess() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
    // Wine answers 0: count the handle values that name an object instead. Kernel handles are
    // small multiples of 4.
    for (uintptr_t value = 4; value < 0x20000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}
