// Choosing the display driver, and the mouse hooks that go through it.

#include <string>
#include <vector>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/screen_failure.h"
#include "gfx/text/mouse_hooks.h"
#include "rt/console_hooks.h"
#include "rt/error.h"
#include "tests/gfx/screen_support.h"
#include "tests/test_env.h"

namespace vz::test {
namespace {

using DriverChoiceTest = ScreenTest;

struct Expected {
    const char* driver;
    std::int32_t refresh;
    std::int32_t flags;
};

// Checks that the log is exactly these inits, each failed one followed by the
// same driver's exit.
void expect_failed_inits(const std::vector<Expected>& expected) {
    const auto& calls = fake_log().calls;
    ASSERT_EQ(calls.size(), expected.size() * 2);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const DriverCall& init = calls[i * 2];
        const DriverCall& exit = calls[i * 2 + 1];
        EXPECT_EQ(init.what, "init") << i;
        EXPECT_EQ(init.driver, expected[i].driver) << i;
        EXPECT_EQ(init.refresh_rate, expected[i].refresh) << i;
        EXPECT_EQ(init.flags, expected[i].flags) << i;
        EXPECT_EQ(exit.what, "exit") << i;
        EXPECT_EQ(exit.driver, expected[i].driver) << i;
    }
}

std::vector<Expected> full_round(std::int32_t refresh, std::int32_t flags) {
    return {{"DirectX", refresh, flags}, {"DirectX", 0, flags},      {"GDI", refresh, flags},
            {"GDI", 0, flags},           {"OpenGL", refresh, flags}, {"OpenGL", 0, flags}};
}

TEST_F(DriverChoiceTest, NullInAnyCaseTakesTheNullDriverWithoutInit) {
    use_fake_drivers();
    test::set_env("VZGFX", "NuLl");
    ASSERT_EQ(screen_res(16, 16, 32, 0, 0, 0), 0);
    EXPECT_EQ(current_context()->driver, &null_driver);
    EXPECT_TRUE(fake_log().calls.empty());
}

TEST_F(DriverChoiceTest, FlagsMinusOneTakeTheNullDriverWithoutInit) {
    use_fake_drivers();
    ASSERT_EQ(screen_res(16, 16, 32, 0, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
    EXPECT_EQ(current_context()->driver, &null_driver);
    EXPECT_TRUE(fake_log().calls.empty());
    // Every bit set does not turn on blending or OpenGL.
    EXPECT_EQ(current_context()->flags & (CTX_BLENDING | CTX_OPENGL), 0u);
}

TEST_F(DriverChoiceTest, WithoutAPreferenceTwelveInitsThenFailure) {
    use_fake_drivers(-1);
    EXPECT_EQ(screen_res(64, 48, 32, 0, SCREEN_TOPMOST, 60), 1);
    EXPECT_EQ(get_last_error(), 1);
    std::vector<Expected> expected = full_round(60, SCREEN_TOPMOST);
    const auto inverted = full_round(60, SCREEN_TOPMOST | SCREEN_FULLSCREEN);
    expected.insert(expected.end(), inverted.begin(), inverted.end());
    expect_failed_inits(expected);
    EXPECT_EQ(current_context(), nullptr);
    EXPECT_EQ(console_hooks().clear, nullptr);
    EXPECT_EQ(console_hooks().page_set, nullptr);
}

TEST_F(DriverChoiceTest, TheFailureTextNamesEachDriverTriedOnceWithItsReason) {
    use_fake_drivers(-1);
    fake_log().refusals[1] = "no display";
    fake_log().refusals[2] = "not an OpenGL screen";
    EXPECT_EQ(screen_res(64, 48, 32, 0, 0, 0), 1);
    EXPECT_EQ(fake_log().inits, 12);
    EXPECT_STREQ(screen_failure_text(),
                 "no driver started: DirectX: init failed; GDI: no display; OpenGL: not an OpenGL screen");
    // Each set-up lists the reasons of its own tries.
    fake_log().refusals[0] = "no DirectDraw";
    EXPECT_EQ(screen_res(64, 48, 32, 0, 0, 0), 1);
    EXPECT_STREQ(screen_failure_text(),
                 "no driver started: DirectX: no DirectDraw; GDI: no display; OpenGL: not an OpenGL screen");
    // The next set-up that starts a driver clears it.
    fake_log().succeed_at_init = fake_log().inits + 3;
    ASSERT_EQ(screen_res(64, 48, 32, 0, 0, 0), 0);
    EXPECT_STREQ(screen_failure_text(), "");
}

TEST_F(DriverChoiceTest, ANumberedModeThatFindsNoDriverReportsTheFailure) {
    use_fake_drivers(-1);
    EXPECT_EQ(screen_mode(13, 0, 0, 0, 0), 1);
    EXPECT_EQ(get_last_error(), 1);
    EXPECT_EQ(current_context(), nullptr);
    EXPECT_EQ(fake_log().inits, 12);
}

TEST_F(DriverChoiceTest, APreferredNameIsTriedFirstInEachHalf) {
    use_fake_drivers(-1);
    test::set_env("VZGFX", "gdi");
    EXPECT_EQ(screen_res(64, 48, 32, 0, SCREEN_FULLSCREEN, 75), 1);
    std::vector<Expected> expected = {{"GDI", 75, SCREEN_FULLSCREEN}, {"GDI", 0, SCREEN_FULLSCREEN}};
    auto round = full_round(75, SCREEN_FULLSCREEN);
    expected.insert(expected.end(), round.begin(), round.end());
    expected.push_back({"GDI", 75, 0});
    expected.push_back({"GDI", 0, 0});
    round = full_round(75, 0);
    expected.insert(expected.end(), round.begin(), round.end());
    expect_failed_inits(expected);
    EXPECT_EQ(fake_log().inits, 16);
}

TEST_F(DriverChoiceTest, AnUnknownNameStillTriesEveryDriver) {
    use_fake_drivers(-1);
    test::set_env("VZGFX", "vesa");
    EXPECT_EQ(screen_res(64, 48, 32, 0, 0, 0), 1);
    std::vector<Expected> expected = full_round(0, 0);
    const auto inverted = full_round(0, SCREEN_FULLSCREEN);
    expected.insert(expected.end(), inverted.begin(), inverted.end());
    expect_failed_inits(expected);
}

TEST_F(DriverChoiceTest, TheFirstSuccessfulInitIsKept) {
    // OpenGL twice, DirectX twice, GDI with the rate, then GDI with 0 succeeds.
    use_fake_drivers(5);
    test::set_env("VZGFX", "OPENGL");
    ASSERT_EQ(screen_mode(2, 0, 0, 0, 85), 0);
    ASSERT_NE(current_context(), nullptr);
    EXPECT_EQ(current_context()->driver, &fake_gdi);
    const auto& calls = fake_log().calls;
    ASSERT_EQ(calls.size(), 11u);  // five failures with their exits, then the success
    EXPECT_EQ(calls[0].driver, "OpenGL");
    EXPECT_EQ(calls[2].driver, "OpenGL");
    EXPECT_EQ(calls[4].driver, "DirectX");
    EXPECT_EQ(calls[8].driver, "GDI");
    const DriverCall& last = calls.back();
    EXPECT_EQ(last.what, "init");
    EXPECT_EQ(last.driver, "GDI");
    EXPECT_EQ(last.refresh_rate, 0);
    // Mode 2 is 640 x 200 with two window lines per page line.
    EXPECT_EQ(last.width, 640);
    EXPECT_EQ(last.height, 400);
    EXPECT_EQ(last.depth, 1);

    fake_log().calls.clear();
    use_fake_drivers(1);
    ASSERT_EQ(screen_mode(2, 0, 0, 0, 85), 0);
    EXPECT_EQ(current_context()->driver, &fake_opengl);
    ASSERT_EQ(calls.size(), 4u);
    // The old GDI screen was closed through its own exit first.
    EXPECT_EQ(calls[0].what, "exit");
    EXPECT_EQ(calls[0].driver, "GDI");
    EXPECT_EQ(calls[3].refresh_rate, 0);
}

TEST_F(DriverChoiceTest, InitIsToldTheNormalisedDepthAndShapedFlags) {
    use_fake_drivers();
    ASSERT_EQ(screen_res(64, 48, 24, 0, SCREEN_SHAPED, 0), 0);
    EXPECT_EQ(fake_log().calls[0].depth, 32);
    EXPECT_EQ(fake_log().calls[0].flags, SCREEN_SHAPED | SCREEN_NO_SWITCH | SCREEN_NO_FRAME);

    fake_log() = FakeDriverLog{};
    use_fake_drivers();
    ASSERT_EQ(screen_res(64, 48, 8, 0, SCREEN_OPENGL, 0), 0);
    EXPECT_EQ(fake_log().calls[1].depth, 16);  // [0] is the previous screen's exit
    EXPECT_EQ(current_context()->depth, 16);
    EXPECT_NE(current_context()->flags & CTX_OPENGL, 0u);
}

TEST_F(DriverChoiceTest, TheDriverStopsBeforeTheScreenMemoryIsFreed) {
    use_fake_drivers();
    ASSERT_EQ(screen_res(64, 48, 32, 3, 0, 0), 0);
    close_screen();
    ASSERT_EQ(fake_log().calls.size(), 2u);
    EXPECT_EQ(fake_log().calls[1].what, "exit");
    EXPECT_TRUE(fake_log().calls[1].context_alive);
    EXPECT_EQ(current_context(), nullptr);
}

TEST_F(DriverChoiceTest, ReadMouseGoesThroughTheDriverUnderTheLock) {
    std::int32_t out[5] = {7, 7, 7, 7, 7};
    EXPECT_EQ(read_mouse(&out[0], &out[1], &out[2], &out[3], &out[4]), 1);  // no screen
    for (std::int32_t v : out) EXPECT_EQ(v, -1);

    use_fake_drivers();
    ASSERT_EQ(screen_res(64, 48, 32, 0, 0, 0), 0);
    EXPECT_EQ(read_mouse(&out[0], &out[1], &out[2], &out[3], &out[4]), 0);
    EXPECT_EQ(get_last_error(), 0);
    EXPECT_EQ(out[0], 11);
    EXPECT_EQ(out[4], 55);
    EXPECT_EQ(fake_log().lock_count_in_get_mouse, 1);
    EXPECT_EQ(current_context()->lock_count, 0);
    EXPECT_EQ(read_mouse(&out[0], &out[1], nullptr, nullptr, nullptr), 0);  // optional outputs

    fake_log().mouse_result = -1;
    out[0] = out[1] = out[2] = out[3] = out[4] = 7;
    EXPECT_EQ(read_mouse(&out[0], &out[1], &out[2], &out[3], &out[4]), 1);
    for (std::int32_t v : out) EXPECT_EQ(v, -1);

    close_screen();
    use_null_driver();
    ASSERT_EQ(screen_res(64, 48, 32, 0, 0, 0), 0);  // no mouse on the Null driver
    EXPECT_EQ(console_hooks().read_mouse(&out[0], &out[1], nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(console_hooks().place_mouse(1, 2, 1, 0), 1);
}

TEST_F(DriverChoiceTest, PlaceMouseGoesThroughTheDriverUnderTheLock) {
    EXPECT_EQ(place_mouse(1, 2, 3, 4), 1);
    use_fake_drivers();
    ASSERT_EQ(screen_res(64, 48, 32, 0, 0, 0), 0);
    EXPECT_EQ(place_mouse(5000, -3, -1, 0), 0);
    EXPECT_EQ(fake_log().set_mouse_args, (std::vector<std::int32_t>{5000, -3, -1, 0, 1}));
    EXPECT_EQ(current_context()->lock_count, 0);
}

}  // namespace
}  // namespace vz::test
