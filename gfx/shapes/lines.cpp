// Lines and boxes.
//
// Lines are clipped to the view once, before drawing, so the per-pixel loops
// carry no bounds test. Dashed lines and outlines follow a 16-bit style whose
// mask moves one bit per pixel, plotted or not.

#include "gfx/shapes/lines.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "gfx/context.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/draw_state_serial.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"
#include "gfx/surface/shape_math.h"

namespace vz {

namespace {

constexpr std::uint32_t MASK_FIRST = 0x8000;

// Outcode bits of a point against the view.
constexpr std::uint32_t OUT_LEFT = 1;
constexpr std::uint32_t OUT_RIGHT = 2;
constexpr std::uint32_t OUT_BELOW = 4;
constexpr std::uint32_t OUT_ABOVE = 8;

// Each clipping pass moves an outside end point onto a view edge, removing
// one outcode bit; two ends with two bits each need at most four passes. The
// limit only guards against rounding ever making the clip cycle.
constexpr int CLIP_PASS_LIMIT = 8;

std::uint32_t rotate_mask(std::uint32_t mask) { return ((mask >> 1) | (mask << 15)) & 0xFFFF; }

// The mask moved on by `count` pixels (any count, only its value mod 16 counts).
std::uint32_t advance_mask(std::uint32_t mask, std::int64_t count) {
    const auto shift = static_cast<unsigned>(static_cast<std::uint64_t>(count) & 15u);
    if (shift == 0) return mask;
    return ((mask >> shift) | (mask << (16 - shift))) & 0xFFFF;
}

std::uint32_t reverse_style(std::uint32_t style) {
    std::uint32_t reversed = 0;
    for (int bit = 0; bit < 16; ++bit) {
        if ((style & (1u << bit)) != 0) reversed |= 1u << (15 - bit);
    }
    return reversed;
}

std::uint32_t outcode(const ViewBounds& view, std::int64_t x, std::int64_t y) {
    std::uint32_t code = 0;
    if (x < view.left) {
        code |= OUT_LEFT;
    } else if (x >= view.right) {
        code |= OUT_RIGHT;
    }
    if (y < view.top) {
        code |= OUT_ABOVE;
    } else if (y >= view.bottom) {
        code |= OUT_BELOW;
    }
    return code;
}

struct Segment {
    std::int64_t x1, y1, x2, y2;
};

// Cohen-Sutherland against the view in extended precision. The first point
// is always the one moved; when only the second lies outside the two are
// exchanged first, and the exchange stays for the drawing, so the style then
// starts from the other end. False when nothing of the line is visible.
bool clip_segment(const ViewBounds& view, Segment& s) {
    for (int pass = 0; pass < CLIP_PASS_LIMIT; ++pass) {
        std::uint32_t c1 = outcode(view, s.x1, s.y1);
        const std::uint32_t c2 = outcode(view, s.x2, s.y2);
        if ((c1 | c2) == 0) return true;
        if ((c1 & c2) != 0) return false;
        if (c1 == 0) {
            std::swap(s.x1, s.x2);
            std::swap(s.y1, s.y2);
            c1 = c2;
        }
        const extended slope =
            s.x1 == s.x2 ? extended{1.0} : static_cast<extended>(s.y2 - s.y1) / static_cast<extended>(s.x2 - s.x1);
        const auto x1 = static_cast<extended>(s.x1);
        const auto y1 = static_cast<extended>(s.y1);
        if ((c1 & OUT_LEFT) != 0) {
            s.y1 = trunc_to_i64(y1 + slope * static_cast<extended>(view.left - s.x1));
            s.x1 = view.left;
        } else if ((c1 & OUT_RIGHT) != 0) {
            s.y1 = trunc_to_i64(y1 + slope * static_cast<extended>(view.right - 1 - s.x1));
            s.x1 = view.right - 1;
        } else if ((c1 & OUT_ABOVE) != 0) {
            if (s.x1 != s.x2) s.x1 = trunc_to_i64(x1 + static_cast<extended>(view.top - s.y1) / slope);
            s.y1 = view.top;
        } else {
            if (s.x1 != s.x2) s.x1 = trunc_to_i64(x1 + static_cast<extended>(view.bottom - 1 - s.y1) / slope);
            s.y1 = view.bottom - 1;
        }
    }
    return false;
}

std::uint8_t* pixel_address(const DrawState* state, std::int64_t x, std::int64_t y) {
    return state->lines[y] + x * state->bpp;
}

void plot(DrawState* state, std::int64_t x, std::int64_t y, std::uint32_t colour) {
    state->put_pixel(state, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), colour);
}

// Pixels x1 ... x2 of row y with the style mask running on; a solid style
// fills them as one run.
void draw_row(DrawState* state, std::int64_t x1, std::int64_t x2, std::int64_t y, std::uint32_t colour,
              std::uint32_t style, std::uint32_t& mask) {
    if (style == STYLE_SOLID) {
        state->span_fill(pixel_address(state, x1, y), colour, static_cast<std::int32_t>(x2 - x1 + 1));
        return;
    }
    for (std::int64_t x = x1; x <= x2; ++x) {
        if ((style & mask) != 0) plot(state, x, y, colour);
        mask = rotate_mask(mask);
    }
}

// Pixels y1 ... y2 of column x with the style mask running on, one at a
// time even when solid.
void draw_column(DrawState* state, std::int64_t x, std::int64_t y1, std::int64_t y2, std::uint32_t colour,
                 std::uint32_t style, std::uint32_t& mask) {
    for (std::int64_t y = y1; y <= y2; ++y) {
        if ((style & mask) != 0) plot(state, x, y, colour);
        mask = rotate_mask(mask);
    }
}

// Straight runs are drawn from their low end. A run given high end first is
// exchanged, and the reversed style with a mask started at the run's far end
// keeps the pattern's phase as if drawn from the first point given.
void orient_run(std::int64_t& from, std::int64_t& to, std::uint32_t& style, std::uint32_t& mask) {
    if (from <= to) return;
    std::swap(from, to);
    style = reverse_style(style);
    mask = 1u << ((to - from) & 15);
}

// Draws a segment whose ends both lie inside the view.
void draw_segment(DrawState* state, Segment s, std::uint32_t colour, std::uint32_t style) {
    std::uint32_t mask = MASK_FIRST;
    if (s.x1 == s.x2) {
        orient_run(s.y1, s.y2, style, mask);
        draw_column(state, s.x1, s.y1, s.y2, colour, style, mask);
        return;
    }
    if (s.y1 == s.y2) {
        orient_run(s.x1, s.x2, style, mask);
        draw_row(state, s.x1, s.x2, s.y1, colour, style, mask);
        return;
    }
    const std::int64_t sx = s.x2 > s.x1 ? 1 : -1;
    const std::int64_t sy = s.y2 > s.y1 ? 1 : -1;
    const std::int64_t dx = std::abs(s.x2 - s.x1);
    const std::int64_t dy = std::abs(s.y2 - s.y1);
    std::int64_t x = s.x1;
    std::int64_t y = s.y1;
    if (dx >= dy) {
        std::int64_t e = 2 * dy - dx;
        for (std::int64_t i = 0; i <= dx; ++i) {
            if ((style & mask) != 0) plot(state, x, y, colour);
            mask = rotate_mask(mask);
            if (e >= 0) {
                y += sy;
                e -= 2 * dx;
            }
            x += sx;
            e += 2 * dy;
        }
    } else {
        std::int64_t e = 2 * dx - dy;
        for (std::int64_t i = 0; i <= dy; ++i) {
            if ((style & mask) != 0) plot(state, x, y, colour);
            mask = rotate_mask(mask);
            if (e >= 0) {
                x += sx;
                e -= 2 * dy;
            }
            y += sy;
            e += 2 * dx;
        }
    }
}

}  // namespace

void draw_line(void* target, float x1, float y1, float x2, float y2, std::uint32_t colour, std::int32_t box_mode,
               std::int32_t style, std::int32_t coord_flags) {
    DrawState* state = get_draw_state();
    if (current_context() == nullptr) return;
    set_target(state, target);
    const std::uint32_t pixel =
        uses_foreground_colour(coord_flags) ? state->fg_colour : to_pixel_value(state->bpp, colour);
    choose_draw_ops(state, pixel);
    const auto pattern = static_cast<std::uint32_t>(style) & 0xFFFF;

    apply_step(state, coord_flags, &x1, &y1, &x2, &y2);

    if (box_mode != BOX_NONE) {
        // Clamping a corner per axis keeps a rectangle's edges where they are.
        PixelPoint p1 = to_screen(state, x1, y1);
        PixelPoint p2 = to_screen(state, x2, y2);
        sort_corners(&p1.x, &p1.y, &p2.x, &p2.y);
        draw_box(state, p1.x, p1.y, p2.x, p2.y, pixel, box_mode == BOX_FILLED, static_cast<std::uint16_t>(pattern));
        return;
    }

    const ViewBounds view(state);
    if (view.empty()) return;
    PixelPoint p1{};
    PixelPoint p2{};
    if (!to_screen_segment(state, x1, y1, x2, y2, &p1, &p2)) return;
    Segment s{p1.x, p1.y, p2.x, p2.y};
    if (!clip_segment(view, s)) return;

    screen_lock();
    draw_segment(state, s, pixel, pattern);
    unlock_after_drawing(state, std::min(s.y1, s.y2), std::max(s.y1, s.y2));
}

void draw_box(DrawState* state, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
              std::uint32_t colour, bool filled, std::uint16_t style) {
    const ViewBounds view(state);
    if (view.empty()) return;
    if (x2 < view.left || y2 < view.top || x1 >= view.right || y1 >= view.bottom) return;

    const std::int64_t cx1 = std::max<std::int64_t>(x1, view.left);
    const std::int64_t cy1 = std::max<std::int64_t>(y1, view.top);
    const std::int64_t cx2 = std::min<std::int64_t>(x2, view.right - 1);
    const std::int64_t cy2 = std::min<std::int64_t>(y2, view.bottom - 1);
    screen_lock();

    if (filled) {
        for (std::int64_t y = cy1; y <= cy2; ++y) {
            state->span_fill(pixel_address(state, cx1, y), colour, static_cast<std::int32_t>(cx2 - cx1 + 1));
        }
        unlock_after_drawing(state, cy1, cy2);
        return;
    }

    // The style runs round the outline as if every edge were drawn whole:
    // bottom row, top row, right column, left column, each from its low end.
    // Clipped pixels, and whole edges outside the view, still move the mask.
    const std::uint32_t pattern = style;
    const bool dashed = pattern != STYLE_SOLID;
    const std::int64_t row_length = cx2 - cx1 + 1;
    const std::int64_t column_length = cy2 - cy1 + 1;
    std::uint32_t mask = MASK_FIRST;
    if (dashed) mask = advance_mask(mask, cx1 - x1);

    if (y2 < view.bottom) {
        draw_row(state, cx1, cx2, y2, colour, pattern, mask);
    } else if (dashed) {
        mask = advance_mask(mask, row_length);
    }
    if (dashed) mask = advance_mask(mask, (x2 - cx2) + (cx1 - x1));

    if (y1 >= view.top) {
        draw_row(state, cx1, cx2, y1, colour, pattern, mask);
    } else if (dashed) {
        mask = advance_mask(mask, row_length);
    }
    if (dashed) mask = advance_mask(mask, (x2 - cx2) + (cy1 - y1));

    if (x2 < view.right) {
        draw_column(state, x2, cy1, cy2, colour, pattern, mask);
    } else if (dashed) {
        mask = advance_mask(mask, column_length);
    }
    if (dashed) mask = advance_mask(mask, (y2 - cy2) + (cy1 - y1));

    if (x1 >= view.left) draw_column(state, x1, cy1, cy2, colour, pattern, mask);

    unlock_after_drawing(state, cy1, cy2);
}

}  // namespace vz
