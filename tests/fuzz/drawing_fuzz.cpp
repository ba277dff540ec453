// The drawing operations with arbitrary arguments (NaN, infinities, extremes,
// any flags) on a memory-only screen: ellipses and arcs, lines and boxes,
// views, pages, clears and the palette. Every call must return with the
// screen lock given back.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "fuzz_input.h"
#include "fuzz_screen.h"
#include "gfx/context.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/shapes/ellipse.h"
#include "gfx/shapes/lines.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pages.h"
#include "gfx/text/palette.h"
#include "gfx/text/text.h"
#include "gfx/text/view.h"

namespace {

std::int32_t coord_flags(vz::fuzz::Input& in) {
    const std::uint8_t kind = in.u8();
    std::int32_t flags = kind & 7;
    if ((kind & 0x80) != 0) flags |= static_cast<std::int32_t>(0x80000000u);  // the drawing state's colour
    if ((kind & 0x40) != 0) flags = in.i32();
    return flags;
}

constexpr double MAX_ARC_STEPS = 4000.0;
constexpr double TWO_PI = 6.283185307179586;
// Beyond this a float angle no longer changes when a turn is added.
constexpr double LAST_TURNING_ANGLE = 134217728.0;  // 2^27

// About how many steps an arc of these arguments takes (its radial lines
// aside): the whole turns taken off the limits one by one until they are
// less than a turn apart (up to about 2 * 10^7 of them when the limits lie
// far apart), plus the points of the span left, at most a turn, at the
// steps per radian.
double arc_steps(float radius, float aspect, float start, float end) {
    if (!std::isfinite(radius) || !(radius > 0.0f) || std::isnan(aspect)) return 0.0;  // nothing drawn
    if (!std::isfinite(start) || !std::isfinite(end)) return 0.0;
    const double from = std::min(std::fabs(static_cast<double>(start)), LAST_TURNING_ANGLE);
    const double to = std::min(std::fabs(static_cast<double>(end)), LAST_TURNING_ANGLE);
    const double turns = std::fabs(to - from) / TWO_PI;
    // 0 takes the screen's own aspect, which is near 1.
    const double a = aspect == 0.0f ? 1.0 : std::fabs(static_cast<double>(aspect));
    const double r = radius;
    const double area = r * r * (a > 1.0 ? 1.0 / a : a);
    if (!std::isfinite(area)) return HUGE_VAL;
    double span = std::fabs(static_cast<double>(end)) - std::fabs(static_cast<double>(start));
    if (span < 0.0 || span > TWO_PI + 0.01) span = TWO_PI + 0.01;  // whole turns taken off: up to a turn
    return turns + 1.5 * std::sqrt(area) * span + 1.0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vz::fuzz::use_memory_only_screens();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vz::fuzz::Input in(data, size);
    if (!vz::fuzz::open_small_screen(in)) return 0;
    for (int step = 0; step < 12 && !in.empty(); ++step) {
        switch (in.u8() % 8) {
        case 0:
        case 1: {
            const float x = in.real(), y = in.real(), radius = in.real(), aspect = in.real();
            const std::uint32_t colour = in.u32();
            const bool whole = (in.u8() & 1) != 0;
            const float start = whole ? 0.0f : in.real();
            const float end = whole ? 6.283186f : in.real();
            // An arc takes about 1.5 * sqrt(rx * ry) steps per radian of
            // its span wherever it lies. Arcs of more than a few thousand
            // steps take the same paths with more steps and are left to
            // the unit tests, so that a run stays quick; large radii over
            // short spans stay in.
            if (!whole && arc_steps(radius, aspect, start, end) > MAX_ARC_STEPS) break;
            vz::ellipse(nullptr, x, y, radius, colour, aspect, start, end, in.i32(), coord_flags(in));
            break;
        }
        case 2:
        case 3: {
            const float x1 = in.real(), y1 = in.real(), x2 = in.real(), y2 = in.real();
            const std::uint32_t colour = in.u32();
            const std::int32_t box = in.u8() % 4;
            vz::draw_line(nullptr, x1, y1, x2, y2, colour, box == 3 ? in.i32() : box, in.i32(), coord_flags(in));
            break;
        }
        case 4: {
            const std::int32_t x1 = in.number(), y1 = in.number(), x2 = in.number(), y2 = in.number();
            vz::set_view(x1, y1, x2, y2, in.u32(), in.u32(), in.i32());
            break;
        }
        case 5:
            if (in.u8() & 1) {
                vz::page_set(in.number(), in.number());
            } else {
                vz::page_copy(in.number(), in.number());
            }
            break;
        case 6:
            vz::clear(in.number());
            break;
        default:
            if (in.u8() & 1) {
                vz::change_palette(in.number(), in.number(), in.number(), in.number());
            } else {
                vz::port_out(in.u16(), in.u8());
                vz::port_in(in.u16());
            }
            break;
        }
        if (vz::current_context()->lock_count != 0) std::abort();
    }
    vz::close_screen();
    return 0;
}
