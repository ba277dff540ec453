// The operations the drivers share: mouse, title, window position, the common
// set-up and the shared exit, with the update thread running.

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <string>
#include <thread>

#include "fake_platform_support.h"
#include "gfx/driver.h"
#include "gfx/drivers/drivers.h"
#include "gfx/drivers/window_common.h"
#include "gfx/drivers/window_state.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/screen_lock.h"

namespace vz::test {
namespace {

constexpr std::int32_t LEFT = 112, TOP = 84;

class SharedOpsTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_TRUE(open(800, 600, 32));
    }
    const GfxDriver& driver() { return *current_context()->driver; }
};

TEST_F(SharedOpsTest, SetMouseLimitsTheTargetButStoresThePositionGiven) {
    driver().set_mouse(5000, -3, -1, -1);
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    ASSERT_EQ(fake().cursor_moves.size(), 1u);
    EXPECT_EQ(fake().cursor_moves[0], std::make_pair(LEFT + 799, TOP + 0));
    EXPECT_EQ(input_state().mouse_x.load(), 5000);
    EXPECT_EQ(input_state().mouse_y.load(), -3);
    EXPECT_EQ(fake().set_cursor_posts, 0);
    EXPECT_EQ(fake().confines + fake().frees, 0);
}

class FullscreenMouseTest : public DriverTest {};

TEST_F(FullscreenMouseTest, SetMouseInFullscreenMovesToTheClientPositionUnconverted) {
    ASSERT_TRUE(open(640, 480, 32, SCREEN_FULLSCREEN));
    ASSERT_NE(window_state().flags.load() & SCREEN_FULLSCREEN, 0);
    {
        // A window corner away from the origin shows whether it was added.
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        fake().request.x = LEFT;
        fake().request.y = TOP;
    }
    current_context()->driver->set_mouse(10, 700, -1, -1);
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    ASSERT_EQ(fake().cursor_moves.size(), 1u);
    EXPECT_EQ(fake().cursor_moves[0], std::make_pair(10, 479));
    EXPECT_EQ(input_state().mouse_y.load(), 700);
}

TEST_F(SharedOpsTest, SetMouseWithNegativeXShowsTheCursorWithoutMovingIt) {
    driver().set_mouse(-1, 5, 0, -1);  // hide
    driver().set_mouse(-1, 5, 0, -1);  // already hidden: no second message
    driver().set_mouse(-1, 5, 1, -1);  // show
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    EXPECT_TRUE(fake().cursor_moves.empty());
    EXPECT_EQ(fake().set_cursor_posts, 2);
    EXPECT_EQ(input_state().cursor_visible.load(), 1);
    EXPECT_EQ(fake().confines + fake().frees, 0);
}

TEST_F(SharedOpsTest, ClipConfinesAndFreesTheCursorAndGetMouseReportsIt) {
    driver().set_mouse(-1, 0, -1, 1);
    EXPECT_EQ(window_state().cursor_clipped.load(), 1);
    {
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        fake().cursor_x = LEFT + 20;
        fake().cursor_y = TOP + 30;
    }
    send(mouse_move(20, 30));
    std::int32_t x = 0, y = 0, wheel = 9, buttons = 9, clip = 0;
    ASSERT_EQ(driver().get_mouse(&x, &y, &wheel, &buttons, &clip), 0);
    EXPECT_EQ(x, 20);
    EXPECT_EQ(y, 30);
    EXPECT_EQ(wheel, 0);
    EXPECT_EQ(buttons, 0);
    EXPECT_EQ(clip, 1);
    driver().set_mouse(-1, 0, -1, 0);
    EXPECT_EQ(window_state().cursor_clipped.load(), 0);
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    // Confined at the request and again when the first move entered.
    EXPECT_EQ(fake().confines, 2);
    EXPECT_EQ(fake().frees, 1);
}

TEST_F(SharedOpsTest, GetMouseWhileInactiveReturnsMinusOneAndLeavesTheOutputs) {
    WindowMessage deactivate;
    deactivate.type = WindowMessageType::activate;
    send(deactivate);
    std::int32_t out[5] = {11, 22, 33, 44, 55};
    EXPECT_EQ(driver().get_mouse(&out[0], &out[1], &out[2], &out[3], &out[4]), -1);
    EXPECT_EQ(out[0], 11);
    EXPECT_EQ(out[1], 22);
    EXPECT_EQ(out[2], 33);
    EXPECT_EQ(out[3], 44);
    EXPECT_EQ(out[4], 55);
}

TEST_F(SharedOpsTest, SetWindowPosKeepsAMinimumCoordinateAndReturnsTheOldCorner) {
    EXPECT_EQ(driver().set_window_pos(INT32_MIN, 100), LEFT | (TOP << 16));
    {
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        ASSERT_EQ(fake().window_moves.size(), 1u);
        EXPECT_EQ(fake().window_moves[0], std::make_pair(LEFT, 100));
    }
    driver().set_window_pos(-5, INT32_MIN);
    // A negative left edge packs as its low 16 bits.
    EXPECT_EQ(driver().set_window_pos(0, 0), static_cast<std::int32_t>(0xFFFBu | (100u << 16)));
}

TEST_F(SharedOpsTest, SetWindowTitleWhileLockedLetsTheUpdateThreadRun) {
    // The caption change waits for the update thread, as the window system's does.
    bool passed = false;
    {
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        fake().on_caption = [&passed] {
            const int target = fake().pumps.load() + 2;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (fake().pumps.load() < target && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            passed = fake().pumps.load() >= target;
        };
    }
    {
        const ScreenLockGuard lock;
        set_screen_title("renamed");
        EXPECT_EQ(current_context()->lock_count, 1);
    }
    EXPECT_TRUE(passed);
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    ASSERT_FALSE(fake().captions.empty());
    EXPECT_EQ(fake().captions.back(), "renamed");
    fake().on_caption = nullptr;
}

TEST_F(SharedOpsTest, ExitWhileTheProgramHoldsTheLockReturns) {
    screen_lock();
    screen_lock();
    const auto started = std::chrono::steady_clock::now();
    close_screen();
    EXPECT_EQ(current_context(), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_FALSE(input_state().has_thread.load());
    // The driver lock is free again.
    EXPECT_TRUE(input_state().lock.try_lock());
    input_state().lock.unlock();
}

TEST_F(SharedOpsTest, ASecondExitDoesNothing) {
    const GfxDriver& gdi = driver();
    EXPECT_STREQ(gdi.name, "GDI");
    const int closes = fake().closes;
    EXPECT_EQ(gdi.exit(), 0);
    EXPECT_EQ(gdi.exit(), 0);
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    EXPECT_EQ(fake().closes, closes + 1);
    EXPECT_EQ(fake().windows_destroyed, 1);
}

TEST_F(SharedOpsTest, WaitVsyncLastsOneFrameOfTheReportedRate) {
    EXPECT_EQ(current_context()->refresh_rate, 60);
    const auto started = std::chrono::steady_clock::now();
    driver().wait_vsync();
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(16));
}

class CommonSetupTest : public DriverTest {};

TEST_F(CommonSetupTest, ANewScreenStartsFromACleanWindowAndPointerButKeepsItsThread) {
    ASSERT_TRUE(open(320, 200, 32));
    {
        std::lock_guard<std::recursive_mutex> lock(input_state().lock);
        window_state().palette[200][0] = 77;
        input_state().mouse_hwheel.store(5);
    }
    close_screen();
    ASSERT_TRUE(open(320, 200, 32));
    std::lock_guard<std::recursive_mutex> lock(input_state().lock);
    EXPECT_EQ(window_state().palette[200][0], 0);
    EXPECT_EQ(input_state().mouse_hwheel.load(), 0);
    EXPECT_EQ(input_state().cursor_visible.load(), 1);
    EXPECT_TRUE(input_state().has_thread.load());
}

TEST_F(CommonSetupTest, LongTitlesAreCutTo139CharactersInTheClassName) {
    const std::string title(200, 'x');
    ASSERT_EQ(common_setup(title.c_str(), 640, 480, 32, 0, SCREEN_OPENGL), 0);
    EXPECT_EQ(std::string(window_state().class_name), "vzgfxclass_" + std::string(139, 'x'));
    EXPECT_FALSE(input_state().has_thread.load());  // opengl: no update thread
    ASSERT_TRUE(create_window(window_request_for(0, 640, 480)));
    EXPECT_EQ(fake().caption, title);
    EXPECT_EQ(shared_exit(), 0);
    EXPECT_EQ(shared_exit(), 0);
    EXPECT_EQ(fake().closes, 1);
}

TEST_F(CommonSetupTest, WindowsAreCentredWithTheHalfRoundedDown) {
    common_setup("t", 801, 600, 32, 0, SCREEN_OPENGL);
    WindowRequest request = window_request_for(0, 801, 600);
    EXPECT_EQ(request.x, 111);  // (1024 - 801) / 2 = 111.5
    EXPECT_EQ(request.y, 84);
    request = window_request_for(0, 1027, 771);
    EXPECT_EQ(request.x, -2);  // (1024 - 1027) / 2 = -1.5
    EXPECT_EQ(request.y, -2);
    request = window_request_for(SCREEN_FULLSCREEN, 1027, 771);
    EXPECT_EQ(request.frame, WindowFrame::fullscreen);
    EXPECT_EQ(request.x, 0);
    EXPECT_EQ(request.y, 0);
    EXPECT_EQ(window_request_for(SCREEN_NO_FRAME | SCREEN_NO_SWITCH, 8, 8).frame, WindowFrame::popup);
    EXPECT_EQ(window_request_for(SCREEN_TOPMOST, 8, 8).topmost, true);
    shared_exit();
}

TEST_F(CommonSetupTest, HighPriorityRaisesTheUpdateThreadWhileActive) {
    ASSERT_TRUE(open(320, 200, 32, SCREEN_HIGH_PRIORITY));
    WindowMessage deactivate;
    deactivate.type = WindowMessageType::activate;
    send(deactivate);
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    EXPECT_EQ(fake().priorities, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace vz::test
