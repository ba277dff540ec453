#pragma once
// Helpers shared by the shape primitives (ellipse, lines, boxes).
//
// The integer conversions stay defined for every input: values beyond the
// target range saturate and NaN becomes zero, so huge or invalid coordinates
// clip away instead of invoking undefined behaviour.

#include <cmath>
#include <cstdint>
#include <limits>

#include "gfx/surface/draw_state.h"
#include "gfx/surface/pixels.h"
#include "rt/extended.h"

namespace vz {

// Truncation toward zero, saturated to the 64-bit range (NaN gives 0).
inline std::int64_t trunc_to_i64(extended v) {
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (extended_isnan(v)) return 0;
    if (v >= limit) return std::numeric_limits<std::int64_t>::max();
    if (v <= -limit) return std::numeric_limits<std::int64_t>::min();
    return extended_to_i64(v);
}

// Rounding half away from zero (v >= 0: trunc(v + 0.5), else trunc(v - 0.5)),
// saturated to the 32-bit range (NaN gives 0). The half is added in double
// precision, where it is exact for every float.
inline std::int32_t round_half_away_to_i32(float v) {
    const double d = static_cast<double>(v);
    const double r = d >= 0.0 ? std::trunc(d + 0.5) : std::trunc(d - 0.5);
    if (std::isnan(r)) return 0;
    if (r >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (r <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

// Narrows a value already known to lie in the 32-bit range, saturating
// anything outside it.
inline std::int32_t clamp_to_i32(std::int64_t v) {
    if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

// Both ends of a line in target pixels, as to_screen gives them while they
// lie within its coordinate limit. An end beyond it is moved along the line
// to where the line leaves the limit, so the segment keeps its true slope.
// False when no part of the segment lies within the limit (nothing of it can
// be visible).
bool to_screen_segment(const DrawState* state, float x1, float y1, float x2, float y2, PixelPoint* p1, PixelPoint* p2);

// The drawing state's view as half-open 64-bit bounds, so that edge sums and
// tests against far-away points never overflow.
struct ViewBounds {
    std::int64_t left, top, right, bottom;  // right and bottom exclusive

    explicit ViewBounds(const DrawState* state)
        : left(state->view_x),
          top(state->view_y),
          right(static_cast<std::int64_t>(state->view_x) + state->view_w),
          bottom(static_cast<std::int64_t>(state->view_y) + state->view_h) {}

    bool empty() const { return left >= right || top >= bottom; }
    bool has_row(std::int64_t y) const { return y >= top && y < bottom; }
    bool has_column(std::int64_t x) const { return x >= left && x < right; }
};

}  // namespace vz
