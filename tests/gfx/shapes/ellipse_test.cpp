// Circles, ellipses and arcs on in-memory screens.

#include "gfx/shapes/ellipse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/shapes/ellipse_rows.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/draw_state_serial.h"
#include "gfx/surface/pages.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"
#include "tests/gfx/screen_support.h"

namespace vz {
namespace {

const float FULL = std::bit_cast<float>(FULL_TURN_BITS);
constexpr std::uint32_t BLACK = 0xFF000000u;
constexpr std::uint32_t WHITE = 0xFFFFFFFFu;
constexpr std::uint32_t HALF_WHITE = 0x80FFFFFFu;

using Pixels = std::set<std::pair<int, int>>;

// Screens open on the fake drivers, whose log counts the driver's lock and
// unlock calls.
class EllipseTest : public test::ScreenTest {
protected:
    GfxContext* open(int width, int height, std::int32_t flags = 0, int pages = 1) {
        use_fake_drivers();
        EXPECT_EQ(screen_res(width, height, 32, pages, flags, 0), 0);
        GfxContext* context = current_context();
        EXPECT_NE(context, nullptr);
        if (context != nullptr) std::memset(context->dirty, 0, static_cast<std::size_t>(context->height));
        test::fake_log().lock_calls = test::fake_log().unlock_calls = 0;
        return context;
    }
    static int locks() { return test::fake_log().lock_calls; }
    static int unlocks() { return test::fake_log().unlock_calls; }

    // Every pixel of a page that differs from opaque black.
    static Pixels drawn(const GfxContext* c, int page = 0) {
        Pixels out;
        for (int y = 0; y < c->height; ++y) {
            for (int x = 0; x < c->width; ++x) {
                if (test::pixel32(c, page, x, y) != BLACK) out.insert({x, y});
            }
        }
        return out;
    }

    static std::vector<int> dirty_rows(const GfxContext* c) {
        std::vector<int> rows;
        for (int y = 0; y < c->height; ++y) {
            if (c->dirty[y] != 0) rows.push_back(y);
        }
        return rows;
    }

    static void fill_disc(float x, float y, float radius, float aspect = 1.0f, std::int32_t fill = 1) {
        ellipse(nullptr, x, y, radius, WHITE, aspect, 0.0f, FULL, fill, 0);
    }
};

TEST_F(EllipseTest, FullTurnIsTheSingleAboveTwoPi) {
    EXPECT_EQ(FULL, 6.283186f);
    EXPECT_NE(FULL, 6.2831855f);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(6.2831855f) + 1, FULL_TURN_BITS);
}

TEST_F(EllipseTest, RadiusOneFilledCircleIsFivePixelsOnItsThreeRows) {
    const GfxContext* c = open(32, 32);
    fill_disc(10, 10, 1.0f);
    EXPECT_EQ(drawn(c), (Pixels{{9, 10}, {10, 10}, {11, 10}, {10, 9}, {10, 11}}));
    EXPECT_EQ(test::pixel32(c, 0, 10, 10), WHITE);
    EXPECT_EQ(dirty_rows(c), (std::vector<int>{9, 10, 11}));
    EXPECT_EQ(locks(), 1);
    EXPECT_EQ(unlocks(), 1);
    EXPECT_EQ(c->lock_count, 0);
    const DrawState* state = get_draw_state();
    EXPECT_EQ(state->last_x, 10.0f);
    EXPECT_EQ(state->last_y, 10.0f);
}

TEST_F(EllipseTest, InsideACallersLockOnlyNests) {
    const GfxContext* c = open(32, 32);
    screen_lock();
    fill_disc(10, 10, 1.0f);
    EXPECT_EQ(c->lock_count, 1);
    EXPECT_EQ(unlocks(), 0);
    screen_unlock(1, 0);
    EXPECT_EQ(locks(), 1);
    EXPECT_EQ(unlocks(), 1);
}

TEST_F(EllipseTest, NoRadiusOrNoShapeDrawsNothingAndTakesNoLock) {
    const GfxContext* c = open(32, 32);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float radius, aspect, start, end;
    };
    const Case cases[] = {
        {0.0f, 1.0f, 0.0f, FULL}, {-0.0f, 1.0f, 0.0f, FULL}, {-3.0f, 1.0f, 0.0f, FULL}, {nan, 1.0f, 0.0f, FULL},
        {-inf, 1.0f, 0.0f, FULL}, {inf, 1.0f, 0.0f, FULL},   {5.0f, nan, 0.0f, FULL},   {5.0f, -inf, 0.0f, FULL},
        {5.0f, 1.0f, nan, 1.0f},  {5.0f, 1.0f, 0.5f, inf},   {5.0f, 1.0f, -inf, 1.0f},  {0.0f, 1.0f, -0.5f, -1.0f},
    };
    for (const Case& k : cases) {
        ellipse(nullptr, 16, 16, k.radius, WHITE, k.aspect, k.start, k.end, 1, 0);
        EXPECT_TRUE(drawn(c).empty()) << k.radius << " " << k.aspect << " " << k.start << " " << k.end;
    }
    EXPECT_TRUE(dirty_rows(c).empty());
    EXPECT_EQ(locks(), 0);
    EXPECT_EQ(unlocks(), 0);
}

TEST_F(EllipseTest, AspectSetsWhichRadiusShrinks) {
    struct Case {
        float aspect;
        int left, right, top, bottom;
    };
    // Radius 10 at (40, 40): aspect 2 gives rx 5, ry 10; aspect 0.5 gives rx 10, ry 5;
    // aspect 0 takes the screen's, 1.0 for a screen opened by resolution.
    const Case cases[] = {{2.0f, 35, 45, 30, 50}, {0.5f, 30, 50, 35, 45}, {0.0f, 30, 50, 30, 50}};
    for (const Case& k : cases) {
        const GfxContext* c = open(80, 80);
        fill_disc(40, 40, 10.0f, k.aspect);
        const Pixels p = drawn(c);
        ASSERT_FALSE(p.empty());
        int left = 1000, right = -1, top = 1000, bottom = -1;
        for (auto [x, y] : p) {
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
        EXPECT_EQ(left, k.left) << k.aspect;
        EXPECT_EQ(right, k.right) << k.aspect;
        EXPECT_EQ(top, k.top) << k.aspect;
        EXPECT_EQ(bottom, k.bottom) << k.aspect;
        const std::vector<int> rows = dirty_rows(c);
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.front(), k.top);
        EXPECT_EQ(rows.back(), k.bottom);
        close_screen();
    }
}

TEST_F(EllipseTest, OnlyTheExactFullTurnTakesTheWholePath) {
    // Filled whole path: a solid disc, centre included.
    const GfxContext* c = open(64, 64);
    fill_disc(32, 32, 10.0f);
    const Pixels whole = drawn(c);
    EXPECT_TRUE(whole.count({32, 32}));
    EXPECT_TRUE(whole.count({25, 30}));
    EXPECT_GT(whole.size(), 300u);

    // The single nearest to 2 pi takes the arc path: 6.2831855f is a hair
    // more than the double 2 pi, yet the arc is not folded onto one point but
    // goes once round (an outline: the fill is ignored, the centre stays
    // clear).
    const double two_pi = 6.283185307179586476925286766559;
    EXPECT_GT(static_cast<double>(6.2831855f) - 0.0, two_pi);
    close_screen();
    c = open(64, 64);
    ellipse(nullptr, 32, 32, 10.0f, WHITE, 1.0f, 0.0f, 6.2831855f, 1, 0);
    const Pixels ring = drawn(c);
    EXPECT_FALSE(ring.count({32, 32}));
    EXPECT_TRUE(ring.count({42, 32}));
    EXPECT_TRUE(ring.count({22, 32}));
    EXPECT_LT(ring.size(), whole.size() / 3);
    EXPECT_EQ(dirty_rows(c).size(), 21u);
    EXPECT_EQ(locks(), 1);

    // Start must be exactly 0 too.
    close_screen();
    c = open(64, 64);
    ellipse(nullptr, 32, 32, 10.0f, WHITE, 1.0f, 1e-30f, FULL, 1, 0);
    EXPECT_FALSE(drawn(c).count({32, 32}));

    // Most of a turn on the arc path: separate points round the rim.
    close_screen();
    c = open(64, 64);
    ellipse(nullptr, 32, 32, 10.0f, WHITE, 1.0f, 0.0f, 6.0f, 1, 0);
    const Pixels arc = drawn(c);
    EXPECT_FALSE(arc.count({32, 32}));
    EXPECT_TRUE(arc.count({42, 32}));  // angle 0
    EXPECT_TRUE(arc.count({32, 22}));  // a quarter turn: up the screen
    EXPECT_TRUE(arc.count({22, 32}));
    EXPECT_TRUE(arc.count({32, 42}));
    EXPECT_LT(arc.size(), whole.size() / 3);
    EXPECT_GT(arc.size(), 50u);
    EXPECT_EQ(locks(), 1);
}

TEST_F(EllipseTest, OutlineWholeEllipseKeepsTheCentreClear) {
    const GfxContext* c = open(64, 64);
    fill_disc(32, 32, 10.0f, 1.0f, 0);
    const Pixels p = drawn(c);
    EXPECT_FALSE(p.count({32, 32}));
    EXPECT_TRUE(p.count({22, 32}));
    EXPECT_TRUE(p.count({42, 32}));
    EXPECT_TRUE(p.count({32, 22}));
    EXPECT_TRUE(p.count({32, 42}));
    // Every row of the outline is closed: two ends, or one pixel at the poles.
    for (int y = 22; y <= 42; ++y) {
        int count = 0;
        for (int x = 0; x < 64; ++x) count += p.count({x, y}) ? 1 : 0;
        EXPECT_GE(count, y == 22 || y == 42 ? 1 : 2) << y;
    }
}

TEST_F(EllipseTest, FilledCircleHalfOutsideFillsOnlyTheVisiblePart) {
    // The same circle drawn whole in the middle, then across the top-left
    // corner: the corner drawing must be exactly the visible part of the first.
    const GfxContext* c = open(40, 40);
    fill_disc(20, 20, 6.0f);
    const Pixels whole = drawn(c);
    close_screen();
    c = open(40, 40);
    fill_disc(2, 3, 6.0f);
    Pixels expected;
    for (auto [x, y] : whole) {
        const int cx = x - 18, cy = y - 17;
        if (cx >= 0 && cy >= 0) expected.insert({cx, cy});
    }
    EXPECT_EQ(drawn(c), expected);
    // Rows -3 .. 9 were reached; only 0 .. 9 exist and are marked.
    const std::vector<int> rows = dirty_rows(c);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 0);
    EXPECT_EQ(rows.back(), 9);
    EXPECT_EQ(rows.size(), 10u);
    close_screen();

    // Span ends truncate toward zero: centre 5, radius 5.5 gives the middle
    // row trunc(-0.5) = 0 to trunc(10.5) = 10; centre 20 gives 14 to 25.
    c = open(40, 40);
    fill_disc(5, 10, 5.5f);
    fill_disc(20, 30, 5.5f);
    for (int x = 0; x < 40; ++x) {
        EXPECT_EQ(test::pixel32(c, 0, x, 10) != BLACK, x <= 10) << x;
        EXPECT_EQ(test::pixel32(c, 0, x, 30) != BLACK, x >= 14 && x <= 25) << x;
    }
}

TEST_F(EllipseTest, ViewClipsAndOffsetsTheCircle) {
    const GfxContext* c = open(40, 40);
    fill_disc(20, 20, 6.0f);
    const Pixels whole = drawn(c);
    close_screen();
    c = open(40, 40);
    DrawState* state = get_draw_state();
    set_target(state, nullptr);
    state->view_x = 10;
    state->view_y = 12;
    state->view_w = 8;
    state->view_h = 5;
    drawing_state_changed();
    // View-relative centre (0, 0) is pixel (10, 12).
    fill_disc(0, 0, 6.0f);
    Pixels expected;
    for (auto [x, y] : whole) {
        const int sx = x - 10, sy = y - 8;
        if (sx >= 10 && sx < 18 && sy >= 12 && sy < 17) expected.insert({sx, sy});
    }
    EXPECT_EQ(drawn(c), expected);
    EXPECT_EQ(dirty_rows(c), (std::vector<int>{12, 13, 14, 15, 16}));

    // A circle wholly outside the view draws nothing and marks only a row at
    // the view's edge.
    std::memset(c->dirty, 0, 40);
    fill_disc(-20, -20, 3.0f);
    EXPECT_EQ(drawn(c), expected);
    EXPECT_EQ(dirty_rows(c), (std::vector<int>{12}));
}

TEST_F(EllipseTest, FlatEllipseIsOneSolidRowEvenUnfilled) {
    GfxContext* c = open(40, 40);
    c->aspect = 0.0f;  // a screen whose aspect makes every vertical radius 0
    drawing_state_changed();
    fill_disc(20, 10, 5.0f, 0.0f, 0);
    Pixels row;
    for (int x = 15; x <= 25; ++x) row.insert({x, 10});
    EXPECT_EQ(drawn(c), row);
    EXPECT_EQ(dirty_rows(c), (std::vector<int>{10}));
}

TEST_F(EllipseTest, ImagesAndHiddenPagesAreNotMarked) {
    const GfxContext* c = open(32, 32, 0, 2);
    // A new-form 32-bit image of 16 x 16 pixels.
    std::vector<std::uint32_t> image(8 + 16 * 16, 0);
    image[0] = IMAGE_TAG_NEW;
    image[1] = 4;
    image[2] = 16;
    image[3] = 16;
    image[4] = 16 * 4;
    ellipse(image.data(), 8, 8, 1.0f, WHITE, 1.0f, 0.0f, FULL, 1, 0);
    EXPECT_EQ(image[8 + 8 * 16 + 8], WHITE);
    EXPECT_EQ(image[8 + 7 * 16 + 8], WHITE);
    EXPECT_EQ(image[8 + 8 * 16 + 10], 0u);
    EXPECT_TRUE(drawn(c).empty());
    EXPECT_TRUE(dirty_rows(c).empty());

    ASSERT_EQ(page_set(1, 0), 0);
    std::memset(c->dirty, 0, 32);
    fill_disc(10, 10, 3.0f);
    EXPECT_EQ(test::pixel32(c, 1, 10, 10), WHITE);
    EXPECT_TRUE(drawn(c, 0).empty());
    EXPECT_TRUE(dirty_rows(c).empty());
}

TEST_F(EllipseTest, NegativeLimitsDrawRadialLinesThenTheArc) {
    const GfxContext* c = open(64, 64);
    ellipse(nullptr, 32, 32, 10.0f, WHITE, 1.0f, -0.5f, -1.0f, 0, 0);
    const Pixels p = drawn(c);
    // Radial ends: angle 0.5 -> (9, 5) -> (41, 27); angle 1.0 -> (5, 8) -> (37, 24).
    EXPECT_TRUE(p.count({32, 32}));
    EXPECT_TRUE(p.count({41, 27}));
    EXPECT_TRUE(p.count({37, 24}));
    EXPECT_TRUE(p.count({39, 25}));  // angle 0.75 -> (7, 7) on the arc between them
    EXPECT_TRUE(p.count({36, 30}));  // on the line towards (41, 27)
    for (auto [x, y] : p) {
        EXPECT_GE(x, 32);
        EXPECT_LE(y, 32);
        EXPECT_LE((x - 32) * (x - 32) + (y - 32) * (y - 32), 11 * 11);
    }
    EXPECT_FALSE(p.count({42, 32}));  // angle 0 is outside the arc
    // The last point is the end of the last radial line, in caller coordinates.
    const DrawState* state = get_draw_state();
    EXPECT_EQ(state->last_x, 37.0f);
    EXPECT_EQ(state->last_y, 24.0f);

    // Without radial lines the centre stays clear and the last point is the centre.
    close_screen();
    c = open(64, 64);
    ellipse(nullptr, 32, 32, 10.0f, WHITE, 1.0f, 0.5f, 1.0f, 0, 0);
    EXPECT_FALSE(drawn(c).count({32, 32}));
    EXPECT_EQ(get_draw_state()->last_x, 32.0f);
}

TEST_F(EllipseTest, ArcRunsCounterClockwiseAcrossZero) {
    // From 6 rad round through 0 to 0.3 rad: points just below and just above
    // the positive x axis, nothing on the left.
    const GfxContext* c = open(64, 64);
    ellipse(nullptr, 32, 32, 10.0f, WHITE, 1.0f, 6.0f, 0.3f, 0, 0);
    const Pixels p = drawn(c);
    EXPECT_TRUE(p.count({42, 32}));
    EXPECT_TRUE(p.count({42, 35}));  // angle 6.0: (9.6, -2.79)
    EXPECT_TRUE(p.count({42, 29}));  // angle 0.3: (9.55, 2.96)
    for (auto [x, y] : p) EXPECT_GE(x, 40);
    const std::vector<int> rows = dirty_rows(c);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 29);
    EXPECT_EQ(rows.back(), 35);
}

TEST_F(EllipseTest, EveryChangedRowIsMarkedForThinEllipses) {
    // A horizontal radius between 1 and 2 lets the walk run past the vertical
    // radius; the rows it reaches are drawn and must be presented.
    struct Case {
        float radius, aspect;
    };
    const Case cases[] = {{10.0f, 10.0f / 1.41f}, {10.0f, 10.0f / 1.2f}, {5.0f, 5.0f / 1.41f}, {7.0f, 1.0f}};
    bool walked_past = false;
    for (const Case& k : cases) {
        const GfxContext* c = open(64, 64);
        fill_disc(32, 32, k.radius, k.aspect);
        std::set<int> rows;
        for (auto [x, y] : drawn(c)) rows.insert(y);
        for (int y : rows) EXPECT_NE(c->dirty[y], 0) << "row " << y << " radius " << k.radius;
        if (*rows.rbegin() > 32 + static_cast<int>(k.radius)) walked_past = true;
        close_screen();
    }
    EXPECT_TRUE(walked_past);
}

// The filled walk remembers visited rows as one range instead of a flag per
// view row. A literal model with a flag per view row must give the same
// pixels, each filled exactly once: with blending on, a second fill of a
// pixel would change its value.
struct ModelView {
    int x, y, w, h;
};
void model_ellipse(std::vector<int>& hits, int width, ModelView v, int cx, int cy, float rx, float ry) {
    std::vector<char> marks(static_cast<std::size_t>(v.h), 0);
    auto row = [&](long long r, long long xl, long long xr) {
        if (r < v.y || r >= v.y + v.h) return;
        if (xr < v.x || xl >= v.x + v.w) return;
        char& m = marks[static_cast<std::size_t>(r - v.y)];
        if (m != 0) return;
        m = 1;
        for (long long x = std::max<long long>(xl, v.x); x <= std::min<long long>(xr, v.x + v.w - 1); ++x) {
            ++hits[static_cast<std::size_t>(r * width + x)];
        }
    };
    long long xl = static_cast<long long>(std::trunc(static_cast<long double>(cx) - rx));
    long long xr = static_cast<long long>(std::trunc(static_cast<long double>(cx) + rx));
    long long yt = cy, yb = cy;
    row(cy, xl, xr);
    const long long a2 = static_cast<long long>(static_cast<long double>(rx) * rx);
    const long long b2 = static_cast<long long>(static_cast<long double>(ry) * ry);
    long long d = static_cast<long long>(static_cast<long double>(b2) * rx);
    long long dx = 2 * d, dy = 0;
    int n = static_cast<int>(rx);
    while (n > 0) {
        if (d > 0) {
            ++yb;
            --yt;
            dy += 2 * a2;
            d -= dy;
        }
        if (d <= 0) {
            --n;
            dx -= 2 * b2;
            ++xl;
            --xr;
            d += dx;
        }
        row(yb, xl, xr);
        row(yt, xl, xr);
    }
}

TEST_F(EllipseTest, FilledRowsMatchAPerRowMarkModelUnderBlending) {
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> radius(0.5f, 30.0f);
    std::uniform_real_distribution<float> aspect(0.2f, 4.0f);
    std::uniform_int_distribution<int> centre(-20, 80);
    for (int round = 0; round < 60; ++round) {
        const GfxContext* c = open(64, 48, SCREEN_BLEND_DRAWING);
        DrawState* state = get_draw_state();
        set_target(state, nullptr);
        const ModelView v{round % 3 == 0 ? 0 : 7, round % 2 == 0 ? 0 : 5, round % 3 == 0 ? 64 : 40,
                          round % 2 == 0 ? 48 : 30};
        state->view_x = v.x;
        state->view_y = v.y;
        state->view_w = v.w;
        state->view_h = v.h;
        state->state_flags |= DS_SCREEN_ABSOLUTE;
        drawing_state_changed();
        const float r = radius(random);
        const float a = aspect(random);
        const int cx = centre(random), cy = centre(random);
        ellipse(nullptr, static_cast<float>(cx), static_cast<float>(cy), r, HALF_WHITE, a, 0.0f, FULL, 1, 0);

        const float rx = a > 1.0f ? r / a : r;
        const float ry = a > 1.0f ? r : r * a;
        std::vector<int> hits(64 * 48, 0);
        model_ellipse(hits, 64, v, cx, cy, rx, ry);
        int mismatches = 0;
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 64; ++x) {
                std::uint32_t expected = BLACK;
                for (int i = 0; i < hits[static_cast<std::size_t>(y * 64 + x)]; ++i) {
                    expected = blend_pixel(HALF_WHITE, expected);
                }
                if (test::pixel32(c, 0, x, y) != expected) ++mismatches;
            }
        }
        EXPECT_EQ(mismatches, 0) << "round " << round << " r " << r << " aspect " << a << " at " << cx << "," << cy;
        close_screen();
    }
}

TEST_F(EllipseTest, ArcSpanningExactlyTheFloatTwoPiIsTheWholeOutline) {
    // end - start is the float nearest 2 pi (just above the double 2 pi):
    // the arc goes all the way round instead of collapsing to one pixel.
    const float two_pi = 6.2831855f;
    ASSERT_GT(static_cast<double>(two_pi), 6.283185307179586);
    for (const float start : {0.0f, -0.0f}) {
        const GfxContext* c = open(64, 64);
        ellipse(nullptr, 32, 32, 10.0f, WHITE, 1.0f, start, two_pi, 0, 0);
        const Pixels p = drawn(c);
        EXPECT_GT(p.size(), 50u);
        for (const auto& at : {std::pair{42, 32}, std::pair{22, 32}, std::pair{32, 22}, std::pair{32, 42}}) {
            EXPECT_TRUE(p.count(at)) << at.first << ", " << at.second;
        }
        const std::vector<int> rows = dirty_rows(c);
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.front(), 22);
        EXPECT_EQ(rows.back(), 42);
        close_screen();
    }
    // Two float steps more (one step is the whole-ellipse pair) is still
    // folded by a whole turn onto a short arc.
    const GfxContext* c = open(64, 64);
    ellipse(nullptr, 32, 32, 10.0f, WHITE, 1.0f, 0.0f, std::nextafter(FULL, 7.0f), 0, 0);
    EXPECT_LE(drawn(c).size(), 2u);
}

// The model needs a native 128-bit integer, which 64-bit targets have; the
// drawing code carries a 128-bit integer of its own, checked against the
// native one below.
#if defined(__SIZEOF_INT128__)
__extension__ typedef __int128 Wide;
__extension__ typedef unsigned __int128 UnsignedWide;

TEST(EllipseInt, SumsDifferencesAndProductsMatchNativeIntegers) {
    std::mt19937_64 random(12345);
    const auto native = [](const EllipseInt& v) {
        return static_cast<Wide>((static_cast<UnsignedWide>(v.high) << 64) | v.low);
    };
    for (int n = 0; n < 20000; ++n) {
        // Factors as the decision uses them: squares below 2^62, step counts
        // below 2^32 (so every product stays below 2^126).
        const std::int64_t a = static_cast<std::int64_t>(random() >> 2);
        const std::uint64_t i = random() >> 32;
        const std::uint64_t j = random() >> 32;
        const EllipseInt x = EllipseInt::from(a).times(i).times(j + 1);
        const EllipseInt y = EllipseInt::from(static_cast<std::int64_t>(random() >> 2)).times(i + 1);
        const Wide wx = static_cast<Wide>(a) * static_cast<Wide>(i) * static_cast<Wide>(j + 1);
        const Wide wy = static_cast<Wide>(native(y));
        ASSERT_EQ(native(x), wx);
        ASSERT_EQ(native(x - y), wx - wy);
        ASSERT_EQ(native(y - x), wy - wx);
        ASSERT_EQ(native(x + y), wx + wy);
        ASSERT_EQ((x - y).positive(), wx - wy > 0);
        ASSERT_EQ((y - x).positive(), wy - wx > 0);
    }
    EXPECT_FALSE(EllipseInt::from(0).positive());
    EXPECT_FALSE(EllipseInt::from(-1).positive());
    EXPECT_TRUE(EllipseInt::from(1).positive());
    // Truncation of large values below 2^93, as the decision's start value:
    // 64 significant bits spread over both halves.
    const std::uint64_t bits = 0xF123456789ABCDEFu;
    EXPECT_EQ(native(EllipseInt::truncated(static_cast<extended>(bits) * std::ldexp(1.0, 28))), static_cast<Wide>(bits)
                                                                                                    << 28);
    EXPECT_EQ(native(EllipseInt::truncated(static_cast<extended>(bits) * std::ldexp(1.0, -8))),
              static_cast<Wide>(bits >> 8));
    EXPECT_EQ(native(EllipseInt::truncated(extended{3.999})), 3);
}

// The whole-ellipse walk run row by row as the drawing rule states it, in
// 128-bit integers so that no sum can overflow: the pixels it plots on a
// width x height screen. Filled rows take their first (widest) span only.
Pixels walk_rule(int width, int height, std::int64_t cx, std::int64_t cy, float rx, float ry, bool fill) {
    Pixels out;
    std::set<std::int64_t> rows_done;
    auto row = [&](std::int64_t y, std::int64_t xl, std::int64_t xr) {
        if (y < 0 || y >= height) return;
        if (fill) {
            if (!rows_done.insert(y).second) return;
            for (std::int64_t x = std::max<std::int64_t>(xl, 0); x <= std::min<std::int64_t>(xr, width - 1); ++x) {
                out.insert({static_cast<int>(x), static_cast<int>(y)});
            }
            return;
        }
        if (xl >= 0 && xl < width) out.insert({static_cast<int>(xl), static_cast<int>(y)});
        if (xr >= 0 && xr < width) out.insert({static_cast<int>(xr), static_cast<int>(y)});
    };
    std::int64_t xl = static_cast<std::int64_t>(std::trunc(static_cast<long double>(cx) - rx));
    std::int64_t xr = static_cast<std::int64_t>(std::trunc(static_cast<long double>(cx) + rx));
    std::int64_t top = cy, bottom = cy;
    row(cy, xl, xr);
    const Wide a2 = static_cast<std::int64_t>(static_cast<double>(rx) * static_cast<double>(rx));
    const auto b2 = static_cast<std::int64_t>(static_cast<double>(ry) * static_cast<double>(ry));
    const Wide two_a2 = 2 * a2, two_b2 = 2 * static_cast<Wide>(b2);
    Wide d = static_cast<Wide>(static_cast<long double>(b2) * static_cast<long double>(rx));
    Wide dx = 2 * d, dy = 0;
    auto n = static_cast<std::int64_t>(rx);
    while (n > 0) {
        if (d > 0) {
            ++bottom;
            --top;
            dy += two_a2;
            d -= dy;
        }
        if (d <= 0) {
            --n;
            dx -= two_b2;
            ++xl;
            --xr;
            d += dx;
        }
        row(bottom, xl, xr);
        row(top, xl, xr);
    }
    return out;
}

TEST_F(EllipseTest, HugeEllipsesCrossingTheScreenDrawWhatTheWalkDraws) {
    // Radii of millions of pixels (beyond where 64-bit sums stay exact) whose
    // edge crosses a 40 x 30 screen: the pixels are exactly those of the
    // row-by-row walk, outlined and filled.
    struct Case {
        float cx, cy, radius, aspect;
    };
    const Case cases[] = {
        {-3.0e6f + 20, 15, 3.0e6f, 1.0f},   // right edge through the middle
        {20, 3.0e6f + 10, 3.0e6f, 1.0f},    // top edge near the top rows
        {-1767747, -883868, 2.5e6f, 0.5f},  // flattened: its rim at 45 degrees
        {20, 15, 2.0e6f, 4.0e-6f},          // a wide, eight-pixel-high sliver
    };
    for (const Case& k : cases) {
        for (const bool fill : {false, true}) {
            SCOPED_TRACE(testing::Message() << k.cx << ", " << k.cy << " r " << k.radius << " fill " << fill);
            const GfxContext* c = open(40, 30);
            ellipse(nullptr, k.cx, k.cy, k.radius, WHITE, k.aspect, 0.0f, FULL, fill ? 1 : 0, 0);
            const float rx = k.aspect > 1.0f ? k.radius / k.aspect : k.radius;
            const float ry = k.aspect > 1.0f ? k.radius : k.radius * k.aspect;
            const Pixels expected =
                walk_rule(40, 30, static_cast<std::int64_t>(k.cx), static_cast<std::int64_t>(k.cy), rx, ry, fill);
            EXPECT_FALSE(expected.empty());
            EXPECT_EQ(drawn(c), expected);
            EXPECT_EQ(locks(), unlocks());
            close_screen();
        }
    }
}

#endif  // __SIZEOF_INT128__

TEST_F(EllipseTest, HugeRadiiStayDefinedAndFinish) {
    const GfxContext* c = open(40, 30);
    // A whole ellipse far larger than the screen, centred on it: every pixel
    // and every row.
    fill_disc(20, 15, 3.0e7f);
    EXPECT_EQ(drawn(c).size(), 40u * 30u);
    EXPECT_EQ(dirty_rows(c).size(), 30u);
    close_screen();

    c = open(40, 30);
    // Arcs whose angle step falls below float precision, and limits too far
    // apart to meet by whole turns, end instead of spinning.
    ellipse(nullptr, 20, 15, 1.0e9f, WHITE, 1.0f, 5.0f, 6.0f, 0, 0);
    ellipse(nullptr, 20, 15, 5.0f, WHITE, 1.0f, 1.0e9f, 0.5f, 0, 0);
    ellipse(nullptr, 20, 15, 5.0f, WHITE, 1.0f, 0.5f, 3.0e9f, 0, 0);
    ellipse(nullptr, 1.0e30f, -1.0e30f, 1.0e30f, WHITE, 1.0f, 1.0f, 2.0f, 0, 0);
    EXPECT_EQ(locks(), unlocks());
    EXPECT_EQ(c->lock_count, 0);
}

}  // namespace
}  // namespace vz
