#pragma once
// The graphics view: the rectangle drawing is clipped to and relative to.

#include <cstdint>

namespace vz {

inline constexpr std::int32_t VIEW_NO_COORDINATE = -32768;
inline constexpr std::int32_t VIEW_SCREEN_ABSOLUTE = 0x1;
inline constexpr std::int32_t VIEW_NO_BORDER = 0x40000000;
inline constexpr std::int32_t VIEW_NO_FILL = INT32_MIN;

// Sets the view to the rectangle x1, y1 - x2, y2 (corners in any order),
// drawing a one-pixel border round it unless VIEW_NO_BORDER and filling it
// with `fill` unless VIEW_NO_FILL; all four coordinates VIEW_NO_COORDINATE
// give the whole screen back.
void set_view(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::uint32_t fill,
              std::uint32_t border, std::int32_t flags);

}  // namespace vz
