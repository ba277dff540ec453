// Pixel routines for 1, 2 and 4 bytes per pixel, colour values, blending and
// the coordinate modes.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "gfx/context.h"
#include "gfx/surface/cpu_features.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/draw_state_serial.h"
#include "gfx/surface/pixel_bytes.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/shape_math.h"

namespace vz {

namespace {

inline std::uint8_t* pixel_address(DrawState* state, std::int32_t x, std::int32_t y, std::int32_t size) {
    return state->lines[y] + static_cast<std::ptrdiff_t>(x) * size;
}

void fill_bytes_plain(void* destination, std::uint8_t value, std::size_t count) {
    if (count != 0) std::memset(destination, value, count);
}

void copy_bytes_plain(void* destination, const void* source, std::size_t count) {
    if (count != 0) std::memmove(destination, source, count);
}

// The members of one pixel size. Stores of 2 and 4 bytes go through
// pixel_bytes.h so that image lines of any alignment are valid.
template <int Size>
void put_pixel_n(DrawState* state, std::int32_t x, std::int32_t y, std::uint32_t pixel) {
    std::uint8_t* p = pixel_address(state, x, y, Size);
    if constexpr (Size == 1) *p = static_cast<std::uint8_t>(pixel);
    if constexpr (Size == 2) store16(p, pixel);
    if constexpr (Size == 4) store32(p, pixel);
}

template <int Size>
std::uint32_t get_pixel_n(DrawState* state, std::int32_t x, std::int32_t y) {
    const std::uint8_t* p = pixel_address(state, x, y, Size);
    if constexpr (Size == 1) return *p;
    if constexpr (Size == 2) return load16(p);
    if constexpr (Size == 4) return load32(p);
}

// A long 32-bit run: the first 16 pixels are stored one by one, then the
// filled part is copied onto the rest, doubling each time, so that the bulk
// goes through the C library's copy, the widest stores the processor has.
// Measured on a whole 800 x 600 page: about a quarter faster than a plain
// loop of 16-byte stores.
constexpr std::int32_t SEED_PIXELS = 16;

void long_fill32(std::uint8_t* first, std::uint32_t pixel, std::int32_t count) {
    for (std::int32_t i = 0; i < SEED_PIXELS; ++i) store32(first + 4 * i, pixel);
    const std::size_t total = static_cast<std::size_t>(count) * 4;
    std::size_t done = static_cast<std::size_t>(SEED_PIXELS) * 4;
    while (done < total) {
        const std::size_t n = std::min(done, total - done);
        std::memcpy(first + done, first, n);
        done += n;
    }
}

template <int Size>
void span_fill_n(std::uint8_t* first, std::uint32_t pixel, std::int32_t count) {
    if constexpr (Size == 4) {
        if (count > 2 * SEED_PIXELS) {
            long_fill32(first, pixel, count);
            return;
        }
    }
    if constexpr (Size == 1) {
        if (count > 0) fill_bytes_plain(first, static_cast<std::uint8_t>(pixel), static_cast<std::size_t>(count));
    } else {
        for (std::int32_t i = 0; i < count; ++i, first += Size) {
            if constexpr (Size == 2) store16(first, pixel);
            if constexpr (Size == 4) store32(first, pixel);
        }
    }
}

// Run copies use the chosen byte copy, as the text scroll expects.
template <int Size>
void row_copy_n(void* destination, const void* source, std::int32_t pixels) {
    if (pixels > 0) pixel_ops().copy_bytes(destination, source, static_cast<std::size_t>(pixels) * Size);
}

// Blended forms exist for 4-byte pixels only.
void blend_put_pixel32(DrawState* state, std::int32_t x, std::int32_t y, std::uint32_t pixel) {
    std::uint8_t* p = pixel_address(state, x, y, 4);
    store32(p, blend_pixel(pixel, load32(p)));
}
void blend_span_fill32(std::uint8_t* first, std::uint32_t pixel, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i, first += 4) store32(first, blend_pixel(pixel, load32(first)));
}

// The pixel routines of one size; the byte fill and copy are chosen apart.
struct SizeMembers {
    PutPixelFn put_pixel;
    GetPixelFn get_pixel;
    SpanFillFn span_fill;
    PutPixelFn blend_put_pixel;
    SpanFillFn blend_span_fill;
    RowCopyFn row_copy;
};

template <int Size>
constexpr SizeMembers plain_members() {
    return {put_pixel_n<Size>, get_pixel_n<Size>, span_fill_n<Size>,
            put_pixel_n<Size>, span_fill_n<Size>, row_copy_n<Size>};
}

constexpr SizeMembers MEMBERS_1 = plain_members<1>();
constexpr SizeMembers MEMBERS_2 = plain_members<2>();
constexpr SizeMembers MEMBERS_4 = plain_members<4>();
constexpr SizeMembers MEMBERS_4_BLENDING = {put_pixel_n<4>,    get_pixel_n<4>,    span_fill_n<4>,
                                            blend_put_pixel32, blend_span_fill32, row_copy_n<4>};

PixelOps g_ops{fill_bytes_plain,          copy_bytes_plain,    MEMBERS_4.put_pixel,
               MEMBERS_4.get_pixel,       MEMBERS_4.span_fill, MEMBERS_4.blend_put_pixel,
               MEMBERS_4.blend_span_fill, MEMBERS_4.span_fill, MEMBERS_4.row_copy};

bool blending_on() {
    const GfxContext* context = current_context();
    return context != nullptr && (context->flags & CTX_BLENDING) != 0;
}

// Coordinates are kept within +-2^30 so that callers may add view offsets and
// radii without overflowing; NaN goes far off screen.
constexpr std::int32_t COORDINATE_LIMIT = 1 << 30;

std::int32_t round_coordinate(float v) {
    if (std::isnan(v)) return -COORDINATE_LIMIT;
    return std::clamp(round_half_away_to_i32(v), -COORDINATE_LIMIT, COORDINATE_LIMIT);
}

// A caller's coordinate rounded half away from zero without any clamping, in
// extended precision (exact for every float). NaN goes where a single point
// would; an infinity stands as the largest float, so that a line towards it
// keeps a direction.
extended exact_coordinate(float v) {
    if (std::isnan(v)) return -COORDINATE_LIMIT;
    if (std::isinf(v)) return v > 0 ? std::numeric_limits<float>::max() : -std::numeric_limits<float>::max();
    const extended d = v;
    return d >= 0 ? extended_trunc(d + 0.5) : extended_trunc(d - 0.5);
}

struct ExactPoint {
    extended x, y;
};

bool within_limit(const ExactPoint& p) {
    return extended_abs(p.x) <= COORDINATE_LIMIT && extended_abs(p.y) <= COORDINATE_LIMIT;
}

// The point where the line through `ref` with direction (dx, dy) meets box
// edge `edge` (0: left, 1: right, 2: top, 3: bottom of +-COORDINATE_LIMIT).
// Measured from `ref`, so that a far-away end never enters the sum.
ExactPoint on_edge(int edge, const ExactPoint& ref, extended dx, extended dy) {
    const extended L = COORDINATE_LIMIT;
    if (edge < 2) {
        const extended x = edge == 0 ? -L : L;
        return {x, ref.y + (x - ref.x) * (dy / dx)};
    }
    const extended y = edge == 2 ? -L : L;
    return {ref.x + (y - ref.y) * (dx / dy), y};
}

PixelPoint to_target(const DrawState* state, const ExactPoint& p) {
    const auto round_clamped = [](extended v) {
        return extended_to_i64(std::clamp(extended_round(v), -static_cast<extended>(COORDINATE_LIMIT),
                                          static_cast<extended>(COORDINATE_LIMIT)));
    };
    std::int64_t x = round_clamped(p.x);
    std::int64_t y = round_clamped(p.y);
    if ((state->state_flags & DS_SCREEN_ABSOLUTE) == 0) {
        x += state->view_x;
        y += state->view_y;
    }
    return PixelPoint{clamp_to_i32(x), clamp_to_i32(y)};
}

}  // namespace

const PixelOps& pixel_ops() { return g_ops; }

void select_pixel_ops(std::int32_t bpp) {
    // Only the plain forms exist, on every processor. The context flag still
    // records that the processor offers MMX, for code that asks; no routine is
    // chosen by it.
    if (cpu_has_mmx()) {
        if (GfxContext* context = current_context()) context->flags |= CTX_MMX;
    }
    const SizeMembers& m = bpp == 1 ? MEMBERS_1 : bpp == 2 ? MEMBERS_2 : blending_on() ? MEMBERS_4_BLENDING : MEMBERS_4;
    const PixelOps chosen{fill_bytes_plain,  copy_bytes_plain,  m.put_pixel, m.get_pixel, m.span_fill,
                          m.blend_put_pixel, m.blend_span_fill, m.span_fill, m.row_copy};
    // Every change of target chooses again, mostly the same set.
    if (std::memcmp(&chosen, &g_ops, sizeof chosen) == 0) return;
    g_ops = chosen;
    drawing_state_changed();
}

void choose_draw_ops(DrawState* state, std::uint32_t pixel) {
    const bool blend = blending_on() && state->bpp == 4 && (pixel & 0xFF000000u) != 0xFF000000u;
    const PutPixelFn put = blend ? g_ops.blend_put_pixel : g_ops.put_pixel;
    const SpanFillFn span = blend ? g_ops.blend_span_fill : g_ops.span_fill;
    // Most drawing calls choose the routines already in place: only a real
    // change counts as one, so that a run of small circles keeps its set-up
    // across the clears and lines drawn between them.
    if (state->put_pixel == put && state->span_fill == span && state->get_pixel == g_ops.get_pixel) return;
    state->put_pixel = put;
    state->span_fill = span;
    state->get_pixel = g_ops.get_pixel;
    drawing_state_changed();
}

std::uint32_t to_pixel_value(std::int32_t bpp, std::uint32_t colour) {
    switch (bpp) {
    case 1:
        return colour & 0xFFu;
    case 2: {
        const std::uint32_t red = (colour >> 16) & 0xFFu;
        const std::uint32_t green = (colour >> 8) & 0xFFu;
        const std::uint32_t blue = colour & 0xFFu;
        return (((red << 8) & 0xF800u) | ((green << 3) & 0x7E0u) | (blue >> 3)) & 0xFFFFu;
    }
    default:
        return colour;
    }
}

std::uint32_t expand_rgb565(std::uint32_t pixel) {
    const std::uint32_t r5 = (pixel >> 11) & 0x1Fu;
    const std::uint32_t g6 = (pixel >> 5) & 0x3Fu;
    const std::uint32_t b5 = pixel & 0x1Fu;
    const std::uint32_t r8 = r5 * 8 + r5 / 4;
    const std::uint32_t g8 = g6 * 4 + g6 / 16;
    const std::uint32_t b8 = b5 * 8 + b5 / 4;
    return 0xFF000000u | (r8 << 16) | (g8 << 8) | b8;
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
    switch (coord_mode(coord_flags)) {
    case COORD_SECOND_RELATIVE:
        if (two_points) {
            *x2 = *x1 + *x2;
            *y2 = *y1 + *y2;
        }
        break;
    case COORD_FIRST_RELATIVE:
    case COORD_RELATIVE_POINT:
        *x1 = state->last_x + *x1;
        *y1 = state->last_y + *y1;
        break;
    case COORD_BOTH_RELATIVE:
        *x1 = state->last_x + *x1;
        *y1 = state->last_y + *y1;
        if (two_points) {
            *x2 = *x1 + *x2;
            *y2 = *y1 + *y2;
        }
        break;
    default:
        break;
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

bool to_screen_segment(const DrawState* state, float x1, float y1, float x2, float y2, PixelPoint* p1, PixelPoint* p2) {
    const ExactPoint a{exact_coordinate(x1), exact_coordinate(y1)};
    const ExactPoint b{exact_coordinate(x2), exact_coordinate(y2)};
    if (within_limit(a) && within_limit(b)) {
        *p1 = to_screen(state, x1, y1);
        *p2 = to_screen(state, x2, y2);
        return true;
    }
    // Clamping each axis on its own would bend the line; instead cut the
    // segment where it leaves the box of +-COORDINATE_LIMIT (Liang-Barsky),
    // which holds every view, and keep the part inside.
    const extended L = COORDINATE_LIMIT;
    const extended dx = b.x - a.x;
    const extended dy = b.y - a.y;
    const extended p[4] = {-dx, dx, -dy, dy};
    const extended q[4] = {a.x + L, L - a.x, a.y + L, L - a.y};
    extended t0 = 0.0;
    extended t1 = 1.0;
    int edge0 = -1;
    int edge1 = -1;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;  // parallel to this edge and outside it
            continue;
        }
        const extended r = q[i] / p[i];
        if (p[i] < 0.0) {
            if (r > t0) {
                t0 = r;
                edge0 = i;
            }
        } else if (r < t1) {
            t1 = r;
            edge1 = i;
        }
    }
    if (t0 > t1) return false;
    *p1 = to_target(state, edge0 < 0 ? a : on_edge(edge0, b, dx, dy));
    *p2 = to_target(state, edge1 < 0 ? b : on_edge(edge1, a, dx, dy));
    return true;
}

void sort_corners(std::int32_t* x1, std::int32_t* y1, std::int32_t* x2, std::int32_t* y2) {
    if (*x1 > *x2) std::swap(*x1, *x2);
    if (*y1 > *y2) std::swap(*y1, *y2);
}

}  // namespace vz
