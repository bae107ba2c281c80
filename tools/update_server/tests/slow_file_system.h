#pragma once
// The real file system made slow on purpose, to show what the server does while a disk or a network
// share keeps it waiting: a delay before every call a folder scan makes (listing, status, real
// path, opening) and before every read, and gates that hold scan calls or the reads of chosen
// files until they are opened again.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "release_file_system.h"

class SlowFileSystem : public ReleaseFileSystem {
  public:
    // May change while the server runs.
    std::atomic<std::chrono::microseconds> scanCallDelay{std::chrono::microseconds(0)};
    std::atomic<std::chrono::microseconds> readDelay{std::chrono::microseconds(0)};
    // Set before the server starts.
    // Reads of files whose path contains this text wait at the read gate (empty: every file).
    std::string gatedReads;

    void CloseScanGate() { SetGate(scanGateOpen_, false); }
    void OpenScanGate() { SetGate(scanGateOpen_, true); }
    void CloseReadGate() { SetGate(readGateOpen_, false); }
    void OpenReadGate() { SetGate(readGateOpen_, true); }
    // Calls waiting at a gate now.
    int WaitingScanCalls() const { return waitingScans_; }
    int WaitingReads() const { return waitingReads_; }

    bool List(const std::string& path, std::vector<std::string>& names) override {
        ScanCall();
        return real_.List(path, names);
    }
    bool Status(const std::string& path, struct stat& info) override {
        ScanCall();
        return real_.Status(path, info);
    }
    bool LinkStatus(const std::string& path, struct stat& info) override {
        ScanCall();
        return real_.LinkStatus(path, info);
    }
    bool RealPath(const std::string& path, std::string& resolved) override {
        ScanCall();
        return real_.RealPath(path, resolved);
    }
    std::shared_ptr<const FileSource> Open(const std::string& path, struct stat& info) override {
        ScanCall();
        auto source = real_.Open(path, info);
        if (!source) return nullptr;
        const bool gated = gatedReads.empty() || path.find(gatedReads) != std::string::npos;
        return std::make_shared<SlowSource>(*this, std::move(source), gated);
    }

  private:
    class SlowSource : public FileSource {
      public:
        SlowSource(SlowFileSystem& owner, std::shared_ptr<const FileSource> real, bool gated)
            : owner_(owner), real_(std::move(real)), gated_(gated) {}
        bool Read(uint64_t offset, uint8_t* out, uint32_t length) const override {
            if (gated_) owner_.Pass(owner_.readGateOpen_, owner_.waitingReads_);
            std::this_thread::sleep_for(owner_.readDelay.load());
            return real_->Read(offset, out, length);
        }

      private:
        SlowFileSystem& owner_;
        std::shared_ptr<const FileSource> real_;
        bool gated_;
    };

    void ScanCall() {
        Pass(scanGateOpen_, waitingScans_);
        std::this_thread::sleep_for(scanCallDelay.load());
    }
    void SetGate(bool& open, bool value) {
        {
            std::lock_guard lock(mutex_);
            open = value;
        }
        changed_.notify_all();
    }
    void Pass(const bool& open, std::atomic<int>& waiting) {
        std::unique_lock lock(mutex_);
        ++waiting;
        changed_.wait(lock, [&] { return open; });
        --waiting;
    }

    PosixReleaseFileSystem real_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool scanGateOpen_ = true;
    bool readGateOpen_ = true;
    std::atomic<int> waitingScans_{0};
    std::atomic<int> waitingReads_{0};
};
