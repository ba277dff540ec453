#pragma once
// The characters that control combinations type on the keyboard the key
// tables are built around (a US layout), independent of how the user's own
// layout maps them: Control with a letter, bracket, backslash, Backspace,
// Enter, Space, Escape, Shift+2, Shift+6 or Shift+minus, and Shift+Tab. With
// Control every other key types nothing. What the user's layout alone knows
// (accented and other layout characters) is not decided here.

#include <cstdint>

namespace vz {

struct ControlCharacter {
    bool decided = false;         // false: the layout's own character stands
    std::int32_t character = -1;  // 0-255, or -1 for no character at all
};

// `modifiers` holds the KEYMOD_* bits of keymap.h. With Alt and Control both
// down (AltGr on many layouts) the layout decides.
ControlCharacter control_character(std::int32_t vk, std::int32_t modifiers);

}  // namespace vz
