#pragma once
// Linux specifics of the text console: which descriptors it reads keys from
// and prints to, and the sleep it uses between key tests.

#include <cstdint>

namespace vz {

struct ConsoleStreams {
    int input_fd;
    int output_fd;
};

// Points the console at other descriptors (0 and 1 at start). The terminal of
// the previous input is restored and every pending key, the end-of-input mark
// and the cursor bookkeeping are dropped. Returns the previous descriptors.
ConsoleStreams console_attach(ConsoleStreams streams);

// The sleep between key tests; null restores the operating system's sleep.
// Returns the previous routine (null for the operating system's).
using ConsoleSleeper = void (*)(std::int32_t milliseconds);
ConsoleSleeper console_set_sleeper(ConsoleSleeper sleeper);

// True while the console holds its input terminal in raw mode.
bool console_raw_mode_active();

// Gives the input terminal back its own settings now (raw mode is entered
// again by the next key read). Also run at exit and on SIGINT, SIGQUIT,
// SIGTERM, SIGHUP, SIGPIPE and SIGTSTP.
void console_restore_terminal();

}  // namespace vz
