#include "release_manifest/background_release_hashing.h"

BackgroundReleaseHashing::BackgroundReleaseHashing(ReleaseCheck& check)
    : check_(check), thread_([this] { Run(); }) {}

BackgroundReleaseHashing::~BackgroundReleaseHashing() {
    stop_.store(true, std::memory_order_relaxed);
    thread_.join();
}

void BackgroundReleaseHashing::Run() {
    while (!check_.Finished() && !stop_.load(std::memory_order_relaxed)) {
        refusal_ = check_.HashSome(kPieceBytes);
        if (refusal_) break;
    }
    done_.store(true, std::memory_order_release);
}
