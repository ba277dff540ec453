#pragma once
// Turns the bytes a terminal (or a pipe) delivers into key codes: ordinary
// bytes are characters, the terminal's escape sequences for the cursor and
// editing keys and F1 to F12 become extended codes b * 256 + 255.

#include <cstddef>
#include <cstdint>
#include <span>

#include "rt/key_codes.h"
#include "rt/text.h"

namespace vz {

// The key text of a key code: empty for 0, one byte for a character, 255 and
// the extended byte for an extended key.
KeyText key_text_of(std::int32_t code);

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
