// The shapes of the C++ face: each is one call of the drawing routines with
// its options spelt out as the routines' flags and bit patterns.

#include "vzgfx/draw.h"

#include <bit>
#include <limits>

#include "gfx/context.h"
#include "gfx/shapes/ellipse.h"
#include "gfx/shapes/lines.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"
#include "rt/console.h"

namespace vzgfx {

namespace {

// Only this exact end angle, with start 0, draws a whole ellipse (2 pi as a
// float draws it as an arc, outline only).
const float FULL_TURN = std::bit_cast<float>(vz::FULL_TURN_BITS);

// A negative limit asks the ellipse routine for a radial line; -0 is not
// negative, so 0 becomes the smallest negative float.
float with_radial_line(float angle) { return angle == 0.0f ? -std::numeric_limits<float>::min() : -angle; }

}  // namespace

void circle(float x, float y, float radius, Colour colour, const CircleOptions& options) {
    vz::ellipse(nullptr, x, y, radius, colour.value, options.aspect, 0.0f, FULL_TURN, options.filled ? 1 : 0,
                vz::COORD_ABSOLUTE);
}

void arc(float x, float y, float radius, float start, float end, Colour colour, const ArcOptions& options) {
    if (options.pie) {
        start = with_radial_line(start);
        end = with_radial_line(end);
    }
    vz::ellipse(nullptr, x, y, radius, colour.value, options.aspect, start, end, 0, vz::COORD_ABSOLUTE);
}

void line(float x1, float y1, float x2, float y2, Colour colour, const LineOptions& options) {
    vz::draw_line(nullptr, x1, y1, x2, y2, colour.value, vz::BOX_NONE, options.style, vz::COORD_ABSOLUTE);
}

void box(float x1, float y1, float x2, float y2, Colour colour, const BoxOptions& options) {
    vz::draw_line(nullptr, x1, y1, x2, y2, colour.value, options.filled ? vz::BOX_FILLED : vz::BOX_OUTLINE,
                  options.style, vz::COORD_ABSOLUTE);
}

void set_point(float x, float y, Colour colour) {
    // A line whose ends meet is that one pixel.
    vz::draw_line(nullptr, x, y, x, y, colour.value, vz::BOX_NONE, LINE_SOLID, vz::COORD_ABSOLUTE);
}

std::int64_t get_point(float x, float y) {
    if (vz::current_context() == nullptr) return -1;
    vz::DrawState* state = vz::get_draw_state();
    vz::set_target(state, nullptr);
    const vz::PixelPoint p = vz::to_screen(state, x, y);
    if (p.x < state->view_x || p.x >= state->view_x + state->view_w || p.y < state->view_y ||
        p.y >= state->view_y + state->view_h) {
        return -1;
    }
    const vz::ScreenLockGuard lock;
    return state->get_pixel(state, p.x, p.y);
}

void clear() {
    vz::runtime_clear(vz::CLEAR_NO_ARGUMENT);
    vz::runtime_locate(1, 1, -1);
}

}  // namespace vzgfx
