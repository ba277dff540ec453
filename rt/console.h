#pragma once
// The runtime's console operations. Each does its own small share of the work
// (validation, the text window, the print column, number formatting) and hands
// the device work to a filled ConsoleHooks slot, or to the console back-end.

#include <cstdint>
#include <string_view>

#include "rt/text.h"

namespace vz {

inline constexpr std::int32_t CLEAR_NO_ARGUMENT = -65536;

// Print flags.
inline constexpr std::int32_t PRINT_NEW_LINE = 0x1;
inline constexpr std::int32_t PRINT_NEXT_ZONE = 0x2;
inline constexpr std::int32_t PRINT_NEW_LINE_ALT = 0x4;
inline constexpr std::int32_t PRINT_EVEN_IF_EMPTY = 0x8;

// The runtime's output channel for the screen.
struct ScreenChannel {
    std::int32_t column;      // characters since the last line break, 0-based
    std::int32_t line_width;  // text width in columns; 0 = no limit
    bool set_up;
};

ScreenChannel& screen_channel();

// The text window, 0-based rows; -1 while not yet known (after
// reset_console_state), read from the text size on first need.
std::int32_t text_window_top();
std::int32_t text_window_bottom();

void runtime_clear(std::int32_t mode);
std::int32_t runtime_locate(std::int32_t row, std::int32_t column, std::int32_t visibility);
// `place_cursor` is true for the callers that ask for the cursor to be placed
// (screen set-up and runtime_width). The view_update hook (or the console)
// receives the new window as 1-based rows.
std::int32_t runtime_view_print(std::int32_t top, std::int32_t bottom, bool place_cursor = true);
std::int32_t runtime_width(std::int32_t columns, std::int32_t rows);
void runtime_print_text(std::string_view text, std::int32_t flags);
void runtime_print_single(float value, std::int32_t flags);
void runtime_print_double(double value, std::int32_t flags);
KeyText runtime_key_text();
std::int32_t runtime_wait_key();
std::int32_t runtime_key_pending();
void runtime_key_sleep(std::int32_t milliseconds);
// True when no key can ever come: no screen has taken over the keys and the
// text console's input has ended with every key taken. A loop that waits for
// a key ends on this as it would on a key.
bool runtime_input_ended();
std::int32_t runtime_page_copy(std::int32_t source, std::int32_t destination);
std::int32_t runtime_page_set(std::int32_t work_page, std::int32_t visible_page);

// Resets the runtime's console state (text window, screen channel) to its
// initial values; part of runtime_init.
void reset_console_state();

}  // namespace vz
