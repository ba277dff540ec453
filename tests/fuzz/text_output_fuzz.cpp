// Text output of arbitrary bytes on a memory-only screen, mixed with cursor
// moves, text windows, grid sizes, colours and clears. The cursor must stay
// on the grid after every call.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz_input.h"
#include "fuzz_screen.h"
#include "gfx/context.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/text/palette.h"
#include "gfx/text/text.h"
#include "rt/console.h"

namespace {

void check_cursor() {
    const vz::GfxContext* c = vz::current_context();
    if (c == nullptr || c->text_cols <= 0 || c->text_rows <= 0) return;
    if (c->cursor_x < 0 || c->cursor_x >= c->text_cols || c->cursor_y < 0 || c->cursor_y >= c->text_rows) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vz::fuzz::use_memory_only_screens();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vz::fuzz::Input in(data, size);
    if (!vz::fuzz::open_small_screen(in)) return 0;
    for (int step = 0; step < 24 && !in.empty(); ++step) {
        switch (in.u8() % 8) {
        case 0:
        case 1: {
            const std::size_t length = in.u8() % 64;
            std::vector<std::uint8_t> bytes(in.rest(), in.rest() + std::min(length, in.left()));
            in.skip(length);
            vz::print_text(bytes.data(), static_cast<std::int32_t>(bytes.size()), in.u8());
            break;
        }
        case 2: {
            std::vector<std::uint16_t> units(in.u8() % 16);
            for (std::uint16_t& u : units) u = in.u16();
            vz::print_wide_text(units.data(), static_cast<std::int32_t>(units.size()), in.u8());
            break;
        }
        case 3:
            vz::runtime_locate(in.number(), in.number(), in.number());
            break;
        case 4:
            vz::runtime_view_print(in.number(), in.number());
            break;
        case 5:
            vz::set_text_size(in.number(), in.number());
            break;
        case 6:
            vz::set_color(in.u32(), in.u32(), in.u8() & 3);
            break;
        default:
            vz::runtime_clear(in.u8() & 1 ? vz::CLEAR_NO_ARGUMENT : in.number());
            break;
        }
        check_cursor();
        for (std::int32_t col = 1; col <= 3; ++col) vz::read_cell(col, in.number(), in.u8() % 3);
    }
    // The text window is the runtime's and outlives the screen: give it back
    // whole while the screen still answers, so every input starts alike.
    vz::runtime_view_print(0, 0, false);
    vz::close_screen();
    return 0;
}
