// The C++ face: each call against what the routines beneath it do, on screens
// of the Null driver.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <numbers>
#include <string>

#include "gfx/context.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/surface/draw_state.h"
#include "gfx/text/keys.h"
#include "vzgfx/vzgfx.h"

namespace {

using namespace vzgfx;

constexpr std::int64_t BLACK = 0xFF000000;  // a fresh 32-bit screen's background
constexpr ScreenOptions IN_MEMORY{.no_window = true};

void drain_keys() {
    while (key_waiting()) read_key();
    vz::take_arrived();
}

TEST(FaceScreen, OpensReportsItsSizeAndClosesWhenTheObjectEnds) {
    {
        Screen screen = Screen::open(320, 200, 8, IN_MEMORY);
        ASSERT_TRUE(screen);
        EXPECT_EQ(screen.error(), 0);
        EXPECT_STREQ(Screen::failure(), "");
        EXPECT_EQ(screen.width(), 320);
        EXPECT_EQ(screen.height(), 200);
        EXPECT_EQ(screen.depth(), 8);
        EXPECT_EQ(screen.pages(), 1);
        EXPECT_EQ(screen.text_columns(), 40);
        EXPECT_EQ(screen.text_rows(), 25);
        EXPECT_STREQ(screen.driver(), "Null");
    }
    EXPECT_EQ(vz::current_context(), nullptr);

    Screen deep = Screen::open(16, 16, 24, ScreenOptions{.pages = 3, .no_window = true});
    EXPECT_EQ(deep.depth(), 32);
    EXPECT_EQ(deep.pages(), 3);
}

TEST(FaceScreen, AMovedScreenIsClosedOnceAndANewerScreenIsLeftOpen) {
    Screen first = Screen::open(32, 32, 32, IN_MEMORY);
    Screen moved = std::move(first);
    EXPECT_FALSE(first.is_open());  // NOLINT(bugprone-use-after-move): moved from on purpose
    EXPECT_TRUE(moved.is_open());
    {
        Screen second = Screen::open(48, 48, 32, IN_MEMORY);
        EXPECT_FALSE(moved.is_open());  // the set-up closed it
        EXPECT_EQ(moved.width(), 0);
        moved.close();  // closes nothing
        EXPECT_TRUE(second.is_open());
        EXPECT_EQ(second.width(), 48);
    }
    EXPECT_EQ(vz::current_context(), nullptr);
}

TEST(FaceScreen, RefusedScreensSayWhyAndLeaveTheOpenOne) {
    Screen open = Screen::open(32, 32, 32, IN_MEMORY);
    struct Case {
        int width, height, depth;
        const char* why;
    };
    for (Case k :
         {Case{0, 10, 8, "bad size"}, Case{70000, 10, 8, "size too large"}, Case{10, 10, 7, "depth not offered"}}) {
        const Screen refused = Screen::open(k.width, k.height, k.depth, IN_MEMORY);
        EXPECT_FALSE(refused);
        EXPECT_EQ(refused.error(), 1);
        EXPECT_STREQ(Screen::failure(), k.why);
        EXPECT_TRUE(open.is_open());
    }
    for (int mode : {0, 3, 22, -1}) {
        const Screen refused = Screen::open_mode(mode, IN_MEMORY);
        EXPECT_EQ(refused.error(), 1) << mode;
        EXPECT_STREQ(Screen::failure(), "no such mode");
        EXPECT_TRUE(open.is_open()) << mode;
    }
    const Screen mode13 = Screen::open_mode(13, IN_MEMORY);
    EXPECT_EQ(mode13.width(), 320);
    EXPECT_EQ(mode13.depth(), 8);
}

TEST(FaceScreen, ModeSizesComeFromTheModeTable) {
    const ModeSize m13 = mode_size(13);
    EXPECT_EQ(m13.width, 320);
    EXPECT_EQ(m13.height, 200);
    EXPECT_EQ(m13.depth, 8);
    EXPECT_EQ(m13.pages, 1);
    EXPECT_EQ(m13.text_columns, 40);
    EXPECT_EQ(m13.text_rows, 25);
    EXPECT_EQ(mode_size(7).pages, 8);
    for (int mode : {-1, 0, 3, 6, 22}) EXPECT_EQ(mode_size(mode).width, 0) << mode;
}

TEST(FaceColour, ValuesAreTheRoutinesColourWords) {
    EXPECT_EQ(rgb(0x12, 0x34, 0x56).value, 0xFF123456u);
    EXPECT_EQ(rgba(0x12, 0x34, 0x56, 0x78).value, 0x78123456u);
    EXPECT_EQ(palette_index(200).value, 200u);
}

class FaceDrawing : public ::testing::Test {
protected:
    Screen screen_ = Screen::open(64, 48, 32, IN_MEMORY);
    static int count_in_row(int y, Colour colour) {
        int n = 0;
        for (int x = 0; x < 64; ++x) n += get_point(static_cast<float>(x), static_cast<float>(y)) == colour.value;
        return n;
    }
};

TEST_F(FaceDrawing, CirclesFilledOutlinedAndSquashed) {
    const Colour red = rgb(255, 0, 0);
    circle(20, 20, 5, red, {.filled = true});
    EXPECT_EQ(get_point(20, 20), red.value);
    EXPECT_EQ(get_point(25, 20), red.value);
    EXPECT_EQ(get_point(26, 20), BLACK);

    const Colour green = rgb(0, 255, 0);
    circle(45, 20, 5, green);
    EXPECT_EQ(get_point(45, 20), BLACK);  // outline only
    EXPECT_EQ(get_point(50, 20), green.value);
    EXPECT_EQ(get_point(45, 15), green.value);

    const Colour blue = rgb(0, 0, 255);
    circle(20, 40, 6, blue, {.filled = true, .aspect = 0.5f});
    EXPECT_EQ(get_point(26, 40), blue.value);
    EXPECT_EQ(get_point(20, 43), blue.value);
    EXPECT_EQ(get_point(20, 44), BLACK);
}

TEST_F(FaceDrawing, ArcsAndPieSlices) {
    const Colour white = rgb(255, 255, 255);
    const float quarter = std::numbers::pi_v<float> / 2;
    arc(30, 30, 10, 0, quarter, white);
    EXPECT_EQ(get_point(40, 30), white.value);  // angle 0
    EXPECT_EQ(get_point(30, 20), white.value);  // a quarter turn on, upwards
    EXPECT_EQ(get_point(20, 30), BLACK);        // half a turn: not in the arc
    EXPECT_EQ(get_point(35, 30), BLACK);        // no radial lines

    arc(30, 30, 10, 0, quarter, white, {.pie = true});
    EXPECT_EQ(get_point(35, 30), white.value);  // the line to angle 0
    EXPECT_EQ(get_point(30, 25), white.value);  // the line to a quarter turn
}

TEST_F(FaceDrawing, LinesWithPatternsAndBoxes) {
    const Colour c = rgb(9, 9, 9);
    line(0, 1, 15, 1, c);
    EXPECT_EQ(count_in_row(1, c), 16);
    line(0, 2, 15, 2, c, {.style = 0});
    EXPECT_EQ(count_in_row(2, c), 0);
    line(0, 3, 15, 3, c, {.style = LINE_DASHED});
    EXPECT_EQ(count_in_row(3, c), 8);

    box(30, 20, 10, 10, c);  // corners in either order
    EXPECT_EQ(get_point(10, 10), c.value);
    EXPECT_EQ(get_point(30, 20), c.value);
    EXPECT_EQ(get_point(20, 10), c.value);
    EXPECT_EQ(get_point(20, 15), BLACK);
    box(40, 30, 50, 40, c, {.filled = true});
    EXPECT_EQ(get_point(45, 35), c.value);
    EXPECT_EQ(get_point(51, 35), BLACK);
}

TEST_F(FaceDrawing, PointsAndClear) {
    set_point(3.4f, 4.5f, rgb(1, 2, 3));  // rounds half away from zero: (3, 5)
    EXPECT_EQ(get_point(3, 5), 0xFF010203);
    EXPECT_EQ(count_in_row(5, rgb(1, 2, 3)), 1);
    EXPECT_EQ(get_point(-1, 0), -1);
    EXPECT_EQ(get_point(64, 0), -1);
    EXPECT_EQ(get_point(0, 48), -1);

    set_text_colours(rgb(255, 255, 255), rgb(0, 0, 200));
    clear();
    EXPECT_EQ(get_point(3, 5), 0xFF0000C8);
    EXPECT_EQ(get_point(63, 47), 0xFF0000C8);
}

TEST(FaceDepths, PointsOnPaletteAndSixteenBitScreens) {
    {
        const Screen screen = Screen::open(16, 16, 8, IN_MEMORY);
        set_point(1, 1, palette_index(5));
        EXPECT_EQ(get_point(1, 1), 5);
    }
    {
        const Screen screen = Screen::open(16, 16, 16, IN_MEMORY);
        set_point(1, 1, rgb(0xFF, 0x80, 0x40));
        EXPECT_EQ(get_point(1, 1), 0xFC08);  // RGB565
    }
    EXPECT_EQ(get_point(1, 1), -1);  // no screen
    set_point(1, 1, rgb(1, 1, 1));   // draws nothing, and does not fail
    circle(1, 1, 1, rgb(1, 1, 1));
}

TEST(FacePalette, EntriesInEightBitComponentsAndTheReset) {
    const Screen screen = Screen::open_mode(13, IN_MEMORY);
    const std::uint32_t default5 = palette_entry(5);
    set_palette(5, 255, 128, 3);
    EXPECT_EQ(palette_entry(5), 0xFF8100u);  // 6 bits a component: 128 shows as 129, 3 as 0
    set_palette(-1, 0, 0, 0);                // out of range: neither an entry nor a reset
    set_palette(256, 0, 0, 0);
    EXPECT_EQ(palette_entry(5), 0xFF8100u);
    reset_palette();
    EXPECT_EQ(palette_entry(5), default5);
    EXPECT_EQ(palette_entry(300), 0u);
}

TEST(FaceText, LocateIsOneBasedAndRefusesPositionsOffTheGrid) {
    const Screen screen = Screen::open(80, 40, 32, IN_MEMORY);  // 10 x 5 cells
    EXPECT_EQ(locate(2, 3), 0);
    EXPECT_EQ(vz::current_context()->cursor_y, 1);
    EXPECT_EQ(vz::current_context()->cursor_x, 2);
    for (auto [row, column] : {std::pair{6, 1}, std::pair{1, 11}, std::pair{-1, 1}, std::pair{1, -2}}) {
        EXPECT_EQ(locate(row, column), 1) << row << "," << column;
        EXPECT_EQ(vz::current_context()->cursor_y, 1);
        EXPECT_EQ(vz::current_context()->cursor_x, 2);
    }
    EXPECT_EQ(locate(0, 5), 0);  // 0 keeps the row
    EXPECT_EQ(vz::current_context()->cursor_y, 1);
    EXPECT_EQ(vz::current_context()->cursor_x, 4);
}

TEST(FaceText, PrintDrawsGlyphsAtTheCursor) {
    const Screen screen = Screen::open(80, 40, 32, IN_MEMORY);
    set_text_colours(rgb(255, 255, 0), rgb(0, 0, 0));
    locate(2, 1);
    print("#");
    EXPECT_EQ(vz::current_context()->cursor_x, 1);
    int lit = 0;
    for (int y = 8; y < 16; ++y) {
        for (int x = 0; x < 8; ++x) lit += get_point(static_cast<float>(x), static_cast<float>(y)) == 0xFFFFFF00;
    }
    EXPECT_GT(lit, 10);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(get_point(static_cast<float>(x), 4), BLACK);  // the row above is untouched
    print_line("ab");
    EXPECT_EQ(vz::current_context()->cursor_y, 2);
    EXPECT_EQ(vz::current_context()->cursor_x, 0);
}

class FaceKeys : public ::testing::Test {
protected:
    Screen screen_ = Screen::open(32, 32, 32, IN_MEMORY);
    void SetUp() override { drain_keys(); }
    void TearDown() override { drain_keys(); }
};

TEST_F(FaceKeys, ReadGivesCharactersAndExtendedCodesInOrder) {
    EXPECT_FALSE(key_waiting());
    EXPECT_EQ(read_key(), 0);
    vz::post_key('a');
    vz::post_key(200);
    vz::post_key(KEY_F1 + 256);  // F2
    vz::post_key(KEY_CLOSE);
    EXPECT_TRUE(key_waiting());
    EXPECT_EQ(read_key(), 'a');
    EXPECT_EQ(read_key(), 200);
    EXPECT_EQ(read_key(), extended_key(0x3C));
    EXPECT_EQ(wait_key(), 0x6BFF);
    EXPECT_FALSE(key_waiting());
}

TEST_F(FaceKeys, SleepUntilAKeyLeavesTheKeyQueued) {
    vz::post_key(KEY_ESCAPE);
    sleep(-1);
    EXPECT_TRUE(key_waiting());
    EXPECT_EQ(wait_key(), KEY_ESCAPE);
}

TEST(FaceMouse, NoMouseWithoutAWindow) {
    Mouse mouse{1, 2, 3, 4};
    EXPECT_FALSE(read_mouse(mouse));
    EXPECT_EQ(mouse.x, -1);
    EXPECT_EQ(mouse.buttons, -1);
    const Screen screen = Screen::open(32, 32, 32, IN_MEMORY);
    EXPECT_FALSE(read_mouse(mouse));  // the Null driver has none
}

TEST(FacePages, WorkAndVisiblePagesCopyAndFlip) {
    const Screen screen = Screen::open(16, 16, 32, ScreenOptions{.pages = 2, .no_window = true});
    EXPECT_EQ(set_pages(1, 0), 0);
    set_point(2, 2, rgb(7, 7, 7));
    EXPECT_EQ(flip(), 0);
    EXPECT_EQ(vz::current_context()->visible_page, 1);
    EXPECT_EQ(vz::get_draw_state()->work_page, 0);
    EXPECT_EQ(get_point(2, 2), BLACK);  // page 0 was never drawn on
    EXPECT_EQ(copy_page(1, 0), 0);
    EXPECT_EQ(get_point(2, 2), 0xFF070707);
    EXPECT_EQ(set_pages(0, 2), 1);
    EXPECT_EQ(set_pages(-2, 0), 1);
    EXPECT_EQ(set_pages(-1, -1), 0);
    EXPECT_EQ(vz::current_context()->visible_page, 1);
    EXPECT_EQ(vz::get_draw_state()->work_page, 0);
    EXPECT_EQ(copy_page(0, 5), 1);
    {
        const FrameLock frame;
        EXPECT_EQ(vz::current_context()->lock_count, 1);
    }
    EXPECT_EQ(vz::current_context()->lock_count, 0);

    {
        const Screen single = Screen::open(16, 16, 32, IN_MEMORY);
        EXPECT_EQ(flip(), 1);
    }
    EXPECT_EQ(set_pages(0, 0), 1);  // no screen
    EXPECT_EQ(flip(), 1);
}

TEST(FaceFrame, SavesTheVisiblePageInItsShownColours) {
    const std::string path = (std::filesystem::temp_directory_path() / "vzgfx_face_frame.ppm").string();
    EXPECT_EQ(save_frame(path.c_str()), 1);  // no screen
    const Screen screen = Screen::open(3, 2, 16, ScreenOptions{.pages = 2, .no_window = true});
    set_point(2, 1, rgb(0xFF, 0x80, 0x40));  // stored as RGB565 0xFC08
    set_pages(1, -1);
    set_point(0, 0, rgb(0xFF, 0xFF, 0xFF));  // the work page is not what shows
    ASSERT_EQ(save_frame(path.c_str()), 0);
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    const std::string header = "P6\n3 2\n255\n";
    ASSERT_EQ(bytes.size(), header.size() + 3 * 2 * 3);
    EXPECT_EQ(bytes.substr(0, header.size()), header);
    const auto at = [&](int x, int y, int c) {
        return static_cast<std::uint8_t>(bytes[header.size() + static_cast<std::size_t>((y * 3 + x) * 3 + c)]);
    };
    EXPECT_EQ(at(0, 0, 0), 0);  // black
    // 0xFC08 widened back: red 31 -> 255, green 32 -> 130, blue 8 -> 66.
    EXPECT_EQ(at(2, 1, 0), 255);
    EXPECT_EQ(at(2, 1, 1), 130);
    EXPECT_EQ(at(2, 1, 2), 66);
    EXPECT_EQ(save_frame("/nonexistent-dir/x.ppm"), 1);
}

TEST(FaceBadArguments, GiveTheErrorCodesAndNeverCrash) {
    const Screen screen = Screen::open(32, 32, 32, IN_MEMORY);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float huge = 1e30f;
    circle(nan, 5, 3, rgb(1, 1, 1), {.filled = true});
    circle(5, 5, nan, rgb(1, 1, 1));
    circle(5, 5, huge, rgb(1, 1, 1), {.filled = true, .aspect = huge});
    arc(5, 5, 3, nan, huge, rgb(1, 1, 1), {.pie = true});
    line(-huge, -huge, huge, huge, rgb(2, 2, 2), {.style = LINE_DOTTED});
    box(nan, 0, huge, -huge, rgb(3, 3, 3), {.filled = true});
    set_point(nan, nan, rgb(4, 4, 4));
    EXPECT_EQ(get_point(nan, 0), -1);
    EXPECT_EQ(get_point(huge, huge), -1);
    constexpr int BIG = std::numeric_limits<int>::max();
    EXPECT_EQ(locate(BIG, BIG), 1);
    EXPECT_EQ(locate(std::numeric_limits<int>::min(), 1), 1);
    EXPECT_EQ(set_pages(BIG, 0), 1);
    EXPECT_EQ(copy_page(0, BIG), 1);
    sleep(-5);  // returns at once, like sleep(0)
    EXPECT_EQ(Screen::open(32, 32, 32, ScreenOptions{.pages = BIG, .no_window = true}).error(), 1);
    EXPECT_STREQ(Screen::failure(), "size too large");
}

TEST(FaceVersion, TheLibrarysVersionIsTheHeaders) {
    EXPECT_EQ(version().major, VZGFX_VERSION_MAJOR);
    EXPECT_EQ(version().minor, VZGFX_VERSION_MINOR);
    EXPECT_STREQ(version_text(), VZGFX_VERSION_TEXT);
    EXPECT_EQ(std::string(version_text()), std::to_string(version().major) + "." + std::to_string(version().minor));
}

}  // namespace
