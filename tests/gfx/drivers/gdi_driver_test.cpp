// The GDI driver's presentation, converter choice and set-up failures, and the
// DirectX driver's refusal, over the fake window-system layer.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "fake_platform_support.h"
#include "gfx/driver.h"
#include "gfx/drivers/drivers.h"
#include "gfx/drivers/window_state.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pages.h"
#include "gfx/surface/screen_lock.h"
#include "gfx/text/keys.h"
#include "gfx/text/palette.h"

namespace vz::test {
namespace {

using Puts = std::vector<std::pair<std::int32_t, std::int32_t>>;

class GdiTest : public DriverTest {
protected:
    // Lets the first passes present the cleared screen, then forgets them.
    void settle() {
        wait_passes(2);
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        fake().puts.clear();
    }
    Puts puts_after_passes() {
        wait_passes(2);
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        return fake().puts;
    }
    template <typename T>
    T image_at(std::int32_t x, std::int32_t y) {
        const ScreenLockGuard screen;  // the update thread writes the image inside the lock
        T value{};
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        std::memcpy(&value, fake().image.data() + static_cast<std::size_t>(y) * fake().image_pitch + x * sizeof(T),
                    sizeof(T));
        return value;
    }
    // Writes one pixel of the first page row and lets a whole frame present.
    template <typename T>
    void show_pixel(std::int32_t x, T value) {
        screen_lock();
        std::memcpy(screen_ptr() + x * sizeof(T), &value, sizeof(T));
        screen_unlock(-1, -1);
        wait_passes(2);
    }
    void use_display_format(const ImageFormat& format) {
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        fake().format = format;
    }
};

TEST_F(GdiTest, DirectXFailsAtItsLibrariesAndTheChoiceMovesOnToGdi) {
    ASSERT_TRUE(open(800, 600, 32));
    EXPECT_STREQ(current_context()->driver->name, "GDI");
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    EXPECT_EQ(fake().windows_created, 1);
    // Two DirectX attempts (requested rate, then 0), each closed again.
    EXPECT_EQ(fake().opens, 3);
    EXPECT_EQ(fake().closes, 2);
}

TEST_F(GdiTest, PresentsTheSpanFromTheFirstToTheLastChangedRow) {
    ASSERT_TRUE(open(800, 600, 32));
    settle();
    {
        const ScreenLockGuard lock;
        mark_dirty(10, 10);
        mark_dirty(500, 500);
    }
    EXPECT_EQ(puts_after_passes(), (Puts{{10, 491}}));
    {
        const ScreenLockGuard lock;
        for (std::int32_t y = 0; y < 600; ++y) EXPECT_EQ(current_context()->dirty[y], 0) << y;
    }

    settle();
    screen_lock();
    screen_unlock(-1, -1);  // a whole frame
    EXPECT_EQ(puts_after_passes(), (Puts{{0, 600}}));
    settle();
    EXPECT_TRUE(puts_after_passes().empty()) << "nothing changed, nothing presented";
}

TEST_F(GdiTest, RowsMarkedJustBeforeTheExitAreShownBeforeTheWindowGoes) {
    // As a program that prints its last line and ends at once: the update
    // thread is between passes when the exit comes.
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(open(800, 600, 32));
        settle();
        screen_lock();
        mark_dirty(3, 3);
        mark_dirty(7, 7);
        screen_unlock(1, 0);
        close_screen();
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        EXPECT_EQ(fake().puts, (Puts{{3, 5}})) << "round " << round;
        EXPECT_EQ(fake().puts_without_window, 0) << "round " << round;
        fake().puts.clear();
    }
}

TEST_F(GdiTest, ThePageReachesTheImageThroughTheDisplaysFormat) {
    ASSERT_TRUE(open(800, 600, 32));
    settle();
    show_pixel<std::uint32_t>(7, 0xFFFF8000u);  // orange
    EXPECT_EQ(image_at<std::uint32_t>(7, 0) & 0xFFFFFFu, 0xFF8000u);
}

TEST_F(GdiTest, RedInTheLowBitsSwapsRedAndBlue) {
    use_display_format(ImageFormat{32, 0xFF, 0xFF00, 0xFF0000});
    ASSERT_TRUE(open(64, 8, 32));
    show_pixel<std::uint32_t>(0, 0xFFFF0000u);  // red
    EXPECT_EQ(image_at<std::uint32_t>(0, 0) & 0xFFFFFFu, 0x0000FFu);
}

TEST_F(GdiTest, A16BitPageOnA15BitDisplayShowsWhiteAs7FFF) {
    use_display_format(ImageFormat{15, 0x7C00, 0x3E0, 0x1F});
    ASSERT_TRUE(open(320, 200, 16));
    show_pixel<std::uint16_t>(3, 0xFFFF);  // white
    EXPECT_EQ(image_at<std::uint16_t>(3, 0), 0x7FFF);
    EXPECT_EQ(image_at<std::uint16_t>(4, 0), 0);
}

TEST_F(GdiTest, AnEightBitDirectColourDisplayKeepsTheTopBitsOfEachComponent) {
    // 3 bits of red at the bottom, 3 of green, 2 of blue at the top.
    use_display_format(ImageFormat{8, 0x07, 0x38, 0xC0});
    ASSERT_TRUE(open(64, 8, 32));
    show_pixel<std::uint32_t>(0, 0x00808080u);
    show_pixel<std::uint32_t>(1, 0x00FF0000u);
    show_pixel<std::uint32_t>(2, 0x00FFFFFFu);
    show_pixel<std::uint32_t>(3, 0x001F1F3Fu);      // below every component's first step
    EXPECT_EQ(image_at<std::uint8_t>(0, 0), 0xA4);  // 4 | 4 << 3 | 2 << 6
    EXPECT_EQ(image_at<std::uint8_t>(1, 0), 0x07);
    EXPECT_EQ(image_at<std::uint8_t>(2, 0), 0xFF);
    EXPECT_EQ(image_at<std::uint8_t>(3, 0), 0x00);
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    EXPECT_EQ(fake().colour_sets, 0) << "direct colour needs no colour table";
}

TEST_F(GdiTest, AnIndexedDisplayShowsAPalettePageThroughItsOwnColours) {
    use_display_format(ImageFormat{8, 0, 0, 0});
    ASSERT_TRUE(open(64, 8, 8));
    show_pixel<std::uint8_t>(5, 13);
    EXPECT_EQ(image_at<std::uint8_t>(5, 0), 13) << "indices pass unchanged";
    screen_lock();
    set_palette_entry(13, 63);  // bright red
    screen_unlock(1, 0);
    wait_passes(2);
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    ASSERT_EQ(fake().image_colours.size(), 256u);
    EXPECT_EQ(fake().image_colours[13], 0xFF0000u);
    EXPECT_GE(fake().colour_sets, 2) << "the colours at set-up and after the change";
}

TEST_F(GdiTest, AnIndexedDisplayShowsADeepPageThroughAColourCube) {
    use_display_format(ImageFormat{8, 0, 0, 0});
    ASSERT_TRUE(open(64, 8, 32));
    show_pixel<std::uint32_t>(0, 0x00FF0000u);
    show_pixel<std::uint32_t>(1, 0x0000FF00u);
    show_pixel<std::uint32_t>(2, 0x000000FFu);
    EXPECT_EQ(image_at<std::uint8_t>(0, 0), 0x07);
    EXPECT_EQ(image_at<std::uint8_t>(1, 0), 0x38);
    EXPECT_EQ(image_at<std::uint8_t>(2, 0), 0xC0);
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    ASSERT_EQ(fake().image_colours.size(), 256u);
    EXPECT_EQ(fake().image_colours[0x07], 0xFF0000u);
    EXPECT_EQ(fake().image_colours[0x38], 0x00FF00u);
    EXPECT_EQ(fake().image_colours[0xC0], 0x0000FFu);
    EXPECT_EQ(fake().image_colours[0xFF], 0xFFFFFFu);
    EXPECT_EQ(fake().image_colours[0x00], 0u);
    EXPECT_EQ(fake().image_colours[0x49], 0x242455u);  // 1 of 7, 1 of 7, 1 of 3
}

TEST_F(GdiTest, APaletteChangeShowsOnEveryLine) {
    ASSERT_TRUE(open(320, 200, 8));
    settle();
    {
        const ScreenLockGuard lock;
        set_palette_entry(0, 63);  // index 0 becomes bright red (6-bit components)
    }
    EXPECT_EQ(puts_after_passes(), (Puts{{0, 200}}));
    EXPECT_EQ(image_at<std::uint32_t>(100, 150) & 0xFFFFFFu, 0xFF0000u);
}

TEST_F(GdiTest, APalettePageWhoseWidthIsNoMultipleOfFourKeepsItsRowsApart) {
    ASSERT_TRUE(open(642, 4, 8));
    settle();
    screen_lock();
    set_palette_entry(5, 63 + (32 << 8));  // 6-bit red 63, green 32: (255, 129, 0)
    std::uint8_t* const page = screen_ptr();
    page[642 * 1 + 641] = 5;  // last pixel of row 1
    page[642 * 2 + 0] = 5;    // first pixel of row 2
    screen_unlock(-1, -1);
    wait_passes(2);
    EXPECT_EQ(image_at<std::uint32_t>(641, 1) & 0xFFFFFFu, 0xFF8100u);
    EXPECT_EQ(image_at<std::uint32_t>(0, 2) & 0xFFFFFFu, 0xFF8100u);
    EXPECT_EQ(image_at<std::uint32_t>(640, 1) & 0xFFFFFFu, 0u);
    EXPECT_EQ(image_at<std::uint32_t>(1, 2) & 0xFFFFFFu, 0u);
    EXPECT_EQ(image_at<std::uint32_t>(0, 1) & 0xFFFFFFu, 0u);
}

TEST_F(GdiTest, DoubledLinesPresentBothWindowRowsOfAPageLine) {
    ASSERT_TRUE(screen_mode(8, 0, 0, 0, 0) == 0 && current_context() != nullptr);  // 640 x 200, scanline 2
    EXPECT_EQ(window_state().height, 400);
    settle();
    {
        const ScreenLockGuard lock;
        mark_dirty(3, 3);
    }
    EXPECT_EQ(puts_after_passes(), (Puts{{6, 2}}));
}

TEST_F(GdiTest, HeldKeysFollowTheKeyboardStateWhileActive) {
    ASSERT_TRUE(open(320, 200, 32));
    {
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        fake().keyboard[0x10] = 0x80;  // shift: both shift scancodes
        fake().keyboard[0x25] = 0x80;  // left arrow: scancode 75
    }
    wait_passes(2);
    EXPECT_EQ(key_down(42), -1);
    EXPECT_EQ(key_down(54), -1);
    EXPECT_EQ(key_down(75), -1);
    EXPECT_EQ(key_down(1), 0);
}

TEST_F(GdiTest, OpenglScreensAreRefusedByDirectXAndGdi) {
    EXPECT_EQ(gdi_driver.init("t", 320, 200, 32, 0, SCREEN_OPENGL), -1);
    EXPECT_EQ(gdi_driver.exit(), 0);
    EXPECT_EQ(directx_driver.init("t", 320, 200, 32, 0, SCREEN_OPENGL), -1);
    EXPECT_EQ(directx_driver.init("t", 320, 200, 32, 0, SCREEN_SHAPED), -1);
    EXPECT_EQ(directx_driver.exit(), 0);
    EXPECT_EQ(fake().opens, 0);
}

TEST_F(GdiTest, ShapedWindowsFailWithoutColourKeys) {
    // The core adds no_switch and no_frame; no driver here can key a colour.
    EXPECT_FALSE(open(320, 200, 32, SCREEN_SHAPED));
    EXPECT_EQ(fake().have_window, false);
}

TEST_F(GdiTest, WithoutADisplayNoDriverStarts) {
    fake().open_fails = true;
    EXPECT_FALSE(open(320, 200, 32));
    EXPECT_EQ(current_context(), nullptr);
    EXPECT_EQ(fake().windows_created, 0);
}

TEST_F(GdiTest, AWindowThatCannotBeMadeEndsTheUpdateThreadAndTheInit) {
    fake().create_fails = true;
    EXPECT_FALSE(open(320, 200, 32));
    EXPECT_FALSE(input_state().has_thread.load());
    fake().create_fails = false;
    fake().image_fails = true;
    EXPECT_FALSE(open(320, 200, 32));
    // Every window made for a failed attempt is gone again.
    EXPECT_EQ(fake().windows_created, fake().windows_destroyed);
}

TEST_F(GdiTest, FetchModesListsTheTwinDepthsAndOpenGLOnlyTheExactOne) {
    std::int32_t count = -1;
    std::int32_t* modes = gdi_driver.fetch_modes(24, &count);
    ASSERT_NE(modes, nullptr);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(modes[0], 800 * 65536 + 600);
    std::free(modes);
    EXPECT_EQ(gdi_driver.fetch_modes(16, &count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(opengl_driver.fetch_modes(24, &count), nullptr);
    modes = opengl_driver.fetch_modes(32, &count);
    EXPECT_EQ(count, 2);
    std::free(modes);
    count = 5;
    EXPECT_EQ(directx_driver.fetch_modes(32, &count), nullptr);
    EXPECT_EQ(count, 5);
}

TEST_F(GdiTest, FullscreenSetsTheModeAndRestoresItAtExit) {
    ASSERT_TRUE(open(640, 480, 32, SCREEN_FULLSCREEN));
    {
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        EXPECT_EQ(fake().mode_sets, (Puts{{640, 480}}));
        EXPECT_EQ(fake().request.frame, WindowFrame::fullscreen);
    }
    EXPECT_EQ(current_context()->driver->set_window_pos(10, 10), 0);
    close_screen();
    EXPECT_GE(fake().mode_restores, 1);
    EXPECT_TRUE(fake().window_moves.empty());
}

}  // namespace
}  // namespace vz::test
