#include "platform/memory/sound/memory_sound_platform.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "sound/sound_device.h"

struct MemorySoundPlatform::Interface {
    virtual ~Interface() = default;
    uint32_t references = 1;
};

struct MemorySoundPlatform::Device : Interface {
    bool version8 = false;
    uint32_t cooperativeLevel = 0;
};

struct MemorySoundPlatform::Buffer : Interface {
    bool primary = false;
    BufferState state;
    std::shared_ptr<std::vector<uint8_t>> samples;
};

// Interfaces obtained from a buffer keep it alive, as COM interfaces of one object do.
struct MemorySoundPlatform::Buffer3D : Interface {
    Buffer* buffer = nullptr;
};

struct MemorySoundPlatform::Listener : Interface {
    Buffer* primary = nullptr;
};

struct MemorySoundPlatform::KernelObject {
    virtual ~KernelObject() = default;
};

struct MemorySoundPlatform::Event : KernelObject {
    bool manualReset = false;
    bool signalled = false;
};

struct MemorySoundPlatform::Thread : KernelObject {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> ended = std::make_shared<std::atomic<bool>>(false);
};

namespace {
bool IsValidPcm(const WaveFormat* format) {
    if (!format || format->formatTag != kWaveFormatPcm) return false;
    if (format->channels != 1 && format->channels != 2) return false;
    if (format->bitsPerSample != 8 && format->bitsPerSample != 16) return false;
    if (format->samplesPerSecond < 100 || format->samplesPerSecond > 200000) return false;
    return format->blockAlign == format->channels * format->bitsPerSample / 8 &&
           format->averageBytesPerSecond == format->samplesPerSecond * format->blockAlign;
}

constexpr uint32_t kSmallestBuffer = 4;
constexpr uint32_t kLargestBuffer = 0x0FFFFFFF;
constexpr uint32_t kOffsetStop = 0xFFFFFFFF;
}  // namespace

MemorySoundPlatform::~MemorySoundPlatform() = default;

MemorySoundPlatform::Buffer* MemorySoundPlatform::AsBuffer(void* object) {
    return dynamic_cast<Buffer*>(static_cast<Interface*>(object));
}

int32_t MemorySoundPlatform::CreateDevice8(void** device) {
    std::lock_guard lock(mutex_);
    *device = nullptr;
    if (failDevice8_) return sound_result::InvalidParam;
    auto* made = new Device;
    made->version8 = true;
    ++liveInterfaces_;
    *device = static_cast<Interface*>(made);
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::CreateDevice(const void*, void** device) {
    std::lock_guard lock(mutex_);
    *device = nullptr;
    if (failDevice_) return sound_result::NoDriver;
    auto* made = new Device;
    ++liveInterfaces_;
    *device = static_cast<Interface*>(made);
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::SetCooperativeLevel(void* device, void* window, uint32_t level) {
    std::lock_guard lock(mutex_);
    auto* target = dynamic_cast<Device*>(static_cast<Interface*>(device));
    if (!target || !window || level < 1 || level > 4) return sound_result::InvalidParam;
    target->cooperativeLevel = level;
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::CreateBuffer(void* device, const SoundBufferDescription& description,
                                          PlatformSoundBuffer* out) {
    std::lock_guard lock(mutex_);
    *out = nullptr;
    auto* owner = dynamic_cast<Device*>(static_cast<Interface*>(device));
    if (!owner) return sound_result::InvalidParam;
    if (failNextCreate_) {
        failNextCreate_ = false;
        return sound_result::OutOfMemory;
    }
    const bool primary = (description.flags & kPrimaryBufferFlag) != 0;
    if (primary) {
        if (description.bytes != 0 || description.format) return sound_result::InvalidParam;
    } else {
        if (!IsValidPcm(description.format)) return sound_result::InvalidParam;
        if (description.bytes < kSmallestBuffer || description.bytes > kLargestBuffer) {
            return sound_result::InvalidParam;
        }
        if ((description.flags & sound_flags::Control3D) && description.format->channels != 1) {
            return sound_result::InvalidParam;
        }
        if (owner->version8 && (description.flags & sound_flags::Control3D) &&
            (description.flags & sound_flags::ControlPan)) {
            return sound_result::InvalidParam;
        }
    }
    auto* made = new Buffer;
    made->primary = primary;
    made->state.flags = description.flags;
    made->state.bytes = description.bytes;
    made->state.fullHrtf3D = description.fullHrtf3D;
    made->state.version8Device = owner->version8;
    if (description.format) made->state.format = *description.format;
    made->samples = std::make_shared<std::vector<uint8_t>>(description.bytes);
    ++liveInterfaces_;
    *out = static_cast<Interface*>(made);
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::DuplicateBuffer(void* device, PlatformSoundBuffer source,
                                             PlatformSoundBuffer* out) {
    std::lock_guard lock(mutex_);
    *out = nullptr;
    Buffer* original = AsBuffer(source);
    if (!dynamic_cast<Device*>(static_cast<Interface*>(device)) || !original || original->primary) {
        return sound_result::InvalidParam;
    }
    auto* made = new Buffer;
    made->state = original->state;
    made->state.status = 0;
    made->state.playCursor = 0;
    made->state.locks = 0;
    made->state.notifications.clear();
    made->samples = original->samples;
    ++liveInterfaces_;
    *out = static_cast<Interface*>(made);
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::Query3DBuffer(PlatformSoundBuffer buffer, Platform3DBuffer* out) {
    std::lock_guard lock(mutex_);
    *out = nullptr;
    Buffer* target = AsBuffer(buffer);
    if (!target || target->primary || !(target->state.flags & sound_flags::Control3D)) {
        return sound_result::NoInterface;
    }
    auto* made = new Buffer3D;
    made->buffer = target;
    ++target->references;
    ++liveInterfaces_;
    *out = static_cast<Interface*>(made);
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::Query3DListener(PlatformSoundBuffer primary, void** out) {
    std::lock_guard lock(mutex_);
    *out = nullptr;
    Buffer* target = AsBuffer(primary);
    if (!target || !target->primary || !(target->state.flags & sound_flags::Control3D)) {
        return sound_result::NoInterface;
    }
    auto* made = new Listener;
    made->primary = target;
    ++target->references;
    ++liveInterfaces_;
    *out = static_cast<Interface*>(made);
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::GetListenerPosition(void* listener, float* x, float* y, float* z) {
    std::lock_guard lock(mutex_);
    if (!dynamic_cast<Listener*>(static_cast<Interface*>(listener))) return sound_result::InvalidParam;
    *x = *y = *z = 0.0f;
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::SetNotificationPositions(PlatformSoundBuffer buffer, uint32_t count,
                                                      const SoundNotification* positions) {
    std::lock_guard lock(mutex_);
    Buffer* target = AsBuffer(buffer);
    if (!target || failNotify_ || !(target->state.flags & sound_flags::PositionNotify)) {
        return sound_result::NoInterface;
    }
    if (target->state.status & sound_status::Playing) return sound_result::InvalidCall;
    for (uint32_t i = 0; i < count; ++i) {
        if (positions[i].offset != kOffsetStop && positions[i].offset >= target->state.bytes) {
            return sound_result::InvalidParam;
        }
        if (!positions[i].event) return sound_result::InvalidParam;
    }
    target->state.notifications.assign(positions, positions + count);
    return sound_result::Ok;
}

void MemorySoundPlatform::ReleaseLocked(Interface* object) {
    if (--object->references > 0) return;
    --liveInterfaces_;
    if (auto* sound3D = dynamic_cast<Buffer3D*>(object)) ReleaseLocked(sound3D->buffer);
    if (auto* listener = dynamic_cast<Listener*>(object)) ReleaseLocked(listener->primary);
    delete object;
}

void MemorySoundPlatform::Release(void* anyInterface) {
    if (!anyInterface) return;
    std::lock_guard lock(mutex_);
    ReleaseLocked(static_cast<Interface*>(anyInterface));
}

void MemorySoundPlatform::RefuseLocks(uint32_t count) {
    std::lock_guard lock(mutex_);
    refusedLocks_ = count;
}

int32_t MemorySoundPlatform::Lock(PlatformSoundBuffer buffer, uint32_t offset, uint32_t bytes, void** region1,
                                  uint32_t* bytes1, void** region2, uint32_t* bytes2, uint32_t flags) {
    std::lock_guard lock(mutex_);
    *region1 = nullptr;
    *bytes1 = 0;
    if (region2) *region2 = nullptr;
    if (bytes2) *bytes2 = 0;
    Buffer* target = AsBuffer(buffer);
    if (!target || target->primary) return sound_result::InvalidParam;
    if (refusedLocks_ > 0) {
        --refusedLocks_;
        return sound_result::Generic;
    }
    const uint32_t total = target->state.bytes;
    if (flags & kLockEntireBuffer) {
        offset = 0;
        bytes = total;
    }
    if (offset >= total || bytes == 0 || bytes > total) return sound_result::InvalidParam;
    uint8_t* memory = target->samples->data();
    const uint32_t first = std::min(bytes, total - offset);
    *region1 = memory + offset;
    *bytes1 = first;
    ++target->state.locks;
    if (first < bytes && region2 && bytes2) {
        *region2 = memory;
        *bytes2 = bytes - first;
    }
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::Unlock(PlatformSoundBuffer buffer, void* region1, uint32_t, void*, uint32_t) {
    std::lock_guard lock(mutex_);
    Buffer* target = AsBuffer(buffer);
    if (!target || !region1 || target->state.locks == 0) return sound_result::InvalidParam;
    --target->state.locks;
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::GetStatus(PlatformSoundBuffer buffer, uint32_t* status) {
    std::lock_guard lock(mutex_);
    Buffer* target = AsBuffer(buffer);
    if (!target) return sound_result::InvalidParam;
    *status = target->state.status;
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::Play(PlatformSoundBuffer buffer, uint32_t flags) {
    std::lock_guard lock(mutex_);
    Buffer* target = AsBuffer(buffer);
    if (!target) return sound_result::InvalidParam;
    target->state.status = sound_status::Playing | ((flags & kPlayLooping) ? sound_status::Looping : 0);
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::Stop(PlatformSoundBuffer buffer) {
    std::lock_guard lock(mutex_);
    Buffer* target = AsBuffer(buffer);
    if (!target) return sound_result::InvalidParam;
    target->state.status = 0;
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::SetCurrentPosition(PlatformSoundBuffer buffer, uint32_t position) {
    std::lock_guard lock(mutex_);
    Buffer* target = AsBuffer(buffer);
    if (!target || target->primary || position >= target->state.bytes) return sound_result::InvalidParam;
    target->state.playCursor = position;
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::GetCurrentPosition(PlatformSoundBuffer buffer, uint32_t* playCursor) {
    std::lock_guard lock(mutex_);
    Buffer* target = AsBuffer(buffer);
    if (!target || target->primary) return sound_result::InvalidParam;
    *playCursor = target->state.playCursor;
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::SetVolume(PlatformSoundBuffer buffer, int32_t volume) {
    std::lock_guard lock(mutex_);
    Buffer* target = AsBuffer(buffer);
    if (!target) return sound_result::InvalidParam;
    if (!(target->state.flags & sound_flags::ControlVolume)) return sound_result::ControlUnavailable;
    if (volume < -10000 || volume > 0) return sound_result::InvalidParam;
    target->state.volume = volume;
    return sound_result::Ok;
}

int32_t MemorySoundPlatform::SetPan(PlatformSoundBuffer buffer, int32_t pan) {
    std::lock_guard lock(mutex_);
    Buffer* target = AsBuffer(buffer);
    if (!target) return sound_result::InvalidParam;
    if (!(target->state.flags & sound_flags::ControlPan)) return sound_result::ControlUnavailable;
    if (pan < -10000 || pan > 10000) return sound_result::InvalidParam;
    target->state.pan = pan;
    return sound_result::Ok;
}

void MemorySoundPlatform::AdvancePlayCursor(PlatformSoundBuffer buffer, uint32_t bytes) {
    std::vector<PlatformHandle> passed;
    {
        std::lock_guard lock(mutex_);
        Buffer* target = AsBuffer(buffer);
        if (!target || !(target->state.status & sound_status::Playing) || target->state.bytes == 0) return;
        BufferState& state = target->state;
        const bool looping = (state.status & sound_status::Looping) != 0;
        const uint64_t start = state.playCursor;
        uint64_t end = start + bytes;
        if (!looping) end = std::min<uint64_t>(end, state.bytes);
        // A position is passed when the byte at it has been played.
        for (uint64_t lap = start - start % state.bytes; lap < end; lap += state.bytes) {
            for (const SoundNotification& notification : state.notifications) {
                if (notification.offset == kOffsetStop) continue;
                const uint64_t at = lap + notification.offset;
                if (at >= start && at < end) passed.push_back(notification.event);
            }
        }
        if (!looping && end >= state.bytes) {
            state.status = 0;
            state.playCursor = 0;
        } else {
            state.playCursor = uint32_t(end % state.bytes);
        }
        if (holdNotifications_) {
            heldNotifications_.insert(heldNotifications_.end(), passed.begin(), passed.end());
            return;
        }
    }
    for (PlatformHandle event : passed)
        SignalEvent(event);
}

void MemorySoundPlatform::HoldNotifications() {
    std::lock_guard lock(mutex_);
    holdNotifications_ = true;
}

void MemorySoundPlatform::ReleaseNotifications() {
    std::vector<PlatformHandle> held;
    {
        std::lock_guard lock(mutex_);
        holdNotifications_ = false;
        held.swap(heldNotifications_);
    }
    std::sort(held.begin(), held.end());
    held.erase(std::unique(held.begin(), held.end()), held.end());
    for (PlatformHandle event : held)
        SignalEvent(event);
}

MemorySoundPlatform::BufferState MemorySoundPlatform::Inspect(PlatformSoundBuffer buffer) {
    std::lock_guard lock(mutex_);
    Buffer* target = AsBuffer(buffer);
    return target ? target->state : BufferState{};
}

const uint8_t* MemorySoundPlatform::Samples(PlatformSoundBuffer buffer) {
    std::lock_guard lock(mutex_);
    Buffer* target = AsBuffer(buffer);
    return target ? target->samples->data() : nullptr;
}

bool MemorySoundPlatform::IsDevice8(void* device) {
    std::lock_guard lock(mutex_);
    auto* target = dynamic_cast<Device*>(static_cast<Interface*>(device));
    return target && target->version8;
}

uint32_t MemorySoundPlatform::CooperativeLevel(void* device) {
    std::lock_guard lock(mutex_);
    auto* target = dynamic_cast<Device*>(static_cast<Interface*>(device));
    return target ? target->cooperativeLevel : 0;
}

size_t MemorySoundPlatform::LiveInterfaces() {
    std::lock_guard lock(mutex_);
    return liveInterfaces_;
}

PlatformHandle MemorySoundPlatform::MakeEvent(bool manualReset) {
    auto* made = new Event;
    made->manualReset = manualReset;
    std::lock_guard lock(eventMutex_);
    ++openHandles_;
    return static_cast<KernelObject*>(made);
}

void MemorySoundPlatform::SignalEvent(PlatformHandle event) {
    auto* target = dynamic_cast<Event*>(static_cast<KernelObject*>(event));
    if (!target) return;
    {
        std::lock_guard lock(eventMutex_);
        target->signalled = true;
    }
    eventChanged_.notify_all();
}

bool MemorySoundPlatform::EventIsSet(PlatformHandle event) {
    auto* target = dynamic_cast<Event*>(static_cast<KernelObject*>(event));
    if (!target) return false;
    std::lock_guard lock(eventMutex_);
    return target->signalled;
}

void MemorySoundPlatform::ClearEvent(PlatformHandle event) {
    auto* target = dynamic_cast<Event*>(static_cast<KernelObject*>(event));
    if (!target) return;
    std::lock_guard lock(eventMutex_);
    target->signalled = false;
}

void MemorySoundPlatform::CloseHandle(PlatformHandle handle) {
    if (!handle) return;
    auto* object = static_cast<KernelObject*>(handle);
    if (auto* thread = dynamic_cast<Thread*>(object); thread && thread->thread.joinable()) {
        // Closing the handle of a running thread does not end it, as on Windows.
        thread->thread.detach();
    }
    delete object;
    std::lock_guard lock(eventMutex_);
    --openHandles_;
}

PlatformHandle MemorySoundPlatform::StartThread(void (*body)(void*), void* argument, uint32_t* threadId) {
    auto* made = new Thread;
    ++*runningThreads_;
    made->thread = std::thread([body, argument, ended = made->ended, running = runningThreads_] {
        body(argument);
        ended->store(true);
        --*running;
    });
    std::lock_guard lock(eventMutex_);
    ++openHandles_;
    *threadId = nextThreadId_++;
    return static_cast<KernelObject*>(made);
}

void MemorySoundPlatform::JoinThread(PlatformHandle thread) {
    auto* target = dynamic_cast<Thread*>(static_cast<KernelObject*>(thread));
    if (target && target->thread.joinable()) target->thread.join();
}

bool MemorySoundPlatform::ThreadHasEnded(PlatformHandle thread) {
    auto* target = dynamic_cast<Thread*>(static_cast<KernelObject*>(thread));
    return target && target->ended->load();
}

size_t MemorySoundPlatform::RunningThreads() { return runningThreads_->load(); }

size_t MemorySoundPlatform::OpenHandles() {
    std::lock_guard lock(eventMutex_);
    return openHandles_;
}

StreamWake MemorySoundPlatform::WaitForBlockOrStop(PlatformHandle blockEvent, PlatformHandle stopEvent) {
    auto* block = dynamic_cast<Event*>(static_cast<KernelObject*>(blockEvent));
    auto* stop = dynamic_cast<Event*>(static_cast<KernelObject*>(stopEvent));
    if (!block || !stop) return StreamWake::Failed;
    std::unique_lock lock(eventMutex_);
    eventChanged_.wait(lock, [&] { return block->signalled || stop->signalled; });
    // An end request wins over a block end that arrived at the same time.
    if (stop->signalled) {
        if (!stop->manualReset) stop->signalled = false;
        return StreamWake::Stop;
    }
    if (!block->manualReset) block->signalled = false;
    return StreamWake::Block;
}

bool MemorySoundPlatform::WaitForEvent(PlatformHandle event, uint32_t milliseconds) {
    auto* target = dynamic_cast<Event*>(static_cast<KernelObject*>(event));
    if (!target) return false;
    std::unique_lock lock(eventMutex_);
    const bool signalled = eventChanged_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                                  [&] { return target->signalled; });
    if (signalled && !target->manualReset) target->signalled = false;
    return signalled;
}

bool MemorySoundPlatform::ReadFile(FileHandle file, void* into, uint32_t bytes, uint32_t* bytesRead) {
    int64_t left = readsBeforeFailure_.load();
    while (left >= 0) {
        if (left == 0) {
            if (bytesRead) *bytesRead = 0;
            return false;
        }
        if (readsBeforeFailure_.compare_exchange_weak(left, left - 1)) break;
    }
    return SoundPlatform::ReadFile(file, into, bytes, bytesRead);
}
