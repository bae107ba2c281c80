#include "sound/sound_device.h"

#include "sound/sound_platform.h"

namespace sound {
void* Device8 = nullptr;
void* FallbackDevice = nullptr;
SoundListener* Listener = nullptr;
void* PrimaryBuffer = nullptr;
int32_t LiveObjects = 0;
uint8_t Effects3D = 0;
void* MainWindow = nullptr;
}  // namespace sound

namespace {
// Creates a device with create and gives it the normal cooperative level for the window; a
// device that refuses either step is released. Null when there is none.
template <class CreateFn> void* OpenDevice(SoundPlatform& platform, void* window, CreateFn create) {
    void* device = nullptr;
    if (create(&device) >= 0 && device &&
        platform.SetCooperativeLevel(device, window, kCooperativeNormal) >= 0) {
        return device;
    }
    if (device) platform.Release(device);
    return nullptr;
}
}  // namespace

int32_t SoundInit(void* window, const void* deviceId, int32_t preferVersion8) {
    if (!window) return 0;
    sound::MainWindow = window;
    SoundPlatform& platform = ActiveSoundPlatform();
    if (!sound::Device8) {
        if (preferVersion8 == 1) {
            sound::Device8 =
                OpenDevice(platform, window, [&](void** out) { return platform.CreateDevice8(out); });
        }
        // A fallback made by an earlier call stays; a second one would only leak the first.
        if (!sound::Device8 && !sound::FallbackDevice) {
            sound::FallbackDevice = OpenDevice(
                platform, window, [&](void** out) { return platform.CreateDevice(deviceId, out); });
        }
    }
    // The listener object is made once: modules keep its address from the engine record. A
    // later call that finds a device the first did not gives the same object its interface.
    if (!sound::Listener) {
        sound::Listener = new SoundListener();
    } else if (!sound::Listener->listener) {
        sound::Listener->AttachToDevice();
    }
    return 1;
}

SoundListener::SoundListener() : x(0), y(0), z(0), listener(nullptr) { AttachToDevice(); }

void* SoundListener::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void SoundListener::AttachToDevice() {
    if (!sound::Device8) return;
    SoundPlatform& platform = ActiveSoundPlatform();
    SoundBufferDescription primary;
    primary.flags = kPrimaryBufferFlag | sound_flags::Control3D;
    if (platform.CreateBuffer(sound::Device8, primary, &sound::PrimaryBuffer) < 0) {
        sound::PrimaryBuffer = nullptr;
        return;
    }
    if (platform.Query3DListener(sound::PrimaryBuffer, &listener) >= 0 && listener) {
        platform.GetListenerPosition(listener, &x, &y, &z);
    } else {
        listener = nullptr;
    }
    platform.Release(sound::PrimaryBuffer);
    sound::PrimaryBuffer = nullptr;
}
