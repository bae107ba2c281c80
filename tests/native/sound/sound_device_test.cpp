// The device, its fallback, the listener and the live-object count.
#include <gtest/gtest.h>

#include "platform/memory/sound/memory_sound_platform.h"
#include "sound/sound_device.h"
#include "sound/sound_object.h"

namespace {

void* const kWindow = reinterpret_cast<void*>(uintptr_t{0x1234});

class SoundDeviceTest : public ::testing::Test {
  protected:
    SoundDeviceTest() {
        ResetSoundDevice();
        SetActiveSoundPlatform(&platform);
    }
    ~SoundDeviceTest() override {
        ResetSoundDevice();
        SetActiveSoundPlatform(nullptr);
    }
    MemorySoundPlatform platform;
};

TEST_F(SoundDeviceTest, NullWindowCreatesNothing) {
    EXPECT_EQ(SoundInit(nullptr, nullptr, 1), 0);
    EXPECT_FALSE(sound::HasDevice());
    EXPECT_EQ(sound::Listener, nullptr);
}

struct DeviceCase {
    const char* name;
    bool version8Fails;
    bool plainFails;
    int32_t prefer8;
    bool expect8;
    bool expectFallback;
};

class SoundDeviceChoice : public SoundDeviceTest, public ::testing::WithParamInterface<DeviceCase> {};

TEST_P(SoundDeviceChoice, PicksTheVersion8DeviceOrFallsBack) {
    const DeviceCase& c = GetParam();
    platform.FailDevice8(c.version8Fails);
    platform.FailDevice(c.plainFails);
    EXPECT_EQ(SoundInit(kWindow, nullptr, c.prefer8), 1);
    EXPECT_EQ(sound::Device8 != nullptr, c.expect8);
    EXPECT_EQ(sound::FallbackDevice != nullptr, c.expectFallback);
    if (sound::Device8) {
        EXPECT_TRUE(platform.IsDevice8(sound::Device8));
    }
    for (void* device : {sound::Device8, sound::FallbackDevice}) {
        if (device) {
            EXPECT_EQ(platform.CooperativeLevel(device), 1u);
        }
    }
    // The listener always exists; its interface only with the version-8 device.
    ASSERT_NE(sound::Listener, nullptr);
    EXPECT_EQ(sound::Listener->listener != nullptr, c.expect8);
    EXPECT_EQ(sound::PrimaryBuffer, nullptr);
    // A refused device is released, not kept half made. What stays: the device, and with the
    // version-8 device the listener interface, which holds on to its primary buffer.
    EXPECT_EQ(platform.LiveInterfaces(), size_t(c.expect8) * 3 + size_t(c.expectFallback));
}

INSTANTIATE_TEST_SUITE_P(Cases, SoundDeviceChoice,
                         ::testing::Values(DeviceCase{"Version8", false, false, 1, true, false},
                                           DeviceCase{"Version8Refused", true, false, 1, false, true},
                                           DeviceCase{"Version8NotAsked", false, false, 0, false, true},
                                           DeviceCase{"NoSoundAtAll", true, true, 1, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SoundDeviceTest, RepeatedInitKeepsOneListenerAndOneFallback) {
    platform.FailDevice8(true);
    platform.FailDevice(true);
    SoundInit(kWindow, nullptr, 1);
    SoundListener* first = sound::Listener;
    // Sound objects made on a machine without sound retry the device each time.
    for (int i = 0; i < 3; ++i)
        DestroySoundObject(new SoundBuffer());
    EXPECT_EQ(sound::Listener, first);

    platform.FailDevice(false);
    SoundInit(kWindow, nullptr, 0);
    void* fallback = sound::FallbackDevice;
    ASSERT_NE(fallback, nullptr);
    SoundInit(kWindow, nullptr, 0);
    EXPECT_EQ(sound::FallbackDevice, fallback);
    EXPECT_EQ(platform.LiveInterfaces(), 1u);

    // A version-8 device found later gives the same listener object its interface.
    platform.FailDevice8(false);
    SoundInit(kWindow, nullptr, 1);
    EXPECT_EQ(sound::Listener, first);
    EXPECT_NE(sound::Listener->listener, nullptr);
}

TEST_F(SoundDeviceTest, FirstSoundObjectCreatesTheDeviceForTheMainWindow) {
    platform.FailDevice8(true);
    platform.FailDevice(true);
    SoundInit(kWindow, nullptr, 1);
    ASSERT_FALSE(sound::HasDevice());
    platform.FailDevice8(false);
    SoundObject* object = new NullSound();
    EXPECT_NE(sound::Device8, nullptr);
    DestroySoundObject(object);
}

TEST_F(SoundDeviceTest, LiveCountFollowsConstructionAndDestruction) {
    const int32_t before = sound::LiveObjects;
    SoundObject* objects[] = {new NullSound(), new SoundBuffer(), new SoundStream()};
    EXPECT_EQ(sound::LiveObjects, before + 3);
    EXPECT_EQ(objects[0]->kind, 2);
    EXPECT_EQ(objects[1]->kind, 1);
    EXPECT_EQ(objects[2]->kind, 3);
    for (SoundObject* object : objects) {
        EXPECT_EQ(object->reserved1, 0);
        EXPECT_EQ(object->reserved2, 0);
        DestroySoundObject(object);
    }
    EXPECT_EQ(sound::LiveObjects, before);
}

TEST_F(SoundDeviceTest, DeletingDestructorWithoutTheFlagKeepsTheMemory) {
    alignas(SoundBuffer) unsigned char storage[sizeof(SoundBuffer)];
    const int32_t before = sound::LiveObjects;
    auto* object = new (storage) SoundBuffer();
    EXPECT_EQ(object->DeletingDestructor(0), object);
    EXPECT_EQ(sound::LiveObjects, before);
}

}  // namespace
