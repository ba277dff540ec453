// Pixel routines for 1, 2 and 4 bytes per pixel, colour values, blending and
// the coordinate modes.

#include <cmath>
#include <cstring>
#include <utility>

#include "gfx/context.h"
#include "gfx/cpu_features.h"
#include "gfx/draw_state.h"

namespace vz {

namespace {

// Pixels are stored through memcpy so that a line start of any alignment is
// valid (images may start their data at offset 4 of an arbitrary buffer).
inline std::uint8_t* pixel_address(DrawState* state, std::int32_t x, std::int32_t y, std::int32_t size) {
    return state->lines[y] + static_cast<std::ptrdiff_t>(x) * size;
}

inline std::uint16_t load16(const std::uint8_t* p) {
    std::uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline std::uint32_t load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void store16(std::uint8_t* p, std::uint16_t v) { std::memcpy(p, &v, sizeof v); }
inline void store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, sizeof v); }

void fill_bytes_plain(void* destination, std::uint8_t value, std::size_t count) {
    if (count != 0) std::memset(destination, value, count);
}

void copy_bytes_plain(void* destination, const void* source, std::size_t count) {
    if (count != 0) std::memmove(destination, source, count);
}

// 1 byte per pixel: palette indices.
void put_pixel8(DrawState* state, std::int32_t x, std::int32_t y, std::uint32_t pixel) {
    *pixel_address(state, x, y, 1) = static_cast<std::uint8_t>(pixel);
}
std::uint32_t get_pixel8(DrawState* state, std::int32_t x, std::int32_t y) {
    return *pixel_address(state, x, y, 1);
}
void span_fill8(std::uint8_t* first, std::uint32_t pixel, std::int32_t count) {
    if (count > 0) fill_bytes_plain(first, static_cast<std::uint8_t>(pixel), static_cast<std::size_t>(count));
}
void row_copy8(void* destination, const void* source, std::int32_t pixels) {
    if (pixels > 0) pixel_ops().copy_bytes(destination, source, static_cast<std::size_t>(pixels));
}

// 2 bytes per pixel: RGB565.
void put_pixel16(DrawState* state, std::int32_t x, std::int32_t y, std::uint32_t pixel) {
    store16(pixel_address(state, x, y, 2), static_cast<std::uint16_t>(pixel));
}
std::uint32_t get_pixel16(DrawState* state, std::int32_t x, std::int32_t y) {
    return load16(pixel_address(state, x, y, 2));
}
void span_fill16(std::uint8_t* first, std::uint32_t pixel, std::int32_t count) {
    const auto value = static_cast<std::uint16_t>(pixel);
    for (std::int32_t i = 0; i < count; ++i) store16(first + static_cast<std::ptrdiff_t>(i) * 2, value);
}
void row_copy16(void* destination, const void* source, std::int32_t pixels) {
    if (pixels > 0) pixel_ops().copy_bytes(destination, source, static_cast<std::size_t>(pixels) * 2);
}

// 4 bytes per pixel: 0xAARRGGBB.
void put_pixel32(DrawState* state, std::int32_t x, std::int32_t y, std::uint32_t pixel) {
    store32(pixel_address(state, x, y, 4), pixel);
}
std::uint32_t get_pixel32(DrawState* state, std::int32_t x, std::int32_t y) {
    return load32(pixel_address(state, x, y, 4));
}
void span_fill32(std::uint8_t* first, std::uint32_t pixel, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) store32(first + static_cast<std::ptrdiff_t>(i) * 4, pixel);
}
void blend_put_pixel32(DrawState* state, std::int32_t x, std::int32_t y, std::uint32_t pixel) {
    std::uint8_t* p = pixel_address(state, x, y, 4);
    store32(p, blend_pixel(pixel, load32(p)));
}
void blend_span_fill32(std::uint8_t* first, std::uint32_t pixel, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        std::uint8_t* p = first + static_cast<std::ptrdiff_t>(i) * 4;
        store32(p, blend_pixel(pixel, load32(p)));
    }
}
void row_copy32(void* destination, const void* source, std::int32_t pixels) {
    if (pixels > 0) pixel_ops().copy_bytes(destination, source, static_cast<std::size_t>(pixels) * 4);
}

PixelOps g_ops{fill_bytes_plain, copy_bytes_plain, put_pixel32,       get_pixel32, span_fill32,
               put_pixel32,      span_fill32,      span_fill32,       row_copy32};

bool blending_on() {
    const GfxContext* context = current_context();
    return context != nullptr && (context->flags & CTX_BLENDING) != 0;
}

// Round half away from zero, kept within +-2^30 so that callers may add view
// offsets and radii without overflowing; NaN goes far off screen.
std::int32_t round_coordinate(float v) {
    constexpr double limit = 1073741824.0;
    if (std::isnan(v)) return -static_cast<std::int32_t>(limit);
    const double d = static_cast<double>(v);
    const double r = d > 0.0 ? std::trunc(d + 0.5) : std::trunc(d - 0.5);
    if (r >= limit) return static_cast<std::int32_t>(limit);
    if (r <= -limit) return -static_cast<std::int32_t>(limit);
    return static_cast<std::int32_t>(r);
}

}  // namespace

const PixelOps& pixel_ops() { return g_ops; }

void select_pixel_ops(std::int32_t bpp) {
    // Only the plain forms exist; the MMX flag still tells the drivers' blitters
    // what the processor offers.
    if (cpu_has_mmx()) {
        if (GfxContext* context = current_context()) context->flags |= CTX_MMX;
    }
    g_ops.fill_bytes = fill_bytes_plain;
    g_ops.copy_bytes = copy_bytes_plain;
    switch (bpp) {
        case 1:
            g_ops.put_pixel = put_pixel8;
            g_ops.get_pixel = get_pixel8;
            g_ops.span_fill = span_fill8;
            g_ops.blend_put_pixel = put_pixel8;
            g_ops.blend_span_fill = span_fill8;
            g_ops.row_copy = row_copy8;
            break;
        case 2:
            g_ops.put_pixel = put_pixel16;
            g_ops.get_pixel = get_pixel16;
            g_ops.span_fill = span_fill16;
            g_ops.blend_put_pixel = put_pixel16;
            g_ops.blend_span_fill = span_fill16;
            g_ops.row_copy = row_copy16;
            break;
        default: {
            const bool blend = blending_on();
            g_ops.put_pixel = put_pixel32;
            g_ops.get_pixel = get_pixel32;
            g_ops.span_fill = span_fill32;
            g_ops.blend_put_pixel = blend ? blend_put_pixel32 : put_pixel32;
            g_ops.blend_span_fill = blend ? blend_span_fill32 : span_fill32;
            g_ops.row_copy = row_copy32;
            break;
        }
    }
    g_ops.row_fill = g_ops.span_fill;
}

void choose_draw_ops(DrawState* state, std::uint32_t pixel) {
    if (blending_on() && state->bpp == 4 && (pixel & 0xFF000000u) != 0xFF000000u) {
        state->put_pixel = g_ops.blend_put_pixel;
        state->span_fill = g_ops.blend_span_fill;
    } else {
        state->put_pixel = g_ops.put_pixel;
        state->span_fill = g_ops.span_fill;
    }
    state->get_pixel = g_ops.get_pixel;
}

std::uint32_t to_pixel_value(std::int32_t bpp, std::uint32_t colour) {
    switch (bpp) {
        case 1: return colour & 0xFFu;
        case 2: {
            const std::uint32_t red = (colour >> 16) & 0xFFu;
            const std::uint32_t green = (colour >> 8) & 0xFFu;
            const std::uint32_t blue = colour & 0xFFu;
            return (((red << 8) & 0xF800u) | ((green << 3) & 0x7E0u) | (blue >> 3)) & 0xFFFFu;
        }
        default: return colour;
    }
}

std::uint32_t blend_pixel(std::uint32_t source, std::uint32_t destination) {
    const std::uint32_t a = source >> 24;
    const std::uint32_t d_rb = destination & 0xFF00FFu;
    const std::uint32_t d_g = destination & 0xFF00u;
    const std::uint32_t rb = (d_rb + ((((source & 0xFF00FFu) - d_rb) * a) >> 8)) & 0xFF00FFu;
    const std::uint32_t g = (d_g + ((((source & 0xFF00u) - d_g) * a) >> 8)) & 0xFF00u;
    return rb | g | (source & 0xFF000000u);
}

void apply_step(DrawState* state, std::int32_t coord_flags, float* x1, float* y1, float* x2, float* y2) {
    const bool two_points = x2 != nullptr && y2 != nullptr;
    switch (coord_flags & 7) {
        case 1:
            if (two_points) {
                *x2 = *x1 + *x2;
                *y2 = *y1 + *y2;
            }
            break;
        case 2:
        case 5:
            *x1 = state->last_x + *x1;
            *y1 = state->last_y + *y1;
            break;
        case 3:
            *x1 = state->last_x + *x1;
            *y1 = state->last_y + *y1;
            if (two_points) {
                *x2 = *x1 + *x2;
                *y2 = *y1 + *y2;
            }
            break;
        default: break;
    }
    if (two_points) {
        state->last_x = *x2;
        state->last_y = *y2;
    } else {
        state->last_x = *x1;
        state->last_y = *y1;
    }
}

PixelPoint to_screen(const DrawState* state, float x, float y) {
    PixelPoint p{round_coordinate(x), round_coordinate(y)};
    if ((state->state_flags & DS_SCREEN_ABSOLUTE) == 0) {
        p.x += state->view_x;
        p.y += state->view_y;
    }
    return p;
}

void sort_corners(std::int32_t* x1, std::int32_t* y1, std::int32_t* x2, std::int32_t* y2) {
    if (*x1 > *x2) std::swap(*x1, *x2);
    if (*y1 > *y2) std::swap(*y1, *y2);
}

}  // namespace vz
