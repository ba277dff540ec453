// Text calls of the C++ face over the runtime's console operations, which
// reach the graphics screen's text routines while a screen is open.

#include "vzgfx/text.h"

#include "gfx/text/palette.h"
#include "rt/console.h"
#include "rt/error.h"

namespace vzgfx {

void print(std::string_view text) { vz::runtime_print_text(text, 0); }

void print_line(std::string_view text) { vz::runtime_print_text(text, vz::PRINT_NEW_LINE | vz::PRINT_EVEN_IF_EMPTY); }

int locate(int row, int column) {
    if (row < 0 || column < 0) return vz::set_last_error(vz::ERR_ILLEGAL_CALL);
    vz::runtime_locate(row, column, -1);
    return vz::get_last_error();
}

void set_text_colours(Colour foreground, Colour background) { vz::set_color(foreground.value, background.value, 0); }

}  // namespace vzgfx
