#include "gfx/text/input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "gfx/context.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/surface/draw_state.h"
#include "gfx/text/keys.h"
#include "gfx/text/text.h"
#include "key_driver_support.h"
#include "rt/console_hooks.h"
#include "rt/error.h"

namespace vz {
namespace {

constexpr std::int32_t BLOCK = 219;
constexpr std::int32_t BACKSPACE = 8;
constexpr std::int32_t ENTER = 13;

// Called whenever the editor finds the queue empty and pauses; the test
// looks at the screen and types the next keys from here.
std::function<void()> g_on_pause;
void pause_hook(std::int32_t) {
    if (g_on_pause) {
        auto step = g_on_pause;
        step();
    }
}

void type(std::initializer_list<std::int32_t> codes) {
    for (std::int32_t c : codes) post_key(c);
}

// Text-cell character at 0-based column and row.
std::int32_t cell(std::int32_t col, std::int32_t row) { return read_cell(col + 1, row + 1, 0); }

// True when every pixel of the 8 x 8 cell is the background colour.
bool cell_is_blank(std::int32_t col, std::int32_t row) {
    const GfxContext* c = current_context();
    const std::uint32_t bg = get_draw_state()->bg_colour;
    for (int y = row * 8; y < row * 8 + 8; ++y) {
        for (int x = col * 8; x < col * 8 + 8; ++x) {
            std::uint32_t px;
            std::memcpy(&px, c->visible_ptr + y * c->pitch + x * 4, 4);
            if (px != bg) return false;
        }
    }
    return true;
}

class ReadTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(screen_res(320, 200, 32, 1, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
        test::drain_keys();
        saved_sleep_ = console_hooks().sleep_ms;
        console_hooks().sleep_ms = pause_hook;
        g_on_pause = [] {
            ADD_FAILURE() << "the editor waited for a key that was never typed";
            post_key(ENTER);
        };
    }
    void TearDown() override {
        g_on_pause = nullptr;
        console_hooks().sleep_ms = saved_sleep_;
        test::drain_keys();
        close_screen();
    }
    void (*saved_sleep_)(std::int32_t) = nullptr;
};

TEST_F(ReadTextTest, TypedLineEndsWithCarriageReturnAndZero) {
    type({'a', 'b', ENTER});
    std::uint8_t buffer[10];
    std::memset(buffer, 0x77, sizeof buffer);
    ASSERT_EQ(read_text(buffer, 10), buffer);
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(buffer[1], 'b');
    EXPECT_EQ(buffer[2], 13);
    EXPECT_EQ(buffer[3], 0);
    EXPECT_EQ(buffer[4], 0x77);
    EXPECT_EQ(cell(0, 0), 'a');
    EXPECT_EQ(cell(1, 0), 'b');
    EXPECT_EQ(cell(2, 0), ' ');  // the block was blanked
    EXPECT_TRUE(cell_is_blank(2, 0));
    EXPECT_FALSE(cell_is_blank(0, 0));
    const GfxContext* c = current_context();
    EXPECT_EQ(c->cursor_x, 0);  // the carriage return left it at the row's start
    EXPECT_EQ(c->cursor_y, 0);
}

TEST_F(ReadTextTest, BlockCursorFollowsTypingAndBackspace) {
    std::vector<std::string> seen;
    int pauses = 0;
    g_on_pause = [&] {
        const GfxContext* c = current_context();
        seen.push_back(
            std::string{static_cast<char>(cell(0, 0)), static_cast<char>(cell(1, 0)), static_cast<char>(cell(2, 0))} +
            "@" + std::to_string(c->cursor_x));
        switch (++pauses) {
        case 1:
            type({BACKSPACE, 'a', 'b'});
            break;  // backspace with nothing typed
        case 2:
            type({BACKSPACE});
            break;
        default:
            type({ENTER});
            break;
        }
    };
    std::uint8_t buffer[10] = {};
    ASSERT_EQ(read_text(buffer, 10), buffer);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], "\xDB  @0");  // the block on the empty line
    EXPECT_EQ(seen[1], "ab\xDB@2");
    EXPECT_EQ(seen[2], "a\xDB @1");  // "a", the block, the old block blanked
    EXPECT_TRUE(cell_is_blank(2, 0));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)), "a\r");
}

TEST_F(ReadTextTest, FullBufferIgnoresKeysButEnterStillEnds) {
    type({'a', 'b', 'c', 'd', BACKSPACE, 'x', ENTER});
    std::uint8_t buffer[3];
    std::memset(buffer, 0x77, sizeof buffer);
    ASSERT_EQ(read_text(buffer, 3), buffer);
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(buffer[1], 'x');
    EXPECT_EQ(buffer[2], 0);  // no room for the carriage return
    EXPECT_EQ(cell(0, 0), 'a');
    EXPECT_EQ(cell(1, 0), 'x');
    EXPECT_EQ(cell(2, 0), BLOCK);  // Enter on a full buffer leaves the block
    EXPECT_EQ(current_context()->cursor_x, 2);
}

TEST_F(ReadTextTest, ExtendedKeysAndBellAreIgnored) {
    type({0x4BFF, 'q', 0x48FF, 0x3BFF, 7, KEY_CODE_CLOSE, -126, ENTER});
    std::uint8_t buffer[8] = {};
    ASSERT_EQ(read_text(buffer, 8), buffer);
    EXPECT_EQ(buffer[0], 'q');
    EXPECT_EQ(buffer[1], 130);  // a character above 127 is stored as its byte
    EXPECT_EQ(buffer[2], 13);
    EXPECT_EQ(buffer[3], 0);
    EXPECT_EQ(cell(1, 0), 130);
}

TEST_F(ReadTextTest, BackspaceStepsBackAcrossARowStart) {
    const GfxContext* c = current_context();
    ASSERT_EQ(c->text_cols, 40);
    ASSERT_EQ(set_text_pos(1, 40, 0), 257 + 39);  // last column of the first row
    type({'z', BACKSPACE, ENTER});
    std::uint8_t buffer[4] = {};
    ASSERT_EQ(read_text(buffer, 4), buffer);
    EXPECT_EQ(buffer[0], 13);
    EXPECT_EQ(buffer[1], 0);
    EXPECT_EQ(cell(39, 0), ' ');
    EXPECT_EQ(cell(0, 1), ' ');  // the block that had wrapped was blanked
    EXPECT_TRUE(cell_is_blank(39, 0));
    EXPECT_TRUE(cell_is_blank(0, 1));
    EXPECT_EQ(c->cursor_x, 0);
    EXPECT_EQ(c->cursor_y, 0);
}

TEST_F(ReadTextTest, TypingIntoTheLastCellLeavesNoBlockBehindAfterTheScroll) {
    // 320 x 200 with the 8 x 8 font: 40 x 25 cells. A character typed into
    // the bottom-right cell scrolls the screen; afterwards only that
    // character (now one row up) and the block at the start of the new
    // bottom row are drawn, in the cells and in the pixels.
    const GfxContext* c = current_context();
    ASSERT_EQ(c->text_rows, 25);
    set_text_pos(25, 40, 0);
    int pauses = 0;
    g_on_pause = [&] {
        if (++pauses == 1) {
            type({'a'});
            return;
        }
        for (std::int32_t row = 0; row < 25; ++row) {
            for (std::int32_t col = 0; col < 40; ++col) {
                const bool typed = row == 23 && col == 39;
                const bool block = row == 24 && col == 0;
                if (typed) {
                    EXPECT_EQ(cell(col, row), 'a');
                } else if (block) {
                    EXPECT_EQ(cell(col, row), BLOCK);
                } else {
                    EXPECT_TRUE(cell_is_blank(col, row)) << "cell " << col << ", " << row;
                    EXPECT_EQ(cell(col, row), ' ') << "cell " << col << ", " << row;
                }
            }
        }
        type({ENTER});
    };
    std::uint8_t buffer[4] = {};
    ASSERT_EQ(read_text(buffer, 4), buffer);
    EXPECT_EQ(pauses, 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)), "a\r");
}

TEST_F(ReadTextTest, NoRoomOrNoScreen) {
    type({'a', ENTER});
    std::uint8_t buffer[2] = {0x77, 0x77};
    EXPECT_EQ(read_text(buffer, 0), buffer);  // not even the terminator fits
    EXPECT_EQ(buffer[0], 0x77);
    EXPECT_EQ(key_pending(), 1);              // no key was read
    ASSERT_EQ(read_text(buffer, 1), buffer);  // only the terminator fits
    EXPECT_EQ(buffer[0], 0);
    close_screen();
    EXPECT_EQ(read_text(buffer, 2), nullptr);
}

}  // namespace
}  // namespace vz

namespace vz {
namespace {

RtText make_text(std::string_view s) {
    RtText t;
    EXPECT_TRUE(rt_text_assign(t, s));
    return t;
}

std::string row_text(std::int32_t row, std::int32_t count) {
    std::string s;
    for (std::int32_t col = 0; col < count; ++col) s.push_back(static_cast<char>(cell(col, row)));
    return s;
}

// Line reading through the runtime's editor, on a 40 x 25 grid.
class ReadLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(screen_res(320, 200, 32, 1, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
        test::drain_keys();
    }
    void TearDown() override {
        test::drain_keys();
        close_screen();
    }
};

TEST_F(ReadLineTest, PromptQuestionMarkAndLine) {
    type({'h', 'i', ENTER});
    RtText prompt = make_text("Name");
    RtText line;
    EXPECT_EQ(read_line(&prompt, &line, 0, 0, 1, 0), 0);
    EXPECT_EQ(get_last_error(), 0);
    EXPECT_EQ(line.view(), "hi");
    EXPECT_EQ(row_text(0, 8), "Name? hi");
}

TEST_F(ReadLineTest, QuestionMarkNeedsAPrompt) {
    type({ENTER});
    RtText line = make_text("old");
    EXPECT_EQ(read_line(nullptr, &line, 0, 0, 1, 0), 0);
    EXPECT_EQ(line.view(), "");
    EXPECT_EQ(row_text(0, 2), "  ");

    type({ENTER});
    RtText empty;
    EXPECT_EQ(read_line(&empty, &line, 0, 0, 1, 0), 0);
    EXPECT_EQ(row_text(0, 2), "? ");  // an empty prompt still asks
}

TEST_F(ReadLineTest, FixedLengthDestination) {
    type({'h', 'i', ENTER, 'l', 'o', 'n', 'g', ENTER});
    RtText prompt = make_text("A");
    RtText line;
    EXPECT_EQ(read_line(&prompt, &line, 5, 1, 0, 0), 0);
    EXPECT_EQ(line.view(), "hi   ");  // filled with blanks
    EXPECT_EQ(read_line(&prompt, &line, 2, 0, 0, 0), 0);
    EXPECT_EQ(line.view(), "lo");  // cut to the size
}

TEST_F(ReadLineTest, OwedLineFeedFirstAndLineEndAfter) {
    GfxContext* c = current_context();
    c->cursor_x = 39;
    c->flags |= CTX_OWED_LINE_FEED;
    type({ENTER, 'y', ENTER, 'y', ENTER});
    RtText line;
    // No prompt and an empty line: the owed line feed is still carried out.
    EXPECT_EQ(read_line(nullptr, &line, 0, 0, 0, 0), 0);
    EXPECT_EQ(c->flags & CTX_OWED_LINE_FEED, 0u);
    EXPECT_GE(c->cursor_y, 1);

    RtText prompt = make_text("P");
    set_text_pos(5, 1, 0);
    EXPECT_EQ(read_line(&prompt, &line, 0, 0, 0, 0), 0);
    const std::int32_t rows_without_line_end = c->cursor_y - 4;
    set_text_pos(10, 1, 0);
    EXPECT_EQ(read_line(&prompt, &line, 0, 0, 0, 1), 0);
    EXPECT_EQ(line.view(), "y");
    EXPECT_EQ(cell(0, 9), 'P');
    EXPECT_EQ(c->cursor_y - 9, rows_without_line_end + 1);  // the line end adds one line
    EXPECT_EQ(c->cursor_x, 0);
}

std::int32_t end_of_input() { return 0; }

TEST_F(ReadLineTest, NoLineIsErrorFourAndLeavesTheDestination) {
    auto saved = console_hooks().wait_key;
    console_hooks().wait_key = end_of_input;  // the editor gets no line
    RtText prompt = make_text("Q");
    RtText line = make_text("kept");
    const std::int32_t narrow = read_line(&prompt, &line, 0, 0, 1, 0);
    std::uint16_t wide[2] = {0x7777, 0x7777};
    const std::int32_t wide_result = read_wide_line(nullptr, 0, wide, 2, 0, 0);
    console_hooks().wait_key = saved;
    EXPECT_EQ(narrow, 4);
    EXPECT_EQ(wide_result, 4);
    EXPECT_EQ(get_last_error(), 4);
    EXPECT_EQ(line.view(), "kept");
    EXPECT_EQ(wide[0], 0x7777);
    EXPECT_EQ(row_text(0, 3), "Q? ");  // the prompt was printed before the read
}

TEST_F(ReadLineTest, WideLine) {
    type({'h', 'i', ENTER, 'a', 'b', 'c', ENTER});
    const std::uint16_t prompt[] = {'W', 0xF6, 0x263A};
    std::uint16_t line[4] = {0x7777, 0x7777, 0x7777, 0x7777};
    EXPECT_EQ(read_wide_line(prompt, 3, line, 4, 1, 0), 0);
    EXPECT_EQ(line[0], 'h');
    EXPECT_EQ(line[1], 'i');
    EXPECT_EQ(line[2], 0);
    EXPECT_EQ(line[3], 0x7777);
    EXPECT_EQ(cell(0, 0), 'W');
    EXPECT_EQ(cell(1, 0), 0xF6);
    EXPECT_EQ(cell(2, 0), '?');
    EXPECT_EQ(row_text(0, 5).substr(3), "? ");

    std::fill(std::begin(line), std::end(line), 0x7777);
    EXPECT_EQ(read_wide_line(nullptr, 0, line, 2, 1, 0), 0);
    EXPECT_EQ(line[0], 'a');
    EXPECT_EQ(line[1], 'b');
    EXPECT_EQ(line[2], 0x7777);  // no room for the terminator: none written
}

}  // namespace
}  // namespace vz
