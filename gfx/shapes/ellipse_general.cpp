// The general ellipse walk: circles, ellipses and elliptic arcs, outlined or
// filled, as ellipse() draws every call its small-circle path does not take.
//
// A whole ellipse is rasterised with an integer midpoint walk that yields one
// horizontal span per row; an arc is traced point by point along the angle.
// The call takes the screen lock itself and marks the rows it may have
// changed, so it works inside or outside a caller's lock.

#include "gfx/shapes/ellipse_general.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "gfx/context.h"
#include "gfx/shapes/ellipse.h"
#include "gfx/shapes/ellipse_rows.h"
#include "gfx/shapes/lines.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"
#include "gfx/surface/shape_math.h"

namespace vz {

namespace {

constexpr double TWO_PI = 6.283185307179586476925286766559;
// The float nearest 2 pi lies just above the double: an arc whose limits
// differ by exactly that float is a whole turn and must stay one, not be
// folded onto a single point.
constexpr double FLOAT_TWO_PI = static_cast<double>(static_cast<float>(TWO_PI));

// The 64-bit walk below stays exact (every intermediate well inside 2^63) for
// radii up to 2^20 pixels. Larger ellipses are drawn row by row from the
// walk's closed form (EllipseRows), for the view's rows only.
constexpr float WALK_RADIUS_LIMIT = 1048576.0f;
// The closed form's limit: the walk counts its columns in 32 bits. Radii
// beyond it are drawn as this, the largest float below 2^31; coordinates stay
// within +-2^30, so such an ellipse still covers or misses the whole view.
constexpr float ROWS_RADIUS_LIMIT = 2147483520.0f;

constexpr std::int32_t STYLE_SOLID = 0xFFFF;

// The rows a filled ellipse has already visited. The walk starts at the
// centre row and moves its top and bottom rows outward one row at a time, so
// the visited rows always form one unbroken range around the centre, and each
// row's first visit carries its widest span. A row inside that range is done:
// a later, narrower span changes nothing. Keeping the range instead of a flag
// per view row makes the cost follow the ellipse, not the view.
struct RowMarks {
    std::int64_t first = 1;  // empty while first > last
    std::int64_t last = 0;

    // True when the row was visited before; records the visit either way.
    bool visit(std::int64_t row) {
        if (first > last) {
            first = last = row;
            return false;
        }
        if (row >= first && row <= last) return true;
        first = std::min(first, row);
        last = std::max(last, row);
        return false;
    }
};

struct ArcOffset {
    std::int32_t x, y;
};

// Offsets of the point at `angle` on an ellipse with radii rx, ry: each
// product is formed in double precision, rounded to a float, then rounded half
// away from zero to whole pixels.
ArcOffset arc_point(float angle, float rx, float ry) {
    const double a = static_cast<double>(angle);
    const auto px = static_cast<float>(std::cos(a) * static_cast<double>(rx));
    const auto py = static_cast<float>(std::sin(a) * static_cast<double>(ry));
    return ArcOffset{round_half_away_to_i32(px), round_half_away_to_i32(py)};
}

// One row of a whole ellipse: a clipped span when filled, otherwise the two
// end pixels that lie inside the view.
void ellipse_row(DrawState* state, const ViewBounds& view, std::int64_t row, std::int64_t x_left, std::int64_t x_right,
                 std::uint32_t colour, bool fill, RowMarks& marks) {
    if (fill) {
        if (marks.visit(row)) return;
        if (!view.has_row(row)) return;
        if (x_right < view.left || x_left >= view.right) return;
        const std::int64_t from = std::max(x_left, view.left);
        const std::int64_t to = std::min(x_right, view.right - 1);
        std::uint8_t* line = state->lines[row];
        state->span_fill(line + from * state->bpp, colour, static_cast<std::int32_t>(to - from + 1));
        return;
    }
    if (!view.has_row(row)) return;
    const auto y = static_cast<std::int32_t>(row);
    if (view.has_column(x_left)) state->put_pixel(state, static_cast<std::int32_t>(x_left), y, colour);
    if (view.has_column(x_right)) state->put_pixel(state, static_cast<std::int32_t>(x_right), y, colour);
}

// Clamps the changed rows to the view, marks them when drawing went to the
// visible page, and releases the lock taken by the caller.
void mark_rows_and_unlock(DrawState* state, const ViewBounds& view, std::int64_t y_min, std::int64_t y_max) {
    const std::int64_t last = view.bottom - 1;
    y_min = std::min(last, std::max(view.top, y_min));
    y_max = std::min(last, std::max(view.top, y_max));
    if (y_min > y_max) std::swap(y_min, y_max);
    unlock_after_drawing(state, y_min, y_max);
}

// trunc(c + r), exactly, for a finite r within +-2^20: the whole part of r is
// added in integers and its fraction only decides the truncation. This
// avoids extended-precision conversions on the hot path and is exact even
// where a floating-point sum would round.
std::int64_t trunc_sum(std::int64_t c, float r) {
    const auto whole = static_cast<std::int64_t>(r);  // truncates toward zero
    const std::int64_t s = c + whole;
    if (static_cast<float>(whole) == r) return s;
    if (r > 0.0f) return s < 0 ? s + 1 : s;  // s + fraction
    return s > 0 ? s - 1 : s;                // s - fraction
}

// trunc(b2 * rx) in 64 bits, exactly: in double precision while the product
// fits its 53-bit significand, otherwise in extended precision, whose 64 bits
// hold any b2 below 2^40 times a float.
std::int64_t trunc_product(std::int64_t b2, float rx) {
    constexpr std::int64_t double_exact = std::int64_t{1} << 29;
    if (b2 < double_exact) return static_cast<std::int64_t>(static_cast<double>(b2) * static_cast<double>(rx));
    return trunc_to_i64(static_cast<extended>(b2) * static_cast<extended>(rx));
}

// A whole ellipse too large to walk row by row: each row of the view takes
// its spans from the closed form, so the pixels, and the number of times each
// is plotted, are those of the row-by-row walk.
void whole_ellipse_by_rows(DrawState* state, const ViewBounds& view, std::int64_t cx, std::int64_t cy, float rx,
                           float ry, std::uint32_t colour, bool fill) {
    rx = std::min(rx, ROWS_RADIUS_LIMIT);
    ry = std::clamp(ry, -ROWS_RADIUS_LIMIT, ROWS_RADIUS_LIMIT);
    const EllipseRows walk(rx, ry);
    const std::int64_t x_left = trunc_sum(cx, -rx);
    const std::int64_t x_right = trunc_sum(cx, rx);

    screen_lock();
    for (std::int64_t y = view.top; y < view.bottom; ++y) {
        const std::int64_t j = y >= cy ? y - cy : cy - y;
        if (j > walk.last_row()) continue;
        RowMarks marks;
        if (ry == 0.0f) {
            // A flat ellipse is one solid span whatever the fill says.
            if (j == 0) ellipse_row(state, view, y, x_left, x_right, colour, true, marks);
            continue;
        }
        const std::int64_t first = walk.enter(j);
        if (fill) {
            ellipse_row(state, view, y, x_left + first, x_right - first, colour, true, marks);
            continue;
        }
        // The walk's visits of this row: column steps first ... last, each
        // plotting the two ends. The centre row is visited once before the
        // walk starts and then twice per step (as the top and bottom row).
        const std::int64_t last = walk.leave(j);
        for (int pass = 0; pass < (j == 0 ? 2 : 1); ++pass) {
            const std::int64_t from = j == 0 ? 1 : first;
            // Only the steps whose left or right end lies in the view.
            const std::int64_t left_from = std::max(from, view.left - x_left);
            const std::int64_t left_to = std::min(last, view.right - 1 - x_left);
            for (std::int64_t i = left_from; i <= left_to; ++i) {
                state->put_pixel(state, static_cast<std::int32_t>(x_left + i), static_cast<std::int32_t>(y), colour);
            }
            const std::int64_t right_from = std::max(from, x_right - (view.right - 1));
            const std::int64_t right_to = std::min(last, x_right - view.left);
            for (std::int64_t i = right_from; i <= right_to; ++i) {
                state->put_pixel(state, static_cast<std::int32_t>(x_right - i), static_cast<std::int32_t>(y), colour);
            }
        }
        if (j == 0) ellipse_row(state, view, y, x_left, x_right, colour, false, marks);
    }
    const std::int64_t y_min = std::min(trunc_sum(cy, -ry), cy - walk.last_row());
    const std::int64_t y_max = std::max(trunc_sum(cy, ry), cy + walk.last_row());
    mark_rows_and_unlock(state, view, y_min, y_max);
}

void whole_ellipse(DrawState* state, const ViewBounds& view, std::int32_t cx, std::int32_t cy, float rx, float ry,
                   std::uint32_t colour, bool fill) {
    if (rx > WALK_RADIUS_LIMIT || std::fabs(ry) > WALK_RADIUS_LIMIT) {
        whole_ellipse_by_rows(state, view, cx, cy, rx, ry, colour, fill);
        return;
    }

    screen_lock();
    RowMarks marks;
    std::int64_t x_left = trunc_sum(cx, -rx);
    std::int64_t x_right = trunc_sum(cx, rx);
    std::int64_t y_top = cy;
    std::int64_t y_bottom = cy;

    if (ry == 0.0f) {
        // A flat ellipse is one solid span whatever the fill says.
        ellipse_row(state, view, cy, x_left, x_right, colour, true, marks);
    } else {
        ellipse_row(state, view, cy, x_left, x_right, colour, fill, marks);
        // The squares of floats of at most 2^20 are exact in double precision.
        const auto a2 = static_cast<std::int64_t>(static_cast<double>(rx) * static_cast<double>(rx));
        const auto b2 = static_cast<std::int64_t>(static_cast<double>(ry) * static_cast<double>(ry));
        const std::int64_t two_a2 = 2 * a2;
        const std::int64_t two_b2 = 2 * b2;
        std::int64_t d = trunc_product(b2, rx);
        std::int64_t dx = 2 * d;
        std::int64_t dy = 0;
        auto n = static_cast<std::int32_t>(rx);  // rx is within 0 .. 2^20 here
        while (n > 0) {
            if (d > 0) {
                ++y_bottom;
                --y_top;
                dy += two_a2;
                d -= dy;
            }
            if (d <= 0) {
                --n;
                dx -= two_b2;
                ++x_left;
                --x_right;
                d += dx;
            }
            ellipse_row(state, view, y_bottom, x_left, x_right, colour, fill, marks);
            ellipse_row(state, view, y_top, x_left, x_right, colour, fill, marks);
        }
    }

    // The changed rows are those within the vertical radius, widened to every
    // row the walk reached: for thin ellipses (horizontal radius between 1
    // and 2) the truncated squares let the walk run a few rows past ry, and
    // those rows must be presented too.
    const std::int64_t y_min = std::min(trunc_sum(cy, -ry), y_top);
    const std::int64_t y_max = std::max(trunc_sum(cy, ry), y_bottom);
    mark_rows_and_unlock(state, view, y_min, y_max);
}

// A radial line from the centre (caller's coordinates) to the arc point at
// `angle`, through draw_line, which records its end as the last point.
void radial_line(void* target, float x, float y, float angle, float rx, float ry, std::uint32_t colour,
                 std::int32_t coord_flags) {
    const ArcOffset p = arc_point(angle, rx, ry);
    const float end_x = std::trunc(x + static_cast<float>(p.x));
    const float end_y = std::trunc(y - static_cast<float>(p.y));
    draw_line(target, x, y, end_x, end_y, colour, BOX_NONE, STYLE_SOLID, coord_flags & ~COORD_MODE_MASK);
}

// Brings the arc limits to end >= start and end - start <= 2 pi (as a float) by whole
// turns, each sum stored back as a float. False when a limit is so large that
// adding a turn no longer changes it (the limits could never meet).
bool normalise_angles(float& start, float& end) {
    while (start > end) {
        const auto next = static_cast<float>(static_cast<double>(end) + TWO_PI);
        if (next == end) return false;
        end = next;
    }
    while (static_cast<double>(end) - static_cast<double>(start) > FLOAT_TWO_PI) {
        const auto next = static_cast<float>(static_cast<double>(start) + TWO_PI);
        if (next == start) return false;
        start = next;
    }
    return true;
}

void arc(DrawState* state, void* target, float x, float y, std::int32_t cx, std::int32_t cy, float rx, float ry,
         float start_angle, float end_angle, std::uint32_t colour, std::uint32_t pixel, std::int32_t coord_flags) {
    if (!std::isfinite(start_angle) || !std::isfinite(end_angle)) return;

    if (start_angle < 0.0f) {
        start_angle = -start_angle;
        radial_line(target, x, y, start_angle, rx, ry, colour, coord_flags);
    }
    if (end_angle < 0.0f) {
        end_angle = -end_angle;
        radial_line(target, x, y, end_angle, rx, ry, colour, coord_flags);
    }
    if (!normalise_angles(start_angle, end_angle)) return;

    // The radial lines drew into the same target with the same pixel value,
    // so the routines chosen by ellipse still stand.
    const ViewBounds view(state);
    if (view.empty()) return;

    const auto inc =
        static_cast<float>(1.0 / (1.5 * std::sqrt(static_cast<double>(rx)) * std::sqrt(static_cast<double>(ry))));
    screen_lock();
    std::int64_t y_min = cy;
    std::int64_t y_max = cy;
    const float limit = inc * 0.5f + end_angle;
    for (float angle = start_angle; angle < limit;) {
        const ArcOffset p = arc_point(angle, rx, ry);
        const std::int64_t px = static_cast<std::int64_t>(cx) + p.x;
        const std::int64_t py = static_cast<std::int64_t>(cy) - p.y;
        if (view.has_column(px) && view.has_row(py)) {
            state->put_pixel(state, static_cast<std::int32_t>(px), static_cast<std::int32_t>(py), pixel);
            y_max = std::max(y_max, py);
            y_min = std::min(y_min, py);
        }
        // For very large radii the step falls below the angle's precision;
        // stop there rather than spin on the same angle for ever.
        const float next = angle + inc;
        if (!(next > angle)) break;
        angle = next;
    }
    mark_rows_and_unlock(state, view, y_min, y_max);
}

}  // namespace

void ellipse_general(void* target, float x, float y, float radius, std::uint32_t colour, float aspect,
                     float start_angle, float end_angle, std::int32_t fill, std::int32_t coord_flags) {
    DrawState* state = get_draw_state();
    const GfxContext* context = current_context();
    if (context == nullptr || !(radius > 0.0f)) return;

    set_target(state, target);
    const std::uint32_t pixel =
        uses_foreground_colour(coord_flags) ? state->fg_colour : to_pixel_value(state->bpp, colour);
    choose_draw_ops(state, pixel);
    apply_step(state, coord_flags, &x, &y);
    const PixelPoint centre = to_screen(state, x, y);

    if (aspect == 0.0f) aspect = context->aspect;
    float rx = radius;
    float ry = radius * aspect;
    if (aspect > 1.0f) {
        rx = radius / aspect;
        ry = radius;
    }
    // A NaN or infinite radius has no pixels to give.
    if (!std::isfinite(rx) || !std::isfinite(ry)) return;

    if (start_angle == 0.0f && std::bit_cast<std::uint32_t>(end_angle) == FULL_TURN_BITS) {
        const ViewBounds view(state);
        if (view.empty()) return;
        whole_ellipse(state, view, centre.x, centre.y, rx, ry, pixel, fill != 0);
    } else {
        arc(state, target, x, y, centre.x, centre.y, rx, ry, start_angle, end_angle, colour, pixel, coord_flags);
    }
}

}  // namespace vz
