// The small filled circle on a 32-bit work page without blending: the shape
// the particle program draws 65536 times a frame. It gives the same pixels,
// clipping, dirty rows and drawing-state changes as the general whole-ellipse
// walk (the tests compare the two exhaustively), with the spans stored
// directly instead of through the routine pointers, and the lock and the
// dirty marks handled in place when the caller already holds the lock.

#include "gfx/ellipse_small.h"

#include <algorithm>
#include <cstring>

#include "gfx/context.h"
#include "gfx/draw_state.h"
#include "gfx/shape_math.h"

namespace vz {

namespace {

// trunc(c + r) for a whole c and a float r with |r| <= SMALL_CIRCLE_RADIUS_LIMIT,
// as the general walk forms it.
std::int64_t trunc_sum_small(std::int64_t c, float r) {
    const auto whole = static_cast<std::int64_t>(r);
    const std::int64_t s = c + whole;
    if (static_cast<float>(whole) == r) return s;
    if (r > 0.0f) return s < 0 ? s + 1 : s;
    return s > 0 ? s - 1 : s;
}

// One row's span, clipped to the view, stored as 32-bit pixels.
inline void fill_row(std::uint8_t* const* lines, const ViewBounds& view, std::int64_t row, std::int64_t x_left,
                     std::int64_t x_right, std::uint32_t pixel) {
    if (!view.has_row(row)) return;
    if (x_right < view.left || x_left >= view.right) return;
    const std::int64_t from = std::max(x_left, view.left);
    const std::int64_t to = std::min(x_right, view.right - 1);
    std::uint8_t* at = lines[row] + from * 4;
    for (std::int64_t x = from; x <= to; ++x, at += 4) std::memcpy(at, &pixel, sizeof pixel);
}

}  // namespace

bool small_filled_circle(float x, float y, float radius, std::uint32_t colour, float aspect,
                         std::int32_t coord_flags) {
    GfxContext* const context = current_context();
    if (context == nullptr || !(radius > 0.0f && radius <= SMALL_CIRCLE_RADIUS_LIMIT)) return false;
    // Aspect 1 exactly: both radii are the radius.
    if ((aspect == 0.0f ? context->aspect : aspect) != 1.0f) return false;
    // The colour argument is used and the centre is absolute (modes 0, 4, 6, 7).
    if (coord_flags < 0) return false;
    const std::int32_t mode = coord_flags & 7;
    if (mode != 0 && mode < 4) return false;
    if (mode == 5) return false;
    const bool blending = (context->flags & CTX_BLENDING) != 0;
    if (blending && (colour & 0xFF000000u) != 0xFF000000u) return false;

    DrawState* const state = get_draw_state();
    set_target(state, nullptr);
    if (state->bpp != 4) return false;
    // Everything below does what the general path does, in its order.
    choose_draw_ops(state, colour);
    state->last_x = x;
    state->last_y = y;
    const PixelPoint centre = to_screen(state, x, y);
    const ViewBounds view(state);
    if (view.empty()) return true;

    // The caller's lock (the frame's) makes this call's lock and unlock a
    // count up and down; without it, take the lock as the general path does.
    const bool own_lock = context->lock_count <= 0;
    if (own_lock) screen_lock();

    std::uint8_t* const* const lines = state->lines;
    std::int64_t x_left = trunc_sum_small(centre.x, -radius);
    std::int64_t x_right = trunc_sum_small(centre.x, radius);
    std::int64_t y_top = centre.y;
    std::int64_t y_bottom = centre.y;
    fill_row(lines, view, centre.y, x_left, x_right, colour);

    // The general walk with rx = ry = radius. Its rows move outward by one
    // each time they move at all, so the first visit of a row is its widest
    // and a row is drawn exactly when the walk first reaches it.
    const auto r2 = static_cast<std::int64_t>(static_cast<double>(radius) * static_cast<double>(radius));
    const std::int64_t two_r2 = 2 * r2;
    std::int64_t d = static_cast<std::int64_t>(static_cast<double>(r2) * static_cast<double>(radius));
    std::int64_t dx = 2 * d;
    std::int64_t dy = 0;
    auto n = static_cast<std::int32_t>(radius);
    while (n > 0) {
        bool new_row = false;
        if (d > 0) {
            ++y_bottom;
            --y_top;
            dy += two_r2;
            d -= dy;
            new_row = true;
        }
        if (d <= 0) {
            --n;
            dx -= two_r2;
            ++x_left;
            --x_right;
            d += dx;
        }
        if (new_row) {
            fill_row(lines, view, y_bottom, x_left, x_right, colour);
            fill_row(lines, view, y_top, x_left, x_right, colour);
        }
    }

    // Changed rows, clamped to the view and marked when the drawing went to
    // the visible page.
    const std::int64_t last = view.bottom - 1;
    std::int64_t y_min = std::min(trunc_sum_small(centre.y, -radius), y_top);
    std::int64_t y_max = std::max(trunc_sum_small(centre.y, radius), y_bottom);
    y_min = std::min(last, std::max(view.top, y_min));
    y_max = std::min(last, std::max(view.top, y_max));
    if (y_min > y_max) std::swap(y_min, y_max);
    if (own_lock) {
        unlock_after_drawing(state, y_min, y_max);
    } else if (state->line_capacity > 0 && lines != nullptr && lines[0] == context->visible_ptr &&
               context->dirty != nullptr) {
        const std::int64_t first = std::max<std::int64_t>(y_min, 0);
        const std::int64_t final_row = std::min<std::int64_t>(y_max, context->height - 1);
        if (first <= final_row) {
            std::memset(context->dirty + first, 1, static_cast<std::size_t>(final_row - first + 1));
        }
    }
    return true;
}

}  // namespace vz
