#pragma once
// Code page 437, the character set of the key queue and of the fonts, and
// Unicode.

#include <cstdint>

namespace vz {

// The code page 437 byte for `code_point`, or -1 when the code page has no
// such character. 0-127 map to themselves.
std::int32_t unicode_to_cp437(std::uint32_t code_point);

// The Unicode character that code page 437 byte `byte` shows: the pictures of
// 1-31 and 127 (faces, card suits, arrows, a house), ASCII in 32-126 and the
// upper half; 0 for byte 0. The font data tool finds glyphs by it.
std::uint32_t cp437_to_unicode(std::uint8_t byte);

}  // namespace vz
