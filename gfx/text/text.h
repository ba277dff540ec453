#pragma once
// Text output in graphics mode: fonts and packed data, text-cell buffers, the
// print path, cursor operations and clear.

#include <cstddef>
#include <cstdint>
#include <span>

namespace vz {

struct GfxContext;

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
std::int32_t unpack_data(std::span<const std::uint8_t> stream, std::uint8_t* output,
                         std::size_t* capacity);

// Allocates every page's text-cell buffer zero-filled and fills the work
// page's buffer with blanks in the drawing state's colours. False when memory
// runs out (the context then has no buffers).
bool allocate_text_cells(GfxContext* context);
void free_text_cells(GfxContext* context);

// The console-hook routines.
void clear(std::int32_t mode);
std::int32_t set_text_pos(std::int32_t row, std::int32_t column, std::int32_t visibility);
std::int32_t set_text_size(std::int32_t columns, std::int32_t rows);
std::int32_t get_text_col();
std::int32_t get_text_row();
void get_text_pos(std::int32_t* col, std::int32_t* row);
void get_text_size(std::int32_t* cols, std::int32_t* rows);
void print_text(const std::uint8_t* bytes, std::int32_t length, std::int32_t flags);
void print_wide_text(const std::uint16_t* units, std::int32_t length, std::int32_t flags);
std::int32_t read_cell(std::int32_t column, std::int32_t row, std::int32_t what);

}  // namespace vz
