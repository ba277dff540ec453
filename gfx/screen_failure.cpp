// The text that says why the last screen set-up failed.

#include "gfx/screen_failure.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace vz {

namespace {

// Room for every driver of the list with a reason each, twice over.
constexpr std::size_t TEXT_BYTES = 512;
constexpr const char NO_DRIVER_PREFIX[] = "no driver started: ";

// Written on the program's thread only (set-up runs there); the driver's
// note may come from its update thread, so it is atomic.
char g_text[TEXT_BYTES];
char g_drivers[TEXT_BYTES];
std::atomic<const char*> g_driver_reason{nullptr};

// Appends `piece` to the NUL-terminated `buffer`, cut short rather than overrun.
void append(char* buffer, const char* piece) {
    const std::size_t used = std::strlen(buffer);
    if (used + 1 >= TEXT_BYTES) return;
    std::snprintf(buffer + used, TEXT_BYTES - used, "%s", piece);
}

}  // namespace

const char* screen_failure_text() { return g_text; }

void note_driver_failure(const char* reason) { g_driver_reason.store(reason); }

void screen_failure_clear() {
    g_text[0] = '\0';
    g_drivers[0] = '\0';
    g_driver_reason.store(nullptr);
}

void screen_failure_set(const char* reason) {
    g_text[0] = '\0';
    append(g_text, reason);
}

void screen_failure_add_driver(const char* driver_name) {
    const char* reason = g_driver_reason.exchange(nullptr);
    if (reason == nullptr) reason = "init failed";
    char entry[128];
    std::snprintf(entry, sizeof entry, "%s: %s", driver_name != nullptr ? driver_name : "?", reason);
    // The same driver failing the same way on a later try adds nothing.
    const std::size_t length = std::strlen(entry);
    for (const char* at = std::strstr(g_drivers, entry); at != nullptr; at = std::strstr(at + 1, entry)) {
        const bool starts = at == g_drivers || (at >= g_drivers + 2 && at[-2] == ';');
        const bool ends = at[length] == '\0' || at[length] == ';';
        if (starts && ends) return;
    }
    if (g_drivers[0] != '\0') append(g_drivers, "; ");
    append(g_drivers, entry);
}

void screen_failure_finish_drivers() {
    g_text[0] = '\0';
    append(g_text, NO_DRIVER_PREFIX);
    append(g_text, g_drivers[0] != '\0' ? g_drivers : "no drivers in the list");
}

}  // namespace vz
