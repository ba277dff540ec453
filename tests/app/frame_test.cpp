#include "app/frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/world.h"
#include "frame_support.h"
#include "gfx/context.h"
#include "gfx/draw_state.h"
#include "rt/runtime.h"

namespace vz {
namespace {

// The program's screen, in memory only, and a world laid out as the
// program's.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtime_static_init();
        ASSERT_EQ(screen_res(SCREEN_WIDTH, SCREEN_HEIGHT, 32, 0, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
        page_set(0, 1);
        ASSERT_EQ(create_world_arrays(w), 0);
        init_world(w);
    }
    void TearDown() override {
        release_world_arrays(w);
        close_screen();
    }

    static std::vector<std::uint32_t> visible_page() {
        const GfxContext* ctx = current_context();
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(ctx->width) * ctx->height);
        for (std::int32_t y = 0; y < ctx->height; ++y) {
            std::memcpy(&pixels[static_cast<std::size_t>(y) * ctx->width],
                        ctx->visible_ptr + static_cast<std::size_t>(y) * ctx->pitch,
                        static_cast<std::size_t>(ctx->width) * 4);
        }
        return pixels;
    }

    static void expect_same_frame(const std::vector<std::uint32_t>& drawn,
                                  const std::vector<std::uint32_t>& expected) {
        ASSERT_EQ(drawn.size(), expected.size());
        int mismatches = 0;
        for (std::size_t i = 0; i < drawn.size() && mismatches < 10; ++i) {
            if (drawn[i] != expected[i]) {
                ++mismatches;
                ADD_FAILURE() << "pixel (" << i % SCREEN_WIDTH << ", " << i / SCREEN_WIDTH << "): drawn "
                              << std::hex << drawn[i] << ", expected " << expected[i];
            }
        }
    }

    World w{};
};

TEST_F(FrameTest, FirstFrameIsEveryParticleAsAFivePixelPlus) {
    run_frame(w);
    // The first step already puts particles on every screen edge, so the
    // comparison covers the clipped pluses too.
    bool left = false, right = false, top = false, bottom = false;
    for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) {
        const ScreenPosition at = particle_screen_position(w, i);
        left |= at.x == 0;
        right |= at.x == SCREEN_WIDTH - 1;
        top |= at.y == 0;
        bottom |= at.y == SCREEN_HEIGHT - 1;
    }
    EXPECT_TRUE(left && right && top && bottom);
    expect_same_frame(visible_page(), test::paint_reference_frame(w));

    // The frame left the screen unlocked with every line marked changed.
    const GfxContext* ctx = current_context();
    EXPECT_EQ(ctx->lock_count, 0);
    for (std::int32_t y = 0; y < ctx->height; ++y) ASSERT_NE(ctx->dirty[y], 0) << "line " << y;
}

TEST_F(FrameTest, LaterFramesRedrawFromAClearedPage) {
    for (int frame = 0; frame < 3; ++frame) run_frame(w);
    expect_same_frame(visible_page(), test::paint_reference_frame(w));
}

TEST_F(FrameTest, WorldWithoutArraysDrawsOnlyTheClear) {
    run_frame(w);
    World empty{};
    draw_frame(empty);
    const std::vector<std::uint32_t> cleared(static_cast<std::size_t>(SCREEN_WIDTH) * SCREEN_HEIGHT,
                                             test::OPAQUE_BLACK);
    expect_same_frame(visible_page(), cleared);
    EXPECT_EQ(current_context()->lock_count, 0);
}

}  // namespace
}  // namespace vz
