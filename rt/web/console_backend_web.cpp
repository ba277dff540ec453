// The text console in the browser and under Node.js. Printing goes to the
// standard output, which Emscripten hands to the browser's console line by
// line (to the terminal under Node.js); carriage returns are left out there,
// where a line is a line. Keys come from the page's key presses (the queue
// web_page.js fills): the character a key types, or Enter, Escape, Backspace
// and Tab. Without a page (Node.js) no key can ever come: the input has ended.
// The console has no cursor or colours to show; positions are only counted,
// by the back-end core (rt/console_backend_core.h) as on the other platforms.

#include <emscripten.h>

#include <cstdio>

#include "rt/console.h"
#include "rt/console_backend.h"
#include "rt/console_backend_core.h"

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

// The page's key presses come as whole key codes: nothing to decode.
void console_core::pump_input() {
    console_core::State& k = console_core::state();
    while (!k.input_ended && k.key_count < console_core::KEY_READ_LIMIT) {
        const int code = vz_web_console_key();
        if (code < 0) k.input_ended = true;
        if (code <= 0) return;
        console_core::push_key(code);
    }
}

// A sleep of 0 still lets the page run once; below 0 returns at once.
void console_core::idle(std::int32_t milliseconds) {
    if (milliseconds >= 0) emscripten_sleep(static_cast<unsigned>(milliseconds));
}

// The grid the program sets (80 x 25 at first): the browser's console has none.
void console_core::grid_size(std::int32_t& cols, std::int32_t& rows) {
    cols = console_core::state().cols;
    rows = console_core::state().rows;
}

void console_clear(std::int32_t mode) {
    console_core::State& k = console_core::state();
    const console_core::TextArea area = console_core::text_area();
    const bool window_is_all = area.top == 0 && area.bottom == area.rows - 1;
    const bool window_only = mode == 2 || (mode == CLEAR_NO_ARGUMENT && !window_is_all);
    k.row = window_only ? area.top : 0;
    k.col = 0;
}

std::int32_t console_set_text_pos(std::int32_t row, std::int32_t col, std::int32_t) {
    console_core::place_cursor(row, col);
    return console_core::position_code();
}

void console_get_text_pos(std::int32_t* col, std::int32_t* row) {
    if (col) *col = console_core::state().col + 1;
    if (row) *row = console_core::state().row + 1;
}

std::int32_t console_set_text_size(std::int32_t cols, std::int32_t rows) {
    console_core::State& k = console_core::state();
    const std::int32_t previous = console_core::size_code(k.cols, k.rows);
    if (cols > 0) k.cols = cols;
    if (rows > 0) k.rows = rows;
    return previous;
}

std::uint32_t console_set_color(std::uint32_t fg, std::uint32_t bg, std::int32_t flags) {
    return console_core::set_colours(fg, bg, flags);
}

void console_print(const std::uint8_t* bytes, std::int32_t length) {
    if (bytes == nullptr || length <= 0) return;
    for (std::int32_t i = 0; i < length; ++i) {
        if (bytes[i] != '\r') std::fputc(bytes[i], stdout);
    }
    std::fflush(stdout);
    console_core::track_output(bytes, length);
}

bool console_input_is_interactive() { return false; }

}  // namespace vz
