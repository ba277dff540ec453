#pragma once
// Key translation: PC keyboard scancodes (set 1), window-system virtual keys
// and the screen's key codes (characters 0-255 and extended codes
// byte * 256 + 255).

#include <cstdint>

namespace vz {

// Modifier bits of a key press.
inline constexpr std::int32_t KEYMOD_RIGHT_ALT = 1;
inline constexpr std::int32_t KEYMOD_ALT = 2;
inline constexpr std::int32_t KEYMOD_RIGHT_CONTROL = 4;
inline constexpr std::int32_t KEYMOD_CONTROL = 8;
inline constexpr std::int32_t KEYMOD_SHIFT = 16;
inline constexpr std::int32_t KEYMOD_EXTENDED = 256;

// Virtual keys the window procedure and the platform layers name.
inline constexpr std::int32_t VKEY_BACK = 0x08;
inline constexpr std::int32_t VKEY_RETURN = 0x0D;
inline constexpr std::int32_t VKEY_SHIFT = 0x10;
inline constexpr std::int32_t VKEY_CONTROL = 0x11;
inline constexpr std::int32_t VKEY_MENU = 0x12;
inline constexpr std::int32_t VKEY_F10 = 0x79;
inline constexpr std::int32_t VKEY_LSHIFT = 0xA0;
inline constexpr std::int32_t VKEY_RSHIFT = 0xA1;
inline constexpr std::int32_t VKEY_LCONTROL = 0xA2;
inline constexpr std::int32_t VKEY_RCONTROL = 0xA3;
inline constexpr std::int32_t VKEY_LMENU = 0xA4;
inline constexpr std::int32_t VKEY_RMENU = 0xA5;

// The modifier bits of the keys held in a keyboard state (high bit of each
// virtual key's byte set while it is down): either Shift, Control (the
// generic or left key), right Control, Alt (the generic or left key), right
// Alt. Never KEYMOD_EXTENDED, which is the key's own.
std::int32_t held_modifiers(const std::uint8_t keyboard_state[256]);

// The scancode of the first row naming `vk`, or 0.
std::int32_t scancode_of(std::int32_t vk);
// The first virtual key of `scancode`'s row (the key a US layout has at that
// position), or 0 when the scancode has no row.
std::int32_t vk_at_scancode(std::int32_t scancode);

// Rewrites key_state[scancode] for every scancode row: 1 while the high bit of
// either of its virtual keys' states is set, else 0.
void refresh_key_states(const std::uint8_t keyboard_state[256], std::uint8_t key_state[128]);

// The unshifted character of a virtual key on a US keyboard layout, or 0.
// Letters give their capital, digits and keypad digits the digit.
std::uint8_t vk_to_char(std::int32_t vk);

// Turns a key press into a key code: a character 0-255, an extended code
// (table value with its low byte set to 0xFF), or -1 for no key. `character`
// is the character byte (0 when none); a non-zero `no_plain_characters`
// suppresses plain characters.
std::int32_t translate_key(std::int32_t character, std::int32_t scancode, std::int32_t vk, std::int32_t modifiers,
                           std::int32_t no_plain_characters);

}  // namespace vz
