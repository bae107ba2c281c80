#include "disk_workers.h"

DiskWorkers::DiskWorkers(asio::io_context& io, size_t threads) : io_(io) {
    for (size_t i = 0; i < threads; ++i)
        threads_.emplace_back([this] { Loop(); });
}

DiskWorkers::~DiskWorkers() { Stop(); }

void DiskWorkers::Run(std::function<void()> work, std::function<void()> done) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({std::move(work), std::move(done), asio::make_work_guard(io_)});
    }
    wake_.notify_one();
}

void DiskWorkers::Loop() {
    for (;;) {
        std::optional<Job> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) return;  // stopping, and nothing left to do
            job.emplace(std::move(jobs_.front()));
            jobs_.pop_front();
        }
        job->work();
        asio::post(io_, std::move(job->done));
    }
}

void DiskWorkers::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_)
        if (thread.joinable()) thread.join();
    threads_.clear();
}
