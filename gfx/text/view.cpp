// The graphics view. It sits with the console on the graphics screen because
// its fill is the console's clear of the view.

#include "gfx/text/view.h"

#include <algorithm>

#include "gfx/context.h"
#include "gfx/shapes/lines.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/draw_state_serial.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/shape_math.h"
#include "gfx/text/text.h"

namespace vz {

namespace {

// The clear mode that fills the view only.
constexpr std::int32_t FILL_CLEARS_VIEW = 1;

}  // namespace

void set_view(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::uint32_t fill,
              std::uint32_t border, std::int32_t flags) {
    DrawState* state = get_draw_state();
    const GfxContext* context = current_context();
    if (context == nullptr) return;
    set_target(state, nullptr);
    choose_draw_ops(state, border);
    sort_corners(&x1, &y1, &x2, &y2);

    if ((x1 | y1 | x2 | y2) == VIEW_NO_COORDINATE) {
        state->state_flags &= ~DS_VIEW_SET;
        state->view_x = 0;
        state->view_y = 0;
        state->view_w = context->width;
        state->view_h = context->height;
        drawing_state_changed();
        return;
    }

    if ((flags & VIEW_SCREEN_ABSOLUTE) != 0) {
        state->state_flags |= DS_VIEW_SET | DS_SCREEN_ABSOLUTE;
    } else {
        state->state_flags = (state->state_flags | DS_VIEW_SET) & ~DS_SCREEN_ABSOLUTE;
    }

    if ((flags & VIEW_NO_BORDER) == 0) {
        const std::uint32_t border_pixel = to_pixel_value(state->bpp, border) & context->colour_mask;
        state->view_x = 0;
        state->view_y = 0;
        state->view_w = context->width;
        state->view_h = context->height;
        // One pixel outside the new view; at the ends of the integer range
        // the border stays on the last coordinate, which is off screen anyway.
        draw_box(state, clamp_to_i32(static_cast<std::int64_t>(x1) - 1),
                 clamp_to_i32(static_cast<std::int64_t>(y1) - 1), clamp_to_i32(static_cast<std::int64_t>(x2) + 1),
                 clamp_to_i32(static_cast<std::int64_t>(y2) + 1), border_pixel, false, STYLE_SOLID);
    }

    // The part of the rectangle inside the screen; a rectangle wholly off
    // screen leaves an empty view rather than a negative size.
    state->view_x = std::clamp(x1, 0, context->width);
    state->view_y = std::clamp(y1, 0, context->height);
    const std::int64_t right = std::min<std::int64_t>(static_cast<std::int64_t>(x2) + 1, context->width);
    const std::int64_t bottom = std::min<std::int64_t>(static_cast<std::int64_t>(y2) + 1, context->height);
    state->view_w = static_cast<std::int32_t>(std::max<std::int64_t>(0, right - state->view_x));
    state->view_h = static_cast<std::int32_t>(std::max<std::int64_t>(0, bottom - state->view_y));
    drawing_state_changed();

    if (flags >= 0) {
        const std::uint32_t saved_bg = state->bg_colour;
        state->bg_colour = to_pixel_value(state->bpp, fill);
        clear(FILL_CLEARS_VIEW);
        state->bg_colour = saved_bg;
    }
}

}  // namespace vz
