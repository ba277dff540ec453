#pragma once
// A small pool of worker threads for the fast step, made once with the
// stepper and kept for its life: a frame hands the workers their parts and
// waits, and never creates a thread.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace vz {

class StepPool {
public:
    // One part of a job: part `part` of `parts`.
    using PartFn = void (*)(void* job, std::int32_t part, std::int32_t parts);

    // Starts `workers` threads (0: every job runs on the caller alone). Each
    // sets the x87 control word the exact step needs.
    explicit StepPool(std::int32_t workers);
    ~StepPool();
    StepPool(const StepPool&) = delete;
    StepPool& operator=(const StepPool&) = delete;

    // workers + 1: the caller takes part 0.
    std::int32_t parts() const { return workers_ + 1; }

    // Runs fn(job, p, parts()) for every part p, part 0 on the calling
    // thread, and returns when all parts are done.
    void run(PartFn fn, void* job);

private:
    void work(std::int32_t part);

    const std::int32_t workers_;
    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable done_;
    std::uint64_t generation_ = 0;  // counts jobs handed out
    std::int32_t pending_ = 0;      // worker parts of the current job not yet done
    bool stopping_ = false;
    PartFn fn_ = nullptr;
    void* job_ = nullptr;
    std::vector<std::thread> threads_;
};

}  // namespace vz
