// ellipse(): the entry of every circle, ellipse and arc, and its fast path
// for the small filled circle on a 32-bit work page without blending, the
// shape the particle program draws 65536 times a frame. Every other call goes
// to the general walk (ellipse_general.cpp). The fast path gives the same
// pixels, clipping, dirty rows and drawing-state changes as the general walk
// (the tests compare the two exhaustively), with the spans stored directly
// instead of through the routine pointers, and the lock and the dirty marks
// handled in place when the caller already holds the lock.
//
// A run of such calls shares its set-up: the first call of a run goes the
// whole way (context and drawing-state look-ups, target and routine choice,
// the walk of the radius) and records what it found, with the drawing
// set-up's change count (draw_state_serial.h); each later call checks that
// the count has not moved, plus what differs from call to call, and then
// stores its spans. Every writer of what the set-up is made from moves the
// count. Builds with assertions also compare every recorded field on each
// reused call and stop the program when a change went unannounced.

#include "gfx/shapes/ellipse.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

// SSE2 is on every x86-64 processor and the 32-bit x86 build requires it:
// there the reused call matches its arguments and converts its centre a
// vector at a time. Other processors use the same steps one value at a time.
#if defined(__i386__) || defined(__x86_64__)
#ifndef __SSE2__
#error "the small-circle path needs SSE2 on x86"
#endif
#define VZ_SMALL_CIRCLE_SSE2 1
#include <emmintrin.h>
#else
#define VZ_SMALL_CIRCLE_SSE2 0
#endif

#include "gfx/context.h"
#include "gfx/context_cell.h"
#include "gfx/shapes/ellipse_general.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/draw_state_serial.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"
#include "gfx/surface/shape_math.h"
#include "rt/runtime.h"

namespace vz {

namespace {

// Whole-number centres within +-2^20 map to themselves on the screen (their
// sums with the view's offset stay exact); beyond that the full path rounds.
constexpr std::int32_t WHOLE_CENTRE_LIMIT = 1 << 20;

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
    constexpr auto PLAIN_LIMIT = static_cast<float>(WHOLE_CENTRE_LIMIT);
    constexpr std::int32_t OFFSET_LIMIT = WHOLE_CENTRE_LIMIT;
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

// One span of a whole circle, relative to its centre: `count` pixels from
// column offset `dx` on row offset `dy`.
struct SpanShape {
    std::int32_t dy, dx, count;
};

// The drawing state's fields a set-up depends on, as raw bytes: from the
// screen id to the target (the lines, the pixel size), the view, and from the
// routines to the state flags. Builds with assertions compare them byte for
// byte on every reused call, to catch a change that did not move the count.
constexpr std::size_t STATE_HEAD = offsetof(DrawState, last_x);
constexpr std::size_t VIEW_AT = offsetof(DrawState, view_x);
constexpr std::size_t VIEW_SIZE = offsetof(DrawState, saved_view) - VIEW_AT;
constexpr std::size_t ROUTINES_AT = offsetof(DrawState, put_pixel);
constexpr std::size_t ROUTINES_SIZE = sizeof(DrawState) - ROUTINES_AT;
static_assert(offsetof(DrawState, screen_id) == 0 && offsetof(DrawState, target) < STATE_HEAD &&
              offsetof(DrawState, state_flags) > ROUTINES_AT);

// Zero when the `Size` bytes at `a` and `b` are equal: word by word, with no
// early exit, so that the compiler keeps it to a few loads and one branch.
template <std::size_t Size>
[[gnu::always_inline]] inline std::uint64_t differing_bits(const unsigned char* a, const unsigned char* b) {
    std::uint64_t differ = 0;
    std::size_t i = 0;
#if defined(__clang__)
#pragma unroll
#else
#pragma GCC unroll 16
#endif
    for (; i + 8 <= Size; i += 8) {
        std::uint64_t u, v;
        std::memcpy(&u, a + i, 8);
        std::memcpy(&v, b + i, 8);
        differ |= u ^ v;
    }
    for (; i < Size; ++i) differ |= static_cast<std::uint64_t>(a[i] ^ b[i]);
    return differ;
}

// What a set-up that serves no call compares its count of 1 with.
constexpr std::uint64_t NO_COUNT = 0;

// Four of a call's arguments side by side in one vector register, as bits,
// so that a call is matched against its set-up with one compare.
#if VZ_SMALL_CIRCLE_SSE2
using CallBits = __m128i;
inline CallBits call_bits(float radius, float aspect, float start_angle, float end_angle) {
    return _mm_castps_si128(_mm_setr_ps(radius, aspect, start_angle, end_angle));
}
inline bool same_call(CallBits a, CallBits b) { return _mm_movemask_epi8(_mm_cmpeq_epi32(a, b)) == 0xFFFF; }

// The centre truncated to whole numbers; a coordinate beyond the 32-bit range
// or not a number gives INT32_MIN. False unless both convert back to
// themselves.
inline bool whole_centre(float x, float y, std::int32_t& ix, std::int32_t& iy) {
    const __m128 centre_xy = _mm_setr_ps(x, y, 0.0f, 0.0f);
    const __m128i whole_xy = _mm_cvttps_epi32(centre_xy);
    if (_mm_movemask_ps(_mm_cmpeq_ps(_mm_cvtepi32_ps(whole_xy), centre_xy)) != 0xF) return false;
    ix = _mm_cvtsi128_si32(whole_xy);
    iy = _mm_cvtsi128_si32(_mm_srli_si128(whole_xy, 4));
    return true;
}
#else
struct CallBits {
    std::uint32_t bits[4];
};
inline CallBits call_bits(float radius, float aspect, float start_angle, float end_angle) {
    return {{std::bit_cast<std::uint32_t>(radius), std::bit_cast<std::uint32_t>(aspect),
             std::bit_cast<std::uint32_t>(start_angle), std::bit_cast<std::uint32_t>(end_angle)}};
}
inline bool same_call(const CallBits& a, const CallBits& b) {
    return ((a.bits[0] ^ b.bits[0]) | (a.bits[1] ^ b.bits[1]) | (a.bits[2] ^ b.bits[2]) | (a.bits[3] ^ b.bits[3])) == 0;
}

inline std::int32_t truncated_or_min(float v) {
    if (!(v >= -2147483648.0f && v < 2147483648.0f)) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}
inline bool whole_centre(float x, float y, std::int32_t& ix, std::int32_t& iy) {
    ix = truncated_or_min(x);
    iy = truncated_or_min(y);
    return static_cast<float>(ix) == x && static_cast<float>(iy) == y;
}
#endif

// The set-up shared by a run of calls with the same whole radius, aspect and
// coordinate flags on an unchanged screen and drawing state: what a call
// checks, the fields it was made from (checked in builds with assertions),
// and what follows from them.
struct CircleSetup {
    // What every reused call reads, first and together.
    // The calls it serves: coordinate flags, radius, aspect and angle bits,
    // and the change count it was made at (while there is no set-up, a count
    // that never matches). Any nonzero fill fills.
    CallBits call_bits = {};  // radius, aspect, start and end angle bits
    std::int32_t coord_flags = 0;
    std::uint64_t serial = 1;
    const std::uint64_t* serial_cell = &NO_COUNT;
    // The screen and drawing state it was made on.
    GfxContext* context = nullptr;
    DrawState* state = nullptr;
    std::int32_t context_id = 0;
    // The five-pixel plus wholly inside the view (the particles' circle), in
    // the caller's coordinates: centres x in plus_left ... plus_left +
    // plus_columns and y likewise draw at the address centre_origin + y *
    // pitch + x * 4 and mark rows y - 1 ... y + 1 at dirty_origin + y (no
    // marks when dirty_origin is 0). Addresses are kept as integers: the
    // origins themselves may lie outside the page. With no such case the
    // range starts at INT32_MIN and holds one value, which no centre reaches.
    std::int32_t plus_left = INT32_MIN, plus_top = INT32_MIN;
    std::uint32_t plus_columns = 0, plus_rows = 0;
    std::int64_t pitch = 0;
    std::uintptr_t centre_origin = 0;
    std::uintptr_t dirty_origin = 0;

    const std::atomic<GfxContext*>* context_cell = nullptr;
    // The fields it was made from, as they stood after the set-up.
    unsigned char state_head[STATE_HEAD] = {};
    unsigned char state_view[VIEW_SIZE] = {};
    unsigned char state_routines[ROUTINES_SIZE] = {};
    std::uint8_t* first_line = nullptr;
    const PixelOps* ops = nullptr;
    PutPixelFn put_pixel = nullptr;
    GetPixelFn get_pixel = nullptr;
    SpanFillFn span_fill = nullptr;
    std::uint32_t screen_aspect_bits = 0;
    std::uint32_t blending = 0;  // the context's blending flag
    std::uint8_t* visible_ptr = nullptr;
    std::uint8_t* dirty = nullptr;
    std::int32_t height = 0;
    // What follows: the centre's offset, the view's rows, the centres whose
    // whole circle lies inside the view, whether rows are marked, the shape.
    std::int32_t offset_x = 0, offset_y = 0;
    std::int64_t view_top = 0, view_bottom = 0;
    std::int64_t inside_left = 0, inside_right = -1, inside_top = 0, inside_bottom = -1;
    bool marks = false;
    bool marks_in_page = false;     // the view's rows all lie on the page
    bool plus = false;              // radius 1: the five-pixel plus
    std::int32_t whole_radius = 0;  // the radius, a whole number
    std::int32_t reach = 0;         // rows above and below the centre that change
    std::int32_t row_count = 0;     // CircleRows::count
    std::int32_t inset[CircleRows::CAPACITY] = {};
    std::int32_t span_count = 0;
    SpanShape spans[2 * CircleRows::CAPACITY] = {};
};

CircleSetup g_setup;
SmallCircleStats g_stats;

// The plus's own quick case: its centres, in the caller's coordinates, whose
// three rows and three columns lie inside the view, kept within +-2^20 (the
// centres that map to themselves, which also keeps the call's 32-bit
// arithmetic from overflowing); and the view's lines, which must lie evenly spaced inside
// the line table, so that a pixel's address is a product instead of a load.
void record_plus(CircleSetup& s, const DrawState* state, const ViewBounds& view) {
    s.plus_left = s.plus_top = INT32_MIN;
    s.plus_columns = s.plus_rows = 0;
    if (!s.plus || (s.marks && !s.marks_in_page)) return;
    if (view.top < 0 || view.bottom > state->line_capacity) return;
    const auto address = [state](std::int64_t row) { return reinterpret_cast<std::uintptr_t>(state->lines[row]); };
    const std::uintptr_t first = address(view.top);
    const std::uintptr_t step = address(view.top + 1 < view.bottom ? view.top + 1 : view.top) - first;
    for (std::int64_t row = view.top; row < view.bottom; ++row) {
        if (address(row) != first + static_cast<std::uintptr_t>(row - view.top) * step) return;
    }
    const auto pitch = static_cast<std::int64_t>(static_cast<std::intptr_t>(step));
    constexpr std::int64_t LIMIT = WHOLE_CENTRE_LIMIT;
    const std::int64_t left = std::max(s.inside_left - s.offset_x, -LIMIT);
    const std::int64_t right = std::min(s.inside_right - s.offset_x, LIMIT);
    const std::int64_t top = std::max(s.inside_top - s.offset_y, -LIMIT);
    const std::int64_t bottom = std::min(s.inside_bottom - s.offset_y, LIMIT);
    if (left > right || top > bottom) return;
    s.plus_left = static_cast<std::int32_t>(left);
    s.plus_top = static_cast<std::int32_t>(top);
    s.plus_columns = static_cast<std::uint32_t>(right - left);
    s.plus_rows = static_cast<std::uint32_t>(bottom - top);
    s.pitch = pitch;
    // Row r of the view starts at lines[view.top] + (r - view.top) * pitch;
    // the centre (x, y) is row y + offset_y, column x + offset_x.
    s.centre_origin =
        first + static_cast<std::uintptr_t>((s.offset_y - view.top) * pitch + std::int64_t{s.offset_x} * 4);
    s.dirty_origin =
        s.marks ? reinterpret_cast<std::uintptr_t>(s.dirty) + static_cast<std::uintptr_t>(s.offset_y - 1) : 0;
}

// Records the set-up the general small-circle call just made, when later
// calls can reuse it: a whole radius, a non-empty view, no blending, the
// caller's lock held and the drawing state being the runtime's own record
// (which keeps its address for the life of the process).
void record_setup(GfxContext* context, DrawState* state, const CircleRows& rows, float radius, float aspect,
                  float start_angle, std::int32_t coord_flags) {
    CircleSetup& s = g_setup;
    s.serial_cell = &NO_COUNT;
    s.serial = 1;
    const auto whole = static_cast<std::int32_t>(radius);
    if (static_cast<float>(whole) != radius) return;
    if (context->lock_count <= 0 || state->lines == nullptr || state->line_capacity <= 0) return;
    if (context_slot(CONTEXT_SLOT_DRAW_STATE, 0) != state) return;
    // A blending screen draws opaque colours this way too, but keeps no
    // set-up: the reused call then need not look at the colour.
    if ((context->flags & CTX_BLENDING) != 0) return;
    const ViewBounds view(state);
    if (view.empty()) return;
    // Centres are checked to lie within +-2^20 and views within +-2^30, so
    // every sum below stays far inside 64 bits.
    const bool absolute = (state->state_flags & DS_SCREEN_ABSOLUTE) != 0;
    s.offset_x = absolute ? 0 : state->view_x;
    s.offset_y = absolute ? 0 : state->view_y;
    if (context->id != state->screen_id) return;

    s.coord_flags = coord_flags;
    s.call_bits = call_bits(radius, aspect, start_angle, std::bit_cast<float>(FULL_TURN_BITS));
    s.context_cell = &current_context_cell();
    s.context = context;
    s.context_id = context->id;
    s.state = state;
    const auto* bytes = reinterpret_cast<const unsigned char*>(state);
    std::memcpy(s.state_head, bytes, STATE_HEAD);
    std::memcpy(s.state_view, bytes + VIEW_AT, VIEW_SIZE);
    std::memcpy(s.state_routines, bytes + ROUTINES_AT, ROUTINES_SIZE);
    s.first_line = state->lines[0];
    s.ops = &pixel_ops();
    s.put_pixel = s.ops->put_pixel;
    s.get_pixel = s.ops->get_pixel;
    s.span_fill = s.ops->span_fill;
    s.screen_aspect_bits = std::bit_cast<std::uint32_t>(context->aspect);
    s.blending = context->flags & CTX_BLENDING;
    s.visible_ptr = context->visible_ptr;
    s.dirty = context->dirty;
    s.height = context->height;

    s.view_top = view.top;
    s.view_bottom = view.bottom;
    s.whole_radius = whole;
    s.row_count = rows.count;
    std::copy(rows.inset, rows.inset + rows.count, s.inset);
    // The changed rows reach the radius or the walk's last row, whichever is
    // further (as the general walk widens them).
    s.reach = std::max(whole, rows.count - 1);
    s.inside_left = view.left + whole;
    s.inside_right = view.right - 1 - whole;
    s.inside_top = view.top + s.reach;
    s.inside_bottom = view.bottom - 1 - s.reach;
    s.span_count = 0;
    for (std::int32_t k = 0; k < rows.count; ++k) {
        const std::int32_t count = 2 * (whole - rows.inset[k]) + 1;
        if (count <= 0) continue;
        s.spans[s.span_count++] = SpanShape{k, rows.inset[k] - whole, count};
        if (k > 0) s.spans[s.span_count++] = SpanShape{-k, rows.inset[k] - whole, count};
    }
    s.marks = state->lines[0] == context->visible_ptr && context->dirty != nullptr;
    s.marks_in_page = view.top >= 0 && view.bottom <= context->height;
    s.plus = whole == 1 && rows.count == 2 && rows.inset[1] == 1;
    record_plus(s, state, view);
    s.serial_cell = &drawing_state_serial_cell();
    s.serial = *s.serial_cell;
    ++g_stats.setups;
}

// `count` copies of a 32-bit pixel from `at`, two at a time.
inline void store_pixels(std::uint8_t* at, std::uint32_t pixel, std::int32_t count) {
    const std::uint64_t pair = static_cast<std::uint64_t>(pixel) * 0x100000001u;
    std::int32_t i = 0;
    for (; i + 2 <= count; i += 2) std::memcpy(at + 4 * i, &pair, sizeof pair);
    if (i < count) std::memcpy(at + 4 * i, &pixel, sizeof pixel);
}

// The rows of a circle that is not wholly inside the view, each clipped.
[[gnu::noinline]] void draw_clipped(const CircleSetup& s, std::int64_t cx, std::int64_t cy, std::uint32_t colour) {
    const ViewBounds view(s.state);
    const std::int64_t x_left = cx - s.whole_radius;
    const std::int64_t x_right = cx + s.whole_radius;
    std::uint8_t* const* const lines = s.state->lines;
    for (std::int32_t k = 0; k < s.row_count; ++k) {
        fill_row(lines, view, cy + k, x_left + s.inset[k], x_right - s.inset[k], colour);
        if (k > 0) fill_row(lines, view, cy - k, x_left + s.inset[k], x_right - s.inset[k], colour);
    }
}

// The changed rows clamped to the view, then to the page, as the general
// walk's unlock marks them (a circle wholly above or below the view still
// marks the view's nearest row).
void mark_clamped(const CircleSetup& s, std::int64_t cy) {
    const std::int64_t last = s.view_bottom - 1;
    const std::int64_t y_min = std::min(last, std::max(s.view_top, cy - s.reach));
    const std::int64_t y_max = std::min(last, std::max(s.view_top, cy + s.reach));
    const std::int64_t first = std::max<std::int64_t>(y_min, 0);
    const std::int64_t final_row = std::min<std::int64_t>(y_max, s.height - 1);
    for (std::int64_t row = first; row <= final_row; ++row) s.dirty[row] = 1;
}

#ifndef NDEBUG
// Stops the program when a field a set-up was made from changed without the
// count moving (`stale` names it); does nothing for null.
void report_stale(const char* stale) {
    if (stale == nullptr) return;
    std::fprintf(stderr, "vzgfx: %s changed without drawing_state_changed(); the small-circle set-up would be stale\n",
                 stale);
    std::abort();
}

// The cross-check of builds with assertions: with the change count unmoved,
// every field the set-up was made from must still hold what it recorded. A
// difference means a writer changed one without drawing_state_changed(), and
// the reused set-up would draw wrongly: stop with the field's name.
void check_setup_unchanged(const CircleSetup& s, float aspect) {
    const char* stale = nullptr;
    const GfxContext* const context = s.context;
    const auto* bytes = reinterpret_cast<const unsigned char*>(s.state);
    if (s.context_cell->load(std::memory_order_acquire) != context)
        stale = "the open screen";
    else if (context->id != s.context_id)
        stale = "the screen's id";
    else if ((context->flags & CTX_BLENDING) != s.blending)
        stale = "the screen's blending flag";
    else if (aspect == 0.0f && std::bit_cast<std::uint32_t>(context->aspect) != s.screen_aspect_bits) {
        stale = "the screen's aspect";
    } else if (context->visible_ptr != s.visible_ptr)
        stale = "the visible page";
    else if (context->dirty != s.dirty)
        stale = "the dirty flags";
    else if (context->height != s.height)
        stale = "the screen's height";
    else if (differing_bits<STATE_HEAD>(bytes, s.state_head) != 0)
        stale = "the drawing state's target";
    else if (differing_bits<VIEW_SIZE>(bytes + VIEW_AT, s.state_view) != 0)
        stale = "the drawing state's view";
    else if (differing_bits<ROUTINES_SIZE>(bytes + ROUTINES_AT, s.state_routines) != 0) {
        stale = "the drawing state's routines or flags";
    } else if (s.state->lines[0] != s.first_line)
        stale = "the drawing state's lines";
    else if (s.ops->put_pixel != s.put_pixel || s.ops->span_fill != s.span_fill || s.ops->get_pixel != s.get_pixel) {
        stale = "the pixel routines";
    }
    report_stale(stale);
}

// The plus's rows, which the set-up addresses without the line table: each
// of the three must still start where the table says.
void check_plus_rows(const CircleSetup& s, std::int32_t ix, std::int32_t iy, const std::uint8_t* centre) {
    const std::int64_t cx = std::int64_t{ix} + s.offset_x;
    const std::int64_t cy = std::int64_t{iy} + s.offset_y;
    for (const std::int64_t k : {-1, 0, 1}) {
        const std::uintptr_t expected =
            reinterpret_cast<std::uintptr_t>(s.state->lines[cy + k]) + static_cast<std::uintptr_t>(cx * 4);
        if (expected != reinterpret_cast<std::uintptr_t>(centre) + static_cast<std::uintptr_t>(k * s.pitch)) {
            report_stale("the drawing state's lines");
        }
    }
}
#endif

// A call the set-up serves other than the plus inside the view: a larger
// circle, or one the view clips, or rows to mark that leave the page.
[[gnu::noinline]] void draw_reused(float x, float y, std::uint32_t colour, std::int32_t ix, std::int32_t iy) {
    const CircleSetup& s = g_setup;
    DrawState* const state = s.state;
    // The stores below are byte stores as far as the compiler knows, which
    // may alias the set-up: everything they need is read first.
    const std::int64_t cx = static_cast<std::int64_t>(ix) + s.offset_x;
    const std::int64_t cy = static_cast<std::int64_t>(iy) + s.offset_y;
    const bool inside = cx >= s.inside_left && cx <= s.inside_right && cy >= s.inside_top && cy <= s.inside_bottom;
    const bool marks = s.marks;
    const bool marks_in_page = s.marks_in_page;
    const std::int64_t reach = s.reach;
    std::uint8_t* const dirty = s.dirty;
    std::uint8_t* const* const lines = state->lines;
    state->last_x = x;
    state->last_y = y;
    if (inside) {
        // Wholly inside the view: no row or span needs clipping, and the
        // changed rows need clamping only when the view leaves the page.
        const std::int32_t span_count = s.span_count;
        for (const SpanShape* span = s.spans; span != s.spans + span_count; ++span) {
            const SpanShape here = *span;
            store_pixels(lines[cy + here.dy] + (cx + here.dx) * 4, colour, here.count);
        }
        if (marks) {
            if (marks_in_page) {
                for (std::int64_t row = cy - reach; row <= cy + reach; ++row) dirty[row] = 1;
            } else {
                mark_clamped(s, cy);
            }
        }
    } else {
        draw_clipped(s, cx, cy, colour);
        if (marks) mark_clamped(s, cy);
    }
    ++g_stats.reused;
}

// Draws the call from the recorded set-up and returns true when the set-up
// serves it; otherwise changes nothing and returns false. The set-up serves
// a filled call with the same radius, aspect, angles and coordinate flags
// and no target, when nothing it was made from changed (the count has not
// moved), the caller's lock is held, the drawing state was not reset by the
// runtime (which clears it without the graphics library knowing: its screen
// id becomes 0), and the centre is a whole number within +-2^20, which maps
// to itself. With the count unmoved
// the open screen is the one the set-up was made on, so its record is read
// without the screen look-up. The particles' plus inside the view is drawn
// here, without a call, so that the caller's arguments stay in registers for
// the hand-off when the set-up declines.
[[gnu::always_inline]] inline bool draw_from_setup(void* target, float x, float y, float radius, std::uint32_t colour,
                                                   float aspect, float start_angle, float end_angle, std::int32_t fill,
                                                   std::int32_t coord_flags) {
    const CircleSetup& s = g_setup;
    if (target != nullptr || !same_call(call_bits(radius, aspect, start_angle, end_angle), s.call_bits) || fill == 0 ||
        coord_flags != s.coord_flags || *s.serial_cell != s.serial) {
        return false;
    }
    // The centre, converted to whole numbers, converted back and compared.
    // A coordinate beyond the 32-bit range or not a number converts to
    // INT32_MIN, which then matches only -2^31 itself: the range checks below
    // turn that away.
    std::int32_t ix = 0;
    std::int32_t iy = 0;
    if (!whole_centre(x, y, ix, iy)) return false;
    DrawState* const state = s.state;
    if (s.context->lock_count <= 0 || state->screen_id != s.context_id) {
        return false;
    }
#ifndef NDEBUG
    check_setup_unchanged(s, aspect);
#endif
    // Unsigned differences: one compare for each side of the range (which is
    // empty unless the plus may be drawn here).
    if (static_cast<std::uint32_t>(ix) - static_cast<std::uint32_t>(s.plus_left) > s.plus_columns ||
        static_cast<std::uint32_t>(iy) - static_cast<std::uint32_t>(s.plus_top) > s.plus_rows) {
        // The plus's range lies within +-2^20; other centres are checked here.
        constexpr auto LIMIT = static_cast<std::uint32_t>(WHOLE_CENTRE_LIMIT);
        if (static_cast<std::uint32_t>(ix) + LIMIT > 2 * LIMIT || static_cast<std::uint32_t>(iy) + LIMIT > 2 * LIMIT) {
            return false;
        }
        draw_reused(x, y, colour, ix, iy);
        return true;
    }
    // The particles' five pixels, and their three rows marked. Everything
    // is read before the stores, which may alias the set-up as far as the
    // compiler knows.
    const std::int64_t pitch = s.pitch;
    auto* const centre = reinterpret_cast<std::uint8_t*>(
        s.centre_origin + static_cast<std::uintptr_t>(static_cast<std::int64_t>(iy) * pitch + std::int64_t{ix} * 4));
#ifndef NDEBUG
    check_plus_rows(s, ix, iy, centre);
#endif
    const std::uintptr_t dirty_origin = s.dirty_origin;
    state->last_x = x;
    state->last_y = y;
    std::memcpy(centre - 4, &colour, sizeof colour);
    std::memcpy(centre, &colour, sizeof colour);
    std::memcpy(centre + 4, &colour, sizeof colour);
    std::memcpy(centre - pitch, &colour, sizeof colour);
    std::memcpy(centre + pitch, &colour, sizeof colour);
    if (dirty_origin != 0) {
        constexpr std::uint8_t THREE_MARKS[3] = {1, 1, 1};
        std::memcpy(reinterpret_cast<std::uint8_t*>(dirty_origin + static_cast<std::uintptr_t>(std::int64_t{iy})),
                    THREE_MARKS, sizeof THREE_MARKS);
    }
    ++g_stats.reused;
    return true;
}

}  // namespace

namespace {

// The whole small-circle call: every look-up and check, then the drawing,
// then the set-up recorded for the calls that follow.
[[gnu::noinline]] bool small_circle_with_setup(float x, float y, float radius, std::uint32_t colour, float aspect,
                                               float start_angle, std::int32_t coord_flags) {
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
    record_setup(context, state, rows, radius, aspect, start_angle, coord_flags);
    return true;
}

// ellipse once the recorded set-up has declined: the small-circle path with
// its own set-up when the call qualifies, else the general walk.
[[gnu::noinline]] void ellipse_without_setup(void* target, float x, float y, float radius, std::uint32_t colour,
                                             float aspect, float start_angle, float end_angle, std::int32_t fill,
                                             std::int32_t coord_flags) {
    if (target == nullptr && fill != 0 && start_angle == 0.0f &&
        std::bit_cast<std::uint32_t>(end_angle) == FULL_TURN_BITS &&
        small_circle_with_setup(x, y, radius, colour, aspect, start_angle, coord_flags)) {
        return;
    }
    ellipse_general(target, x, y, radius, colour, aspect, start_angle, end_angle, fill, coord_flags);
}

}  // namespace

void ellipse(void* target, float x, float y, float radius, std::uint32_t colour, float aspect, float start_angle,
             float end_angle, std::int32_t fill, std::int32_t coord_flags) {
    if (draw_from_setup(target, x, y, radius, colour, aspect, start_angle, end_angle, fill, coord_flags)) return;
    ellipse_without_setup(target, x, y, radius, colour, aspect, start_angle, end_angle, fill, coord_flags);
}

SmallCircleStats small_circle_stats() { return g_stats; }

}  // namespace vz
