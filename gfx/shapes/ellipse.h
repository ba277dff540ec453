#pragma once
// Circles, ellipses and elliptic arcs, outlined or filled.

#include <cstdint>

namespace vz {

// The end angle that, with start angle 0, selects the whole-ellipse path: the
// single with bit pattern 0x40C90FDC, one unit in the last place above the
// single nearest to 2 pi.
inline constexpr std::uint32_t FULL_TURN_BITS = 0x40C90FDCu;

void ellipse(void* target, float x, float y, float radius, std::uint32_t colour, float aspect, float start_angle,
             float end_angle, std::int32_t fill, std::int32_t coord_flags);

// ellipse without its small-circle fast path: every call takes the general
// walk. The reference the fast path is tested and measured against.
void ellipse_general(void* target, float x, float y, float radius, std::uint32_t colour, float aspect,
                     float start_angle, float end_angle, std::int32_t fill, std::int32_t coord_flags);

}  // namespace vz
