#pragma once
// A small fixed pool of threads for reading file content, so a slow disk or network share holds up
// only the sessions whose reads are waiting, never the event loop. Each job's work runs on a pool
// thread and its completion on the event loop; whatever the work touches belongs to it until the
// completion runs.
#include <asio.hpp>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class DiskWorkers {
  public:
    DiskWorkers(asio::io_context& io, size_t threads);
    ~DiskWorkers();
    DiskWorkers(const DiskWorkers&) = delete;
    DiskWorkers& operator=(const DiskWorkers&) = delete;

    // Jobs start in the order given, as threads become free.
    void Run(std::function<void()> work, std::function<void()> done);
    // Finishes the jobs already given (their completions are posted) and joins the threads.
    void Stop();

  private:
    struct Job {
        std::function<void()> work;
        std::function<void()> done;
        // The event loop must not run out of work while a completion is still to come.
        std::optional<asio::executor_work_guard<asio::io_context::executor_type>> loopWork;
    };

    void Loop();

    asio::io_context& io_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
