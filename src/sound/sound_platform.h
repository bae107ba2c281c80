#pragma once
// What the sound objects need of the platform: the device, buffers and their interfaces, the
// events and threads of streamed sound, and reads of the shared file (through the file platform
// unless an implementation reads otherwise). In the product this is
// DirectSound and the Windows kernel; native builds use a memory platform that keeps the same
// rules (sizes, capabilities, play state, notifications) without playing anything.
//
// Results follow DirectSound's convention: 0 or positive is success, negative is failure.
#include <cstdint>

#include "common/platform_slot.h"
#include "files/read_only_file.h"
#include "sound/sound_object.h"

namespace sound_result {
inline constexpr int32_t Ok = 0;
inline constexpr int32_t Generic = int32_t(0x80004005u);
inline constexpr int32_t NoInterface = int32_t(0x80004002u);
inline constexpr int32_t OutOfMemory = int32_t(0x8007000Eu);
inline constexpr int32_t InvalidParam = int32_t(0x80070057u);
inline constexpr int32_t InvalidCall = int32_t(0x88780032u);
inline constexpr int32_t ControlUnavailable = int32_t(0x8878001Eu);
inline constexpr int32_t NoDriver = int32_t(0x88780078u);
}  // namespace sound_result

namespace sound_status {
inline constexpr uint32_t Playing = 0x1;
inline constexpr uint32_t Looping = 0x4;
}  // namespace sound_status

// The buffer flag of the primary buffer, which the listener is obtained from.
inline constexpr uint32_t kPrimaryBufferFlag = 0x1;
// Cooperative level: normal.
inline constexpr uint32_t kCooperativeNormal = 1;
// Lock flag: the whole buffer, whatever the byte count says.
inline constexpr uint32_t kLockEntireBuffer = 0x2;

struct SoundBufferDescription {
    uint32_t flags = 0;
    uint32_t bytes = 0;
    const WaveFormat* format = nullptr;
    // Full head-related 3D processing instead of the default algorithm (3D buffers only).
    bool fullHrtf3D = false;
};

struct SoundNotification {
    uint32_t offset;  // byte whose playing signals the event
    PlatformHandle event;
};

enum class StreamWake { Block, Stop, Failed };

class SoundPlatform {
  public:
    // Devices. A device is released with Release like any other interface.
    virtual int32_t CreateDevice8(void** device) = 0;
    virtual int32_t CreateDevice(const void* deviceId, void** device) = 0;
    virtual int32_t SetCooperativeLevel(void* device, void* window, uint32_t level) = 0;

    // Buffers and their interfaces.
    virtual int32_t CreateBuffer(void* device, const SoundBufferDescription& description,
                                 PlatformSoundBuffer* out) = 0;
    virtual int32_t DuplicateBuffer(void* device, PlatformSoundBuffer source, PlatformSoundBuffer* out) = 0;
    virtual int32_t Query3DBuffer(PlatformSoundBuffer buffer, Platform3DBuffer* out) = 0;
    virtual int32_t Query3DListener(PlatformSoundBuffer primary, void** out) = 0;
    virtual int32_t GetListenerPosition(void* listener, float* x, float* y, float* z) = 0;
    // Obtains the buffer's notify interface, sets the positions and releases the interface.
    virtual int32_t SetNotificationPositions(PlatformSoundBuffer buffer, uint32_t count,
                                             const SoundNotification* positions) = 0;
    // Releases one reference of any interface: device, buffer, 3D buffer, listener.
    virtual void Release(void* anyInterface) = 0;

    virtual int32_t Lock(PlatformSoundBuffer buffer, uint32_t offset, uint32_t bytes, void** region1,
                         uint32_t* bytes1, void** region2, uint32_t* bytes2, uint32_t flags) = 0;
    virtual int32_t Unlock(PlatformSoundBuffer buffer, void* region1, uint32_t bytes1, void* region2,
                           uint32_t bytes2) = 0;
    virtual int32_t GetStatus(PlatformSoundBuffer buffer, uint32_t* status) = 0;
    virtual int32_t Play(PlatformSoundBuffer buffer, uint32_t flags) = 0;
    virtual int32_t Stop(PlatformSoundBuffer buffer) = 0;
    virtual int32_t SetCurrentPosition(PlatformSoundBuffer buffer, uint32_t position) = 0;
    // The play cursor: the offset of the byte the buffer is playing now.
    virtual int32_t GetCurrentPosition(PlatformSoundBuffer buffer, uint32_t* playCursor) = 0;
    virtual int32_t SetVolume(PlatformSoundBuffer buffer, int32_t volume) = 0;
    virtual int32_t SetPan(PlatformSoundBuffer buffer, int32_t pan) = 0;

    // Events (null on failure) and the refill thread.
    virtual PlatformHandle MakeEvent(bool manualReset) = 0;
    virtual void SignalEvent(PlatformHandle event) = 0;
    virtual void ClearEvent(PlatformHandle event) = 0;
    // Closes an event or a thread handle (a thread must have been joined).
    virtual void CloseHandle(PlatformHandle handle) = 0;
    // Starts body(argument) on a new thread; null on failure.
    virtual PlatformHandle StartThread(void (*body)(void*), void* argument, uint32_t* threadId) = 0;
    // Waits until the thread has ended.
    virtual void JoinThread(PlatformHandle thread) = 0;
    // Waits without limit for either event.
    virtual StreamWake WaitForBlockOrStop(PlatformHandle blockEvent, PlatformHandle stopEvent) = 0;
    // Waits up to the given time for the event; true when it is signalled.
    virtual bool WaitForEvent(PlatformHandle event, uint32_t milliseconds) = 0;

    // Reads of the shared file, the only file access of streams.
    virtual bool SeekFile(FileHandle file, uint32_t offset) {
        return ActiveFilePlatform().SeekTo(file, offset);
    }
    virtual bool ReadFile(FileHandle file, void* into, uint32_t bytes, uint32_t* bytesRead) {
        return ActiveFilePlatform().Read(file, into, bytes, bytesRead);
    }

  protected:
    ~SoundPlatform() = default;
};

// The installed platform; the process ends with a message naming it when none is. The program's
// start installs DirectSound; tests and tools install a memory platform.
inline SoundPlatform& ActiveSoundPlatform() { return PlatformSlot<SoundPlatform>::Required("SoundPlatform"); }

// Where a buffer's samples are: the whole buffer is locked and let go at once. False, leaving the
// address unset, when the platform refuses the lock.
inline bool FindSampleAddress(SoundPlatform& platform, PlatformSoundBuffer buffer, uint32_t bytes,
                              void** address) {
    void* samples = nullptr;
    uint32_t locked = 0;
    if (platform.Lock(buffer, 0, bytes, &samples, &locked, nullptr, nullptr, kLockEntireBuffer) < 0)
        return false;
    *address = samples;
    platform.Unlock(buffer, samples, locked, nullptr, 0);
    return true;
}
