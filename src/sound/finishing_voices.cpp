#include "sound/finishing_voices.h"

#include <algorithm>
#include <vector>

#include "sound/sound_device.h"
#include "sound/sound_platform.h"

namespace {

struct Voice {
    PlatformSoundBuffer buffer;
    Platform3DBuffer buffer3D;
};

// Used from the window's thread only, like the sound objects that hand voices over.
std::vector<Voice>& Kept() {
    static std::vector<Voice> voices;
    return voices;
}

bool StillPlaying(SoundPlatform& platform, const Voice& voice) {
    uint32_t status = 0;
    return voice.buffer && platform.GetStatus(voice.buffer, &status) >= 0 && (status & sound_status::Playing);
}

void Release(SoundPlatform& platform, const Voice& voice) {
    if (voice.buffer3D) platform.Release(voice.buffer3D);
    if (voice.buffer) platform.Release(voice.buffer);
}

}  // namespace

namespace finishing_voices {

void Keep(PlatformSoundBuffer buffer, Platform3DBuffer buffer3D) { Kept().push_back({buffer, buffer3D}); }

void ReleaseEnded() {
    auto& voices = Kept();
    if (voices.empty() || !sound::HasDevice()) return;
    SoundPlatform& platform = ActiveSoundPlatform();
    std::erase_if(voices, [&](const Voice& voice) {
        if (StillPlaying(platform, voice)) return false;
        Release(platform, voice);
        return true;
    });
}

void ReleaseAll() {
    auto& voices = Kept();
    if (!voices.empty() && sound::HasDevice()) {
        SoundPlatform& platform = ActiveSoundPlatform();
        for (const Voice& voice : voices)
            Release(platform, voice);
    }
    voices.clear();
}

size_t Count() { return Kept().size(); }

}  // namespace finishing_voices
