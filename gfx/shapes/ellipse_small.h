#pragma once
// The fast path of ellipse for the small filled circle (see ellipse_small.cpp).

#include <cstdint>

namespace vz {

// Radii up to this many pixels take the small-circle path.
inline constexpr float SMALL_CIRCLE_RADIUS_LIMIT = 16.0f;

// Draws a whole filled circle onto the work page exactly as ellipse's
// general walk would, and returns true, when the call is the small-circle
// case: a screen is open, 0 < radius <= SMALL_CIRCLE_RADIUS_LIMIT, aspect 1
// (given or the screen's), the colour argument used, an absolute centre, a
// 32-bit work page and no blending of this colour. Returns false, having
// changed nothing the general path would not change in the same way, for
// any other call. The caller has already checked the target (none), the
// fill (nonzero) and the whole-ellipse angles.
bool small_filled_circle(float x, float y, float radius, std::uint32_t colour, float aspect,
                         std::int32_t coord_flags);

// How often the small-circle path made a set-up and how often a call reused
// it, since the process started (for tests and measurements).
struct SmallCircleStats {
    std::uint64_t setups = 0;
    std::uint64_t reused = 0;
};
SmallCircleStats small_circle_stats();

}  // namespace vz
