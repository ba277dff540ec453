#pragma once
// Text on the graphics screen: a grid of character cells (8 pixels wide; 8, 14
// or 16 high by mode) with a cursor. Characters are code page 437.

#include <cstdint>
#include <string_view>

#include "vzgfx/colour.h"

namespace vzgfx {

// Prints `text` at the cursor, which moves on; "\n" starts a new line and the
// screen scrolls up at its bottom.
void print(std::string_view text);
// The same, then a new line.
void print_line(std::string_view text);

// Moves the cursor to `row`, `column` (1-based; 0 keeps that one). A position
// outside the text grid is refused: the cursor stays and the result is 1
// (0 on success).
int locate(int row, int column);

// The colours text is printed in (and clear() fills with).
void set_text_colours(Colour foreground, Colour background);

}  // namespace vzgfx
