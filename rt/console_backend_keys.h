#pragma once
// Turns the bytes a terminal (or a pipe) delivers into key codes: ordinary
// bytes are characters, the terminal's escape sequences for the cursor and
// editing keys and F1 to F12 become extended codes b * 256 + 255.

#include <cstddef>
#include <cstdint>
#include <span>

namespace vz {

constexpr std::int32_t extended_key_code(std::uint8_t extended_byte) {
    return static_cast<std::int32_t>(extended_byte) * 256 + 255;
}

inline constexpr std::int32_t KEY_CODE_ESCAPE = 27;
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

// The code of function key `n` (1 to 12); 0 for any other n.
std::int32_t function_key_code(int n);

struct KeyDecodeStep {
    std::int32_t code;  // the key, 0 when the bytes used carried no key
    std::size_t used;   // bytes consumed; 0 = an escape sequence is incomplete
};

// Decodes the key at the start of `bytes` (not empty). `complete` says that no
// more bytes will join the ones given (end of input, or the terminal has been
// quiet long enough): an unfinished escape sequence then counts as a lone ESC
// and its other bytes are decoded as keys of their own. Unknown escape
// sequences are consumed whole and give no key. A 0 byte gives no key, since
// key code 0 means "no key".
KeyDecodeStep decode_console_key(std::span<const std::uint8_t> bytes, bool complete);

}  // namespace vz
