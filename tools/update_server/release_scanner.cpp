#include "release_scanner.h"

ReleaseScanner::ReleaseScanner(asio::io_context& io, std::string path, ReleaseFileSystem& files,
                               bool followOutsideLinks, std::chrono::milliseconds rescanInterval, Warn warn)
    : io_(io), rescanInterval_(rescanInterval), warn_(std::move(warn)),
      folder_(std::move(path), files, followOutsideLinks,
              [this](const std::string& text) { scanWarnings_.push_back(text); }) {}

ReleaseScanner::~ReleaseScanner() { Stop(); }

bool ReleaseScanner::Start() {
    const Clock::time_point started = Clock::now();
    const bool read = folder_.Rescan();
    for (const std::string& text : scanWarnings_)
        warn_(text);
    scanWarnings_.clear();
    if (!read) return false;
    current_ = folder_.Snapshot();
    currentScanStart_ = started;
    thread_ = std::thread([this] { ScanLoop(); });
    return true;
}

void ReleaseScanner::Request(Ready ready) {
    const Clock::time_point oldestAllowed = Clock::now() - rescanInterval_;
    // A zero interval asks for a scan that starts after now, which no finished scan can be.
    if (current_ && rescanInterval_.count() > 0 && currentScanStart_ >= oldestAllowed) {
        ready(current_);
        return;
    }
    if (scanning_ && rescanInterval_.count() > 0 && runningScanStart_ >= oldestAllowed) {
        waitingForRunning_.push_back(std::move(ready));
        return;
    }
    waitingForNext_.push_back(std::move(ready));
    if (!scanning_) StartScan();
}

void ReleaseScanner::StartScan() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || !thread_.joinable()) return;
        scanWanted_ = true;
    }
    scanning_ = true;
    runningScanStart_ = Clock::now();
    scanWork_.emplace(io_.get_executor());
    waitingForRunning_.insert(waitingForRunning_.end(), std::make_move_iterator(waitingForNext_.begin()),
                              std::make_move_iterator(waitingForNext_.end()));
    waitingForNext_.clear();
    wake_.notify_one();
}

void ReleaseScanner::ScanLoop() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return scanWanted_ || stopping_; });
            if (stopping_) return;
            scanWanted_ = false;
        }
        folder_.Rescan();
        asio::post(io_, [this, snapshot = folder_.Snapshot(), warnings = std::move(scanWarnings_)]() mutable {
            OnScanned(std::move(snapshot), std::move(warnings));
        });
        scanWarnings_.clear();
    }
}

void ReleaseScanner::OnScanned(std::shared_ptr<const ReleaseSnapshot> snapshot,
                               std::vector<std::string> warnings) {
    scanWork_.reset();
    if (!scanning_) return;  // stopped meanwhile
    scanning_ = false;
    for (const std::string& text : warnings)
        warn_(text);
    // A folder that could not be read keeps the last snapshot.
    if (snapshot) {
        current_ = std::move(snapshot);
        currentScanStart_ = runningScanStart_;
    }
    std::vector<Ready> ready = std::move(waitingForRunning_);
    waitingForRunning_.clear();
    if (!waitingForNext_.empty()) StartScan();
    for (Ready& session : ready)
        session(current_);
}

void ReleaseScanner::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
    scanning_ = false;
    scanWork_.reset();
    waitingForRunning_.clear();
    waitingForNext_.clear();
}
