#pragma once
// The general ellipse walk: every circle, ellipse and arc the small-circle
// path does not take.

#include <cstdint>

namespace vz {

// ellipse without its small-circle fast path: every call takes the general
// walk. The reference the fast path is tested and measured against.
void ellipse_general(void* target, float x, float y, float radius, std::uint32_t colour, float aspect,
                     float start_angle, float end_angle, std::int32_t fill, std::int32_t coord_flags);

}  // namespace vz
