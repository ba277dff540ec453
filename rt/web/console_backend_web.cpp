// The text console in the browser and under Node.js. Printing goes to the
// standard output, which Emscripten hands to the browser's console line by
// line (to the terminal under Node.js); carriage returns are left out there,
// where a line is a line. Keys come from the page's key presses (the queue
// web_page.js fills): the character a key types, or Enter, Escape, Backspace
// and Tab. Without a page (Node.js) no key can ever come: the input has ended.
// The console has no cursor or colours to show; positions are only counted.

#include <emscripten.h>

#include <cstdio>

#include "rt/console.h"
#include "rt/console_backend.h"
#include "rt/console_backend_keys.h"
#include "rt/key_codes.h"
#include "rt/timer.h"

// clang-format off
// The next key press queued by the page as a key code, 0 when none; -1 when
// there is no page and so no key can come.
EM_JS(int, vz_web_console_key, (), {
    if (typeof document === "undefined") return -1;
    var queue = Module["vzEvents"];
    while (queue && queue.length > 0) {
        var event = queue.shift();
        if (event.kind !== 1) continue;
        var c = event.character || 0;
        if (c > 0 && c < 128) return c;
        switch (event.code) {
        case "Enter": case "NumpadEnter": return 13;
        case "Escape": return 27;
        case "Backspace": return 8;
        case "Tab": return 9;
        }
    }
    return 0;
});
// clang-format on

namespace vz {

namespace {

constexpr std::int32_t COLS = 80;
constexpr std::int32_t ROWS = 25;
constexpr std::int32_t KEY_TEST_SLICE_MS = 50;
constexpr int KEY_CAPACITY = 16;

struct Console {
    std::int32_t row = 0, col = 0;
    std::int32_t window_top = 0, window_bottom = ROWS - 1;
    std::uint32_t fg = 7, bg = 0;
    std::int32_t keys[KEY_CAPACITY] = {};
    int key_count = 0;
    bool arrived = false;
    bool ended = false;
};

Console g_console;

void pump_keys() {
    Console& c = g_console;
    while (c.key_count < KEY_CAPACITY) {
        const int code = vz_web_console_key();
        if (code < 0) c.ended = true;
        if (code <= 0) return;
        c.keys[c.key_count++] = code;
        c.arrived = true;
    }
}

std::int32_t pop_key() {
    Console& c = g_console;
    if (c.key_count == 0) return 0;
    const std::int32_t code = c.keys[0];
    for (int i = 1; i < c.key_count; ++i) c.keys[i - 1] = c.keys[i];
    --c.key_count;
    return code;
}

bool take_arrived() {
    pump_keys();
    const bool arrived = g_console.arrived;
    g_console.arrived = false;
    return arrived;
}

bool no_more_keys() { return g_console.ended && g_console.key_count == 0; }

}  // namespace

void console_clear(std::int32_t mode) {
    Console& c = g_console;
    const bool window_is_all = c.window_top == 0 && c.window_bottom == ROWS - 1;
    const bool window_only = mode == 2 || (mode == CLEAR_NO_ARGUMENT && !window_is_all);
    c.row = window_only ? c.window_top : 0;
    c.col = 0;
}

std::int32_t console_set_text_pos(std::int32_t row, std::int32_t col, std::int32_t) {
    Console& c = g_console;
    if (row >= 1) c.row = row - 1;
    if (col >= 1) c.col = col - 1;
    return ((c.row & 0xFF) * 256 + (c.col & 0xFF)) + 257;
}

void console_get_text_pos(std::int32_t* col, std::int32_t* row) {
    if (col) *col = g_console.col + 1;
    if (row) *row = g_console.row + 1;
}

void console_get_text_size(std::int32_t* cols, std::int32_t* rows) {
    if (cols) *cols = COLS;
    if (rows) *rows = ROWS;
}

std::int32_t console_set_text_size(std::int32_t, std::int32_t) { return ROWS * 65536 + COLS; }

std::uint32_t console_set_color(std::uint32_t fg, std::uint32_t bg, std::int32_t flags) {
    Console& c = g_console;
    const std::uint32_t previous = (c.bg & 0xFFFF) * 65536u + (c.fg & 0xFFFF);
    if (!(flags & 1)) c.fg = fg & 15;
    if (!(flags & 2)) c.bg = bg & 15;
    return previous;
}

void console_view_update(std::int32_t top, std::int32_t bottom) {
    Console& c = g_console;
    c.window_top = top >= 1 ? top - 1 : 0;
    c.window_bottom = bottom >= 1 ? bottom - 1 : ROWS - 1;
}

void console_print(const std::uint8_t* bytes, std::int32_t length) {
    if (bytes == nullptr || length <= 0) return;
    Console& c = g_console;
    for (std::int32_t i = 0; i < length; ++i) {
        const std::uint8_t b = bytes[i];
        if (b == '\r') {
            c.col = 0;
            continue;
        }
        std::fputc(b, stdout);
        if (b == '\n') {
            ++c.row;
        } else {
            ++c.col;
        }
    }
    std::fflush(stdout);
}

KeyText console_key_text() {
    pump_keys();
    return key_text_of(pop_key());
}

std::int32_t console_wait_key() {
    for (;;) {
        pump_keys();
        const std::int32_t code = pop_key();
        if (code != 0) return code >= 128 && code <= 255 ? code - 256 : code;
        if (no_more_keys()) return 0;
        console_key_sleep(-1);
    }
}

std::int32_t console_key_pending() {
    pump_keys();
    return g_console.key_count > 0 ? 1 : 0;
}

void console_key_sleep(std::int32_t milliseconds) {
    if (milliseconds == -1) {
        while (!take_arrived() && !no_more_keys()) os_sleep_ms(KEY_TEST_SLICE_MS);
        return;
    }
    if (milliseconds >= 100) {
        while (milliseconds > KEY_TEST_SLICE_MS) {
            if (take_arrived()) return;
            os_sleep_ms(KEY_TEST_SLICE_MS);
            milliseconds -= KEY_TEST_SLICE_MS;
        }
    }
    // A sleep of 0 still lets the page run once.
    if (milliseconds >= 0) emscripten_sleep(static_cast<unsigned>(milliseconds));
}

bool console_input_is_interactive() { return false; }

bool console_input_ended() {
    pump_keys();
    return no_more_keys();
}

}  // namespace vz
