#pragma once
// The fast path of ellipse for the small filled circle (see ellipse_small.cpp).

#include <cstdint>

namespace vz {

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
