#pragma once
// Lines and boxes.

#include <cstdint>

namespace vz {

struct DrawState;

enum BoxMode : std::int32_t { BOX_NONE = 0, BOX_OUTLINE = 1, BOX_FILLED = 2 };

// The line style of a solid line: every bit of the 16-bit mask plots.
inline constexpr std::uint32_t STYLE_SOLID = 0xFFFF;

void draw_line(void* target, float x1, float y1, float x2, float y2, std::uint32_t colour, std::int32_t box_mode,
               std::int32_t style, std::int32_t coord_flags);
// Corners in target pixels with x1 <= x2 and y1 <= y2; the caller has chosen
// the target and the routines.
void draw_box(DrawState* state, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
              std::uint32_t colour, bool filled, std::uint16_t style);

}  // namespace vz
