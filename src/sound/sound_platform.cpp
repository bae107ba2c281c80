#include "sound/sound_platform.h"

namespace {
SoundPlatform* replacement = nullptr;
}

SoundPlatform& ActiveSoundPlatform() { return replacement ? *replacement : DefaultSoundPlatform(); }

void SetActiveSoundPlatform(SoundPlatform* platform) { replacement = platform; }
