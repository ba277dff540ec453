// ellipse's small-circle path against the general walk, exhaustively: every
// small radius class, fractional centres, every clip position around the
// view's four edges, the coordinate modes, screen-absolute coordinates,
// blending, and calls inside and outside the caller's lock. Pixels, dirty
// rows, the last point, the chosen routines and the driver lock calls must
// all be the same.

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "gfx/context.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/shapes/ellipse.h"
#include "gfx/shapes/ellipse_general.h"
#include "gfx/shapes/lines.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/draw_state_serial.h"
#include "gfx/surface/pages.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"
#include "gfx/text/text.h"
#include "gfx/text/view.h"
#include "rt/console.h"
#include "rt/runtime.h"
#include "tests/gfx/screen_support.h"

namespace vz {
namespace {

const float FULL = std::bit_cast<float>(FULL_TURN_BITS);
constexpr int WIDTH = 28;
constexpr int HEIGHT = 22;

#ifdef NDEBUG
constexpr int POSITION_STRIDE = 1;
#else
constexpr int POSITION_STRIDE = 3;  // the sanitizer build samples the positions
#endif

// Everything a drawing call may change.
struct Outcome {
    std::vector<std::uint32_t> pixels;
    std::vector<std::uint8_t> dirty;
    float last_x = 0, last_y = 0;
    PutPixelFn put_pixel = nullptr;
    SpanFillFn span_fill = nullptr;
    std::int32_t lock_count = 0;
    int driver_locks = 0, driver_unlocks = 0;

    bool operator==(const Outcome&) const = default;
};

struct Call {
    float x, y, radius, aspect;
    std::uint32_t colour;
    std::int32_t coord_flags;
};

using EllipseFn = void (*)(void*, float, float, float, std::uint32_t, float, float, float, std::int32_t, std::int32_t);

class SmallCircleTest : public test::ScreenTest {
protected:
    void SetUp() override {
        test::ScreenTest::SetUp();
        use_fake_drivers();
        ASSERT_EQ(screen_res(WIDTH, HEIGHT, 32, 1, 0, 0), 0);
        context = current_context();
        ASSERT_NE(context, nullptr);
    }

    // Draws `call` with `fn` from a black page, clean dirty flags and a known
    // last point, and returns what changed.
    Outcome draw(EllipseFn fn, const Call& call, bool in_lock) {
        DrawState* state = get_draw_state();
        for (int y = 0; y < HEIGHT; ++y) {
            auto* line = reinterpret_cast<std::uint32_t*>(context->pages[0] + y * context->pitch);
            for (int x = 0; x < WIDTH; ++x) line[x] = 0xFF000000u;
        }
        std::memset(context->dirty, 0, static_cast<std::size_t>(context->height));
        state->last_x = 3.0f;
        state->last_y = 4.0f;
        if (in_lock) screen_lock();
        test::fake_log().lock_calls = test::fake_log().unlock_calls = 0;
        fn(nullptr, call.x, call.y, call.radius, call.colour, call.aspect, 0.0f, FULL, -1, call.coord_flags);
        Outcome out;
        out.driver_locks = test::fake_log().lock_calls;
        out.driver_unlocks = test::fake_log().unlock_calls;
        out.lock_count = context->lock_count;
        if (in_lock) screen_unlock(1, 0);
        for (int y = 0; y < HEIGHT; ++y) {
            const auto* line = reinterpret_cast<const std::uint32_t*>(context->pages[0] + y * context->pitch);
            out.pixels.insert(out.pixels.end(), line, line + WIDTH);
        }
        out.dirty.assign(context->dirty, context->dirty + HEIGHT);
        out.last_x = state->last_x;
        out.last_y = state->last_y;
        out.put_pixel = state->put_pixel;
        out.span_fill = state->span_fill;
        return out;
    }

    // Compares the two paths on `call`; true when they agree.
    bool agree(const Call& call, bool in_lock) {
        const Outcome fast = draw(ellipse, call, in_lock);
        const Outcome general = draw(ellipse_general, call, in_lock);
        if (fast == general) return true;
        ADD_FAILURE() << "centre (" << call.x << ", " << call.y << ") radius " << call.radius << " aspect "
                      << call.aspect << " flags " << call.coord_flags << " colour " << std::hex << call.colour
                      << std::dec << (in_lock ? " in lock" : " unlocked");
        return false;
    }

    // Every centre from well outside the view's left/top edge to well
    // outside its right/bottom edge, each with the fractional offsets.
    int sweep(float radius, float aspect, std::uint32_t colour, std::int32_t coord_flags, bool in_lock) {
        const DrawState* state = get_draw_state();
        const int reach = static_cast<int>(radius) + 3;
        const int x_from = state->view_x - reach - 2;
        const int x_to = state->view_x + state->view_w + reach;
        const int y_from = state->view_y - reach - 2;
        const int y_to = state->view_y + state->view_h + reach;
        const float fractions[][2] = {
            {0.0f, 0.0f}, {0.5f, -0.5f}, {-0.5f, 0.25f}, {0.4999999f, 0.75f}, {-0.25f, 0.5000001f}};
        int failures = 0;
        for (int y = y_from; y <= y_to; y += POSITION_STRIDE) {
            for (int x = x_from; x <= x_to; x += POSITION_STRIDE) {
                for (const auto& f : fractions) {
                    const Call call{static_cast<float>(x) + f[0],
                                    static_cast<float>(y) + f[1],
                                    radius,
                                    aspect,
                                    colour,
                                    coord_flags};
                    if (!agree(call, in_lock) && ++failures > 3) return failures;
                }
            }
        }
        return failures;
    }

    GfxContext* context = nullptr;
};

const float RADII[] = {0.25f, 0.5f, 0.99f, 1.0f, 1.0000001f, 1.25f, 1.5f,       1.9999999f, 2.0f,       2.5f,
                       3.0f,  3.7f, 4.0f,  5.5f, 8.0f,       11.3f, 15.999999f, 16.0f,      16.000002f, 19.0f};

TEST_F(SmallCircleTest, EveryRadiusAndCentreAroundTheWholeScreenMatchesTheGeneralWalk) {
    for (float radius : RADII) {
        SCOPED_TRACE("radius " + std::to_string(radius));
        ASSERT_EQ(sweep(radius, 0.0f, 0xFF123456u, 4, true), 0);
    }
}

TEST_F(SmallCircleTest, ClippedByASetViewWithEveryCoordinateModeAndOutsideTheLock) {
    DrawState* state = get_draw_state();
    state->view_x = 5;
    state->view_y = 3;
    state->view_w = 13;
    state->view_h = 9;
    drawing_state_changed();
    for (std::int32_t flags : {0, 1, 2, 3, 4, 5, 6, 7, 0x14, static_cast<std::int32_t>(0x80000004u)}) {
        for (float radius : {1.0f, 2.5f, 6.0f}) {
            SCOPED_TRACE("flags " + std::to_string(flags) + " radius " + std::to_string(radius));
            ASSERT_EQ(sweep(radius, 0.0f, 0xFF00FF00u, flags, flags % 2 == 0), 0);
        }
    }
    // Screen-absolute coordinates ignore the view's offset.
    state->state_flags |= DS_SCREEN_ABSOLUTE;
    drawing_state_changed();
    for (float radius : {1.0f, 3.0f}) ASSERT_EQ(sweep(radius, 0.0f, 0xFFABCDEFu, 4, true), 0);
}

TEST_F(SmallCircleTest, AspectsAndBlendingAreLeftToTheGeneralPathWithTheSameResult) {
    for (float aspect : {1.0f, 0.5f, 2.0f, 1.0000001f}) {
        for (float radius : {1.0f, 4.0f}) ASSERT_EQ(sweep(radius, aspect, 0xFF0000FFu, 4, true), 0);
    }
    context->flags |= CTX_BLENDING;
    drawing_state_changed();
    for (std::uint32_t colour : {0xFF204060u, 0x80204060u, 0x00FFFFFFu}) {
        ASSERT_EQ(sweep(2.0f, 0.0f, colour, 4, true), 0);
    }
    context->flags &= ~CTX_BLENDING;
    drawing_state_changed();
}

TEST_F(SmallCircleTest, ScreenAspectOtherThanOneTakesTheGeneralPath) {
    context->aspect = 0.75f;
    drawing_state_changed();
    ASSERT_EQ(sweep(3.0f, 0.0f, 0xFF0000FFu, 4, true), 0);
    // The fast path must have declined: a flattened circle has fewer rows.
    const Outcome out = draw(ellipse, {10.0f, 10.0f, 3.0f, 0.0f, 0xFF0000FFu, 4}, true);
    int rows = 0;
    for (int y = 0; y < HEIGHT; ++y) rows += out.pixels[static_cast<std::size_t>(y) * WIDTH + 10] != 0xFF000000u;
    EXPECT_EQ(rows, 5);
}

// A run of calls shares one set-up; whatever changes between two calls must
// be noticed. Each case runs the same sequence twice from a fresh screen:
// two warm-up circles (the second reuses the first's set-up), a change, and
// then probe circles over the page, its edges and beyond, with opaque and
// translucent colours, whole and fractional centres and three radii. Once
// through ellipse and once through the general walk alone; every page, the
// dirty rows, the last point, the routines, the lock count and the image
// drawn into must come out the same.
class SmallCircleSetupTest : public test::ScreenTest {
protected:
    using Change = std::function<void(EllipseFn)>;

    struct Result {
        std::vector<std::uint32_t> pages;
        std::vector<std::uint8_t> dirty;
        std::vector<std::uint32_t> image;
        float last_x = 0, last_y = 0;
        PutPixelFn put_pixel = nullptr;
        SpanFillFn span_fill = nullptr;
        GetPixelFn get_pixel = nullptr;
        std::vector<PutPixelFn> put_pixel_after_each;  // the routine in place after each probe
        std::int32_t lock_count = 0;
        int driver_locks = 0;

        bool operator==(const Result&) const = default;
    };

    static constexpr int IMAGE_W = 9;
    static constexpr int IMAGE_H = HEIGHT + 12;  // taller than the screen: the line table grows

    void SetUp() override {
        test::ScreenTest::SetUp();
        use_fake_drivers();
        image.assign(8 + IMAGE_W * IMAGE_H, 0u);
        image[0] = IMAGE_TAG_NEW;
        image[1] = 4;
        image[2] = IMAGE_W;
        image[3] = IMAGE_H;
        image[4] = IMAGE_W * 4;
    }

    void open(int width = WIDTH, int height = HEIGHT, std::int32_t flags = 0) {
        use_fake_drivers();
        ASSERT_EQ(screen_res(width, height, 32, 2, flags, 0), 0);
        GfxContext* context = current_context();
        for (int page = 0; page < context->page_count; ++page) {
            for (int y = 0; y < context->height; ++y) {
                auto* line = reinterpret_cast<std::uint32_t*>(context->pages[page] + y * context->pitch);
                for (int x = 0; x < context->width; ++x) line[x] = 0xFF000000u + static_cast<std::uint32_t>(page);
            }
        }
        std::memset(context->dirty, 0, static_cast<std::size_t>(context->height));
    }

    static void circle(EllipseFn fn, float x, float y, float radius, std::uint32_t colour) {
        fn(nullptr, x, y, radius, colour, 0.0f, 0.0f, FULL, -1, COORD_ABSOLUTE_POINT);
    }

    Result run(EllipseFn fn, const Change& change) {
        std::fill(image.begin() + 8, image.end(), 0u);
        open();
        screen_lock();
        circle(fn, 6.0f, 6.0f, 1.0f, 0xFF0000FFu);
        const std::uint64_t reused = small_circle_stats().reused;
        circle(fn, 9.0f, 6.0f, 1.0f, 0xFF00FF00u);
        // The set-up was warm before the change (the fast run only).
        if (fn == ellipse) {
            EXPECT_EQ(small_circle_stats().reused, reused + 1);
        }
        test::fake_log().lock_calls = 0;
        change(fn);
        GfxContext* context = current_context();
        const float xs[] = {-2.0f,
                            0.0f,
                            1.0f,
                            5.0f,
                            5.5f,
                            static_cast<float>(context->width - 1),
                            static_cast<float>(context->width) + 1.0f};
        const float ys[] = {
            -1.0f, 0.0f, 4.0f, 9.0f, static_cast<float>(context->height - 2), static_cast<float>(context->height)};
        std::uint32_t colour = 0xFF102030u;
        Result out;
        for (float radius : {1.0f, 2.0f, 1.0f, 1.5f}) {
            for (float y : ys) {
                for (float x : xs) {
                    colour = colour * 1664525u + 1013904223u;
                    circle(fn, x, y, radius, (colour & 1u) != 0 ? colour | 0xFF000000u : colour & 0x80FFFFFFu);
                    out.put_pixel_after_each.push_back(state_as_is()->put_pixel);
                }
            }
            // The pages after each pass: a later pass may cover what an
            // earlier one drew wrongly.
            append_pages(out.pages);
        }
        const DrawState* state = get_draw_state();
        context = current_context();
        out.driver_locks = test::fake_log().lock_calls;
        out.lock_count = context->lock_count;
        out.dirty.assign(context->dirty, context->dirty + context->height);
        out.image = image;
        out.last_x = state->last_x;
        out.last_y = state->last_y;
        out.put_pixel = state->put_pixel;
        out.span_fill = state->span_fill;
        out.get_pixel = state->get_pixel;
        while (context->lock_count > 0) screen_unlock(1, 0);
        return out;
    }

    // The drawing state's record as it stands: get_draw_state() would
    // rebuild a record the runtime has reset, and so hide what the circles
    // made of it.
    static const DrawState* state_as_is() {
        return static_cast<const DrawState*>(context_slot(CONTEXT_SLOT_DRAW_STATE, 0));
    }

    static void append_pages(std::vector<std::uint32_t>& pages) {
        const GfxContext* context = current_context();
        for (int page = 0; page < context->page_count; ++page) {
            for (int y = 0; y < context->height; ++y) {
                const auto* line = reinterpret_cast<const std::uint32_t*>(context->pages[page] + y * context->pitch);
                pages.insert(pages.end(), line, line + context->width);
            }
        }
    }

    void expect_same(const char* what, const Change& change) {
        SCOPED_TRACE(what);
        const Result fast = run(ellipse, change);
        const Result general = run(ellipse_general, change);
        EXPECT_TRUE(fast == general);
        EXPECT_EQ(fast.pages, general.pages);
        EXPECT_EQ(fast.dirty, general.dirty);
        EXPECT_EQ(fast.image, general.image);
    }

    std::vector<std::uint32_t> image;
};

TEST_F(SmallCircleSetupTest, ColourAndPositionAloneKeepTheSetUp) {
    expect_same("nothing changed", [](EllipseFn) {});
    // The probes of a fresh screen drawn through one set-up: most calls reuse it.
    const std::uint64_t before = small_circle_stats().reused;
    run(ellipse, [](EllipseFn) {});
    EXPECT_GT(small_circle_stats().reused - before, 40u);

    // A clear between two runs of circles (the particle frame's) changes
    // nothing they are set up from: the set-up stays.
    open();
    screen_lock();
    circle(ellipse, 6.0f, 6.0f, 1.0f, 0xFF0000FFu);
    const std::uint64_t setups = small_circle_stats().setups;
    runtime_clear(CLEAR_NO_ARGUMENT);
    circle(ellipse, 7.0f, 6.0f, 1.0f, 0xFF0000FFu);
    EXPECT_EQ(small_circle_stats().setups, setups);
    screen_unlock(1, 0);
}

TEST_F(SmallCircleSetupTest, ClearsAndTextBetweenCallsDrawTheSame) {
    expect_same("screen cleared", [](EllipseFn) { runtime_clear(CLEAR_NO_ARGUMENT); });
    expect_same("text printed", [](EllipseFn) {
        const std::uint8_t text[] = "circles\n";
        print_text(text, sizeof text - 1, 0);
    });
}

TEST_F(SmallCircleSetupTest, ClipAndCoordinateMappingChangesAreNoticed) {
    expect_same("view set with border and fill",
                [](EllipseFn) { set_view(4, 3, 17, 12, 0xFF445566u, 0xFFFFFFFFu, 0); });
    expect_same("view set screen-absolute",
                [](EllipseFn) { set_view(4, 3, 17, 12, 0, 0, VIEW_SCREEN_ABSOLUTE | VIEW_NO_BORDER | VIEW_NO_FILL); });
    expect_same("view reset", [](EllipseFn fn) {
        set_view(4, 3, 17, 12, 0, 0, VIEW_NO_BORDER | VIEW_NO_FILL);
        circle(fn, 8.0f, 8.0f, 1.0f, 0xFF0000FFu);  // a set-up on the set view
        circle(fn, 9.0f, 8.0f, 1.0f, 0xFF0000FFu);
        set_view(VIEW_NO_COORDINATE, VIEW_NO_COORDINATE, VIEW_NO_COORDINATE, VIEW_NO_COORDINATE, 0, 0, 0);
    });
    expect_same("view moved by hand", [](EllipseFn) {
        get_draw_state()->view_x = 3;
        get_draw_state()->view_w = WIDTH - 3;
        drawing_state_changed();
    });
    expect_same("view narrowed by hand", [](EllipseFn) {
        get_draw_state()->view_h = 7;
        drawing_state_changed();
    });
    expect_same("view emptied by hand", [](EllipseFn) {
        get_draw_state()->view_w = 0;
        drawing_state_changed();
    });
    expect_same("screen-absolute flag by hand", [](EllipseFn) {
        DrawState* state = get_draw_state();
        state->view_x = 2;
        state->view_y = 5;
        state->view_w = WIDTH - 2;
        state->view_h = HEIGHT - 5;
        state->state_flags |= DS_SCREEN_ABSOLUTE;
        drawing_state_changed();
    });
}

TEST_F(SmallCircleSetupTest, TargetPageAndScreenChangesAreNoticed) {
    expect_same("work page 1", [](EllipseFn) { page_set(1, -1); });
    // The page change marks every row; clean flags show which rows the
    // circles mark (none now: the work page is no longer shown).
    expect_same("visible page 1", [](EllipseFn) {
        page_set(-1, 1);
        std::memset(current_context()->dirty, 0, static_cast<std::size_t>(current_context()->height));
    });
    expect_same("both pages 1", [](EllipseFn) { page_set(1, 1); });
    // Lines no longer evenly spaced: the plus's addresses come from the
    // line table again.
    expect_same("two lines swapped by hand", [](EllipseFn) {
        DrawState* state = get_draw_state();
        std::swap(state->lines[5], state->lines[6]);
        drawing_state_changed();
    });
    expect_same("image target and back", [this](EllipseFn fn) {
        fn(image.data(), 4.0f, 4.0f, 1.0f, 0xFFABCDEFu, 0.0f, 0.0f, FULL, -1, COORD_ABSOLUTE_POINT);
        fn(image.data(), 4.0f, static_cast<float>(IMAGE_H - 2), 2.0f, 0xFF123456u, 0.0f, 0.0f, FULL, -1,
           COORD_ABSOLUTE_POINT);
    });
    // The driver lock is released before the screen goes, as a program must.
    expect_same("screen set again", [this](EllipseFn) {
        screen_unlock(1, 0);
        open();
        screen_lock();
    });
    expect_same("screen set again, another size", [this](EllipseFn) {
        screen_unlock(1, 0);
        open(WIDTH - 5, HEIGHT + 3);
        screen_lock();
    });
    expect_same("screen closed and set again unlocked", [this](EllipseFn) {
        screen_unlock(1, 0);
        close_screen();
        open();
    });
    // The runtime's reset zero-fills the drawing state in place, and nothing
    // announces it (its line table, which only a rebuild frees, is freed here
    // by hand). The runtime's end goes first, since it resets the console
    // through the screen's hooks; the set-up is then made again.
    expect_same("runtime reset", [](EllipseFn fn) {
        while (init_count() > 0) runtime_exit();
        circle(fn, 6.0f, 6.0f, 1.0f, 0xFF0000FFu);
        circle(fn, 9.0f, 6.0f, 1.0f, 0xFF00FF00u);
        std::uint8_t** const lines = get_draw_state()->lines;
        runtime_init();
        std::free(static_cast<void*>(lines));
    });
    while (init_count() > 0) runtime_exit();
}

TEST_F(SmallCircleSetupTest, LockAspectBlendingAndRoutineChangesAreNoticed) {
    expect_same("lock released", [](EllipseFn) { screen_unlock(1, 0); });
    expect_same("screen aspect", [](EllipseFn) {
        current_context()->aspect = 0.5f;
        drawing_state_changed();
    });
    expect_same("screen aspect back to one", [](EllipseFn) {
        current_context()->aspect = 0.5f;
        drawing_state_changed();
        current_context()->aspect = 1.0f;
        drawing_state_changed();
    });
    expect_same("blending on", [](EllipseFn) {
        current_context()->flags |= CTX_BLENDING;
        drawing_state_changed();
    });
    // A blending screen: a translucent line chooses the blending routines
    // between two opaque circles, which must choose the plain ones again.
    expect_same("translucent line on a blending screen", [this](EllipseFn fn) {
        screen_unlock(1, 0);
        open(WIDTH, HEIGHT, SCREEN_BLEND_DRAWING);
        screen_lock();
        circle(fn, 6.0f, 6.0f, 1.0f, 0xFF0000FFu);
        circle(fn, 9.0f, 6.0f, 1.0f, 0xFF00FF00u);
        draw_line(nullptr, 0.0f, 2.0f, 20.0f, 2.0f, 0x80FFFFFFu, BOX_NONE, 0xFFFF, COORD_ABSOLUTE);
    });
    expect_same("routines cleared by hand", [](EllipseFn) {
        DrawState* state = get_draw_state();
        state->put_pixel = nullptr;
        state->span_fill = nullptr;
        drawing_state_changed();
    });
    expect_same("dirty flags and visible pointer by hand", [](EllipseFn) {
        GfxContext* context = current_context();
        context->visible_ptr = context->pages[1];
        drawing_state_changed();
    });
}

// A warm set-up meets centres at and beyond the whole numbers it serves
// itself (+-2^20), past the 32-bit range, infinite or not numbers, on the
// whole screen and on a view with an offset: every call must draw, mark rows
// and move the last point (to the bit) as the general walk does, and the
// set-up must still serve the ordinary circles after them.
TEST_F(SmallCircleSetupTest, FarAndNonNumberCentresMatchTheGeneralWalk) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float far[] = {1048576.0f,     1048577.0f,    -1048576.0f, -1048577.0f, -1048575.0f, 2097152.0f, 16777216.0f,
                         -2147483648.0f, 2147483648.0f, 1e30f,       -1e30f,      inf,         -inf,       nan,
                         -0.0f,          0.5f};
    struct Seen {
        std::vector<std::uint32_t> pages;
        std::vector<std::uint8_t> dirty;
        std::vector<std::uint32_t> last_points;  // the bits of x and y after each call
        std::uint64_t reused = 0;
        bool operator==(const Seen& other) const {
            return pages == other.pages && dirty == other.dirty && last_points == other.last_points;
        }
    };
    for (const bool offset_view : {false, true}) {
        SCOPED_TRACE(offset_view ? "view with an offset" : "whole screen");
        const auto draw = [&](EllipseFn fn) {
            Seen seen;
            open();
            if (offset_view) set_view(3, 2, 20, 15, 0, 0, VIEW_NO_BORDER | VIEW_NO_FILL);
            std::memset(current_context()->dirty, 0, HEIGHT);
            screen_lock();
            circle(fn, 6.0f, 6.0f, 1.0f, 0xFF0000FFu);
            circle(fn, 9.0f, 6.0f, 1.0f, 0xFF00FF00u);
            const std::uint64_t reused = small_circle_stats().reused;
            std::uint32_t colour = 0xFF203040u;
            const auto call = [&](float x, float y) {
                colour += 0x00010203u;
                circle(fn, x, y, 1.0f, colour);
                const DrawState* state = state_as_is();
                seen.last_points.push_back(std::bit_cast<std::uint32_t>(state->last_x));
                seen.last_points.push_back(std::bit_cast<std::uint32_t>(state->last_y));
            };
            for (const float v : far) {
                call(v, 5.0f);
                call(5.0f, v);
                call(v, v);
                call(-v, 8.0f);
            }
            call(4.0f, 4.0f);
            call(12.0f, 9.0f);
            seen.reused = small_circle_stats().reused - reused;
            append_pages(seen.pages);
            seen.dirty.assign(current_context()->dirty, current_context()->dirty + HEIGHT);
            while (current_context()->lock_count > 0) screen_unlock(1, 0);
            return seen;
        };
        const Seen fast = draw(ellipse);
        const Seen general = draw(ellipse_general);
        EXPECT_TRUE(fast == general);
        EXPECT_EQ(fast.pages, general.pages);
        EXPECT_EQ(fast.dirty, general.dirty);
        EXPECT_EQ(fast.last_points, general.last_points);
        // The centres within +-2^20 and the two ordinary circles reuse it.
        EXPECT_GE(fast.reused, 10u);
    }
}

}  // namespace
}  // namespace vz

#ifndef NDEBUG
namespace vz {
namespace {

// Builds with assertions compare every recorded field on each reused call:
// a change made without the announcement stops the program, naming it.
TEST_F(SmallCircleSetupTest, AnUnannouncedChangeStopsBuildsWithAssertions) {
    const auto draw_after = [this](void (*change)()) {
        open();
        screen_lock();
        circle(ellipse, 6.0f, 6.0f, 1.0f, 0xFF0000FFu);
        circle(ellipse, 9.0f, 6.0f, 1.0f, 0xFF0000FFu);
        change();
        circle(ellipse, 1.0f, 4.0f, 1.0f, 0xFF0000FFu);
    };
    EXPECT_DEATH(draw_after([] { get_draw_state()->view_x = 2; }), "the drawing state's view changed without");
    EXPECT_DEATH(draw_after([] { std::swap(get_draw_state()->lines[4], get_draw_state()->lines[5]); }),
                 "the drawing state's lines changed without");
    EXPECT_DEATH(draw_after([] { current_context()->flags |= CTX_BLENDING; }),
                 "the screen's blending flag changed without");
}

}  // namespace
}  // namespace vz
#endif
