#pragma once
// The sound platform of the product: DirectSound devices and buffers, kernel events and threads,
// and Windows file reads. Each operation is the one DirectSound or kernel call it names, with
// the platform's own result.
#include "sound/sound_platform.h"

class DirectSoundPlatform : public SoundPlatform {
  public:
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
    // Also ends the wait, as an end request, when a quit message is posted to the thread: the
    // thread id is in the stream record, and that is how a module may ask it to end.
    StreamWake WaitForBlockOrStop(PlatformHandle blockEvent, PlatformHandle stopEvent) override;
    bool WaitForEvent(PlatformHandle event, uint32_t milliseconds) override;
};
