// The browser layer's message pump: every event the page queued since the
// last pass becomes one or more messages for the window procedure.
//
// - A key press is a key-down message (system key-down with Alt held, for Alt
//   itself and for F10), followed by a character message for the character
//   it types, as the window system's translation step would; system keys type
//   no character. A release is a key-up (or system key-up) message.
// - The page losing or getting the focus is an activation message.
// - The page being hidden or going away is the close request: the program is
//   asked to end as by a window's close button.

#include <emscripten.h>

#include <algorithm>
#include <iterator>

#include "gfx/drivers/key_messages.h"
#include "gfx/drivers/web/web_internal.h"
#include "gfx/drivers/web/web_keys.h"
#include "gfx/drivers/window_proc.h"

// The next queued page event: its kind (0 when the queue is empty), and for
// keys the KeyboardEvent.code in `code` and in `fields` the auto-repeat flag
// and the one character the key types (a code point, 0 when none or more).
// clang-format off
EM_JS(int, vz_web_next_event, (int* fields, char* code, int code_size), {
    var queue = Module["vzEvents"];
    if (!queue || queue.length === 0) return 0;
    var event = queue.shift();
    HEAP32[fields >> 2] = event.repeat ? 1 : 0;
    HEAP32[(fields >> 2) + 1] = event.character || 0;
    stringToUTF8(event.code || "", code, code_size);
    return event.kind;
});
// clang-format on

namespace vz::web {

namespace {

constexpr int CODE_SIZE = 32;

void update_activation(State& s, bool focused) {
    s.focused = focused;
    if (focused == s.reported_active) return;
    s.reported_active = focused;
    WindowMessage m;
    m.type = WindowMessageType::activate;
    m.activated = focused;
    window_proc(m);
}

void on_key(State& s, const char* code, bool down, bool repeat, std::uint32_t typed) {
    const KeyMeaning meaning = key_meaning(code);
    KeyEvent key;
    key.vk = meaning.vk;
    key.scan = meaning.scan;
    key.extended = meaning.extended;
    key.down = down;
    key.was_down = repeat;
    key.alt_before = (s.vk_state[VKEY_MENU] & 0x80) != 0;
    key.typed = typed;
    note_key(s.vk_state, meaning, down);
    const KeyMessages messages = key_messages(key, s.vk_state);
    if (messages.has_key) {
        window_proc(messages.key);
    } else if (messages.has_character) {
        window_proc(messages.character);
    }
}

}  // namespace

void pump_page_events() {
    State& s = state();
    if (!s.window) return;
    int fields[2] = {};
    char code[CODE_SIZE] = {};
    for (;;) {
        const auto kind = static_cast<PageEvent>(vz_web_next_event(fields, code, CODE_SIZE));
        switch (kind) {
        case PageEvent::none:
            return;
        case PageEvent::key_down:
        case PageEvent::key_up:
            on_key(s, code, kind == PageEvent::key_down, fields[0] != 0, static_cast<std::uint32_t>(fields[1]));
            break;
        case PageEvent::focus:
        case PageEvent::blur:
            // Keys held while the page had no focus were never seen released.
            if (kind == PageEvent::blur) std::fill(std::begin(s.vk_state), std::end(s.vk_state), std::uint8_t{0});
            update_activation(s, kind == PageEvent::focus);
            break;
        case PageEvent::close: {
            WindowMessage m;
            m.type = WindowMessageType::close;
            window_proc(m);
            break;
        }
        }
    }
}

}  // namespace vz::web
