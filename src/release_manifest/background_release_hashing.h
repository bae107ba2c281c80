#pragma once
// Hashes a release's files on a thread of its own, so that the window's thread goes on drawing
// frames (and the check's progress) meanwhile. The check's manifest part must have passed.
#include <atomic>
#include <optional>
#include <thread>

#include "release_manifest/release_check.h"

class BackgroundReleaseHashing {
  public:
    // Bytes hashed between two looks at whether to stop.
    static constexpr uint64_t kPieceBytes = 4 * ReleaseCheck::kReadBytes;

    // Starts hashing at once. The check must outlive this object.
    explicit BackgroundReleaseHashing(ReleaseCheck& check);
    // A hashing still running stops after its current piece; its result is dropped.
    ~BackgroundReleaseHashing();
    BackgroundReleaseHashing(const BackgroundReleaseHashing&) = delete;
    BackgroundReleaseHashing& operator=(const BackgroundReleaseHashing&) = delete;

    bool Done() const { return done_.load(std::memory_order_acquire); }
    // Once Done: nothing when every file matched.
    const std::optional<ReleaseRefusal>& Refusal() const { return refusal_; }

  private:
    void Run();

    ReleaseCheck& check_;
    std::optional<ReleaseRefusal> refusal_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::thread thread_;
};
