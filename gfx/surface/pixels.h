#pragma once
// Pixel routines, colours and coordinates.

#include <cstdint>

#include "gfx/surface/draw_state.h"

namespace vz {

// The process-wide routine set, replaced by select_pixel_ops.
struct PixelOps {
    FillBytesFn fill_bytes;
    CopyBytesFn copy_bytes;
    PutPixelFn put_pixel;
    GetPixelFn get_pixel;
    SpanFillFn span_fill;
    PutPixelFn blend_put_pixel;
    SpanFillFn blend_span_fill;
    SpanFillFn row_fill;
    RowCopyFn row_copy;
};

const PixelOps& pixel_ops();

// Coordinate modes: bits 0-2 of a drawing call's coord_flags.
enum CoordMode : std::int32_t {
    COORD_ABSOLUTE = 0,         // both points absolute
    COORD_SECOND_RELATIVE = 1,  // second point relative to the first
    COORD_FIRST_RELATIVE = 2,   // first point relative to the last point
    COORD_BOTH_RELATIVE = 3,    // first relative to the last point, second to the first
    COORD_ABSOLUTE_POINT = 4,   // one absolute point
    COORD_RELATIVE_POINT = 5,   // one point relative to the last point
};
// Modes 6 and 7 are absolute as well.
inline constexpr std::int32_t COORD_MODE_MASK = 7;
// The top bit of coord_flags (a negative value): draw in the drawing state's
// foreground colour instead of the colour argument.
inline constexpr std::int32_t COORD_USE_FOREGROUND = INT32_MIN;

constexpr CoordMode coord_mode(std::int32_t coord_flags) {
    return static_cast<CoordMode>(coord_flags & COORD_MODE_MASK);
}
constexpr bool uses_foreground_colour(std::int32_t coord_flags) { return (coord_flags & COORD_USE_FOREGROUND) != 0; }

void select_pixel_ops(std::int32_t bpp);
void choose_draw_ops(DrawState* state, std::uint32_t pixel);
std::uint32_t to_pixel_value(std::int32_t bpp, std::uint32_t colour);
// A 16-bit RGB565 pixel as opaque 0xFFRRGGBB, each component widened by
// repeating its top bits (5-bit 31 gives 255, 16 gives 132).
std::uint32_t expand_rgb565(std::uint32_t pixel);
std::uint32_t blend_pixel(std::uint32_t source, std::uint32_t destination);
// Applies the coordinate mode to one point (x2, y2 null) or two points, in
// place, and records the last point.
void apply_step(DrawState* state, std::int32_t coord_flags, float* x1, float* y1, float* x2 = nullptr,
                float* y2 = nullptr);
struct PixelPoint {
    std::int32_t x, y;
};
PixelPoint to_screen(const DrawState* state, float x, float y);
void sort_corners(std::int32_t* x1, std::int32_t* y1, std::int32_t* x2, std::int32_t* y2);

}  // namespace vz
