// The fast step's worker pool: workers sleep on a condition variable until a
// job's generation number moves on, run their part and report it done.

#include "app/step_pool.h"

#include "rt/fpu.h"

namespace vz {

StepPool::StepPool(std::int32_t workers) : workers_(workers > 0 ? workers : 0) {
    threads_.reserve(static_cast<std::size_t>(workers_));
    for (std::int32_t i = 0; i < workers_; ++i) threads_.emplace_back([this, i] { work(i + 1); });
}

StepPool::~StepPool() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    start_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void StepPool::run(PartFn fn, void* job) {
    const std::int32_t total = parts();
    if (total > 1) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            fn_ = fn;
            job_ = job;
            pending_ = total - 1;
            ++generation_;
        }
        start_.notify_all();
    }
    fn(job, 0, total);
    if (total > 1) {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return pending_ == 0; });
    }
}

void StepPool::work(std::int32_t part) {
    // The exact step's scalar path computes in extended precision, which is a
    // per-thread setting of the x87 unit.
    set_extended_precision();
    std::uint64_t seen = 0;
    for (;;) {
        PartFn fn = nullptr;
        void* job = nullptr;
        std::int32_t total = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            start_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
            fn = fn_;
            job = job_;
            total = workers_ + 1;
        }
        fn(job, part, total);
        bool last = false;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            last = --pending_ == 0;
        }
        if (last) done_.notify_one();
    }
}

}  // namespace vz
