#pragma once
// Unicode to code page 437, the character set of the key queue.

#include <cstdint>

namespace vz {

// The code page 437 byte for `code_point`, or -1 when the code page has no
// such character. 0-127 map to themselves.
std::int32_t unicode_to_cp437(std::uint32_t code_point);

}  // namespace vz
