// Timer and sleep: lower bounds of waits (never upper bounds), the error
// codes of runtime_sleep.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "rt/console_hooks.h"
#include "rt/error.h"
#include "rt/timer.h"

namespace vz {
namespace {

using Clock = std::chrono::steady_clock;

double elapsed_ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

TEST(Timer, ReadsAreMonotonicAndCountSeconds) {
    const double first = timer_seconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const double second = timer_seconds();
    EXPECT_GE(second - first, 0.030);
    EXPECT_GE(timer_seconds(), second);
}

TEST(Sleep, PlainSleepWaitsAtLeastTheTimeAndStoresSuccess) {
    set_last_error(4);
    const double before = timer_seconds();
    const auto start = Clock::now();
    EXPECT_EQ(runtime_sleep(17, SLEEP_PLAIN), 0);
    EXPECT_GE(elapsed_ms(start), 17.0);
    EXPECT_GE(timer_seconds() - before, 0.017);
    EXPECT_EQ(get_last_error(), 0);
}

TEST(Sleep, UnknownKindsFailWithoutWaiting) {
    for (std::int32_t kind : {2, -1, 1000}) {
        set_last_error(0);
        EXPECT_EQ(runtime_sleep(10, kind), 1) << "kind " << kind;
        EXPECT_EQ(get_last_error(), 1) << "kind " << kind;
    }
    // A day-long request of an unknown kind must come back at once; the test
    // would hang otherwise.
    EXPECT_EQ(runtime_sleep(86400000, 7), 1);
}

TEST(Sleep, NonPositivePlainSleepsReturnAtOnce) {
    set_last_error(4);
    EXPECT_EQ(runtime_sleep(0, SLEEP_PLAIN), 0);
    EXPECT_EQ(runtime_sleep(-1, SLEEP_PLAIN), 0);
    EXPECT_EQ(runtime_sleep(-86400000, SLEEP_PLAIN), 0);
    EXPECT_EQ(get_last_error(), 0);
}

std::atomic<std::int32_t> hooked_sleep_ms{-12345};

TEST(Sleep, KeyAwareSleepGoesToTheScreensSleepHook) {
    auto& hooks = console_hooks();
    const auto saved = hooks.sleep_ms;
    hooks.sleep_ms = [](std::int32_t ms) { hooked_sleep_ms = ms; };
    set_last_error(4);
    EXPECT_EQ(runtime_sleep(120, SLEEP_KEY_AWARE), 0);
    hooks.sleep_ms = saved;
    EXPECT_EQ(hooked_sleep_ms.load(), 120);
    EXPECT_EQ(get_last_error(), 0);
}

}  // namespace
}  // namespace vz
