#include <algorithm>
#include <cstring>
#include <vector>

#include "sound/sound_device.h"
#include "sound/sound_object.h"
#include "sound/sound_platform.h"

SoundStream::SoundStream()
    : SoundBufferBase(SoundKind::Stream), loop(0), threadId(0), threadHandle(nullptr), blockEvent(nullptr),
      dataStart(0), dataEnd(0), readPosition(0), fileHandle(nullptr), blockCount(0), blockSize(0), unused1(0),
      unused2(0), endReached(0), writeOffset(0), stopEvent_(nullptr), blocksPlayed_(0), lastDataBlock_(0),
      silence_(0) {
    SoundPlatform& platform = ActiveSoundPlatform();
    blockEvent = platform.MakeEvent(false);
    stopEvent_ = platform.MakeEvent(true);
}

SoundStream::~SoundStream() {
    SoundPlatform& platform = ActiveSoundPlatform();
    if (soundBuffer && sound::HasDevice() && threadHandle) {
        platform.Stop(soundBuffer);
        platform.SetCurrentPosition(soundBuffer, 0);
    }
    EndRefillThread();
    // The buffer goes before the events it would signal.
    ReleaseInterfaces();
    if (blockEvent) platform.CloseHandle(blockEvent);
    if (stopEvent_) platform.CloseHandle(stopEvent_);
}

void* SoundStream::DeletingDestructor(uint32_t flags) { return RunDeletingDestructor(this, flags); }

void SoundStream::ReleaseInterfaces() {
    if (!sound::HasDevice()) return;
    SoundPlatform& platform = ActiveSoundPlatform();
    if (buffer3D) platform.Release(buffer3D);
    if (soundBuffer) platform.Release(soundBuffer);
    buffer3D = nullptr;
    soundBuffer = nullptr;
}

int32_t SoundStream::CreateStream(const WaveFormat* format, uint32_t count, uint32_t bytesPerBlock,
                                  uint32_t flags) {
    if (count == 0 || bytesPerBlock == 0 || count > UINT32_MAX / bytesPerBlock) return 0;
    SoundPlatform& platform = ActiveSoundPlatform();
    blockCount = count;
    blockSize = bytesPerBlock;
    size = count * bytesPerBlock;
    silence_ = (format && format->bitsPerSample == 8) ? 0x80 : 0;

    SoundBufferDescription description;
    description.bytes = size;
    description.format = format;
    void* device = sound::Device8 ? sound::Device8 : sound::FallbackDevice;
    if (!device) return 0;
    // A mono stream is a 3D source only when 3D effects are switched on, as static effects
    // are; a 3D buffer cannot also have pan control, which the loader asks for.
    const bool make3D = sound::Device8 && sound::Effects3D != 0 && format && format->channels == 1;
    description.flags = make3D ? ((flags & ~sound_flags::ControlPan) | sound_flags::Default3D)
                               : (flags | sound_flags::DefaultStream);
    buffer3D = nullptr;
    if (platform.CreateBuffer(device, description, &soundBuffer) < 0 || !soundBuffer) {
        soundBuffer = nullptr;
        return 0;
    }
    bool ready = !make3D || (platform.Query3DBuffer(soundBuffer, &buffer3D) >= 0 && buffer3D);
    if (ready && blockEvent) {
        std::vector<SoundNotification> positions(count);
        for (uint32_t i = 0; i < count; ++i)
            positions[i] = {(i + 1) * bytesPerBlock - 1, blockEvent};
        ready = platform.SetNotificationPositions(soundBuffer, count, positions.data()) >= 0;
    } else {
        ready = false;
    }
    if (!ready) {
        // A ring nobody refills would repeat its first blocks for ever: no buffer, no sound.
        if (buffer3D) platform.Release(buffer3D);
        platform.Release(soundBuffer);
        buffer3D = nullptr;
        soundBuffer = nullptr;
        return 0;
    }
    FindSampleAddress(platform, soundBuffer, size, &data);
    return 1;
}

bool SoundStream::ReadSamples(uint8_t* into, uint32_t bytes) {
    if (bytes == 0) return true;
    uint32_t arrived = 0;
    if (!ActiveSoundPlatform().ReadFile(fileHandle, into, bytes, &arrived)) return false;
    // A file shorter than its effect record says: what is missing plays as silence.
    if (arrived < bytes) std::memset(into + arrived, silence_, bytes - arrived);
    return true;
}

bool SoundStream::FillByWrapping(uint8_t* region, uint32_t filled, uint32_t total) {
    const uint32_t length = DataLength();
    while (filled < total) {
        if (!ActiveSoundPlatform().SeekFile(fileHandle, dataStart)) return false;
        const uint32_t part = std::min(total - filled, length);
        if (!ReadSamples(region + filled, part)) return false;
        readPosition = dataStart + part;
        filled += part;
    }
    return true;
}

bool SoundStream::Prefill(uint8_t* ring, uint32_t bytes) {
    const uint32_t length = DataLength();
    const uint32_t first = std::min(bytes, length);
    if (!ActiveSoundPlatform().SeekFile(fileHandle, dataStart)) return false;
    if (!ReadSamples(ring, first)) return false;
    readPosition = dataStart + first;
    if (first < bytes) {
        // Empty data cannot be repeated; it is silence either way.
        if (loop && length > 0) return FillByWrapping(ring, first, bytes);
        std::memset(ring + first, silence_, bytes - first);
    }
    return true;
}

int32_t SoundStream::Play(uint32_t flags) {
    if (fileHandle == InvalidFileHandle() || !soundBuffer || !sound::HasDevice() || blockSize == 0) return 0;
    SoundPlatform& platform = ActiveSoundPlatform();
    // The refill thread reads the file and the refill state, so it ends before either is
    // touched here.
    EndRefillThread();
    loop = (flags & kPlayLooping) ? 1 : 0;
    uint32_t status = 0;
    if (platform.GetStatus(soundBuffer, &status) >= 0 && (status & sound_status::Playing))
        platform.Stop(soundBuffer);

    void* ring = nullptr;
    uint32_t ringBytes = 0;
    if (platform.Lock(soundBuffer, 0, size, &ring, &ringBytes, nullptr, nullptr, kLockEntireBuffer) < 0)
        return 0;
    const bool filled = Prefill(static_cast<uint8_t*>(ring), ringBytes);
    platform.Unlock(soundBuffer, ring, ringBytes, nullptr, 0);
    if (!filled) return 0;

    ResetStream();
    blocksPlayed_ = 0;
    const uint32_t prefilledData = std::min(ringBytes, DataLength());
    lastDataBlock_ = (prefilledData + blockSize - 1) / blockSize;

    // A block end signalled during the previous run must not refill the first block now.
    platform.ClearEvent(blockEvent);
    platform.SetCurrentPosition(soundBuffer, 0);
    // The ring always loops; the refill decides whether the sound repeats.
    if (platform.Play(soundBuffer, kPlayLooping) < 0) return 0;
    platform.ClearEvent(stopEvent_);
    threadHandle = platform.StartThread(&SoundStream::RefillThreadMain, this, &threadId);
    if (!threadHandle) {
        threadId = 0;
        platform.Stop(soundBuffer);
        platform.SetCurrentPosition(soundBuffer, 0);
        return 0;
    }
    return 1;
}

int32_t SoundStream::Stop() {
    if (!soundBuffer || !sound::HasDevice()) return 0;
    if (!threadHandle) return 1;
    SoundPlatform& platform = ActiveSoundPlatform();
    platform.Stop(soundBuffer);
    platform.SetCurrentPosition(soundBuffer, 0);
    EndRefillThread();
    return 1;
}

int32_t SoundStream::ReleaseBuffer() {
    // The refill thread uses the buffer; it ends first.
    EndRefillThread();
    if (soundBuffer) ActiveSoundPlatform().Release(soundBuffer);
    soundBuffer = nullptr;
    return 0;
}

int32_t SoundStream::ResetStream() {
    endReached = 0;
    writeOffset = 0;
    return 0;
}

void SoundStream::EndRefillThread() {
    if (!threadHandle) return;
    SoundPlatform& platform = ActiveSoundPlatform();
    platform.SignalEvent(stopEvent_);
    platform.JoinThread(threadHandle);
    platform.CloseHandle(threadHandle);
    threadHandle = nullptr;
    threadId = 0;
}

void SoundStream::RefillThreadMain(void* argument) {
    auto* stream = static_cast<SoundStream*>(argument);
    SoundPlatform& platform = ActiveSoundPlatform();
    // A stream that has played to its end is stopped and needs no more refills: the thread
    // ends and its handle stays until Stop, Play or the destructor collects it.
    while (!stream->ReachedEndOfSound()) {
        if (platform.WaitForBlockOrStop(stream->blockEvent, stream->stopEvent_) != StreamWake::Block) return;
        if (!stream->RefillPlayedBlocks()) return;
    }
}

int32_t SoundStream::RefillPlayedBlocks() {
    if (!soundBuffer || size == 0) return 0;
    uint32_t cursor = 0;
    // Without a cursor the wake-up stands for the one block end it announces.
    if (ActiveSoundPlatform().GetCurrentPosition(soundBuffer, &cursor) < 0) return FillNextBlock();
    // Block ends are counted from the cursor, not from the wake-ups: several block ends may pass
    // before the thread wakes once (the event is set again while still set), and a late wake-up
    // may find a block already refilled. The blocks between the write offset and the block
    // playing now have all been left by the cursor.
    const uint32_t playing = (cursor % size) / blockSize;
    uint32_t left = (playing + blockCount - writeOffset / blockSize) % blockCount;
    while (left-- > 0 && !ReachedEndOfSound())
        if (!FillNextBlock()) return 0;
    return 1;
}

int32_t SoundStream::FillNextBlock() {
    SoundPlatform& platform = ActiveSoundPlatform();
    if (!soundBuffer || size == 0) return 0;
    ++blocksPlayed_;
    void* region = nullptr;
    void* wrapped = nullptr;
    uint32_t regionBytes = 0;
    uint32_t wrappedBytes = 0;
    // A busy buffer is retried every millisecond, for as long as nobody asks the thread to end.
    while (platform.Lock(soundBuffer, writeOffset, blockSize, &region, &regionBytes, &wrapped, &wrappedBytes,
                         0) < 0) {
        if (platform.WaitForEvent(stopEvent_, 1)) return 0;
    }
    if (wrapped) {
        platform.Unlock(soundBuffer, region, regionBytes, wrapped, wrappedBytes);
        return 0;
    }
    auto* block = static_cast<uint8_t*>(region);
    bool readOk = true;
    if (endReached) {
        std::memset(block, silence_, regionBytes);
    } else {
        const uint32_t remaining = readPosition < dataEnd ? dataEnd - readPosition : 0;
        const uint32_t part = std::min(regionBytes, remaining);
        readOk = ReadSamples(block, part);
        if (readOk) {
            readPosition += part;
            if (part > 0) lastDataBlock_ = blocksPlayed_ + blockCount;
            if (part < regionBytes) {
                if (loop && DataLength() > 0) {
                    readOk = FillByWrapping(block, part, regionBytes);
                } else {
                    std::memset(block + part, silence_, regionBytes - part);
                    endReached = 1;
                }
            }
        }
    }
    platform.Unlock(soundBuffer, region, regionBytes, nullptr, 0);
    if (!readOk) {
        // The rest of the sound cannot be read: it ends here rather than repeating the ring.
        platform.Stop(soundBuffer);
        return 0;
    }
    if (ReachedEndOfSound()) platform.Stop(soundBuffer);
    writeOffset = (writeOffset + regionBytes) % size;
    return 1;
}
