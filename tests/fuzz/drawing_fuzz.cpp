// The drawing operations with arbitrary arguments (NaN, infinities, extremes,
// any flags) on a memory-only screen: ellipses and arcs, lines and boxes,
// views, pages, clears and the palette. Every call must return with the
// screen lock given back.

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "fuzz_input.h"
#include "fuzz_screen.h"
#include "gfx/context.h"
#include "gfx/draw_state.h"
#include "gfx/pages.h"
#include "gfx/ellipse.h"
#include "gfx/text/lines.h"
#include "gfx/text/palette.h"
#include "gfx/text/text.h"

namespace {

std::int32_t coord_flags(vz::fuzz::Input& in) {
    const std::uint8_t kind = in.u8();
    std::int32_t flags = kind & 7;
    if ((kind & 0x80) != 0) flags |= static_cast<std::int32_t>(0x80000000u);  // the drawing state's colour
    if ((kind & 0x40) != 0) flags = in.i32();
    return flags;
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
                // An arc takes about 1.5 * sqrt(rx * ry) steps per radian
                // wherever it lies; arcs of more than about 10^5 steps are
                // left to the unit tests so that a run stays quick.
                const float a = aspect == 0.0f ? 1.0f : std::fabs(aspect);
                const double area = static_cast<double>(radius) * radius * (a > 1.0f ? 1.0 / a : a);
                if (!whole && std::isfinite(radius) && std::isfinite(area) && area > 1.0e8) break;
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
            case 6: vz::clear(in.number()); break;
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
