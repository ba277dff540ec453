// A plain sleep on Linux: signals that interrupt nanosleep do not cut it short.

#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "rt/timer.h"

namespace vz {
namespace {

using Clock = std::chrono::steady_clock;

double elapsed_ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

std::atomic<int> interruptions{0};
void count_interruption(int) { interruptions.fetch_add(1, std::memory_order_relaxed); }

TEST(Sleep, SignalsDoNotCutAPlainSleepShort) {
    // A handler installed without SA_RESTART makes nanosleep return early
    // with EINTR each time the signal arrives.
    struct sigaction action {};
    action.sa_handler = count_interruption;
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
    interruptions = 0;

    std::atomic<bool> sleeping_done{false};
    std::atomic<bool> started{false};
    double slept_ms = 0.0;
    std::thread sleeper([&] {
        started = true;
        const auto start = Clock::now();
        os_sleep_ms(150);
        slept_ms = elapsed_ms(start);
        sleeping_done = true;
    });
    while (!started) std::this_thread::yield();
    const pthread_t target = sleeper.native_handle();
    while (!sleeping_done) {
        pthread_kill(target, SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    sleeper.join();
    sigaction(SIGUSR1, &previous, nullptr);

    EXPECT_GT(interruptions.load(), 0) << "the sleep must actually have been interrupted";
    EXPECT_GE(slept_ms, 150.0);
}

}  // namespace
}  // namespace vz
