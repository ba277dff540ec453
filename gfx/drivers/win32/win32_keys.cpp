// Characters of key presses on Win32: the system's translation of the virtual
// key with the current keyboard state, carried from the system's code page
// to Unicode (the window procedure takes it on to code page 437).

#include "gfx/drivers/win32/win32_internal.h"

namespace vz::win32 {

std::uint32_t ansi_to_unicode(std::uint8_t byte) {
    if (byte < 128) return byte;
    const char in = static_cast<char>(byte);
    wchar_t out = 0;
    if (MultiByteToWideChar(CP_ACP, 0, &in, 1, &out, 1) != 1) return 0;
    return static_cast<std::uint32_t>(out);
}

std::int32_t key_character(UINT vk, UINT scan, const BYTE keyboard[256]) {
    WORD typed[2] = {};
    // ToAscii answers 1 for one character; 2 for a dead key and the
    // character it could not combine with; 0 or less for none (or a dead key
    // waiting for its partner). Only a single character counts.
    if (ToAscii(vk, scan, keyboard, typed, 0) != 1) return 0;
    return static_cast<std::int32_t>(ansi_to_unicode(static_cast<std::uint8_t>(typed[0] & 0xFF)));
}

}  // namespace vz::win32
