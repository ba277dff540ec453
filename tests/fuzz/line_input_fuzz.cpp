// Line input driven by arbitrary key sequences: the graphics editor and the
// runtime's line editor read keys typed from the input (Enter once it runs
// out) on a memory-only screen. The stored line must end with a 0 inside the
// buffer, and the cursor must stay on the grid.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "fuzz_input.h"
#include "fuzz_screen.h"
#include "gfx/context.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/text/input.h"
#include "gfx/text/keys.h"
#include "rt/console.h"
#include "rt/console_hooks.h"
#include "rt/text.h"

namespace {

vz::fuzz::Input* g_keys = nullptr;
int g_pauses = 0;

// The editors sleep while the key queue is empty: type the next key then.
void type_next_key(std::int32_t) {
    ++g_pauses;
    if (g_keys == nullptr || g_keys->empty() || g_pauses > 4096) {
        vz::post_key(13);
        return;
    }
    const std::uint8_t kind = g_keys->u8();
    std::int32_t code = g_keys->u8();
    if ((kind & 3) == 0) code = code * 256 + 255;  // an extended key
    if ((kind & 7) == 1) code = g_keys->i32();     // anything at all
    vz::post_key(code);
}

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
    const std::uint8_t row = in.u8();
    const std::uint8_t col = in.u8();
    vz::runtime_locate(row % 80 + 1, col % 200 + 1, 0);
    const std::int32_t room = in.u8() % 48;
    const bool runtime_editor = (in.u8() & 1) != 0;

    auto saved_sleep = vz::console_hooks().sleep_ms;
    vz::console_hooks().sleep_ms = type_next_key;
    g_keys = &in;
    g_pauses = 0;
    while (vz::take_key() != 0) {}
    if (runtime_editor) {
        vz::RtText line;
        vz::RtText prompt;
        vz::rt_text_assign(prompt, "?");
        vz::read_line(&prompt, &line, room, room & 1, room & 2, room & 4);
    } else {
        std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[room > 0 ? room : 1]);
        std::uint8_t* result = vz::read_text(buffer.get(), room);
        if (result != buffer.get()) std::abort();
        if (room > 0 && std::memchr(buffer.get(), 0, static_cast<std::size_t>(room)) == nullptr) std::abort();
    }
    check_cursor();
    g_keys = nullptr;
    vz::console_hooks().sleep_ms = saved_sleep;
    while (vz::take_key() != 0) {}
    vz::close_screen();
    return 0;
}
