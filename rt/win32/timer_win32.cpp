// The timer and the plain sleep on Windows.
//
// The timer reads the performance counter. On a system without one (the query
// of its frequency fails) it falls back to the millisecond tick count, made
// wrap-free by counting its 2^32 wrap-arounds. The choice is made once, at the
// first read.

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "rt/timer.h"

namespace vz {

namespace {

struct TimerSource {
    bool use_counter = false;
    long double counter_period = 0.0L;  // seconds per count
};

const TimerSource& source() {
    static const TimerSource chosen = [] {
        TimerSource s;
        LARGE_INTEGER frequency{};
        if (QueryPerformanceFrequency(&frequency) != 0 && frequency.QuadPart > 0) {
            s.use_counter = true;
            s.counter_period = 1.0L / static_cast<long double>(frequency.QuadPart);
        }
        return s;
    }();
    return chosen;
}

// The tick count widened to 64 bits: the high half counts wrap-arounds.
std::uint64_t wide_tick_count() {
    static std::atomic<std::uint64_t> last{0};
    std::uint64_t previous = last.load();
    for (;;) {
        const std::uint32_t now = GetTickCount();
        std::uint64_t wide = (previous & ~std::uint64_t{0xFFFFFFFF}) | now;
        if (wide < previous) wide += std::uint64_t{1} << 32;
        if (last.compare_exchange_weak(previous, wide)) return wide;
    }
}

}  // namespace

double timer_seconds() {
    const TimerSource& s = source();
    if (s.use_counter) {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        // Converted in extended precision and rounded once to double.
        return static_cast<double>(static_cast<long double>(now.QuadPart) * s.counter_period);
    }
    return static_cast<double>(static_cast<long double>(wide_tick_count()) * 1e-3L);
}

void os_sleep_ms(std::int32_t milliseconds) {
    if (milliseconds <= 0) return;
    // Sleep may return early by up to one timer tick; the loop waits out the
    // rest so that one call always waits at least the full time asked for.
    const double end = timer_seconds() + milliseconds / 1000.0;
    Sleep(static_cast<DWORD>(milliseconds));
    for (double now = timer_seconds(); now < end; now = timer_seconds()) {
        const double left_ms = (end - now) * 1000.0;
        Sleep(static_cast<DWORD>(left_ms) + 1);
    }
}

}  // namespace vz
