#pragma once
// The sound platform of native builds: devices, buffers and their interfaces in plain memory,
// with DirectSound's rules for capabilities, formats, locks, status and notifications, and
// real threads and events. Nothing plays by itself: a test moves a playing buffer's play
// cursor with AdvancePlayCursor, which signals the notifications it passes as the platform's
// mixer would.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sound/sound_platform.h"

class MemorySoundPlatform final : public SoundPlatform {
  public:
    MemorySoundPlatform() = default;
    ~MemorySoundPlatform();
    MemorySoundPlatform(const MemorySoundPlatform&) = delete;
    MemorySoundPlatform& operator=(const MemorySoundPlatform&) = delete;

    int32_t CreateDevice8(void** device) override;
    int32_t CreateDevice(const void* deviceId, void** device) override;
    int32_t SetCooperativeLevel(void* device, void* window, uint32_t level) override;
    int32_t CreateBuffer(void* device, const SoundBufferDescription& description,
                         PlatformSoundBuffer* out) override;
    int32_t DuplicateBuffer(void* device, PlatformSoundBuffer source, PlatformSoundBuffer* out) override;
    int32_t Query3DBuffer(PlatformSoundBuffer buffer, Platform3DBuffer* out) override;
    int32_t Query3DListener(PlatformSoundBuffer primary, void** out) override;
    int32_t GetListenerPosition(void* listener, float* x, float* y, float* z) override;
    int32_t SetNotificationPositions(PlatformSoundBuffer buffer, uint32_t count,
                                     const SoundNotification* positions) override;
    void Release(void* anyInterface) override;
    int32_t Lock(PlatformSoundBuffer buffer, uint32_t offset, uint32_t bytes, void** region1,
                 uint32_t* bytes1, void** region2, uint32_t* bytes2, uint32_t flags) override;
    int32_t Unlock(PlatformSoundBuffer buffer, void* region1, uint32_t bytes1, void* region2,
                   uint32_t bytes2) override;
    int32_t GetStatus(PlatformSoundBuffer buffer, uint32_t* status) override;
    int32_t Play(PlatformSoundBuffer buffer, uint32_t flags) override;
    int32_t Stop(PlatformSoundBuffer buffer) override;
    int32_t SetCurrentPosition(PlatformSoundBuffer buffer, uint32_t position) override;
    int32_t GetCurrentPosition(PlatformSoundBuffer buffer, uint32_t* playCursor) override;
    int32_t SetVolume(PlatformSoundBuffer buffer, int32_t volume) override;
    int32_t SetPan(PlatformSoundBuffer buffer, int32_t pan) override;

    PlatformHandle MakeEvent(bool manualReset) override;
    void SignalEvent(PlatformHandle event) override;
    void ClearEvent(PlatformHandle event) override;
    void CloseHandle(PlatformHandle handle) override;
    PlatformHandle StartThread(void (*body)(void*), void* argument, uint32_t* threadId) override;
    void JoinThread(PlatformHandle thread) override;
    StreamWake WaitForBlockOrStop(PlatformHandle blockEvent, PlatformHandle stopEvent) override;
    bool WaitForEvent(PlatformHandle event, uint32_t milliseconds) override;
    bool ReadFile(FileHandle file, void* into, uint32_t bytes, uint32_t* bytesRead) override;

    // Failures on demand, as a machine without sound or a busy device gives them.
    void FailDevice8(bool fail) { failDevice8_ = fail; }
    void FailDevice(bool fail) { failDevice_ = fail; }
    void FailNotifications(bool fail) { failNotify_ = fail; }
    void FailNextBufferCreation() { failNextCreate_ = true; }
    // The next count locks are refused, as for a buffer in use.
    void RefuseLocks(uint32_t count);
    // File reads after the next count fail, as on a disk error.
    void FailReadsAfter(int64_t count) { readsBeforeFailure_ = count; }

    // Playback, done by hand: moves the play cursor of a playing buffer forward, signalling the
    // notifications of the bytes it passes and stopping a buffer that does not loop at its end.
    void AdvancePlayCursor(PlatformSoundBuffer buffer, uint32_t bytes);
    // A busy machine: while held, the notifications that the play cursor passes are not
    // signalled. Releasing them signals each event once, as an auto-reset event that was set
    // several times before its waiter woke up wakes it once.
    void HoldNotifications();
    void ReleaseNotifications();
    // Whether an event is set: a waiter has not yet taken the wake-up of an auto-reset event.
    bool EventIsSet(PlatformHandle event);

    struct BufferState {
        uint32_t flags = 0;
        uint32_t bytes = 0;
        WaveFormat format{};
        bool fullHrtf3D = false;
        bool version8Device = false;
        uint32_t status = 0;
        uint32_t playCursor = 0;
        int32_t volume = 0;
        int32_t pan = 0;
        uint32_t locks = 0;  // regions locked and not yet unlocked
        std::vector<SoundNotification> notifications;
    };
    BufferState Inspect(PlatformSoundBuffer buffer);
    // The buffer's sample memory (shared by its duplicates).
    const uint8_t* Samples(PlatformSoundBuffer buffer);
    bool IsDevice8(void* device);
    uint32_t CooperativeLevel(void* device);

    // What is alive: interfaces not released, handles not closed, threads not ended.
    size_t LiveInterfaces();
    size_t OpenHandles();
    size_t RunningThreads();
    bool ThreadHasEnded(PlatformHandle thread);

  private:
    struct Interface;
    struct Device;
    struct Buffer;
    struct Buffer3D;
    struct Listener;
    struct KernelObject;
    struct Event;
    struct Thread;

    Buffer* AsBuffer(void* object);
    void ReleaseLocked(Interface* object);

    std::mutex mutex_;  // guards interfaces, buffers and the counters
    size_t liveInterfaces_ = 0;
    bool failDevice8_ = false;
    bool failDevice_ = false;
    bool failNotify_ = false;
    bool failNextCreate_ = false;
    uint32_t refusedLocks_ = 0;
    std::atomic<int64_t> readsBeforeFailure_ = -1;  // -1: reads never fail

    bool holdNotifications_ = false;  // guarded by mutex_
    std::vector<PlatformHandle> heldNotifications_;

    std::mutex eventMutex_;  // guards every event's state
    std::condition_variable eventChanged_;
    size_t openHandles_ = 0;
    uint32_t nextThreadId_ = 1;
    std::shared_ptr<std::atomic<size_t>> runningThreads_ = std::make_shared<std::atomic<size_t>>(0);
};

// Releases the device and the listener and forgets them and the main window, so that the next
// SoundInit starts afresh. The host never does this; tests and tools do between runs.
void ResetSoundDevice();

// Makes a memory platform the active one and gives it a device for a window, as the host's
// start does; at the end releases the device and restores what was there. For tests and tools
// that make sound objects without a sound card.
class MemorySoundScope {
  public:
    explicit MemorySoundScope(bool version8 = true);
    ~MemorySoundScope();
    MemorySoundScope(const MemorySoundScope&) = delete;
    MemorySoundScope& operator=(const MemorySoundScope&) = delete;
    MemorySoundPlatform& platform() { return platform_; }

  private:
    MemorySoundPlatform platform_;
};
