#include "platform/win32/sound/direct_sound_platform.h"

#include <windows.h>
// After windows.h, in this order: dsound.h needs the wave format of mmsystem.h.
#include <mmsystem.h>
//
#include <dsound.h>

#include <vector>

static_assert(sizeof(DSBUFFERDESC) == 36, "the buffer description with its 3D algorithm");
static_assert(sizeof(WAVEFORMATEX) == sizeof(WaveFormat), "WaveFormat is WAVEFORMATEX");

namespace {
// Full head-related 3D processing.
constexpr GUID kHrtfFull3D = {0xC2413340, 0x1C1B, 0x11D2, {0x94, 0xF5, 0x00, 0xC0, 0x4F, 0xC2, 0x8A, 0xCA}};

IDirectSound* AsDevice(void* device) { return static_cast<IDirectSound*>(device); }
IDirectSoundBuffer* AsBuffer(PlatformSoundBuffer buffer) { return static_cast<IDirectSoundBuffer*>(buffer); }

struct ThreadStart {
    void (*body)(void*);
    void* argument;
};

DWORD WINAPI RunThread(void* start) {
    const ThreadStart copy = *static_cast<ThreadStart*>(start);
    delete static_cast<ThreadStart*>(start);
    copy.body(copy.argument);
    return 0;
}
}  // namespace

int32_t DirectSoundPlatform::CreateDevice8(void** device) {
    *device = nullptr;
    return DirectSoundCreate8(nullptr, reinterpret_cast<IDirectSound8**>(device), nullptr);
}

int32_t DirectSoundPlatform::CreateDevice(const void* deviceId, void** device) {
    *device = nullptr;
    return DirectSoundCreate(static_cast<const GUID*>(deviceId), reinterpret_cast<IDirectSound**>(device),
                             nullptr);
}

int32_t DirectSoundPlatform::SetCooperativeLevel(void* device, void* window, uint32_t level) {
    return AsDevice(device)->SetCooperativeLevel(static_cast<HWND>(window), level);
}

int32_t DirectSoundPlatform::CreateBuffer(void* device, const SoundBufferDescription& description,
                                          PlatformSoundBuffer* out) {
    DSBUFFERDESC record{};
    record.dwSize = sizeof(record);
    record.dwFlags = description.flags;
    record.dwBufferBytes = description.bytes;
    record.lpwfxFormat = reinterpret_cast<WAVEFORMATEX*>(const_cast<WaveFormat*>(description.format));
    record.guid3DAlgorithm = description.fullHrtf3D ? kHrtfFull3D : GUID_NULL;
    *out = nullptr;
    return AsDevice(device)->CreateSoundBuffer(&record, reinterpret_cast<IDirectSoundBuffer**>(out), nullptr);
}

int32_t DirectSoundPlatform::DuplicateBuffer(void* device, PlatformSoundBuffer source,
                                             PlatformSoundBuffer* out) {
    *out = nullptr;
    return AsDevice(device)->DuplicateSoundBuffer(AsBuffer(source),
                                                  reinterpret_cast<IDirectSoundBuffer**>(out));
}

int32_t DirectSoundPlatform::Query3DBuffer(PlatformSoundBuffer buffer, Platform3DBuffer* out) {
    *out = nullptr;
    return AsBuffer(buffer)->QueryInterface(IID_IDirectSound3DBuffer, out);
}

int32_t DirectSoundPlatform::Query3DListener(PlatformSoundBuffer primary, void** out) {
    *out = nullptr;
    return AsBuffer(primary)->QueryInterface(IID_IDirectSound3DListener, out);
}

int32_t DirectSoundPlatform::GetListenerPosition(void* listener, float* x, float* y, float* z) {
    D3DVECTOR position{};
    const HRESULT result = static_cast<IDirectSound3DListener*>(listener)->GetPosition(&position);
    if (SUCCEEDED(result)) {
        *x = position.x;
        *y = position.y;
        *z = position.z;
    }
    return result;
}

int32_t DirectSoundPlatform::SetNotificationPositions(PlatformSoundBuffer buffer, uint32_t count,
                                                      const SoundNotification* positions) {
    IDirectSoundNotify* notify = nullptr;
    HRESULT result =
        AsBuffer(buffer)->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&notify));
    if (FAILED(result) || !notify) return FAILED(result) ? result : E_NOINTERFACE;
    std::vector<DSBPOSITIONNOTIFY> records(count);
    for (uint32_t i = 0; i < count; ++i)
        records[i] = {positions[i].offset, static_cast<HANDLE>(positions[i].event)};
    result = notify->SetNotificationPositions(count, records.data());
    notify->Release();
    return result;
}

void DirectSoundPlatform::Release(void* anyInterface) {
    if (anyInterface) static_cast<IUnknown*>(anyInterface)->Release();
}

int32_t DirectSoundPlatform::Lock(PlatformSoundBuffer buffer, uint32_t offset, uint32_t bytes, void** region1,
                                  uint32_t* bytes1, void** region2, uint32_t* bytes2, uint32_t flags) {
    DWORD first = 0;
    DWORD second = 0;
    const HRESULT result =
        AsBuffer(buffer)->Lock(offset, bytes, region1, &first, region2, region2 ? &second : nullptr, flags);
    *bytes1 = first;
    if (bytes2) *bytes2 = second;
    return result;
}

int32_t DirectSoundPlatform::Unlock(PlatformSoundBuffer buffer, void* region1, uint32_t bytes1, void* region2,
                                    uint32_t bytes2) {
    return AsBuffer(buffer)->Unlock(region1, bytes1, region2, bytes2);
}

int32_t DirectSoundPlatform::GetStatus(PlatformSoundBuffer buffer, uint32_t* status) {
    DWORD value = 0;
    const HRESULT result = AsBuffer(buffer)->GetStatus(&value);
    *status = value;
    return result;
}

int32_t DirectSoundPlatform::Play(PlatformSoundBuffer buffer, uint32_t flags) {
    return AsBuffer(buffer)->Play(0, 0, flags);
}

int32_t DirectSoundPlatform::Stop(PlatformSoundBuffer buffer) { return AsBuffer(buffer)->Stop(); }

int32_t DirectSoundPlatform::SetCurrentPosition(PlatformSoundBuffer buffer, uint32_t position) {
    return AsBuffer(buffer)->SetCurrentPosition(position);
}

int32_t DirectSoundPlatform::GetCurrentPosition(PlatformSoundBuffer buffer, uint32_t* playCursor) {
    DWORD play = 0;
    DWORD write = 0;
    const HRESULT result = AsBuffer(buffer)->GetCurrentPosition(&play, &write);
    *playCursor = play;
    return result;
}

int32_t DirectSoundPlatform::SetVolume(PlatformSoundBuffer buffer, int32_t volume) {
    return AsBuffer(buffer)->SetVolume(volume);
}

int32_t DirectSoundPlatform::SetPan(PlatformSoundBuffer buffer, int32_t pan) {
    return AsBuffer(buffer)->SetPan(pan);
}

PlatformHandle DirectSoundPlatform::MakeEvent(bool manualReset) {
    return CreateEventA(nullptr, manualReset ? TRUE : FALSE, FALSE, nullptr);
}

void DirectSoundPlatform::SignalEvent(PlatformHandle event) { SetEvent(event); }

void DirectSoundPlatform::ClearEvent(PlatformHandle event) { ResetEvent(event); }

void DirectSoundPlatform::CloseHandle(PlatformHandle handle) {
    if (handle) ::CloseHandle(handle);
}

PlatformHandle DirectSoundPlatform::StartThread(void (*body)(void*), void* argument, uint32_t* threadId) {
    auto* start = new ThreadStart{body, argument};
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, &RunThread, start, 0, &id);
    if (!thread) {
        delete start;
        *threadId = 0;
        return nullptr;
    }
    *threadId = id;
    return thread;
}

void DirectSoundPlatform::JoinThread(PlatformHandle thread) { WaitForSingleObject(thread, INFINITE); }

StreamWake DirectSoundPlatform::WaitForBlockOrStop(PlatformHandle blockEvent, PlatformHandle stopEvent) {
    // The end request comes first, so that it wins over a block end signalled at the same time.
    const HANDLE handles[2] = {stopEvent, blockEvent};
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(2, handles, FALSE, INFINITE, QS_POSTMESSAGE);
        if (woke == WAIT_OBJECT_0) return StreamWake::Stop;
        if (woke == WAIT_OBJECT_0 + 1) return StreamWake::Block;
        if (woke != WAIT_OBJECT_0 + 2) return StreamWake::Failed;
        bool quit = false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) quit = true;
        }
        if (quit) return StreamWake::Stop;
    }
}

bool DirectSoundPlatform::WaitForEvent(PlatformHandle event, uint32_t milliseconds) {
    return WaitForSingleObject(event, milliseconds) == WAIT_OBJECT_0;
}

SoundPlatform& DefaultSoundPlatform() {
    static DirectSoundPlatform platform;
    return platform;
}
