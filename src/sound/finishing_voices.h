#pragma once
// Voices that a sound object gave up while they were still playing. Duplicate makes a new voice
// for its object; a copy that is still playing keeps playing to its end, as a module that
// duplicates into one object again and again to overlap an effect expects. The object no longer
// holds it, so it is kept here and released once it has stopped, or when the device goes.
#include <cstddef>

#include "sound/sound_object.h"

namespace finishing_voices {

// Keeps a voice (its buffer and 3D interface, either may be null) until it has stopped.
void Keep(PlatformSoundBuffer buffer, Platform3DBuffer buffer3D);
// Releases every kept voice that has stopped playing.
void ReleaseEnded();
// Releases every kept voice, playing or not: the device is going away.
void ReleaseAll();
// Voices kept and not yet released.
size_t Count();

}  // namespace finishing_voices
