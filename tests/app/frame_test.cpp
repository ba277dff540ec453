#include "app/frame.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "allocation_count.h"
#include "app/program.h"
#include "app/world.h"
#include "app/world_fast.h"
#include "frame_support.h"
#include "gfx/context.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pixels.h"
#include "gfx/text/keys.h"
#include "gfx/text/text.h"
#include "rt/console.h"
#include "rt/error.h"
#include "rt/runtime.h"

namespace vz {
namespace {

// The program's screen, in memory only, and a world laid out as the
// program's.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtime_static_init();
        ASSERT_EQ(open_program_screen(SCREEN_FLAGS_NULL_DRIVER), 0);
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

    static void expect_same_frame(const std::vector<std::uint32_t>& drawn, const std::vector<std::uint32_t>& expected) {
        ASSERT_EQ(drawn.size(), expected.size());
        int mismatches = 0;
        for (std::size_t i = 0; i < drawn.size() && mismatches < 10; ++i) {
            if (drawn[i] != expected[i]) {
                ++mismatches;
                ADD_FAILURE() << "pixel (" << i % SCREEN_WIDTH << ", " << i / SCREEN_WIDTH << "): drawn " << std::hex
                              << drawn[i] << ", expected " << expected[i];
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

// The program's fast frame (fast step, small-circle path) against the plain
// exact frame: the same world and the same page after many frames. The
// sanitizer build runs a shorter stretch.
TEST_F(FrameTest, FastFramesDrawTheSamePageAsTheExactFrames) {
#ifdef NDEBUG
    constexpr int FRAMES = 1000;
#else
    constexpr int FRAMES = 60;
#endif
    World exact{};
    ASSERT_EQ(create_world_arrays(exact), 0);
    init_world(exact);
    FastStepper stepper;
    for (int frame = 0; frame < FRAMES; ++frame) {
        stepper.step(w);
        step_world(exact);
    }
    draw_frame(exact);
    const std::vector<std::uint32_t> exact_page = visible_page();
    draw_measured_frame(w, stepper);
    expect_same_frame(visible_page(), exact_page);
    // Particles cover the screen edges, so clipped circles are compared too.
    expect_same_frame(visible_page(), test::paint_reference_frame(exact));
    for (auto member : {&World::particle_x, &World::particle_y, &World::velocity_x, &World::velocity_y}) {
        EXPECT_EQ(std::memcmp(float_elements(w.*member), float_elements(exact.*member), 4 * PARTICLE_COUNT), 0);
    }
    EXPECT_EQ(w.speed_normaliser, exact.speed_normaliser);
    EXPECT_EQ(current_context()->lock_count, 0);
    release_world_arrays(exact);
}

// The threads of this process where the system lists them (Linux), else -1.
int thread_count() {
#ifdef __linux__
    std::error_code error;
    int count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/task", error), end; !error && it != end;
         it.increment(error)) {
        ++count;
    }
    return error ? -1 : count;
#else
    return -1;
#endif
}

// The program's frame loop (step, draw, the key test) allocates nothing and
// starts no thread once its first frames are done: the step's buffers, the
// drawing set-up and the pages are all made before it.
TEST_F(FrameTest, FastFramesAllocateNothingAndStartNoThread) {
    FastStepper stepper;
    for (int frame = 0; frame < 3; ++frame) run_frame(w, stepper);
    const int threads = thread_count();
    test::start_counting_allocations();
    for (int frame = 0; frame < 30; ++frame) {
        run_frame(w, stepper);
        EXPECT_TRUE(runtime_key_text().empty());
        EXPECT_FALSE(runtime_input_ended());
    }
    EXPECT_EQ(test::stop_counting_allocations(), 0);
    EXPECT_EQ(thread_count(), threads);

    // The counter sees what it is meant to see: an operator new, and on
    // Linux a C allocation too (a thread's start allocates through both).
    test::start_counting_allocations();
    ::operator delete(::operator new(16));
    void* volatile c_block = std::malloc(16);
    std::free(c_block);
    EXPECT_EQ(test::stop_counting_allocations(), test::counts_c_allocations() ? 2 : 1);
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

TEST_F(FrameTest, AnyKeyBeforeTheKeyTestEndsTheLoopAfterThatFrame) {
    // A character, a character above 127, an extended key and the window's
    // close request: each is a non-empty key text, taken by the key test.
    for (std::int32_t code : {std::int32_t{'x'}, -126, 0x48FF, KEY_CODE_CLOSE}) {
        post_key(code);
        EXPECT_EQ(run_frames_until_key(w), 1) << "key " << code;
        EXPECT_EQ(key_pending(), 0) << "key " << code;
        // The frame was drawn in full before the loop ended.
        expect_same_frame(visible_page(), test::paint_reference_frame(w));
    }
}

TEST_F(FrameTest, SeedIsShownAloneInTheTopLeftCornerWithALineBreak) {
    post_key('q');
    ASSERT_EQ(run_frames_until_key(w), 1);
    set_last_error(ERR_OK);
    show_seed();

    const std::string expected = " 52231.78 ";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(read_cell(static_cast<std::int32_t>(i) + 1, 1, 0), expected[i]) << "column " << i + 1;
    }
    EXPECT_EQ(get_text_row(), 2);
    EXPECT_EQ(get_text_col(), 1);
    EXPECT_EQ(screen_channel().column, 0);
    // The page copy came last and was refused: page 1 does not exist.
    EXPECT_EQ(get_last_error(), ERR_ILLEGAL_CALL);

    // The clear came before the print: below the first text row (8 pixels of
    // the 8 x 8 font) no particle is left, and the seed's glyphs are drawn.
    const std::vector<std::uint32_t> page = visible_page();
    for (std::size_t i = 8u * SCREEN_WIDTH; i < page.size(); ++i) {
        ASSERT_EQ(page[i], test::OPAQUE_BLACK) << "pixel " << i % SCREEN_WIDTH << ", " << i / SCREEN_WIDTH;
    }
    bool glyphs = false;
    for (std::size_t i = 0; i < 8u * SCREEN_WIDTH; ++i) glyphs |= page[i] != test::OPAQUE_BLACK;
    EXPECT_TRUE(glyphs);
}

}  // namespace
}  // namespace vz
