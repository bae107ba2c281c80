#include "platform/memory/sound/memory_sound_platform.h"
#include "sound/finishing_voices.h"
#include "sound/sound_device.h"

void ResetSoundDevice() {
    SoundPlatform& platform = ActiveSoundPlatform();
    finishing_voices::ReleaseAll();
    if (sound::Listener) {
        if (sound::Listener->listener) platform.Release(sound::Listener->listener);
        sound::Listener->DeletingDestructor(kDeleteMemory);
        sound::Listener = nullptr;
    }
    if (sound::PrimaryBuffer) platform.Release(sound::PrimaryBuffer);
    if (sound::Device8) platform.Release(sound::Device8);
    if (sound::FallbackDevice) platform.Release(sound::FallbackDevice);
    sound::PrimaryBuffer = nullptr;
    sound::Device8 = nullptr;
    sound::FallbackDevice = nullptr;
    sound::MainWindow = nullptr;
}

namespace {
// Any non-null value stands for the window: the memory device only checks that there is one.
void* const kScopeWindow = reinterpret_cast<void*>(uintptr_t{0x5157});
}  // namespace

MemorySoundScope::MemorySoundScope(bool version8) {
    ResetSoundDevice();
    SetActiveSoundPlatform(&platform_);
    SoundInit(kScopeWindow, nullptr, version8 ? 1 : 0);
}

MemorySoundScope::~MemorySoundScope() {
    ResetSoundDevice();
    SetActiveSoundPlatform(nullptr);
}
