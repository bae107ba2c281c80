#pragma once
// The sound objects the game module plays: static buffers, placeholders and streams.
//
// The record layouts and virtual slot orders are shared with the game module, which receives
// these objects from sprite files and calls their slots. Nothing here may be reordered.
//
//   SoundObject                 SoundBuffer / SoundStream       SoundStream only
//   0   virtual table           16  data (samples of the        32  loop          60  fileHandle
//   4   kind                        last whole-buffer lock)     36  threadId      64  blockCount
//   8   reserved1               20  size (bytes)                40  threadHandle  68  blockSize
//   12  reserved2               24  soundBuffer (owned)         44  blockEvent    72  unused1
//                               28  buffer3D (owned)            48  dataStart     76  unused2
//                                                               52  dataEnd       80  endReached
//                                                               56  readPosition  84  writeOffset
//
//   slots  SoundObject: 0 deleting destructor, 1 Play, 2 Stop, 3 SetVolume, 4 SetPan, 5 IsPlaying
//          SoundBuffer: 6 ClearFields, 7 DropBuffer, 8 Duplicate
//          SoundStream: 6 ClearFields, 7 DropBuffer, 8 ReleaseBuffer, 9 ResetStream
//
// A stream has the static buffer's fields and slots 0 to 7, but its slot 8 differs, so both
// derive from SoundBufferBase, which holds what they share.
//
// Slot 0 is the deleting destructor of the other compiler's ABI (one slot, delete flag), so it
// is an ordinary virtual function; C++ destructors are public and not virtual.
#include <cstdint>

#include "common/deleting_destructor.h"
#include "common/layout_check.h"
#include "common/wave_format.h"
#include "files/read_only_file.h"

// Opaque platform objects: IDirectSoundBuffer, IDirectSound3DBuffer and kernel handles in the
// product.
using PlatformSoundBuffer = void*;
using Platform3DBuffer = void*;
using PlatformHandle = void*;

enum class SoundKind : int32_t { StaticBuffer = 1, Placeholder = 2, Stream = 3 };

// Buffer capability flags (DirectSound's values).
namespace sound_flags {
inline constexpr uint32_t Static = 0x2;
inline constexpr uint32_t Control3D = 0x10;
inline constexpr uint32_t ControlPan = 0x40;
inline constexpr uint32_t ControlVolume = 0x80;
inline constexpr uint32_t PositionNotify = 0x100;
inline constexpr uint32_t GlobalFocus = 0x8000;
inline constexpr uint32_t PositionAccuracy = 0x10000;

inline constexpr uint32_t DefaultPlain = 0x000181C0;                 // accuracy, focus, notify, volume, pan
inline constexpr uint32_t Default3D = 0x00018110;                    // accuracy, focus, notify, 3D
inline constexpr uint32_t DefaultStream = 0x00018100;                // accuracy, focus, notify
inline constexpr uint32_t StreamExtra = ControlVolume | ControlPan;  // what the loader passes
}  // namespace sound_flags

inline constexpr uint32_t kPlayLooping = 1;

// Loader-made streams: ten blocks of 32768 bytes.
inline constexpr uint32_t kStreamBlockCount = 10;
inline constexpr uint32_t kStreamBlockSize = 32768;
// Effects of this many bytes or more are streamed rather than loaded.
inline constexpr uint32_t kStreamThreshold = 1048576;

class SoundObject {
  public:
    // Counts the object as live. When no device exists yet, first retries SoundInit with the
    // main window.
    explicit SoundObject(SoundKind kind);
    SoundObject(const SoundObject&) = delete;
    SoundObject& operator=(const SoundObject&) = delete;

    // Virtual slots 0 to 5, in this order.
    virtual void* DeletingDestructor(uint32_t flags) = 0;
    virtual int32_t Play(uint32_t flags) = 0;  // flags: kPlayLooping
    virtual int32_t Stop() = 0;
    // Hundredths of a decibel: 0 full, -10000 silent.
    virtual int32_t SetVolume(int32_t volume) = 0;
    // -10000 left to 10000 right, 0 centre.
    virtual int32_t SetPan(int32_t pan) = 0;
    virtual int32_t IsPlaying() = 0;

    SoundKind Kind() const { return SoundKind(kind); }

    int32_t kind;
    int32_t reserved1;  // free for the game module
    int32_t reserved2;

    ~SoundObject();
};

// Destroys a sound object through its slot 0 and frees it.
inline void DestroySoundObject(SoundObject* object) {
    if (object) object->DeletingDestructor(kDeleteMemory);
}

// A placeholder effect: plays nothing and reports itself as always playing.
class NullSound final : public SoundObject {
  public:
    NullSound();

    void* DeletingDestructor(uint32_t flags) override;
    int32_t Play(uint32_t flags) override;
    int32_t Stop() override;
    int32_t SetVolume(int32_t volume) override;
    int32_t SetPan(int32_t pan) override;
    int32_t IsPlaying() override;
};

// The fields and slots 1 to 7 shared by static buffers and streams. Not made on its own.
class SoundBufferBase : public SoundObject {
  public:
    int32_t Play(uint32_t flags) override;
    int32_t Stop() override;
    int32_t SetVolume(int32_t volume) override;
    int32_t SetPan(int32_t pan) override;
    int32_t IsPlaying() override;

    // Virtual slots 6 and 7.
    // Forgets the data pointer, size and both interfaces without releasing anything.
    virtual int32_t ClearFields();
    // Forgets the sound buffer without releasing it; both arguments are ignored.
    virtual int32_t DropBuffer(uint32_t ignored1, uint32_t ignored2);

    // Locks the whole buffer for writing its samples. Returns 1 with the sample address and
    // byte count, 0 when there is no buffer or the platform refuses.
    int32_t Lock(void** samples, uint32_t* bytes);
    // Ends a lock made by Lock, with what it returned.
    void Unlock(void* samples, uint32_t bytes);

    void* data;
    uint32_t size;
    PlatformSoundBuffer soundBuffer;
    Platform3DBuffer buffer3D;

  protected:
    explicit SoundBufferBase(SoundKind kind);
    // Releases the 3D interface and then the buffer, when a device exists.
    ~SoundBufferBase();
};

// A sound effect held whole in one platform buffer.
class SoundBuffer final : public SoundBufferBase {
  public:
    SoundBuffer();

    void* DeletingDestructor(uint32_t flags) override;
    // Virtual slot 8. Makes this object a second voice of source (a static buffer with a sound
    // buffer), sharing its samples; this object's own buffer is overwritten, not released.
    // Returns 1 on success, 0 otherwise.
    virtual int32_t Duplicate(SoundObject* source);

    // Creates the platform buffer for size bytes of samples in format; flags 0 picks the
    // default capabilities. Always returns 0: success shows as a non-null soundBuffer.
    int32_t Create(const WaveFormat* format, uint32_t size, uint32_t flags);

    ~SoundBuffer() = default;
};

// A long sound effect played from the open sprite file through a ring of blocks, refilled by a
// thread of its own. The creator sets fileHandle, dataStart and dataEnd, then calls
// CreateStream.
class SoundStream final : public SoundBufferBase {
  public:
    SoundStream();

    void* DeletingDestructor(uint32_t flags) override;
    // flags: kPlayLooping to start again at the data start when the data ends.
    int32_t Play(uint32_t flags) override;
    int32_t Stop() override;

    // Virtual slots 8 and 9.
    // Releases the sound buffer and forgets it. Returns 0.
    virtual int32_t ReleaseBuffer();
    // Clears endReached and writeOffset. Returns 0.
    virtual int32_t ResetStream();

    // Creates a ring of blockCount blocks of blockSize bytes with a notification at the end of
    // each block; flags 0 picks the default capabilities. Returns 1 on success, 0 on failure.
    int32_t CreateStream(const WaveFormat* format, uint32_t blockCount, uint32_t blockSize, uint32_t flags);

    // Refills the block at writeOffset from the file (the refill thread's step). Returns 0 when
    // the stream cannot go on (a read error, a lock that wraps, an end request).
    int32_t FillNextBlock();
    // Refills every block the play cursor has left since the last refill (the refill thread's
    // step on each wake-up). Returns 0 when the stream cannot go on.
    int32_t RefillPlayedBlocks();

    int32_t loop;
    uint32_t threadId;
    PlatformHandle threadHandle;  // null when no refill thread exists
    PlatformHandle blockEvent;    // auto-reset, signalled by the platform at each block end
    uint32_t dataStart;           // file offset of the first sample byte
    uint32_t dataEnd;             // file offset just past the last sample byte
    uint32_t readPosition;        // file offset of the next byte to read
    FileHandle fileHandle;        // the sprite file's; shared, not owned
    uint32_t blockCount;
    uint32_t blockSize;
    uint32_t unused1;  // never set by the host
    uint32_t unused2;
    int32_t endReached;    // a non-looping stream has read its last byte
    uint32_t writeOffset;  // ring offset of the next block to refill

    ~SoundStream();

  private:
    static void RefillThreadMain(void* stream);
    void EndRefillThread();
    uint32_t DataLength() const { return dataEnd > dataStart ? dataEnd - dataStart : 0; }
    bool Prefill(uint8_t* ring, uint32_t bytes);
    bool ReadSamples(uint8_t* into, uint32_t bytes);
    bool FillByWrapping(uint8_t* region, uint32_t filled, uint32_t total);
    bool ReachedEndOfSound() const { return endReached && blocksPlayed_ >= lastDataBlock_; }
    void ReleaseInterfaces();

    // Beyond the shared record; the game module never sees these.
    // Ends the refill thread: the thread waits on it together with blockEvent.
    PlatformHandle stopEvent_;
    // Block ends handled since Play, and the block end after which the last sample byte read so
    // far will have played: a stream at the end of its data stops there, not while the ring
    // still holds sound that was read but not yet heard.
    uint32_t blocksPlayed_;
    uint32_t lastDataBlock_;
    // The byte value of silence in the stream's format: 0x80 for 8-bit samples, else 0.
    uint8_t silence_;
};

#if TIDEMARCH_SHARED_LAYOUT
TIDEMARCH_LAYOUT_CHECKS_BEGIN
TIDEMARCH_CHECK_SIZE(NullSound, 16);
TIDEMARCH_CHECK_OFFSET(SoundObject, kind, 4);
TIDEMARCH_CHECK_OFFSET(SoundObject, reserved1, 8);
TIDEMARCH_CHECK_OFFSET(SoundObject, reserved2, 12);
TIDEMARCH_CHECK_SIZE(SoundBuffer, 32);
TIDEMARCH_CHECK_OFFSET(SoundBuffer, data, 16);
TIDEMARCH_CHECK_OFFSET(SoundBuffer, size, 20);
TIDEMARCH_CHECK_OFFSET(SoundBuffer, soundBuffer, 24);
TIDEMARCH_CHECK_OFFSET(SoundBuffer, buffer3D, 28);
TIDEMARCH_CHECK_OFFSET(SoundStream, data, 16);
TIDEMARCH_CHECK_OFFSET(SoundStream, soundBuffer, 24);
TIDEMARCH_CHECK_OFFSET(SoundStream, loop, 32);
TIDEMARCH_CHECK_OFFSET(SoundStream, threadId, 36);
TIDEMARCH_CHECK_OFFSET(SoundStream, threadHandle, 40);
TIDEMARCH_CHECK_OFFSET(SoundStream, blockEvent, 44);
TIDEMARCH_CHECK_OFFSET(SoundStream, dataStart, 48);
TIDEMARCH_CHECK_OFFSET(SoundStream, dataEnd, 52);
TIDEMARCH_CHECK_OFFSET(SoundStream, readPosition, 56);
TIDEMARCH_CHECK_OFFSET(SoundStream, fileHandle, 60);
TIDEMARCH_CHECK_OFFSET(SoundStream, blockCount, 64);
TIDEMARCH_CHECK_OFFSET(SoundStream, blockSize, 68);
TIDEMARCH_CHECK_OFFSET(SoundStream, unused1, 72);
TIDEMARCH_CHECK_OFFSET(SoundStream, unused2, 76);
TIDEMARCH_CHECK_OFFSET(SoundStream, endReached, 80);
TIDEMARCH_CHECK_OFFSET(SoundStream, writeOffset, 84);
TIDEMARCH_LAYOUT_CHECKS_END
#endif
