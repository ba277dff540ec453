#pragma once
// Converters from the visible page's changed rows to a display pixel format.

#include <cstdint>

namespace vz {

// Converts every dirty row of the current screen's visible page into
// `destination` (first byte of the top row; rows `destination_pitch` bytes
// apart). Each source row is written `scanline` times. The dirty flags are
// read, never cleared.
using BlitProc = void (*)(void* destination, std::int32_t destination_pitch);

// The converter from the current screen's page format to `destination_depth`
// (8, 15, 16, 24 or 32) in the standard (swap 0) or red/blue-exchanged
// (swap 1) order, or null when the pair is not supported. Rebuilds the 16-bit
// lookup tables in blitter_table() for `swap`.
BlitProc choose_blitter(std::int32_t destination_depth, std::int32_t swap);

// The converter from the current screen's page (any depth) to 8-bit direct
// colour whose red, green and blue bits lie under the given masks (each one
// run of at most 8 bits), or null for masks that do not fit a byte. Each
// component keeps its top bits. Displays with 8-bit colour use it.
BlitProc choose_direct8_blitter(std::uint32_t red_mask, std::uint32_t green_mask, std::uint32_t blue_mask);

// The blitter conversion table: 2048 bytes, allocated zero-filled with every
// screen (allocate_blitter_table, false when memory runs out) and freed
// before the next (free_blitter_table); null while there is none.
std::uint32_t* blitter_table();
bool allocate_blitter_table();
void free_blitter_table();

// Copies a 32-bit page with bits 24-31 of every pixel cleared (shaped windows).
void blit_masked_32(void* destination, std::int32_t destination_pitch);

}  // namespace vz
