#pragma once
// Timer and sleep.

#include <cstdint>

namespace vz {

enum SleepKind : std::int32_t {
    SLEEP_KEY_AWARE = 0,  // a key press can cut the wait short
    SLEEP_PLAIN = 1,      // waits the whole time
};

// Seconds since a fixed origin; only differences are meaningful.
double timer_seconds();

// Sleeps `milliseconds` of the given kind. Kind 0: key-aware sleep through the
// `sleep_ms` console hook or the console's own rule; kind 1: plain sleep; any
// other kind: no wait, error 1. Stores and returns the error code.
std::int32_t runtime_sleep(std::int32_t milliseconds, std::int32_t kind);

// One plain sleep of the operating system; nothing for ms <= 0.
void os_sleep_ms(std::int32_t milliseconds);

}  // namespace vz
