// ellipse's small-circle path against the general walk, exhaustively: every
// small radius class, fractional centres, every clip position around the
// view's four edges, the coordinate modes, screen-absolute coordinates,
// blending, and calls inside and outside the caller's lock. Pixels, dirty
// rows, the last point, the chosen routines and the driver lock calls must
// all be the same.

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/context.h"
#include "gfx/draw_state.h"
#include "gfx/ellipse.h"
#include "gfx/ellipse_small.h"
#include "gfx/pages.h"
#include "gfx/pixels.h"
#include "screen_support.h"

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

using EllipseFn = void (*)(void*, float, float, float, std::uint32_t, float, float, float, std::int32_t,
                           std::int32_t);

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
        const float fractions[][2] = {{0.0f, 0.0f}, {0.5f, -0.5f}, {-0.5f, 0.25f}, {0.4999999f, 0.75f},
                                      {-0.25f, 0.5000001f}};
        int failures = 0;
        for (int y = y_from; y <= y_to; y += POSITION_STRIDE) {
            for (int x = x_from; x <= x_to; x += POSITION_STRIDE) {
                for (const auto& f : fractions) {
                    const Call call{static_cast<float>(x) + f[0], static_cast<float>(y) + f[1], radius, aspect,
                                    colour, coord_flags};
                    if (!agree(call, in_lock) && ++failures > 3) return failures;
                }
            }
        }
        return failures;
    }

    GfxContext* context = nullptr;
};

const float RADII[] = {0.25f, 0.5f, 0.99f, 1.0f, 1.0000001f, 1.25f, 1.5f, 1.9999999f, 2.0f, 2.5f, 3.0f, 3.7f,
                       4.0f, 5.5f, 8.0f, 11.3f, 15.999999f, 16.0f, 16.000002f, 19.0f};

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
    for (std::int32_t flags : {0, 1, 2, 3, 4, 5, 6, 7, 0x14, static_cast<std::int32_t>(0x80000004u)}) {
        for (float radius : {1.0f, 2.5f, 6.0f}) {
            SCOPED_TRACE("flags " + std::to_string(flags) + " radius " + std::to_string(radius));
            ASSERT_EQ(sweep(radius, 0.0f, 0xFF00FF00u, flags, flags % 2 == 0), 0);
        }
    }
    // Screen-absolute coordinates ignore the view's offset.
    state->state_flags |= DS_SCREEN_ABSOLUTE;
    for (float radius : {1.0f, 3.0f}) ASSERT_EQ(sweep(radius, 0.0f, 0xFFABCDEFu, 4, true), 0);
}

TEST_F(SmallCircleTest, AspectsAndBlendingAreLeftToTheGeneralPathWithTheSameResult) {
    for (float aspect : {1.0f, 0.5f, 2.0f, 1.0000001f}) {
        for (float radius : {1.0f, 4.0f}) ASSERT_EQ(sweep(radius, aspect, 0xFF0000FFu, 4, true), 0);
    }
    context->flags |= CTX_BLENDING;
    for (std::uint32_t colour : {0xFF204060u, 0x80204060u, 0x00FFFFFFu}) {
        ASSERT_EQ(sweep(2.0f, 0.0f, colour, 4, true), 0);
    }
    context->flags &= ~CTX_BLENDING;
}

TEST_F(SmallCircleTest, ScreenAspectOtherThanOneTakesTheGeneralPath) {
    context->aspect = 0.75f;
    ASSERT_EQ(sweep(3.0f, 0.0f, 0xFF0000FFu, 4, true), 0);
    // The fast path must have declined: a flattened circle has fewer rows.
    const Outcome out = draw(ellipse, {10.0f, 10.0f, 3.0f, 0.0f, 0xFF0000FFu, 4}, true);
    int rows = 0;
    for (int y = 0; y < HEIGHT; ++y) rows += out.pixels[static_cast<std::size_t>(y) * WIDTH + 10] != 0xFF000000u;
    EXPECT_EQ(rows, 5);
}

}  // namespace
}  // namespace vz
