#include "sound/finishing_voices.h"
#include "sound/sound_device.h"
#include "sound/sound_object.h"
#include "sound/sound_platform.h"

SoundBufferBase::SoundBufferBase(SoundKind kind)
    : SoundObject(kind), data(nullptr), size(0), soundBuffer(nullptr), buffer3D(nullptr) {}

SoundBufferBase::~SoundBufferBase() {
    // Without a device the interfaces died with it (or never existed).
    if (!sound::HasDevice()) return;
    SoundPlatform& platform = ActiveSoundPlatform();
    if (buffer3D) platform.Release(buffer3D);
    if (soundBuffer) platform.Release(soundBuffer);
}

int32_t SoundBufferBase::Play(uint32_t flags) {
    if (!soundBuffer || !sound::HasDevice()) return 0;
    finishing_voices::ReleaseEnded();
    SoundPlatform& platform = ActiveSoundPlatform();
    uint32_t status = 0;
    if (platform.GetStatus(soundBuffer, &status) < 0) return 0;
    // One voice per buffer: playing it again starts it over.
    if (status & sound_status::Playing) {
        platform.SetCurrentPosition(soundBuffer, 0);
        return 1;
    }
    return platform.Play(soundBuffer, flags) >= 0 ? 1 : 0;
}

int32_t SoundBufferBase::Stop() {
    if (!soundBuffer || !sound::HasDevice()) return 0;
    SoundPlatform& platform = ActiveSoundPlatform();
    platform.Stop(soundBuffer);
    platform.SetCurrentPosition(soundBuffer, 0);
    return 1;
}

int32_t SoundBufferBase::SetVolume(int32_t volume) {
    if (!soundBuffer || !sound::HasDevice()) return 0;
    return ActiveSoundPlatform().SetVolume(soundBuffer, volume);
}

int32_t SoundBufferBase::SetPan(int32_t pan) {
    if (!soundBuffer || !sound::HasDevice()) return 0;
    // A 3D buffer is placed by its position, not panned.
    if (buffer3D) return 1;
    return ActiveSoundPlatform().SetPan(soundBuffer, pan);
}

int32_t SoundBufferBase::IsPlaying() {
    if (!soundBuffer || !sound::HasDevice()) return 0;
    uint32_t status = 0;
    if (ActiveSoundPlatform().GetStatus(soundBuffer, &status) < 0) return 0;
    return (status & sound_status::Playing) ? 1 : 0;
}

int32_t SoundBufferBase::ClearFields() {
    data = nullptr;
    size = 0;
    soundBuffer = nullptr;
    buffer3D = nullptr;
    return 0;
}

int32_t SoundBufferBase::DropBuffer(uint32_t, uint32_t) {
    soundBuffer = nullptr;
    return 0;
}

int32_t SoundBufferBase::Lock(void** samples, uint32_t* bytes) {
    *samples = nullptr;
    *bytes = 0;
    if (!soundBuffer || !sound::HasDevice()) return 0;
    if (ActiveSoundPlatform().Lock(soundBuffer, 0, size, samples, bytes, nullptr, nullptr,
                                   kLockEntireBuffer) < 0) {
        *samples = nullptr;
        *bytes = 0;
        return 0;
    }
    return 1;
}

void SoundBufferBase::Unlock(void* samples, uint32_t bytes) {
    if (!soundBuffer || !sound::HasDevice()) return;
    ActiveSoundPlatform().Unlock(soundBuffer, samples, bytes, nullptr, 0);
}

SoundBuffer::SoundBuffer() : SoundBufferBase(SoundKind::StaticBuffer) {}

void* SoundBuffer::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

int32_t SoundBuffer::Create(const WaveFormat* format, uint32_t bytes, uint32_t flags) {
    size = bytes;
    SoundPlatform& platform = ActiveSoundPlatform();
    SoundBufferDescription description;
    description.bytes = bytes;
    description.format = format;
    void* device = nullptr;
    buffer3D = nullptr;
    if (!sound::Device8) {
        if (!sound::FallbackDevice) return 0;
        device = sound::FallbackDevice;
        description.flags = flags | sound_flags::DefaultPlain;
    } else if (sound::Effects3D == 0 || !format || format->channels != 1) {
        device = sound::Device8;
        description.flags = flags | sound_flags::DefaultPlain;
    } else {
        device = sound::Device8;
        description.flags = flags | sound_flags::Default3D;
        description.fullHrtf3D = true;
    }
    if (platform.CreateBuffer(device, description, &soundBuffer) < 0 || !soundBuffer) {
        soundBuffer = nullptr;
        return 0;
    }
    if (description.fullHrtf3D && (platform.Query3DBuffer(soundBuffer, &buffer3D) < 0 || !buffer3D)) {
        buffer3D = nullptr;
        return 0;
    }
    FindSampleAddress(platform, soundBuffer, bytes, &data);
    return 0;
}

int32_t SoundBuffer::Duplicate(SoundObject* source) {
    if (!source || source->Kind() != SoundKind::StaticBuffer) return 0;
    auto* original = static_cast<SoundBufferBase*>(source);
    if (!original->soundBuffer) return 0;
    void* device = sound::Device8 ? sound::Device8 : sound::FallbackDevice;
    if (!device) return 0;
    SoundPlatform& platform = ActiveSoundPlatform();
    PlatformSoundBuffer copy = nullptr;
    if (platform.DuplicateBuffer(device, original->soundBuffer, &copy) < 0 || !copy) return 0;
    // This object's previous voice is given up only now, so that a failed duplicate leaves it
    // playable. A copy still playing once plays to its end; a looping one would never end and
    // nothing could stop it any more, so it stops now.
    finishing_voices::ReleaseEnded();
    if (soundBuffer) {
        uint32_t status = 0;
        const bool playing =
            platform.GetStatus(soundBuffer, &status) >= 0 && (status & sound_status::Playing);
        if (playing && !(status & sound_status::Looping)) {
            finishing_voices::Keep(soundBuffer, buffer3D);
        } else {
            if (playing) platform.Stop(soundBuffer);
            if (buffer3D) platform.Release(buffer3D);
            platform.Release(soundBuffer);
        }
    } else if (buffer3D) {
        platform.Release(buffer3D);
    }
    soundBuffer = copy;
    buffer3D = nullptr;
    if (sound::Device8 && (platform.Query3DBuffer(soundBuffer, &buffer3D) < 0 || !buffer3D))
        buffer3D = nullptr;
    return 1;
}
