#include "platform/memory/sound/memory_sound_platform.h"

// Native builds have no sound card to speak of: the memory platform serves as the device.
SoundPlatform& DefaultSoundPlatform() {
    static MemorySoundPlatform platform;
    return platform;
}
