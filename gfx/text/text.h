#pragma once
// Text output in graphics mode: text-cell buffers, the print path, cursor
// operations and clear.

#include <cstddef>
#include <cstdint>

namespace vz {

struct GfxContext;

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
