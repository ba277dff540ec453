#pragma once
// The program's key codes, one vocabulary for every layer that reads keys
// (the graphics screen's key queue and line input, the runtime's line editor,
// the text console): a character is its byte (0 means "no key"), any other
// key an extended code b * 256 + 255, b being the key's BIOS-style code.

#include <cstdint>

namespace vz {

constexpr std::int32_t extended_key_code(std::uint8_t extended_byte) {
    return static_cast<std::int32_t>(extended_byte) * 256 + 255;
}

// Keys that are characters.
inline constexpr std::int32_t KEY_CODE_BELL = 7;
inline constexpr std::int32_t KEY_CODE_BACKSPACE = 8;
inline constexpr std::int32_t KEY_CODE_TAB = 9;
inline constexpr std::int32_t KEY_CODE_LINE_FEED = 10;
inline constexpr std::int32_t KEY_CODE_ENTER = 13;
inline constexpr std::int32_t KEY_CODE_ESCAPE = 27;

// Extended keys.
inline constexpr std::int32_t KEY_CODE_HOME = extended_key_code(0x47);
inline constexpr std::int32_t KEY_CODE_UP = extended_key_code(0x48);
inline constexpr std::int32_t KEY_CODE_PAGE_UP = extended_key_code(0x49);
inline constexpr std::int32_t KEY_CODE_LEFT = extended_key_code(0x4B);
inline constexpr std::int32_t KEY_CODE_RIGHT = extended_key_code(0x4D);
inline constexpr std::int32_t KEY_CODE_END = extended_key_code(0x4F);
inline constexpr std::int32_t KEY_CODE_DOWN = extended_key_code(0x50);
inline constexpr std::int32_t KEY_CODE_PAGE_DOWN = extended_key_code(0x51);
inline constexpr std::int32_t KEY_CODE_INSERT = extended_key_code(0x52);
inline constexpr std::int32_t KEY_CODE_DELETE = extended_key_code(0x53);
inline constexpr std::int32_t KEY_CODE_F1 = extended_key_code(0x3B);  // F1 ... F10 follow in order
inline constexpr std::int32_t KEY_CODE_F11 = extended_key_code(0x85);
inline constexpr std::int32_t KEY_CODE_F12 = extended_key_code(0x86);
// The window's close button and Alt+F4 (the code of Alt+F4).
inline constexpr std::int32_t KEY_CODE_CLOSE = extended_key_code(0x6B);
static_assert(KEY_CODE_CLOSE == 0x6BFF);

}  // namespace vz
