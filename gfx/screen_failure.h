#pragma once
// Why the last screen set-up failed, as a short text for the program to show
// or log: the library itself prints nothing. The last-error cell keeps its
// codes; this only adds the reason.

#include <cstdint>

namespace vz {

// The reason the last screen_mode/screen_res/set_mode failed: the core's own
// ("size too large", "out of memory", ...) or, when no driver started, every
// driver tried with the reason each gave, e.g.
// "no driver started: DirectX: no display; GDI: no display; OpenGL: not an OpenGL screen".
// Empty after a set-up that succeeded and before any set-up. The text stays
// valid until the next set-up.
const char* screen_failure_text();

// A display driver's reason for the init (or update-thread start) that is
// about to fail: a string literal, kept as a pointer. Safe from any thread.
void note_driver_failure(const char* reason);

// A driver's failing return: notes the reason and gives init's failure code.
inline std::int32_t driver_refuses(const char* reason) {
    note_driver_failure(reason);
    return -1;
}

// For the set-up code: starts a new record (empty text, no driver reason).
void screen_failure_clear();
// Sets the whole text to the core's own reason.
void screen_failure_set(const char* reason);
// Records that `driver_name` was tried and failed, with the reason it noted
// since the last call ("init failed" when it noted none). A driver that fails
// again for the same reason is listed once.
void screen_failure_add_driver(const char* driver_name);
// Puts "no driver started: " before the drivers' list.
void screen_failure_finish_drivers();

}  // namespace vz
