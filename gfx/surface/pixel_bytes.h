#pragma once
// Loads and stores of 16- and 32-bit values at any byte address. Pages are
// aligned, but image data starts at offset 4 or 32 of a caller's buffer and
// display surfaces have pitches of their own, so pixels are moved through
// memcpy, which is defined for every alignment and compiles to one move.

#include <cstdint>
#include <cstring>

namespace vz {

inline std::uint16_t load16(const std::uint8_t* p) {
    std::uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Stores the low 16 bits of `v`.
inline void store16(std::uint8_t* p, std::uint32_t v) {
    const auto narrow = static_cast<std::uint16_t>(v);
    std::memcpy(p, &narrow, sizeof narrow);
}

inline void store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, sizeof v); }

}  // namespace vz
