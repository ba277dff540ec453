#pragma once
// The print engine shared by the text output routines: a layout record that
// carries the window, the cursor and the routines that draw and scroll.

#include <cstdint>

namespace vz {

struct DrawState;
struct TextLayout;

// Scrolls the window (left, top, right, bottom; 0-based, inclusive) up by
// `lines` rows and leaves the layout's row on the window's bottom row.
using TextScrollFn = void (*)(TextLayout* layout, std::int32_t left, std::int32_t top, std::int32_t right,
                              std::int32_t bottom, std::int32_t lines);
// Draws `count` bytes at the cursor without moving it; 1 on success.
using TextWriteFn = std::int32_t (*)(TextLayout* layout, const std::uint8_t* bytes, std::int32_t count);

// What the graphics routines keep beside a layout: the drawing state and the
// range of page lines touched so far (empty while first == end).
struct TextOwner {
    DrawState* state;
    std::int32_t dirty_first;
    std::int32_t dirty_end;
};

struct TextLayout {
    void* owner;
    TextScrollFn scroll;
    TextWriteFn write;
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;  // -1: the window never scrolls
    std::int32_t col;
    std::int32_t row;
};

// Bytes batched between cursor moves before they are drawn.
inline constexpr std::int32_t TEXT_BATCH_BYTES = 1024;

// Interprets control bytes (7 bell, 8 backspace, 9 tab, 10 line feed, 13
// carriage return) and draws every other byte with wrapping and scrolling.
// A non-zero `lf_returns` makes a line feed also return to the left column.
void layout_text(TextLayout& layout, const std::uint8_t* bytes, std::int32_t count, std::int32_t lf_returns);
// Scrolls the window up by row - bottom rows when the cursor has gone below
// it, leaving the cursor on the bottom row; nothing when the cursor is inside
// or the window never scrolls (bottom -1).
void scroll_to_cursor(TextLayout& layout);
// Draws bytes at the cursor, wrapping at the right edge and scrolling only
// when a run is about to be drawn below the window.
void write_wrapped(TextLayout& layout, const std::uint8_t* bytes, std::int32_t count);

// The graphics scroll and write routines (owner is a TextOwner).
void scroll_text_window(TextLayout* layout, std::int32_t left, std::int32_t top, std::int32_t right,
                        std::int32_t bottom, std::int32_t lines);
std::int32_t draw_text_run(TextLayout* layout, const std::uint8_t* bytes, std::int32_t count);

// Sounds the bell for byte 7 (see text_bell_posix.cpp).
void sound_text_bell();

}  // namespace vz
