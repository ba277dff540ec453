// The platform-neutral half of the text console (see console_backend_core.h)
// and the console operations that need nothing of the platform but its
// input pump, its sleep and its grid size.

#include "rt/console_backend_core.h"

#include <cstring>

#include "rt/console_backend.h"
#include "rt/console_backend_keys.h"
#include "rt/key_codes.h"
#include "rt/timer.h"

namespace vz {

namespace console_core {

State& state() {
    static State s;
    return s;
}

void reset() { state() = State{}; }

std::int64_t now_ms() { return static_cast<std::int64_t>(timer_seconds() * 1000.0); }

void push_key(std::int32_t code) {
    State& s = state();
    if (s.key_count == KEY_CAPACITY) return;  // not reached: reads stop well before
    s.keys[(s.key_head + s.key_count) % KEY_CAPACITY] = code;
    ++s.key_count;
    s.arrived = true;
}

std::int32_t pop_key() {
    State& s = state();
    s.arrived = false;
    if (s.key_count == 0) return 0;
    const std::int32_t code = s.keys[s.key_head];
    s.key_head = (s.key_head + 1) % KEY_CAPACITY;
    --s.key_count;
    return code;
}

void decode_pending(std::int32_t backspace_byte) {
    State& s = state();
    if (s.raw_length == 0) return;
    // Whether more bytes may still join the buffered ones is the same for
    // every key decoded here: nothing is read inside this loop.
    const bool complete = s.input_ended || now_ms() - s.last_arrival_ms >= ESCAPE_WAIT_MS;
    while (s.raw_length > 0 && s.key_count < KEY_CAPACITY) {
        const KeyDecodeStep step = decode_console_key({s.raw, s.raw_length}, complete);
        if (step.used == 0) break;
        std::int32_t code = step.code;
        if (code != 0 && code == backspace_byte) code = KEY_CODE_BACKSPACE;
        if (code != 0) push_key(code);
        std::memmove(s.raw, s.raw + step.used, s.raw_length - step.used);
        s.raw_length -= step.used;
    }
}

bool no_more_arrivals() {
    const State& s = state();
    return s.input_ended && s.raw_length == 0;
}

bool take_arrived() {
    pump_input();
    State& s = state();
    const bool arrived = s.arrived;
    s.arrived = false;
    return arrived;
}

TextArea text_area() {
    const State& s = state();
    TextArea area{};
    grid_size(area.cols, area.rows);
    area.bottom = s.window_bottom < 0 || s.window_bottom >= area.rows ? area.rows - 1 : s.window_bottom;
    area.top = s.window_top > area.bottom ? area.bottom : s.window_top;
    if (area.top < 0) area.top = 0;
    return area;
}

void track_output(const std::uint8_t* bytes, std::int32_t length) {
    State& s = state();
    const TextArea area = text_area();
    for (std::int32_t i = 0; i < length; ++i) {
        switch (bytes[i]) {
        case 7:
            break;
        case 8:
            if (s.col > 0) --s.col;
            break;
        case 9:
            s.col = (s.col + 8) & ~7;
            if (s.col >= area.cols) s.col = area.cols - 1;
            break;
        case 10:
            s.col = 0;
            ++s.row;
            break;
        case 13:
            s.col = 0;
            break;
        default:
            if (++s.col >= area.cols) {
                s.col = 0;
                ++s.row;
            }
            break;
        }
        if (s.row > area.bottom) s.row = area.bottom;  // the text scrolled
    }
}

bool place_cursor(std::int32_t row, std::int32_t col) {
    State& s = state();
    if (row >= 1) s.row = row - 1;
    if (col >= 1) s.col = col - 1;
    return row >= 1 || col >= 1;
}

std::int32_t position_code() {
    const State& s = state();
    return ((s.row & 0xFF) * 256 + (s.col & 0xFF)) + 257;
}

std::uint32_t set_colours(std::uint32_t fg, std::uint32_t bg, std::int32_t flags) {
    State& s = state();
    const std::uint32_t previous = (s.bg & 0xFFFF) * 65536u + (s.fg & 0xFFFF);
    if (!(flags & 1)) s.fg = fg & 15;
    if (!(flags & 2)) s.bg = bg & 15;
    return previous;
}

std::int32_t size_code(std::int32_t cols, std::int32_t rows) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(rows) * 65536u + static_cast<std::uint32_t>(cols));
}

}  // namespace console_core

void console_view_update(std::int32_t top, std::int32_t bottom) {
    console_core::State& s = console_core::state();
    s.window_top = top >= 1 ? top - 1 : 0;
    s.window_bottom = bottom >= 1 ? bottom - 1 : -1;
}

void console_get_text_size(std::int32_t* cols, std::int32_t* rows) {
    std::int32_t c = 0;
    std::int32_t r = 0;
    console_core::grid_size(c, r);
    if (cols) *cols = c;
    if (rows) *rows = r;
}

KeyText console_key_text() {
    console_core::pump_input();
    return key_text_of(console_core::pop_key());
}

std::int32_t console_wait_key() {
    for (;;) {
        console_core::pump_input();
        const std::int32_t code = console_core::pop_key();
        if (code != 0) return code >= 128 && code <= 255 ? code - 256 : code;
        if (console_core::no_more_arrivals()) return 0;
        console_key_sleep(-1);
    }
}

std::int32_t console_key_pending() {
    console_core::pump_input();
    return console_core::state().key_count > 0 ? 1 : 0;
}

void console_key_sleep(std::int32_t milliseconds) {
    using console_core::KEY_TEST_SLICE_MS;
    if (milliseconds == -1) {
        // No key can arrive after the end of the input: do not wait forever.
        while (!console_core::take_arrived() && !console_core::no_more_arrivals()) {
            console_core::idle(KEY_TEST_SLICE_MS);
        }
        return;
    }
    if (milliseconds >= 100) {
        while (milliseconds > KEY_TEST_SLICE_MS) {
            if (console_core::take_arrived()) return;
            console_core::idle(KEY_TEST_SLICE_MS);
            milliseconds -= KEY_TEST_SLICE_MS;
        }
    }
    if (milliseconds >= 0) console_core::idle(milliseconds);
}

bool console_input_ended() {
    console_core::pump_input();
    return console_core::no_more_arrivals() && console_core::state().key_count == 0;
}

}  // namespace vz
