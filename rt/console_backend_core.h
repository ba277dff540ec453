#pragma once
// The platform-neutral half of the text console (rt/console_backend.h): the
// key queue and its arrival indication, decoding of buffered input bytes, the
// end-of-input rule, the cursor bookkeeping of output that cannot be asked
// where its cursor is, and the key operations built on them. Each platform's
// back-end keeps only what talks to its terminal or console, and provides
// the three routines at the end of this header.
//
// The end-of-input rule: once the input has ended and every byte it
// delivered has been decoded, no key can arrive again, so nothing waits for
// one; the keys already queued stay there to be read, and the input counts
// as ended for the program (console_input_ended) only when they are taken.

#include <cstddef>
#include <cstdint>

namespace vz::console_core {

inline constexpr std::int32_t DEFAULT_COLS = 80;
inline constexpr std::int32_t DEFAULT_ROWS = 25;
inline constexpr std::int32_t KEY_TEST_SLICE_MS = 50;
// How long the input must stay quiet after an ESC before it counts as the
// Escape key rather than the start of a sequence.
inline constexpr std::int64_t ESCAPE_WAIT_MS = 30;
inline constexpr std::size_t RAW_CAPACITY = 256;
inline constexpr std::size_t KEY_CAPACITY = 64;
// Input is read only while fewer keys than this are queued, so a long piped
// input is not pulled into memory at once.
inline constexpr std::size_t KEY_READ_LIMIT = 32;

// The console's state that does not depend on the platform (program thread
// only).
struct State {
    bool input_ended = false;
    std::uint8_t raw[RAW_CAPACITY] = {};  // bytes read and not yet decoded
    std::size_t raw_length = 0;
    std::int64_t last_arrival_ms = 0;

    std::int32_t keys[KEY_CAPACITY] = {};
    std::size_t key_head = 0;
    std::size_t key_count = 0;
    bool arrived = false;  // a key arrived since the last key test

    // Cursor bookkeeping, 0-based.
    std::int32_t row = 0;
    std::int32_t col = 0;
    std::int32_t window_top = 0;
    std::int32_t window_bottom = -1;   // -1 = the last row
    std::int32_t cols = DEFAULT_COLS;  // grid of output that is not a terminal or console
    std::int32_t rows = DEFAULT_ROWS;
    std::uint32_t fg = 7;
    std::uint32_t bg = 0;
};

State& state();
// Drops every queued key and byte, the end-of-input mark and the bookkeeping
// (the console was pointed at other input and output).
void reset();

std::int64_t now_ms();

void push_key(std::int32_t code);
// Taking a key also clears the arrival indication, as the screen's key
// queue does. 0 when none is queued.
std::int32_t pop_key();
// Decodes the buffered bytes into keys. A byte equal to `backspace_byte`
// (a terminal's erase byte; -1 for none) reads as the backspace key.
void decode_pending(std::int32_t backspace_byte);
// True once no key can arrive again (see the rule above).
bool no_more_arrivals();
// True when a key arrived since the previous test; clears the indication.
bool take_arrived();

// The text grid and the text window's rows inside it (0-based, inclusive).
struct TextArea {
    std::int32_t cols;
    std::int32_t rows;
    std::int32_t top;
    std::int32_t bottom;
};
TextArea text_area();
// Follows printed bytes in the bookkeeping: bell, backspace, TAB to the next
// multiple of 8 (at most the last column), line feed, carriage return, and
// wrapping at the width; the row stays on the window's last row when the text
// scrolls.
void track_output(const std::uint8_t* bytes, std::int32_t length);

// Moves the cursor bookkeeping to the 1-based `row` and `col` (below 1: that
// one stays); true when either was given.
bool place_cursor(std::int32_t row, std::int32_t col);
// The position console_set_text_pos reports: (row * 256 + col) + 257 of the
// 0-based position, each in a byte.
std::int32_t position_code();

// Takes the colours 0 to 15 of console_set_color (flags bit 0: keep the
// foreground, bit 1: keep the background); the previous colours as
// background * 65536 + foreground.
std::uint32_t set_colours(std::uint32_t fg, std::uint32_t bg, std::int32_t flags);
// A text grid size as console_set_text_size reports it: rows * 65536 + cols.
std::int32_t size_code(std::int32_t cols, std::int32_t rows);

// --- Provided by each platform's back-end ----------------------------------
// Moves whatever input is ready into the key queue without waiting.
void pump_input();
// The sleep between key tests: 0 yields the processor once.
void idle(std::int32_t milliseconds);
// The text grid of the output; 80 x 25 when it cannot be told.
void grid_size(std::int32_t& cols, std::int32_t& rows);

}  // namespace vz::console_core
