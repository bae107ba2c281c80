// The device, static buffers and the slot contract on a real DirectSound.
#include <gtest/gtest.h>
#include <windows.h>
//
#include <mmsystem.h>
//
#include <dsound.h>

#include <cstring>

#include "sound/sound_device.h"
#include "sound/sound_object.h"
#include "sound_wine_support.h"

namespace {

IDirectSoundBuffer* Interface(const SoundBufferBase& sound) {
    return static_cast<IDirectSoundBuffer*>(sound.soundBuffer);
}

DWORD CapsFlags(const SoundBufferBase& sound) {
    DSBCAPS caps{};
    caps.dwSize = sizeof(caps);
    Interface(sound)->GetCaps(&caps);
    return caps.dwFlags;
}

DWORD PlayPosition(const SoundBufferBase& sound) {
    DWORD play = 0;
    DWORD write = 0;
    Interface(sound)->GetCurrentPosition(&play, &write);
    return play;
}

// A static effect as the sprite loader makes it: create, lock, fill, volume and pan 0, unlock.
void MakeEffect(SoundBuffer& sound, const WaveFormat& format, uint32_t bytes) {
    sound.Create(&format, bytes, sound_flags::Static);
    ASSERT_NE(sound.soundBuffer, nullptr);
    void* samples = nullptr;
    uint32_t locked = 0;
    ASSERT_EQ(sound.Lock(&samples, &locked), 1);
    ASSERT_EQ(locked, bytes);
    const auto pattern = Pattern(bytes);
    std::memcpy(samples, pattern.data(), bytes);
    EXPECT_EQ(sound.SetVolume(0), 0);
    EXPECT_EQ(sound.SetPan(0), 0);
    sound.Unlock(samples, locked);
}

TEST(SoundDeviceWine, TheVersion8DeviceAndTheListenerExist) {
    EXPECT_NE(sound::Device8, nullptr);
    EXPECT_EQ(sound::FallbackDevice, nullptr);
    ASSERT_NE(sound::Listener, nullptr);
    EXPECT_NE(sound::Listener->listener, nullptr);
    EXPECT_EQ(sound::PrimaryBuffer, nullptr);
    EXPECT_EQ(SoundInit(nullptr), 0);
    // Calling it again changes nothing.
    void* device = sound::Device8;
    SoundListener* listener = sound::Listener;
    EXPECT_EQ(SoundInit(TestWindow()), 1);
    EXPECT_EQ(sound::Device8, device);
    EXPECT_EQ(sound::Listener, listener);
}

class StaticSoundWine : public ::testing::Test {
  protected:
    void SetUp() override { MakeEffect(sound, Pcm(1, 16, 22050), 88200); }
    SoundBuffer sound;
};

TEST_F(StaticSoundWine, AMonoEffectWithThe3DSwitchOffHasVolumeAndPanControl) {
    const DWORD flags = CapsFlags(sound);
    EXPECT_EQ(flags & 0x181C2u, 0x181C2u) << std::hex << flags;
    EXPECT_EQ(flags & DSBCAPS_CTRL3D, 0u);
    EXPECT_EQ(sound.buffer3D, nullptr);
    EXPECT_NE(sound.data, nullptr);
    EXPECT_EQ(sound.size, 88200u);
}

TEST_F(StaticSoundWine, PlayRestartsAPlayingBufferAndStopRewinds) {
    ASSERT_EQ(sound.Play(0), 1);
    EXPECT_EQ(sound.IsPlaying(), 1);
    ASSERT_TRUE(WaitFor([&] { return PlayPosition(sound) > 30000; }));
    const DWORD before = PlayPosition(sound);
    ASSERT_EQ(sound.Play(0), 1);
    EXPECT_LT(PlayPosition(sound), before);
    EXPECT_EQ(sound.IsPlaying(), 1);
    EXPECT_EQ(sound.Stop(), 1);
    EXPECT_EQ(sound.IsPlaying(), 0);
    EXPECT_EQ(PlayPosition(sound), 0u);
}

TEST_F(StaticSoundWine, AOneShotEndsByItselfAndALoopDoesNot) {
    ASSERT_EQ(sound.Play(0), 1);
    EXPECT_TRUE(WaitFor([&] { return sound.IsPlaying() == 0; }));
    ASSERT_EQ(sound.Play(kPlayLooping), 1);
    DWORD status = 0;
    Interface(sound)->GetStatus(&status);
    EXPECT_EQ(status & DSBSTATUS_LOOPING, DWORD(DSBSTATUS_LOOPING));
    EXPECT_EQ(sound.Stop(), 1);
}

TEST_F(StaticSoundWine, VolumeAndPanReachTheBuffer) {
    EXPECT_EQ(sound.SetVolume(-2000), DS_OK);
    EXPECT_EQ(sound.SetPan(3000), DS_OK);
    LONG volume = 0;
    LONG pan = 0;
    Interface(sound)->GetVolume(&volume);
    Interface(sound)->GetPan(&pan);
    EXPECT_EQ(volume, -2000);
    EXPECT_EQ(pan, 3000);
    EXPECT_LT(sound.SetVolume(100), 0);
}

TEST_F(StaticSoundWine, DuplicatePlaysAlongsideItsSource) {
    SoundBuffer voice;
    ASSERT_EQ(voice.Duplicate(&sound), 1);
    ASSERT_NE(voice.soundBuffer, nullptr);
    EXPECT_NE(voice.soundBuffer, sound.soundBuffer);
    EXPECT_EQ(voice.buffer3D, nullptr);
    ASSERT_EQ(sound.Play(kPlayLooping), 1);
    ASSERT_EQ(voice.Play(kPlayLooping), 1);
    EXPECT_EQ(sound.IsPlaying(), 1);
    EXPECT_EQ(voice.IsPlaying(), 1);
    EXPECT_EQ(voice.Stop(), 1);
    EXPECT_EQ(sound.IsPlaying(), 1);
    EXPECT_EQ(sound.Stop(), 1);

    NullSound placeholder;
    SoundStream stream;
    const WaveFormat stereo = Pcm(2, 16, 22050);
    ASSERT_EQ(stream.CreateStream(&stereo, 4, 4096, sound_flags::StreamExtra), 1);
    SoundBuffer other;
    EXPECT_EQ(other.Duplicate(&placeholder), 0);
    EXPECT_EQ(other.Duplicate(&stream), 0);
    EXPECT_EQ(other.Duplicate(nullptr), 0);
}

TEST(Sound3DWine, TheSwitchMakesMonoEffects3DAndPanIsLeftAlone) {
    sound::Effects3D = 1;
    SoundBuffer mono;
    const WaveFormat monoFormat = Pcm(1, 16, 22050);
    mono.Create(&monoFormat, 8820, sound_flags::Static);
    SoundBuffer stereo;
    const WaveFormat stereoFormat = Pcm(2, 16, 22050);
    stereo.Create(&stereoFormat, 8820, sound_flags::Static);
    sound::Effects3D = 0;

    ASSERT_NE(mono.soundBuffer, nullptr);
    ASSERT_NE(mono.buffer3D, nullptr);
    EXPECT_NE(CapsFlags(mono) & DSBCAPS_CTRL3D, 0u);
    EXPECT_NE(mono.SetPan(5000), 0);
    ASSERT_EQ(mono.Play(0), 1);
    EXPECT_EQ(mono.Stop(), 1);

    ASSERT_NE(stereo.soundBuffer, nullptr);
    EXPECT_EQ(stereo.buffer3D, nullptr);
    EXPECT_EQ(CapsFlags(stereo) & DSBCAPS_CTRL3D, 0u);

    SoundBuffer voice;
    ASSERT_EQ(voice.Duplicate(&mono), 1);
    EXPECT_NE(voice.buffer3D, nullptr);
}

// The game module calls these objects through their virtual tables with the other compiler's
// conventions: each slot is a thiscall function at a fixed index.
using Slot0 = void*(__attribute__((thiscall)) *)(void*, uint32_t);
using Slot = int32_t(__attribute__((thiscall)) *)(void*);
using Slot1Arg = int32_t(__attribute__((thiscall)) *)(void*, uint32_t);
using Slot2Args = int32_t(__attribute__((thiscall)) *)(void*, uint32_t, uint32_t);

template <class F> F SlotOf(void* object, int index) {
    return reinterpret_cast<F>((*static_cast<void***>(object))[index]);
}

TEST(SoundSlotsWine, TheModuleReachesEveryOperationAtItsSlot) {
    auto* placeholder = new NullSound();
    EXPECT_EQ(SlotOf<Slot1Arg>(placeholder, 1)(placeholder, 0), 0);
    EXPECT_EQ(SlotOf<Slot>(placeholder, 5)(placeholder), 1);

    auto* effect = new SoundBuffer();
    MakeEffect(*effect, Pcm(2, 16, 22050), 17640);
    EXPECT_EQ(SlotOf<Slot1Arg>(effect, 1)(effect, 0), 1);
    EXPECT_EQ(SlotOf<Slot>(effect, 5)(effect), 1);
    EXPECT_EQ(SlotOf<Slot>(effect, 2)(effect), 1);
    EXPECT_EQ(SlotOf<Slot>(effect, 5)(effect), 0);
    EXPECT_EQ(SlotOf<Slot1Arg>(effect, 3)(effect, uint32_t(-500)), DS_OK);
    EXPECT_EQ(SlotOf<Slot1Arg>(effect, 4)(effect, 700), DS_OK);
    LONG pan = 0;
    Interface(*effect)->GetPan(&pan);
    EXPECT_EQ(pan, 700);

    auto* voice = new SoundBuffer();
    EXPECT_EQ(SlotOf<Slot1Arg>(voice, 8)(voice, reinterpret_cast<uintptr_t>(placeholder)), 0);
    EXPECT_EQ(SlotOf<Slot1Arg>(voice, 8)(voice, reinterpret_cast<uintptr_t>(effect)), 1);
    PlatformSoundBuffer held = voice->soundBuffer;
    EXPECT_EQ(SlotOf<Slot2Args>(voice, 7)(voice, 1, 2), 0);
    EXPECT_EQ(voice->soundBuffer, nullptr);
    voice->soundBuffer = held;
    EXPECT_EQ(SlotOf<Slot>(voice, 6)(voice), 0);
    EXPECT_EQ(voice->soundBuffer, nullptr);
    static_cast<IDirectSoundBuffer*>(held)->Release();

    auto* stream = new SoundStream();
    const WaveFormat format = Pcm(2, 16, 22050);
    ASSERT_EQ(stream->CreateStream(&format, 4, 4096, sound_flags::StreamExtra), 1);
    stream->writeOffset = 4096;
    stream->endReached = 1;
    EXPECT_EQ(SlotOf<Slot>(stream, 9)(stream), 0);
    EXPECT_EQ(stream->writeOffset, 0u);
    EXPECT_EQ(stream->endReached, 0);
    EXPECT_EQ(SlotOf<Slot>(stream, 8)(stream), 0);
    EXPECT_EQ(stream->soundBuffer, nullptr);

    const int32_t live = sound::LiveObjects;
    for (SoundObject* object : std::initializer_list<SoundObject*>{placeholder, effect, voice, stream}) {
        EXPECT_EQ(SlotOf<Slot0>(object, 0)(object, kDeleteMemory), object);
    }
    EXPECT_EQ(sound::LiveObjects, live - 4);
}

}  // namespace
