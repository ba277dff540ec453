#pragma once
// Helpers shared by the text routines: the text window made concrete for the
// open screen, and access to the work page's text cells.

#include <cstdint>

#include "gfx/context.h"

namespace vz {

struct DrawState;

// The runtime's text window as 0-based rows inside the screen's grid. Rows
// not yet known (-1) become the first and last row; a window that no longer
// fits the grid is limited to it.
struct TextWindow {
    std::int32_t top;
    std::int32_t bottom;
};
TextWindow resolve_text_window(const GfxContext* context);

// The work page's text cells, or null when there are none.
TextCell* work_page_cells(const GfxContext* context, const DrawState* state);

// Sets `count` cells to character 32 in the given colours.
void blank_cells(TextCell* cells, std::int32_t count, std::uint32_t fg, std::uint32_t bg);

}  // namespace vz
