#pragma once
// The text console: what the runtime's console operations use while no
// graphics screen has filled the console hooks. Rows and columns are 1-based
// at this interface, as at the runtime's.
//
// The console has one page. Its keyboard never blocks a key read: with no key
// ready the key text is empty. When the input has ended (a pipe or file read
// to its end) no key will ever come: the key text stays empty, waiting for a
// key returns 0 at once and a sleep that waits for a key returns at once.

#include <cstdint>

#include "rt/text.h"

namespace vz {

// Clears the screen, or only the text window's rows for mode 2 (and for the
// no-argument mode -65536 while the window does not cover all rows); the
// cursor goes to column 1 of the window's top row.
void console_clear(std::int32_t mode);
// Row and column of 0 or less keep their values; visibility 0 hides the
// cursor, above 0 shows it, below 0 leaves it. Result: the position code
// ((row - 1) & 0xFF) * 256 + ((column - 1) & 0xFF) + 257.
std::int32_t console_set_text_pos(std::int32_t row, std::int32_t col, std::int32_t visibility);
// The cursor, 1-based; either output may be null.
void console_get_text_pos(std::int32_t* col, std::int32_t* row);
// The text grid; either output may be null. 80 x 25 when it cannot be told.
void console_get_text_size(std::int32_t* cols, std::int32_t* rows);
// Sets the text grid (0 or less keeps that dimension) where the console can
// follow it; a terminal keeps its own size. Result: the previous size as
// rows * 65536 + cols.
std::int32_t console_set_text_size(std::int32_t cols, std::int32_t rows);
// Colours 0 to 15 of the classic text palette; flags bit 0: no foreground
// given, bit 1: no background given. Result: previous background * 65536 +
// previous foreground.
std::uint32_t console_set_color(std::uint32_t fg, std::uint32_t bg, std::int32_t flags);
// The runtime's text window changed to rows top ... bottom (1-based).
void console_view_update(std::int32_t top, std::int32_t bottom);
// Writes the bytes as they are (carriage returns and line feeds included).
void console_print(const std::uint8_t* bytes, std::int32_t length);

// Empty when no key is ready; one byte for a character; 255 and the extended
// byte for an extended key.
KeyText console_key_text();
// The next key code (characters 128 to 255 as -128 to -1, extended keys as
// b * 256 + 255), waiting for one; 0 when the input has ended.
std::int32_t console_wait_key();
// 1 when a key is ready, else 0; the key stays queued.
std::int32_t console_key_pending();
// The key-aware sleep: -1 waits for a key, 100 ms and more wait in 50 ms
// slices that a key press cuts short, anything else sleeps without looking at
// keys (0 yields the processor once, below 0 returns at once).
void console_key_sleep(std::int32_t milliseconds);
// True when the keys come from a person at a terminal (so typing is echoed).
bool console_input_is_interactive();
// True once the input has ended (closed, /dev/null, a pipe or file read to
// its end) and every key it delivered has been taken: no key can come again.
bool console_input_ended();

// The console's one page is page 0; a negative page means that page as well.
// Copying page 0 onto itself succeeds (error 0); any other page does not exist
// (error 1). Both results are also stored as the last error.
std::int32_t console_page_copy(std::int32_t source, std::int32_t destination);
// Result: previous visible page * 256 + previous work page, always 0; a
// request for another page changes nothing.
std::int32_t console_page_set(std::int32_t work_page, std::int32_t visible_page);

}  // namespace vz
