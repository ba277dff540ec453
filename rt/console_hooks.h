#pragma once
// The table of 27 routine slots through which the runtime's console operations
// are redirected to the graphics screen while one is open. A null slot means
// the runtime's own console back-end serves the operation.

#include <array>
#include <cstdint>

#include "rt/text.h"

namespace vz {

struct ConsoleHooks {
    KeyText (*key_text)();                                                                         // 0
    std::int32_t (*wait_key)();                                                                    // 1
    std::int32_t (*key_pending)();                                                                 // 2
    void (*clear)(std::int32_t mode);                                                              // 3
    std::uint32_t (*set_color)(std::uint32_t fg, std::uint32_t bg, std::int32_t flags);            // 4
    std::int32_t (*set_text_pos)(std::int32_t row, std::int32_t col, std::int32_t visibility);     // 5
    std::int32_t (*set_text_size)(std::int32_t cols, std::int32_t rows);                           // 6
    std::int32_t (*get_text_col)();                                                                // 7
    std::int32_t (*get_text_row)();                                                                // 8
    void (*get_text_pos)(std::int32_t* col, std::int32_t* row);                                    // 9
    void (*get_text_size)(std::int32_t* cols, std::int32_t* rows);                                 // 10
    void (*print_text)(const std::uint8_t* bytes, std::int32_t length, std::int32_t flags);        // 11
    void (*print_wide_text)(const std::uint16_t* units, std::int32_t length, std::int32_t flags);  // 12
    std::uint8_t* (*read_text)(std::uint8_t* buffer, std::int32_t size);                           // 13
    std::int32_t (*key_down)(std::int32_t scan);                                                   // 14
    std::int32_t (*read_mouse)(std::int32_t* x, std::int32_t* y, std::int32_t* wheel, std::int32_t* buttons,
                               std::int32_t* clip);  // 15
    std::int32_t (*place_mouse)(std::int32_t x, std::int32_t y, std::int32_t visibility,
                                std::int32_t clip);                   // 16
    std::int32_t (*port_in)(std::int32_t port);                       // 17
    std::int32_t (*port_out)(std::int32_t port, std::int32_t value);  // 18
    // The runtime's text window changed to rows top ... bottom (1-based).
    void (*view_update)(std::int32_t top, std::int32_t bottom);  // 19
    std::int32_t (*read_line)(const RtText* prompt, RtText* destination, std::int32_t size, std::int32_t fill,
                              std::int32_t question, std::int32_t line_end);  // 20
    // prompt: null for none, else prompt_length 16-bit units; the line is
    // stored into destination (size units, zero-terminated when it fits).
    std::int32_t (*read_wide_line)(const std::uint16_t* prompt, std::int32_t prompt_length, std::uint16_t* destination,
                                   std::int32_t size, std::int32_t question, std::int32_t line_end);  // 21
    std::int32_t (*read_cell)(std::int32_t col, std::int32_t row, std::int32_t what);                 // 22
    void (*sleep_ms)(std::int32_t ms);                                                                // 23
    std::int32_t (*is_redirected)();                                                                  // 24
    std::int32_t (*page_copy)(std::int32_t source, std::int32_t destination);                         // 25
    std::int32_t (*page_set)(std::int32_t work_page, std::int32_t visible_page);                      // 26
};

inline constexpr int CONSOLE_HOOK_COUNT = 27;
static_assert(sizeof(ConsoleHooks) == CONSOLE_HOOK_COUNT * sizeof(void (*)()),
              "ConsoleHooks holds exactly 27 routine slots");

// The process-wide table; all slots null while no screen is open.
ConsoleHooks& console_hooks();

}  // namespace vz
