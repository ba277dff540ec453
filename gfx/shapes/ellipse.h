#pragma once
// Circles, ellipses and elliptic arcs, outlined or filled: the entry every
// caller draws through (ellipse.cpp), which takes the small-circle path for
// small filled circles and the general walk (ellipse_general.h) otherwise.

#include <cstdint>

namespace vz {

// The end angle that, with start angle 0, selects the whole-ellipse path: the
// single with bit pattern 0x40C90FDC, one unit in the last place above the
// single nearest to 2 pi.
inline constexpr std::uint32_t FULL_TURN_BITS = 0x40C90FDCu;

void ellipse(void* target, float x, float y, float radius, std::uint32_t colour, float aspect, float start_angle,
             float end_angle, std::int32_t fill, std::int32_t coord_flags);

// Radii up to this many pixels take the small-circle path.
inline constexpr float SMALL_CIRCLE_RADIUS_LIMIT = 16.0f;

// How often the small-circle path made a set-up and how often a call reused
// it, since the process started (for tests and measurements).
struct SmallCircleStats {
    std::uint64_t setups = 0;
    std::uint64_t reused = 0;
};
SmallCircleStats small_circle_stats();

}  // namespace vz
