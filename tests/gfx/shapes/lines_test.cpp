// Lines, boxes and the graphics view on in-memory screens.

#include "gfx/shapes/lines.h"
#include "gfx/text/view.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/draw_state_serial.h"
#include "gfx/surface/pixels.h"
#include "gfx/testing.h"
#include "tests/test_env.h"

namespace vz {
namespace {

constexpr std::uint32_t BLACK = 0xFF000000u;
constexpr std::uint32_t WHITE = 0xFFFFFFFFu;
constexpr std::uint32_t HALF_WHITE = 0x80FFFFFFu;
constexpr std::int32_t SOLID = 0xFFFF;

int g_locks = 0;
int g_unlocks = 0;
std::int32_t accept_init(const char*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
    return 0;
}
std::int32_t quiet_exit() { return 0; }
void count_lock() { ++g_locks; }
void count_unlock() { ++g_unlocks; }
const GfxDriver counting_driver{
    .name = "Counting", .init = accept_init, .exit = quiet_exit, .lock = count_lock, .unlock = count_unlock};
const GfxDriver* const COUNTING_LIST[] = {&counting_driver};

using Point = std::pair<int, int>;
using Pixels = std::set<Point>;

class LinesTest : public ::testing::Test {
protected:
    void SetUp() override {
        close_screen();
        test::unset_env("VZGFX");
        set_driver_list_for_test(COUNTING_LIST);
    }
    void TearDown() override {
        close_screen();
        set_driver_list_for_test({});
    }

    GfxContext* open(int width, int height, std::int32_t flags = 0) {
        EXPECT_EQ(screen_res(width, height, 32, 1, flags, 0), 0);
        GfxContext* context = current_context();
        EXPECT_NE(context, nullptr);
        if (context != nullptr) std::memset(context->dirty, 0, static_cast<std::size_t>(context->height));
        g_locks = g_unlocks = 0;
        return context;
    }

    static std::uint32_t at(const GfxContext* c, int x, int y) {
        std::uint32_t v;
        std::memcpy(&v, c->pages[0] + static_cast<std::size_t>(y) * c->pitch + static_cast<std::size_t>(x) * 4,
                    sizeof v);
        return v;
    }

    static Pixels drawn(const GfxContext* c) {
        Pixels out;
        for (int y = 0; y < c->height; ++y) {
            for (int x = 0; x < c->width; ++x) {
                if (at(c, x, y) != BLACK) out.insert({x, y});
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

    // With blending on, each plot of HALF_WHITE over a pixel moves it one step
    // further; the step count tells how many times the pixel was plotted.
    static int plots(const GfxContext* c, int x, int y) {
        std::uint32_t value = BLACK;
        for (int n = 0; n < 32; ++n) {
            if (value == at(c, x, y)) return n;
            value = blend_pixel(HALF_WHITE, value);
        }
        return -1;
    }

    static void line(float x1, float y1, float x2, float y2, std::int32_t style = SOLID,
                     std::int32_t box_mode = BOX_NONE, std::uint32_t colour = WHITE) {
        draw_line(nullptr, x1, y1, x2, y2, colour, box_mode, style, 0);
    }

    static Pixels column(int x, int from, int to) {
        Pixels p;
        for (int y = from; y <= to; ++y) p.insert({x, y});
        return p;
    }
    static Pixels row(int y, int from, int to) {
        Pixels p;
        for (int x = from; x <= to; ++x) p.insert({x, y});
        return p;
    }
};

TEST_F(LinesTest, DashedVerticalKeepsItsPhaseFromTheFirstPoint) {
    const GfxContext* c = open(32, 32);
    line(10, 10, 10, 5, 0xF0F0);
    EXPECT_EQ(drawn(c), column(10, 7, 10));
    EXPECT_EQ(dirty_rows(c), (std::vector<int>{5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(g_locks, 1);
    EXPECT_EQ(g_unlocks, 1);
    close_screen();

    c = open(32, 32);
    line(10, 5, 10, 10, 0xF0F0);
    EXPECT_EQ(drawn(c), column(10, 5, 8));

    // A dash longer than a pattern repeat, drawn upwards: style bit 15 is
    // the first point's, wherever the line ends.
    close_screen();
    c = open(64, 64);
    line(3, 40, 3, 20, 0x8001);
    EXPECT_EQ(drawn(c), (Pixels{{3, 40}, {3, 25}, {3, 24}}));
}

TEST_F(LinesTest, HorizontalLinesRunEitherWay) {
    const GfxContext* c = open(32, 16, SCREEN_BLEND_DRAWING);
    line(20, 7, 3, 7, SOLID, BOX_NONE, HALF_WHITE);
    EXPECT_EQ(drawn(c), row(7, 3, 20));
    for (int x = 3; x <= 20; ++x) EXPECT_EQ(plots(c, x, 7), 1) << x;
    EXPECT_EQ(dirty_rows(c), (std::vector<int>{7}));
    close_screen();

    // Dashed, right to left: the pattern starts at x 20.
    c = open(32, 16);
    line(20, 7, 3, 7, 0xC000);
    EXPECT_EQ(drawn(c), (Pixels{{20, 7}, {19, 7}, {4, 7}, {3, 7}}));
}

TEST_F(LinesTest, SlopedLinesFollowTheErrorTerm) {
    const GfxContext* c = open(32, 32);
    line(0, 0, 5, 2);
    EXPECT_EQ(drawn(c), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}));
    close_screen();

    c = open(32, 32);
    line(0, 0, 4, 2);  // an error of exactly 0 already steps
    EXPECT_EQ(drawn(c), (Pixels{{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}));
    close_screen();

    c = open(32, 32);
    line(5, 9, 3, 2);  // steep, drawn from the first point upwards
    EXPECT_EQ(drawn(c), (Pixels{{5, 9}, {5, 8}, {4, 7}, {4, 6}, {4, 5}, {4, 4}, {3, 3}, {3, 2}}));
    EXPECT_EQ(dirty_rows(c), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(LinesTest, ClippedStartRestartsThePattern) {
    const GfxContext* c = open(64, 128);
    // One pixel in sixteen: counted from (-50, 0) it would fall on x -2, 14, 30, 46.
    line(-50, 0, 50, 100, 0x8000);
    EXPECT_EQ(drawn(c), (Pixels{{0, 50}, {16, 66}, {32, 82}, {48, 98}}));
    EXPECT_EQ(dirty_rows(c).front(), 50);
    EXPECT_EQ(dirty_rows(c).back(), 100);
    close_screen();

    // Only the second end outside: the ends are exchanged, and the pattern
    // starts at the clipped end.
    c = open(64, 128);
    line(10, 10, 100, 10, 0x8000);
    EXPECT_EQ(drawn(c), (Pixels{{63, 10}, {47, 10}, {31, 10}, {15, 10}}));
}

TEST_F(LinesTest, ClipsAgainstEveryEdgeOfAView) {
    const GfxContext* c = open(64, 64);
    DrawState* state = get_draw_state();
    set_target(state, nullptr);
    state->view_x = 10;
    state->view_y = 20;
    state->view_w = 30;
    state->view_h = 20;
    state->state_flags |= DS_SCREEN_ABSOLUTE;
    drawing_state_changed();
    line(0, 30, 63, 30);  // across left and right
    line(25, 0, 25, 63);  // across top and bottom
    line(0, 10, 60, 70);  // diagonal through two corners' sides
    line(0, 0, 5, 63);    // wholly left
    line(45, 0, 60, 63);  // wholly right
    for (auto [x, y] : drawn(c)) {
        EXPECT_GE(x, 10);
        EXPECT_LT(x, 40);
        EXPECT_GE(y, 20);
        EXPECT_LT(y, 40);
    }
    const Pixels p = drawn(c);
    EXPECT_TRUE(p.count({10, 30}));
    EXPECT_TRUE(p.count({39, 30}));
    EXPECT_TRUE(p.count({25, 20}));
    EXPECT_TRUE(p.count({25, 39}));
    EXPECT_TRUE(p.count({20, 30}));  // on the diagonal y = x + 10
    EXPECT_TRUE(p.count({29, 39}));
    EXPECT_EQ(dirty_rows(c).front(), 20);
    EXPECT_EQ(dirty_rows(c).back(), 39);
}

TEST_F(LinesTest, InvisibleLinesTakeNoLockButMoveTheLastPoint) {
    const GfxContext* c = open(32, 32);
    line(-5, 3, -20, 9);
    line(40, 3, 50, 40);
    line(3, -1, 30, -9);
    EXPECT_TRUE(drawn(c).empty());
    EXPECT_TRUE(dirty_rows(c).empty());
    EXPECT_EQ(g_locks, 0);
    const DrawState* state = get_draw_state();
    EXPECT_EQ(state->last_x, 30.0f);
    EXPECT_EQ(state->last_y, -9.0f);

    // Relative coordinates continue from there.
    draw_line(nullptr, 3.0f, 10.0f, 1.0f, 0.0f, WHITE, BOX_NONE, SOLID, 3);
    EXPECT_EQ(state->last_x, 34.0f);
    EXPECT_EQ(state->last_y, 1.0f);
}

TEST_F(LinesTest, HugeAndInvalidCoordinatesClipSafely) {
    const GfxContext* c = open(32, 32);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    line(-1e30f, 5, 1e30f, 5);
    EXPECT_EQ(drawn(c), row(5, 0, 31));
    line(7, -inf, 7, inf);
    line(nan, 3, 20, 3);
    line(-3e9f, -3e9f, 3e9f, 3e9f);
    line(nan, nan, nan, nan, SOLID, BOX_FILLED);
    const Pixels p = drawn(c);
    EXPECT_TRUE(p.count({7, 0}));
    EXPECT_TRUE(p.count({7, 31}));
    EXPECT_TRUE(p.count({0, 0}));
    EXPECT_TRUE(p.count({31, 31}));
    EXPECT_FALSE(p.count({30, 0}));
    EXPECT_EQ(g_locks, g_unlocks);
}

TEST_F(LinesTest, FarEndsKeepTheTrueSlope) {
    // Slope 1/3 lines whose ends lie beyond the coordinate limit (2^30) on
    // one or both sides draw the same pixels as the same lines given with
    // near ends: the far ends are moved along the line, not clamped per axis.
    const float two31 = 2147483648.0f;
    const float two20 = 1048576.0f;
    struct Case {
        float far[4];
        float near[4];
    };
    const Case cases[] = {
        {{10, 10, 10 + 3 * two31, 10 + two31}, {10, 10, 10 + 3 * two20, 10 + two20}},
        {{10 + 3 * two31, 10 + two31, 10, 10}, {10 + 3 * two20, 10 + two20, 10, 10}},
        {{-3 * two31, -two31, 3 * two31, two31}, {-3 * two20, -two20, 3 * two20, two20}},
        {{-two31, -3 * two31, two31, 3 * two31}, {-two20, -3 * two20, two20, 3 * two20}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.far[0]);
        const GfxContext* c = open(201, 100);
        line(k.near[0], k.near[1], k.near[2], k.near[3]);
        const Pixels expected = drawn(c);
        ASSERT_GT(expected.size(), 60u);
        close_screen();
        c = open(201, 100);
        line(k.far[0], k.far[1], k.far[2], k.far[3]);
        EXPECT_EQ(drawn(c), expected);
        close_screen();
    }
    // The first case ends on the right edge at y = trunc(10 + 190 / 3).
    const GfxContext* c = open(201, 100);
    line(10, 10, 10 + 3 * two31, 10 + two31);
    EXPECT_EQ(at(c, 200, 73), WHITE);
    EXPECT_EQ(at(c, 10, 10), WHITE);

    // A segment wholly beyond the limit draws nothing and takes no lock,
    // even though its line runs through the view.
    close_screen();
    c = open(201, 100);
    line(3 * two31, two31, 6 * two31, 2 * two31);
    line(-two31, 50, -2 * two31, 50);
    EXPECT_TRUE(drawn(c).empty());
    EXPECT_EQ(g_locks, 0);
}

TEST_F(LinesTest, SinglePixelBoxPlotsFourTimesOutlinedAndOnceFilled) {
    const GfxContext* c = open(16, 16, SCREEN_BLEND_DRAWING);
    line(5, 5, 5, 5, SOLID, BOX_OUTLINE, HALF_WHITE);
    EXPECT_EQ(plots(c, 5, 5), 4);
    EXPECT_EQ(drawn(c).size(), 1u);
    line(9, 9, 9, 9, SOLID, BOX_FILLED, HALF_WHITE);
    EXPECT_EQ(plots(c, 9, 9), 1);
    EXPECT_EQ(drawn(c).size(), 2u);
}

TEST_F(LinesTest, BoxesFromAnyCornerOrder) {
    const GfxContext* c = open(32, 32, SCREEN_BLEND_DRAWING);
    line(12, 9, 4, 2, SOLID, BOX_OUTLINE, HALF_WHITE);
    Pixels outline = row(2, 4, 12);
    for (const Point& q : row(9, 4, 12)) outline.insert(q);
    for (const Point& q : column(4, 2, 9)) outline.insert(q);
    for (const Point& q : column(12, 2, 9)) outline.insert(q);
    EXPECT_EQ(drawn(c), outline);
    EXPECT_EQ(plots(c, 4, 2), 2);  // corners belong to a row and a column
    EXPECT_EQ(plots(c, 12, 9), 2);
    EXPECT_EQ(plots(c, 8, 2), 1);
    EXPECT_EQ(plots(c, 4, 5), 1);
    EXPECT_EQ(dirty_rows(c).front(), 2);
    EXPECT_EQ(dirty_rows(c).back(), 9);
    close_screen();

    c = open(32, 32, SCREEN_BLEND_DRAWING);
    line(12, 9, 4, 2, 0x1234, BOX_FILLED, HALF_WHITE);  // the style does not apply to fills
    EXPECT_EQ(drawn(c).size(), 9u * 8u);
    EXPECT_EQ(plots(c, 4, 2), 1);
    EXPECT_EQ(plots(c, 12, 9), 1);
}

// The outline's pattern runs round the whole rectangle: bottom row, top row,
// right column, left column, each from its low end, one mask step per
// position whether the position is visible or not. This model walks the
// unclipped rectangle that way and keeps the visible plots.
std::map<Point, int> model_outline(int x1, int y1, int x2, int y2, std::uint16_t style, int vx, int vy, int vw,
                                   int vh) {
    std::map<Point, int> plots;
    std::uint32_t mask = 0x8000;
    auto visit = [&](int x, int y) {
        if ((style & mask) != 0 && x >= vx && x < vx + vw && y >= vy && y < vy + vh) ++plots[{x, y}];
        mask = ((mask >> 1) | (mask << 15)) & 0xFFFF;
    };
    for (int x = x1; x <= x2; ++x) visit(x, y2);
    for (int x = x1; x <= x2; ++x) visit(x, y1);
    for (int y = y1; y <= y2; ++y) visit(x2, y);
    for (int y = y1; y <= y2; ++y) visit(x1, y);
    return plots;
}

TEST_F(LinesTest, ClippedOutlinesContinueTheirPattern) {
    struct Case {
        int x1, y1, x2, y2;
        std::uint16_t style;
    };
    const Case cases[] = {
        {-3, 2, 10, 8, 0xAAAA},    // left edge hidden
        {4, -5, 12, 9, 0xAAAA},    // top edge hidden
        {20, 3, 40, 11, 0xF00F},   // right edge hidden
        {2, 20, 9, 33, 0xCCC3},    // bottom edge hidden
        {-7, -9, 35, 20, 0x8421},  // only the bottom row visible
        {-7, 3, 35, 30, 0x8421},   // only the top row visible
        {3, 3, 13, 13, 0x7FFF},    // wholly visible
    };
    for (const Case& k : cases) {
        const GfxContext* c = open(24, 24, SCREEN_BLEND_DRAWING);
        line(static_cast<float>(k.x1), static_cast<float>(k.y1), static_cast<float>(k.x2), static_cast<float>(k.y2),
             k.style, BOX_OUTLINE, HALF_WHITE);
        const std::map<Point, int> expected = model_outline(k.x1, k.y1, k.x2, k.y2, k.style, 0, 0, 24, 24);
        std::map<Point, int> actual;
        for (const Point& q : drawn(c)) actual[q] = plots(c, q.first, q.second);
        EXPECT_EQ(actual, expected) << k.x1 << "," << k.y1 << " " << k.x2 << "," << k.y2;
        close_screen();
    }
    // The left-clipped 0xAAAA case by hand: the bottom row's pattern starts at
    // x -3, so the visible row plots odd x only.
    const GfxContext* c = open(24, 24);
    line(-3, 2, 10, 8, 0xAAAA, BOX_OUTLINE);
    EXPECT_FALSE(drawn(c).count({0, 8}));
    EXPECT_TRUE(drawn(c).count({1, 8}));
    EXPECT_FALSE(drawn(c).count({2, 8}));
    EXPECT_TRUE(drawn(c).count({3, 8}));
}

TEST_F(LinesTest, SetViewWithoutCoordinatesRestoresTheScreen) {
    open(64, 48);
    DrawState* state = get_draw_state();
    set_view(10, 10, 19, 19, 4, WHITE, VIEW_SCREEN_ABSOLUTE);
    EXPECT_EQ(state->state_flags & (DS_VIEW_SET | DS_SCREEN_ABSOLUTE), DS_VIEW_SET | DS_SCREEN_ABSOLUTE);
    set_view(VIEW_NO_COORDINATE, VIEW_NO_COORDINATE, VIEW_NO_COORDINATE, VIEW_NO_COORDINATE, 0, 0, 0);
    EXPECT_EQ(state->view_x, 0);
    EXPECT_EQ(state->view_y, 0);
    EXPECT_EQ(state->view_w, 64);
    EXPECT_EQ(state->view_h, 48);
    EXPECT_EQ(state->state_flags & DS_VIEW_SET, 0u);
    EXPECT_NE(state->state_flags & DS_SCREEN_ABSOLUTE, 0u);  // left as it was
}

TEST_F(LinesTest, SetViewDrawsItsBorderAndFill) {
    const GfxContext* c = open(32, 32);
    DrawState* state = get_draw_state();
    set_view(19, 19, 10, 10, 4, WHITE, 0);  // corners in either order
    EXPECT_EQ(state->view_x, 10);
    EXPECT_EQ(state->view_y, 10);
    EXPECT_EQ(state->view_w, 10);
    EXPECT_EQ(state->view_h, 10);
    EXPECT_EQ(state->state_flags & (DS_VIEW_SET | DS_SCREEN_ABSOLUTE), DS_VIEW_SET);
    for (int y = 9; y <= 20; ++y) {
        for (int x = 9; x <= 20; ++x) {
            const bool border = x == 9 || x == 20 || y == 9 || y == 20;
            EXPECT_EQ(at(c, x, y), border ? WHITE : 4u) << x << "," << y;
        }
    }
    EXPECT_EQ(drawn(c).size(), 12u * 12u);
    EXPECT_EQ(state->bg_colour, BLACK);  // restored after the fill
    const std::vector<int> rows = dirty_rows(c);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 9);
    EXPECT_EQ(rows.back(), 20);

    // Later drawing is relative to the view and clipped to it.
    line(0, 0, 30, 0);
    EXPECT_EQ(at(c, 10, 10), WHITE);
    EXPECT_EQ(at(c, 19, 10), WHITE);
    EXPECT_EQ(at(c, 21, 10), BLACK);
}

TEST_F(LinesTest, SetViewFlagsSkipBorderAndFill) {
    const GfxContext* c = open(32, 32);
    set_view(10, 10, 19, 19, 4, WHITE, VIEW_NO_BORDER | VIEW_NO_FILL);
    EXPECT_TRUE(drawn(c).empty());
    EXPECT_EQ(g_locks, 0);
    set_view(10, 10, 19, 19, 4, WHITE, VIEW_NO_FILL);
    EXPECT_EQ(drawn(c).size(), 44u);
    EXPECT_EQ(at(c, 15, 15), BLACK);
}

TEST_F(LinesTest, SetViewKeepsTheViewOnScreen) {
    const GfxContext* c = open(32, 32);
    DrawState* state = get_draw_state();
    set_view(-10, -10, 20, 20, 4, WHITE, 0);
    EXPECT_EQ(state->view_x, 0);
    EXPECT_EQ(state->view_y, 0);
    EXPECT_EQ(state->view_w, 21);
    EXPECT_EQ(state->view_h, 21);
    EXPECT_EQ(at(c, 21, 5), WHITE);  // the border's visible column
    EXPECT_EQ(at(c, 0, 0), 4u);

    set_view(25, 25, 100, 100, 4, WHITE, 0);
    EXPECT_EQ(state->view_w, 7);
    EXPECT_EQ(state->view_h, 7);

    // Wholly off screen: an empty view, never a negative size, and nothing
    // drawn through it.
    set_view(-40, -40, -20, -20, 4, WHITE, 0);
    EXPECT_EQ(state->view_w, 0);
    EXPECT_EQ(state->view_h, 0);
    set_view(40, 5, 60, 9, 4, WHITE, 0);
    EXPECT_EQ(state->view_x, 32);
    EXPECT_EQ(state->view_w, 0);
    const Pixels before = drawn(c);
    std::memset(c->dirty, 0, 32);
    g_locks = 0;
    line(0, 0, 10, 10);
    line(0, 0, 10, 10, SOLID, BOX_FILLED);
    EXPECT_EQ(drawn(c), before);
    EXPECT_TRUE(dirty_rows(c).empty());
    EXPECT_EQ(g_locks, 0);

    // Extreme corners: the border one pixel outside stays off screen.
    set_view(std::numeric_limits<std::int32_t>::min() + 1, 0, std::numeric_limits<std::int32_t>::max(), 31, 0, WHITE,
             0);
    EXPECT_EQ(state->view_x, 0);
    EXPECT_EQ(state->view_w, 32);
}

TEST_F(LinesTest, NegativeFlagsDrawInTheForegroundColour) {
    const GfxContext* c = open(16, 16);
    get_draw_state()->fg_colour = 0xFF123456u;
    draw_line(nullptr, 1, 1, 4, 1, 0xFFABCDEFu, BOX_NONE, SOLID, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(at(c, 1, 1), 0xFF123456u);
    EXPECT_EQ(at(c, 4, 1), 0xFF123456u);
    draw_line(nullptr, 1, 3, 4, 3, 0xFFABCDEFu, BOX_NONE, SOLID, 0);
    EXPECT_EQ(at(c, 2, 3), 0xFFABCDEFu);
}

}  // namespace
}  // namespace vz
