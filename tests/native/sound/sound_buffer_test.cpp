// Static sound buffers and placeholders.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/memory/sound/memory_sound_platform.h"
#include "sound/sound_device.h"
#include "sound/sound_object.h"
#include "sound_test_support.h"

namespace {

struct CreateCase {
    const char* name;
    bool version8;
    uint8_t effects3D;
    uint16_t channels;
    uint32_t expectedFlags;
    bool expect3D;
};

class SoundBufferCreate : public ::testing::TestWithParam<CreateCase> {};

TEST_P(SoundBufferCreate, ChoosesCapabilitiesByDeviceFormatAndSwitch) {
    const CreateCase& c = GetParam();
    MemorySoundScope scope(c.version8);
    sound::Effects3D = c.effects3D;
    const WaveFormat format = Pcm(c.channels, 16);
    SoundBuffer buffer;
    EXPECT_EQ(buffer.Create(&format, 4096, sound_flags::Static), 0);
    sound::Effects3D = 0;
    ASSERT_NE(buffer.soundBuffer, nullptr);
    const auto state = scope.platform().Inspect(buffer.soundBuffer);
    EXPECT_EQ(state.flags, c.expectedFlags);
    EXPECT_EQ(state.bytes, 4096u);
    EXPECT_EQ(state.version8Device, c.version8);
    EXPECT_EQ(state.fullHrtf3D, c.expect3D);
    EXPECT_EQ(buffer.buffer3D != nullptr, c.expect3D);
    EXPECT_EQ(buffer.size, 4096u);
    EXPECT_EQ(buffer.data, scope.platform().Samples(buffer.soundBuffer));
}

INSTANTIATE_TEST_SUITE_P(Cases, SoundBufferCreate,
                         ::testing::Values(CreateCase{"MonoSwitchOff", true, 0, 1, 0x181C2, false},
                                           CreateCase{"StereoSwitchOff", true, 0, 2, 0x181C2, false},
                                           CreateCase{"StereoSwitchOn", true, 1, 2, 0x181C2, false},
                                           CreateCase{"MonoSwitchOn", true, 1, 1, 0x18112, true},
                                           CreateCase{"MonoOnFallback", false, 1, 1, 0x181C2, false}),
                         [](const auto& info) { return std::string(info.param.name); });

class SoundBufferTest : public ::testing::Test {
  protected:
    SoundBufferTest() { buffer.Create(&format, 4096, sound_flags::Static); }
    MemorySoundPlatform& platform() { return scope.platform(); }

    MemorySoundScope scope;
    WaveFormat format = Pcm(1, 16);
    SoundBuffer buffer;
};

TEST_F(SoundBufferTest, PlayOnAPlayingBufferRestartsItInsteadOfASecondVoice) {
    ASSERT_EQ(buffer.Play(0), 1);
    EXPECT_EQ(buffer.IsPlaying(), 1);
    platform().AdvancePlayCursor(buffer.soundBuffer, 1000);
    EXPECT_EQ(platform().Inspect(buffer.soundBuffer).playCursor, 1000u);
    EXPECT_EQ(buffer.Play(kPlayLooping), 1);
    const auto state = platform().Inspect(buffer.soundBuffer);
    EXPECT_EQ(state.playCursor, 0u);
    // The running voice keeps its own play flags.
    EXPECT_EQ(state.status, sound_status::Playing);
}

TEST_F(SoundBufferTest, LoopingPlayAndStop) {
    ASSERT_EQ(buffer.Play(kPlayLooping), 1);
    EXPECT_EQ(platform().Inspect(buffer.soundBuffer).status, sound_status::Playing | sound_status::Looping);
    platform().AdvancePlayCursor(buffer.soundBuffer, 5000);
    EXPECT_EQ(buffer.IsPlaying(), 1);
    EXPECT_EQ(buffer.Stop(), 1);
    EXPECT_EQ(buffer.IsPlaying(), 0);
    EXPECT_EQ(platform().Inspect(buffer.soundBuffer).playCursor, 0u);
}

TEST_F(SoundBufferTest, AOneShotEndsByItself) {
    ASSERT_EQ(buffer.Play(0), 1);
    platform().AdvancePlayCursor(buffer.soundBuffer, 4096);
    EXPECT_EQ(buffer.IsPlaying(), 0);
}

TEST_F(SoundBufferTest, VolumeAndPanReachTheBufferWithThePlatformResult) {
    EXPECT_EQ(buffer.SetVolume(-1500), 0);
    EXPECT_EQ(buffer.SetPan(2500), 0);
    auto state = platform().Inspect(buffer.soundBuffer);
    EXPECT_EQ(state.volume, -1500);
    EXPECT_EQ(state.pan, 2500);
    EXPECT_LT(buffer.SetVolume(1), 0);
    EXPECT_LT(buffer.SetPan(-10001), 0);
    state = platform().Inspect(buffer.soundBuffer);
    EXPECT_EQ(state.volume, -1500);
    EXPECT_EQ(state.pan, 2500);
}

TEST_F(SoundBufferTest, LockGivesTheWholeSampleMemory) {
    void* samples = nullptr;
    uint32_t bytes = 0;
    ASSERT_EQ(buffer.Lock(&samples, &bytes), 1);
    EXPECT_EQ(bytes, 4096u);
    std::memset(samples, 0x5A, bytes);
    buffer.Unlock(samples, bytes);
    EXPECT_EQ(platform().Inspect(buffer.soundBuffer).locks, 0u);
    EXPECT_EQ(platform().Samples(buffer.soundBuffer)[4095], 0x5A);
}

TEST_F(SoundBufferTest, DuplicateIsASecondVoiceOverTheSameSamples) {
    SoundBuffer voice;
    ASSERT_EQ(voice.Duplicate(&buffer), 1);
    ASSERT_NE(voice.soundBuffer, nullptr);
    EXPECT_NE(voice.soundBuffer, buffer.soundBuffer);
    EXPECT_EQ(platform().Samples(voice.soundBuffer), platform().Samples(buffer.soundBuffer));
    EXPECT_EQ(voice.buffer3D, nullptr);  // the source is no 3D buffer
    EXPECT_EQ(buffer.Play(0), 1);
    EXPECT_EQ(voice.Play(0), 1);
    platform().AdvancePlayCursor(buffer.soundBuffer, 100);
    EXPECT_EQ(platform().Inspect(buffer.soundBuffer).playCursor, 100u);
    EXPECT_EQ(platform().Inspect(voice.soundBuffer).playCursor, 0u);
}

// Duplicating into the same object again gives it a new voice. What becomes of the previous one
// depends on whether it is still playing: a copy that plays once plays to its end and is
// released then; a looping copy, which nothing could stop any more, stops at once.
struct PreviousVoiceCase {
    const char* name;
    int32_t playFlags;  // -1: the previous voice is not playing
    bool keptPlaying;
};

class DuplicateAgain : public SoundBufferTest, public ::testing::WithParamInterface<PreviousVoiceCase> {};

TEST_P(DuplicateAgain, ThePreviousVoiceEndsAsItWouldHaveEnded) {
    const PreviousVoiceCase& c = GetParam();
    SoundBuffer voice;
    ASSERT_EQ(voice.Duplicate(&buffer), 1);
    const PlatformSoundBuffer previous = voice.soundBuffer;
    if (c.playFlags >= 0) {
        ASSERT_EQ(voice.Play(uint32_t(c.playFlags)), 1);
    }
    platform().AdvancePlayCursor(previous, 1000);
    const size_t live = platform().LiveInterfaces();

    ASSERT_EQ(voice.Duplicate(&buffer), 1);
    EXPECT_NE(voice.soundBuffer, previous);
    if (!c.keptPlaying) {
        EXPECT_EQ(platform().LiveInterfaces(), live);
        return;
    }
    // Still held and still playing where it was.
    EXPECT_EQ(platform().LiveInterfaces(), live + 1);
    EXPECT_EQ(platform().Inspect(previous).status & sound_status::Playing, sound_status::Playing);
    EXPECT_EQ(platform().Inspect(previous).playCursor, 1000u);
    // It plays to its end and is released by the next play or duplicate.
    platform().AdvancePlayCursor(previous, 4096);
    ASSERT_EQ(voice.Play(0), 1);
    EXPECT_EQ(platform().LiveInterfaces(), live);
}

INSTANTIATE_TEST_SUITE_P(Cases, DuplicateAgain,
                         ::testing::Values(PreviousVoiceCase{"NotPlaying", -1, false},
                                           PreviousVoiceCase{"PlayingOnce", 0, true},
                                           PreviousVoiceCase{"Looping", int32_t(kPlayLooping), false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SoundBufferTest, VoicesStillPlayingWhenTheDeviceGoesAreReleasedWithIt) {
    const size_t before = platform().LiveInterfaces();
    {
        SoundBuffer voice;
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(voice.Duplicate(&buffer), 1);
            ASSERT_EQ(voice.Play(0), 1);
        }
        // Three copies playing at once: two given up, one held by the object.
        EXPECT_EQ(platform().LiveInterfaces(), before + 3);
    }
    EXPECT_EQ(platform().LiveInterfaces(), before + 2);
    ResetSoundDevice();
    // Only the source buffer is left; the device and both copies went with the device.
    EXPECT_EQ(platform().LiveInterfaces(), 1u);
    // A device again, for the fixture's buffer to be released by.
    SoundInit(reinterpret_cast<void*>(uintptr_t{1}));
}

TEST_F(SoundBufferTest, DuplicateRefusesWhatHasNoStaticBuffer) {
    NullSound placeholder;
    SoundStream stream;
    const WaveFormat stereo = Pcm(2, 16);
    ASSERT_EQ(stream.CreateStream(&stereo, 4, 256, 0), 1);
    SoundBuffer empty;
    SoundBuffer voice;
    EXPECT_EQ(voice.Duplicate(nullptr), 0);
    EXPECT_EQ(voice.Duplicate(&placeholder), 0);
    EXPECT_EQ(voice.Duplicate(&stream), 0);
    EXPECT_EQ(voice.Duplicate(&empty), 0);
    EXPECT_EQ(voice.soundBuffer, nullptr);
}

TEST_F(SoundBufferTest, ClearFieldsAndDropBufferForgetWithoutReleasing) {
    const size_t live = platform().LiveInterfaces();
    PlatformSoundBuffer held = buffer.soundBuffer;
    EXPECT_EQ(buffer.DropBuffer(7, 8), 0);
    EXPECT_EQ(buffer.soundBuffer, nullptr);
    EXPECT_NE(buffer.data, nullptr);
    EXPECT_EQ(platform().LiveInterfaces(), live);
    buffer.soundBuffer = held;
    EXPECT_EQ(buffer.ClearFields(), 0);
    EXPECT_EQ(buffer.data, nullptr);
    EXPECT_EQ(buffer.size, 0u);
    EXPECT_EQ(buffer.soundBuffer, nullptr);
    EXPECT_EQ(platform().LiveInterfaces(), live);
    platform().Release(held);
}

TEST_F(SoundBufferTest, DestructionReleasesBufferAnd3DInterface) {
    const size_t live = platform().LiveInterfaces();
    sound::Effects3D = 1;
    auto* sound3D = new SoundBuffer();
    sound3D->Create(&format, 512, sound_flags::Static);
    sound::Effects3D = 0;
    ASSERT_NE(sound3D->buffer3D, nullptr);
    EXPECT_EQ(platform().LiveInterfaces(), live + 2);
    DestroySoundObject(sound3D);
    EXPECT_EQ(platform().LiveInterfaces(), live);
}

TEST_F(SoundBufferTest, PanIsLeftAloneOnA3DBuffer) {
    sound::Effects3D = 1;
    SoundBuffer sound3D;
    sound3D.Create(&format, 512, sound_flags::Static);
    sound::Effects3D = 0;
    ASSERT_NE(sound3D.buffer3D, nullptr);
    EXPECT_NE(sound3D.SetPan(3000), 0);
    EXPECT_EQ(platform().Inspect(sound3D.soundBuffer).pan, 0);
}

TEST(SoundWithoutDevice, AnswersAsSilenceAndNothingFails) {
    MemorySoundPlatform platform;
    platform.FailDevice8(true);
    platform.FailDevice(true);
    ResetSoundDevice();
    SetActiveSoundPlatform(&platform);
    SoundInit(reinterpret_cast<void*>(uintptr_t{1}), nullptr, 1);
    ASSERT_FALSE(sound::HasDevice());
    {
        const WaveFormat format = Pcm(2, 16);
        SoundBuffer buffer;
        EXPECT_EQ(buffer.Create(&format, 1024, sound_flags::Static), 0);
        EXPECT_EQ(buffer.soundBuffer, nullptr);
        EXPECT_EQ(buffer.size, 1024u);
        void* samples = &buffer;
        uint32_t bytes = 1;
        EXPECT_EQ(buffer.Lock(&samples, &bytes), 0);
        EXPECT_EQ(samples, nullptr);
        SoundStream stream;
        EXPECT_EQ(stream.CreateStream(&format, 10, 32768, sound_flags::StreamExtra), 0);
        SoundBuffer voice;
        for (SoundBufferBase* sound : std::initializer_list<SoundBufferBase*>{&buffer, &stream}) {
            EXPECT_EQ(sound->Play(kPlayLooping), 0);
            EXPECT_EQ(sound->Stop(), 0);
            EXPECT_EQ(sound->IsPlaying(), 0);
            EXPECT_EQ(sound->SetVolume(-100), 0);
            EXPECT_EQ(sound->SetPan(100), 0);
        }
        EXPECT_EQ(voice.Duplicate(&buffer), 0);
    }
    EXPECT_EQ(platform.OpenHandles(), 0u);
    ResetSoundDevice();
    SetActiveSoundPlatform(nullptr);
}

TEST(NullSoundTest, PlaysNothingAndCountsAsPlaying) {
    MemorySoundScope scope;
    NullSound placeholder;
    EXPECT_EQ(placeholder.Play(kPlayLooping), 0);
    EXPECT_EQ(placeholder.Stop(), 0);
    EXPECT_EQ(placeholder.SetVolume(-100), 0);
    EXPECT_EQ(placeholder.SetPan(100), 0);
    EXPECT_EQ(placeholder.IsPlaying(), 1);
}

}  // namespace
