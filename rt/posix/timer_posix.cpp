// The timer and the plain sleep on Linux.
//
// The timer reads CLOCK_MONOTONIC. Unlike a tick-count/performance-counter
// pair there is nothing to choose between here: CLOCK_MONOTONIC is always
// available, has nanosecond units and does not wrap, so one source serves for
// the life of the process.

#include <cerrno>
#include <ctime>

#include "rt/timer.h"

namespace vz {

double timer_seconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // The seconds and nanoseconds are combined in extended precision and
    // rounded once to double.
    const long double seconds = static_cast<long double>(now.tv_sec) + static_cast<long double>(now.tv_nsec) * 1e-9L;
    return static_cast<double>(seconds);
}

void os_sleep_ms(std::int32_t milliseconds) {
    if (milliseconds <= 0) return;
    timespec remaining{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    // A signal cuts nanosleep short; the wait continues for the time left, so
    // that one call always waits at least the full time asked for.
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {}
}

}  // namespace vz
