#pragma once
// Keeps the release snapshot fresh without ever reading the folder on the event loop: scans run on
// a thread of their own, building the next snapshot aside, and the result is swapped in on the
// event loop. A session asks for a snapshot no older than the rescan interval (counted from the
// start of the scan that made it); when the current one is older, it waits for a scan that started
// late enough, and every session that asks meanwhile shares that scan. Sessions already running
// keep their snapshot and never wait.
#include <asio.hpp>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "release_folder.h"

class ReleaseScanner {
  public:
    using Clock = std::chrono::steady_clock;
    // Called on the event loop.
    using Warn = std::function<void(const std::string&)>;
    // The snapshot for a session; null when the folder has never been read.
    using Ready = std::function<void(std::shared_ptr<const ReleaseSnapshot>)>;

    // rescanInterval zero: every session waits for a scan that started after it asked.
    ReleaseScanner(asio::io_context& io, std::string path, ReleaseFileSystem& files, bool followOutsideLinks,
                   std::chrono::milliseconds rescanInterval, Warn warn);
    ~ReleaseScanner();
    ReleaseScanner(const ReleaseScanner&) = delete;
    ReleaseScanner& operator=(const ReleaseScanner&) = delete;

    // Reads the folder on the calling thread, then starts the scanning thread. False when the
    // folder cannot be read.
    bool Start();
    // On the event loop: ready gets the snapshot, at once when the current one is fresh enough.
    void Request(Ready ready);
    // Joins the scanning thread (waiting for a scan in progress); waiting requests are dropped.
    void Stop();

  private:
    void StartScan();
    void ScanLoop();
    void OnScanned(std::shared_ptr<const ReleaseSnapshot> snapshot, std::vector<std::string> warnings);

    asio::io_context& io_;
    std::chrono::milliseconds rescanInterval_;
    Warn warn_;
    // Touched only by the scanning thread once it runs.
    ReleaseFolder folder_;
    std::vector<std::string> scanWarnings_;

    // On the event loop.
    std::shared_ptr<const ReleaseSnapshot> current_;
    Clock::time_point currentScanStart_{};
    bool scanning_ = false;
    Clock::time_point runningScanStart_{};
    std::vector<Ready> waitingForRunning_;  // the scan in progress is fresh enough for them
    std::vector<Ready> waitingForNext_;     // it started too early: they need the one after
    // Keeps the event loop running while a scan's result is still to come.
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> scanWork_;

    // Between the event loop and the scanning thread.
    std::mutex mutex_;
    std::condition_variable wake_;
    bool scanWanted_ = false;
    bool stopping_ = false;
    std::thread thread_;
};
