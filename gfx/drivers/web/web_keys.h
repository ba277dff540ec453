#pragma once
// Browser key events in the terms of the key translation: the physical key
// (KeyboardEvent.code) as a PC set-1 scancode with the extended flag and the
// virtual key a US layout has there, and the virtual-key state the window
// procedure reads.

#include <cstdint>
#include <string_view>

namespace vz::web {

struct KeyMeaning {
    std::int32_t vk = 0;       // generic virtual key (Shift, Control, Menu for the modifiers)
    std::int32_t side_vk = 0;  // left/right virtual key of a modifier, else 0
    std::int32_t scan = 0;     // set-1 scancode
    bool extended = false;
};

// The meaning of a KeyboardEvent.code; all zero for a key the PC keyboard
// does not have.
KeyMeaning key_meaning(std::string_view code);

// Notes a press or release in the 256-byte virtual-key state (high bit set
// while down); a modifier's shared key is down while either side is.
void note_key(std::uint8_t state[256], const KeyMeaning& meaning, bool down);

}  // namespace vz::web
