#include "sound/sound_object.h"

#include "sound/sound_device.h"

SoundObject::SoundObject(SoundKind kind) : kind(int32_t(kind)), reserved1(0), reserved2(0) {
    if (!sound::HasDevice()) SoundInit(sound::MainWindow, nullptr, 1);
    ++sound::LiveObjects;
}

SoundObject::~SoundObject() { --sound::LiveObjects; }

NullSound::NullSound() : SoundObject(SoundKind::Placeholder) {}

void* NullSound::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }
int32_t NullSound::Play(uint32_t) { return 0; }
int32_t NullSound::Stop() { return 0; }
int32_t NullSound::SetVolume(int32_t) { return 0; }
int32_t NullSound::SetPan(int32_t) { return 0; }
// A placeholder counts as always playing, so that nobody waits for it to start.
int32_t NullSound::IsPlaying() { return 1; }
