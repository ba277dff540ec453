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
#include "gfx/pages.h"
#include "gfx/pixels.h"
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

namespace {

// The rows of a filled circle as the general walk first reaches them: row
// offset k (above and below the centre alike) is drawn inset[k] pixels in
// from each end of the centre row. The walk's rows move outward by one each
// time they move at all and each row's first visit is its widest, so this
// is every span it draws. Depends on the radius alone.
struct CircleRows {
    static constexpr std::int32_t CAPACITY = 64;
    std::int32_t count = 0;  // offsets 0 ... count - 1
    std::int32_t inset[CAPACITY];

    // False when the walk reaches more rows than the table holds.
    bool build(float radius) {
        const auto r2 = static_cast<std::int64_t>(static_cast<double>(radius) * static_cast<double>(radius));
        const std::int64_t two_r2 = 2 * r2;
        std::int64_t d = static_cast<std::int64_t>(static_cast<double>(r2) * static_cast<double>(radius));
        std::int64_t dx = 2 * d;
        std::int64_t dy = 0;
        std::int32_t x_inset = 0;
        auto n = static_cast<std::int32_t>(radius);
        count = 1;
        inset[0] = 0;
        while (n > 0) {
            bool new_row = false;
            if (d > 0) {
                dy += two_r2;
                d -= dy;
                new_row = true;
            }
            if (d <= 0) {
                --n;
                dx -= two_r2;
                ++x_inset;
                d += dx;
            }
            if (new_row) {
                if (count == CAPACITY) return false;
                inset[count++] = x_inset;
            }
        }
        return true;
    }
};

// to_screen, with the common case done in place: a whole-number centre well
// inside the coordinate range (every particle's) rounds to itself, and the
// view offset is added as to_screen adds it.
inline PixelPoint screen_point(const DrawState* state, float x, float y) {
    constexpr float PLAIN_LIMIT = 1048576.0f;  // 2^20
    constexpr std::int32_t OFFSET_LIMIT = 1 << 20;
    const bool whole = x >= -PLAIN_LIMIT && x <= PLAIN_LIMIT && y >= -PLAIN_LIMIT && y <= PLAIN_LIMIT &&
                       static_cast<float>(static_cast<std::int32_t>(x)) == x &&
                       static_cast<float>(static_cast<std::int32_t>(y)) == y;
    const bool absolute = (state->state_flags & DS_SCREEN_ABSOLUTE) != 0;
    const bool small_view = state->view_x >= -OFFSET_LIMIT && state->view_x <= OFFSET_LIMIT &&
                            state->view_y >= -OFFSET_LIMIT && state->view_y <= OFFSET_LIMIT;
    if (!whole || !small_view) return to_screen(state, x, y);
    PixelPoint p{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
    if (!absolute) {
        p.x += state->view_x;
        p.y += state->view_y;
    }
    return p;
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
    CircleRows rows;
    if (!rows.build(radius)) return false;

    DrawState* const state = get_draw_state();
    // Target set-up and the routine choice change nothing when the work page
    // is already the target and the plain routines are chosen: skip them then.
    if (state->target != nullptr || (state->state_flags & (DS_FRESH | DS_IMAGE_TARGET)) != 0) {
        set_target(state, nullptr);
    }
    if (state->bpp != 4) return false;
    // Everything below does what the general path does, in its order.
    const PixelOps& ops = pixel_ops();
    if (state->put_pixel != ops.put_pixel || state->span_fill != ops.span_fill || state->get_pixel != ops.get_pixel) {
        choose_draw_ops(state, colour);
    }
    state->last_x = x;
    state->last_y = y;
    const PixelPoint centre = screen_point(state, x, y);
    const ViewBounds view(state);
    if (view.empty()) return true;

    // The caller's lock (the frame's) makes this call's lock and unlock a
    // count up and down; without it, take the lock as the general path does.
    const bool own_lock = context->lock_count <= 0;
    if (own_lock) screen_lock();

    std::uint8_t* const* const lines = state->lines;
    const std::int64_t x_left = trunc_sum_small(centre.x, -radius);
    const std::int64_t x_right = trunc_sum_small(centre.x, radius);
    const std::int64_t reach = rows.count - 1;
    const std::int64_t cy = centre.y;
    if (x_left >= view.left && x_right < view.right && cy - reach >= view.top && cy + reach < view.bottom) {
        // Wholly inside the view: no row or span needs clipping.
        for (std::int32_t k = 0; k < rows.count; ++k) {
            const std::int64_t from = x_left + rows.inset[k];
            const std::int64_t to = x_right - rows.inset[k];
            for (const std::int64_t row : {cy + k, cy - k}) {
                std::uint8_t* at = lines[row] + from * 4;
                for (std::int64_t px = from; px <= to; ++px, at += 4) std::memcpy(at, &colour, sizeof colour);
                if (k == 0) break;
            }
        }
    } else {
        for (std::int32_t k = 0; k < rows.count; ++k) {
            fill_row(lines, view, cy + k, x_left + rows.inset[k], x_right - rows.inset[k], colour);
            if (k > 0) fill_row(lines, view, cy - k, x_left + rows.inset[k], x_right - rows.inset[k], colour);
        }
    }

    // Changed rows, clamped to the view and marked when the drawing went to
    // the visible page.
    const std::int64_t last = view.bottom - 1;
    std::int64_t y_min = std::min(trunc_sum_small(cy, -radius), cy - reach);
    std::int64_t y_max = std::max(trunc_sum_small(cy, radius), cy + reach);
    y_min = std::min(last, std::max(view.top, y_min));
    y_max = std::min(last, std::max(view.top, y_max));
    if (y_min > y_max) std::swap(y_min, y_max);
    if (own_lock) {
        unlock_after_drawing(state, y_min, y_max);
    } else if (state->line_capacity > 0 && lines != nullptr && lines[0] == context->visible_ptr &&
               context->dirty != nullptr) {
        const std::int64_t first = std::max<std::int64_t>(y_min, 0);
        const std::int64_t final_row = std::min<std::int64_t>(y_max, context->height - 1);
        for (std::int64_t row = first; row <= final_row; ++row) context->dirty[row] = 1;
    }
    return true;
}

}  // namespace vz
