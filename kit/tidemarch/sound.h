#pragma once
// The sound objects of a loaded sprite file's effects (SpriteFile::effects), as a game module
// sees them: the module plays them through their slots and never makes one itself. Every effect
// starts with a SoundObject; its kind tells which of the three records follows.
//
//   slots  SoundObject: 0 deleting destructor, 1 Play, 2 Stop, 3 SetVolume, 4 SetPan, 5 IsPlaying
//          SoundBuffer: 6 ClearFields, 7 DropBuffer, 8 Duplicate
//          SoundStream: 6 ClearFields, 7 DropBuffer, 8 ReleaseBuffer, 9 ResetStream
//
// A stream's record is the host's first 88 bytes; the host keeps more state behind it, so a
// module never copies, allocates or indexes streams by their size.
#include "tidemarch/abi.h"

namespace tidemarch {

namespace sound_kind {
inline constexpr int32_t StaticBuffer = 1;  // a SoundBuffer
inline constexpr int32_t Placeholder = 2;   // plays nothing and reports itself as always playing
inline constexpr int32_t Stream = 3;        // a SoundStream
}  // namespace sound_kind

// The flag of Play: start again at the beginning when the sound ends.
inline constexpr uint32_t kPlayLooping = 1;

// Volumes are hundredths of a decibel (0 full, -10000 silent); pans run from -10000 (left) to
// 10000 (right), 0 centre.
class SoundObject {
  public:
    TIDEMARCH_SLOT0_DESTRUCTOR(SoundObject);    // slot 0
    virtual int32_t Play(uint32_t flags);       // slot 1
    virtual int32_t Stop();                     // slot 2
    virtual int32_t SetVolume(int32_t volume);  // slot 3
    virtual int32_t SetPan(int32_t pan);        // slot 4
    virtual int32_t IsPlaying();                // slot 5

    int32_t kind;       // sound_kind
    int32_t reserved1;  // free for the game module
    int32_t reserved2;
};

// A placeholder effect: the SoundObject record and nothing more.
class NullSound : public SoundObject {};

// What static buffers and streams share: their platform buffer (an IDirectSoundBuffer and its
// IDirectSound3DBuffer, both owned by the object).
class SoundBufferBase : public SoundObject {
  public:
    // Forgets the data pointer, size and both interfaces without releasing anything.
    virtual int32_t ClearFields();  // slot 6
    // Forgets the sound buffer without releasing it; both arguments are ignored.
    virtual int32_t DropBuffer(uint32_t ignored1, uint32_t ignored2);  // slot 7

    void* data;     // the samples of the last whole-buffer lock
    uint32_t size;  // bytes
    void* soundBuffer;
    void* buffer3D;
};

// A sound effect held whole in one platform buffer.
class SoundBuffer : public SoundBufferBase {
  public:
    // Makes this object a second voice of source (a static buffer with a sound buffer), sharing
    // its samples. 1 on success, 0 otherwise.
    virtual int32_t Duplicate(SoundObject* source);  // slot 8
};

// A long effect played from the open sprite file through a ring of blocks that a thread of the
// host refills.
class SoundStream : public SoundBufferBase {
  public:
    // Releases the sound buffer and forgets it. Returns 0.
    virtual int32_t ReleaseBuffer();  // slot 8
    // Clears endReached and writeOffset. Returns 0.
    virtual int32_t ResetStream();  // slot 9

    int32_t loop;
    uint32_t threadId;
    void* threadHandle;  // null when no refill thread exists
    void* blockEvent;
    uint32_t dataStart;     // file offset of the first sample byte
    uint32_t dataEnd;       // file offset just past the last sample byte
    uint32_t readPosition;  // file offset of the next byte to read
    void* fileHandle;       // the sprite file's
    uint32_t blockCount;
    uint32_t blockSize;
    uint32_t unused1;
    uint32_t unused2;
    int32_t endReached;
    uint32_t writeOffset;  // ring offset of the next block to refill
};

}  // namespace tidemarch

#if TIDEMARCH_KIT_LAYOUT
TIDEMARCH_KIT_CHECKS_BEGIN
TIDEMARCH_KIT_SIZE(tidemarch::SoundObject, 16);
TIDEMARCH_KIT_SIZE(tidemarch::NullSound, 16);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundObject, kind, 4);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundObject, reserved1, 8);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundObject, reserved2, 12);
TIDEMARCH_KIT_SIZE(tidemarch::SoundBuffer, 32);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundBuffer, data, 16);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundBuffer, size, 20);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundBuffer, soundBuffer, 24);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundBuffer, buffer3D, 28);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, data, 16);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, soundBuffer, 24);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, loop, 32);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, threadId, 36);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, threadHandle, 40);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, blockEvent, 44);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, dataStart, 48);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, dataEnd, 52);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, readPosition, 56);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, fileHandle, 60);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, blockCount, 64);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, blockSize, 68);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, unused1, 72);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, unused2, 76);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, endReached, 80);
TIDEMARCH_KIT_OFFSET(tidemarch::SoundStream, writeOffset, 84);
TIDEMARCH_KIT_CHECKS_END
#endif
