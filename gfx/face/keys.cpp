// Key and mouse calls of the C++ face over the runtime's key operations.

#include "vzgfx/keys.h"

#include "gfx/text/mouse_hooks.h"
#include "rt/console.h"
#include "rt/key_codes.h"

namespace vzgfx {

static_assert(KEY_ENTER == vz::KEY_CODE_ENTER && KEY_ESCAPE == vz::KEY_CODE_ESCAPE &&
              KEY_BACKSPACE == vz::KEY_CODE_BACKSPACE && KEY_TAB == vz::KEY_CODE_TAB);
static_assert(KEY_F1 == vz::KEY_CODE_F1 && KEY_F11 == vz::KEY_CODE_F11 && KEY_F12 == vz::KEY_CODE_F12);
static_assert(KEY_HOME == vz::KEY_CODE_HOME && KEY_END == vz::KEY_CODE_END && KEY_UP == vz::KEY_CODE_UP &&
              KEY_DOWN == vz::KEY_CODE_DOWN && KEY_LEFT == vz::KEY_CODE_LEFT && KEY_RIGHT == vz::KEY_CODE_RIGHT);
static_assert(KEY_PAGE_UP == vz::KEY_CODE_PAGE_UP && KEY_PAGE_DOWN == vz::KEY_CODE_PAGE_DOWN &&
              KEY_INSERT == vz::KEY_CODE_INSERT && KEY_DELETE == vz::KEY_CODE_DELETE &&
              KEY_CLOSE == vz::KEY_CODE_CLOSE);

std::int32_t read_key() {
    const vz::KeyText text = vz::runtime_key_text();
    if (text.empty()) return 0;
    // One byte is a character; 255 and a byte b are the extended key b.
    if (text.length == 1) return text.bytes[0];
    return extended_key(text.bytes[1]);
}

std::int32_t wait_key() { return vz::runtime_wait_key(); }

bool key_waiting() { return vz::runtime_key_pending() != 0; }

void sleep(int milliseconds) { vz::runtime_key_sleep(milliseconds); }

bool read_mouse(Mouse& mouse) {
    std::int32_t clip = 0;
    return vz::read_mouse(&mouse.x, &mouse.y, &mouse.wheel, &mouse.buttons, &clip) == 0;
}

}  // namespace vzgfx
