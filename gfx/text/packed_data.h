#pragma once
// The fonts and default palettes, unpacked from the packed stream into one
// block, and the LZW decoder that unpacks them.

#include <cstddef>
#include <cstdint>
#include <span>

namespace vz {

struct FontDesc;
struct PaletteDesc;

// Size of the unpacked data block and the offsets of its parts.
inline constexpr std::size_t PACKED_DATA_SIZE = 10742;
inline constexpr std::size_t PACKED_FONT_8X8 = 0;
inline constexpr std::size_t PACKED_FONT_8X14 = 2048;
inline constexpr std::size_t PACKED_FONT_8X16 = 5632;
inline constexpr std::size_t PACKED_PALETTE_2 = 9728;
inline constexpr std::size_t PACKED_PALETTE_16 = 9734;
inline constexpr std::size_t PACKED_PALETTE_64 = 9782;
inline constexpr std::size_t PACKED_PALETTE_256 = 9974;

// Unpacks the fonts and default palettes once per process; later calls do
// nothing. Returns false when the data could not be unpacked: the block is
// then left all zero (blank glyphs, black palettes), never half written, and
// a later call tries again. Screen set-up treats false as a failed set-up.
bool unpack_fonts_and_palettes();
// The unpacked block (PACKED_DATA_SIZE bytes).
const std::uint8_t* packed_data();

// LZW decoder of the 12-bit packed stream. Returns 0 on success and -1 on
// failure; *capacity receives the number of bytes written.
std::int32_t unpack_data(std::span<const std::uint8_t> stream, std::uint8_t* output, std::size_t* capacity);

// The four default palettes (by colour count) and the three fonts, pointing
// into the unpacked data once it has been unpacked.
const PaletteDesc* palette_desc_for(std::int32_t colours);
const FontDesc* font_8x8();
const FontDesc* font_8x14();
const FontDesc* font_8x16();

}  // namespace vz
