#pragma once
// The window messages of one key press or release, for the window-system
// layers (X11, the browser) that receive raw key events. A press becomes one
// key-down message (system key-down with Alt held, for Alt itself and for
// F10) that carries the held modifiers and the typed character; system keys
// type no character. A key outside the PC keyboard becomes a character
// message alone. A release becomes a key-up (or system key-up) message.

#include <cstdint>

#include "gfx/drivers/window_proc.h"

namespace vz {

struct KeyEvent {
    std::int32_t vk = 0;  // generic virtual key, 0 for a key the PC keyboard lacks
    std::int32_t scan = 0;
    bool extended = false;
    bool down = false;
    bool was_down = false;    // auto-repeat of a held key
    bool alt_before = false;  // Alt was held before this event
    std::uint32_t typed = 0;  // the one character the layout types (a code point), 0 when none
};

struct KeyMessages {
    bool has_key = false;  // false for a key outside the PC keyboard
    WindowMessage key;
    bool has_character = false;  // a character message alone, for a key without a key message
    WindowMessage character;
};

// `vk_state` is the virtual-key state after the event (high bit: down).
// Control combinations and Shift+Tab type what the key tables' keyboard
// types, not what the layout gives; layout characters stay the layout's.
KeyMessages key_messages(const KeyEvent& event, const std::uint8_t vk_state[256]);

}  // namespace vz
