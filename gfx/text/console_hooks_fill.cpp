#include "gfx/text/console_hooks_fill.h"

#include "gfx/surface/draw_state.h"
#include "gfx/surface/pages.h"
#include "gfx/text/input.h"
#include "gfx/text/keys.h"
#include "gfx/text/mouse_hooks.h"
#include "gfx/text/palette.h"
#include "gfx/text/text.h"
#include "rt/console_hooks.h"

namespace vz {

void fill_console_hooks() {
    ConsoleHooks& hooks = console_hooks();
    hooks.key_text = key_text;
    hooks.wait_key = wait_key;
    hooks.key_pending = key_pending;
    hooks.clear = clear;
    hooks.set_color = set_color;
    hooks.set_text_pos = set_text_pos;
    hooks.set_text_size = set_text_size;
    hooks.get_text_col = get_text_col;
    hooks.get_text_row = get_text_row;
    hooks.get_text_pos = get_text_pos;
    hooks.get_text_size = get_text_size;
    hooks.print_text = print_text;
    hooks.print_wide_text = print_wide_text;
    hooks.read_text = read_text;
    hooks.key_down = key_down;
    hooks.read_mouse = read_mouse;
    hooks.place_mouse = place_mouse;
    hooks.port_in = port_in;
    hooks.port_out = port_out;
    hooks.view_update = view_update;
    hooks.read_line = read_line;
    hooks.read_wide_line = read_wide_line;
    hooks.read_cell = read_cell;
    hooks.sleep_ms = sleep_ms;
    hooks.is_redirected = is_redirected;
    hooks.page_copy = page_copy;
    hooks.page_set = page_set;
}

void null_console_hooks() { console_hooks() = ConsoleHooks{}; }

}  // namespace vz
