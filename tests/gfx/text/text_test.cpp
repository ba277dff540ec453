// Text output on the graphics screen: cells, cursor, control bytes, wrapping,
// scrolling, the owed line feed, glyph drawing, grid changes and clear.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/context.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/shapes/lines.h"
#include "gfx/surface/draw_state.h"
#include "gfx/text/packed_data.h"
#include "gfx/text/palette.h"
#include "gfx/text/text.h"
#include "gfx/text/view.h"
#include "rt/console.h"
#include "tests/support/counting_allocator.h"

namespace vz {
namespace {

constexpr std::uint32_t WHITE = 0xFFFFFFFFu;
constexpr std::uint32_t BLACK = 0xFF000000u;

void print(const std::string& text) {
    print_text(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<std::int32_t>(text.size()), 0);
}

class TextTest : public ::testing::Test {
protected:
    void SetUp() override { open(800, 600, 32); }
    void TearDown() override { close_screen(); }

    void open(std::int32_t width, std::int32_t height, std::int32_t depth) {
        ASSERT_EQ(screen_res(width, height, depth, 1, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
        ctx = current_context();
        ASSERT_NE(ctx, nullptr);
    }

    const TextCell& cell(int col, int row) const {  // 0-based
        return ctx->text_cells[0][row * ctx->text_cols + col];
    }
    std::uint32_t pixel(int x, int y) const {
        std::uint32_t p;
        std::memcpy(&p, ctx->pages[0] + static_cast<std::size_t>(y) * ctx->pitch + static_cast<std::size_t>(x) * 4, 4);
        return p;
    }
    void put(int x, int y, std::uint32_t p) {
        std::memcpy(ctx->pages[0] + static_cast<std::size_t>(y) * ctx->pitch + static_cast<std::size_t>(x) * 4, &p, 4);
    }
    // True when cell (col, row) shows glyph g of the current font in fg on bg.
    bool shows_glyph(int col, int row, std::uint8_t g, std::uint32_t fg = WHITE, std::uint32_t bg = BLACK) const {
        const FontDesc* f = ctx->font;
        for (int r = 0; r < f->height; ++r) {
            const std::uint8_t bits = f->glyphs[g * f->height + r];
            for (int i = 0; i < 8; ++i) {
                const std::uint32_t want = ((bits >> i) & 1) ? fg : bg;
                if (pixel(col * 8 + i, row * f->height + r) != want) return false;
            }
        }
        return true;
    }
    std::pair<int, int> pos() const {
        std::int32_t col = 0, row = 0;
        get_text_pos(&col, &row);
        return {col, row};
    }

    GfxContext* ctx = nullptr;
};

TEST_F(TextTest, PrintingStoresCellsDrawsGlyphsAndAdvancesTheCursor) {
    ASSERT_EQ(ctx->text_cols, 100);
    ASSERT_EQ(ctx->text_rows, 75);
    ASSERT_EQ(ctx->font, font_8x8());
    print("AB");
    EXPECT_EQ(cell(0, 0).ch, 'A');
    EXPECT_EQ(cell(1, 0).ch, 'B');
    EXPECT_EQ(cell(0, 0).fg, WHITE);
    EXPECT_EQ(cell(0, 0).bg, BLACK);
    EXPECT_EQ(cell(2, 0).ch, ' ');
    EXPECT_EQ(pos(), std::make_pair(3, 1));
    EXPECT_EQ(get_text_col(), 3);
    EXPECT_EQ(get_text_row(), 1);
    EXPECT_TRUE(shows_glyph(0, 0, 'A'));
    EXPECT_TRUE(shows_glyph(1, 0, 'B'));
    // Colours come from the drawing state at the time of printing.
    set_color(0xFF00FF00u, 0xFF0000FFu, 0);
    print("C");
    EXPECT_EQ(cell(2, 0).fg, 0xFF00FF00u);
    EXPECT_EQ(cell(2, 0).bg, 0xFF0000FFu);
    EXPECT_TRUE(shows_glyph(2, 0, 'C', 0xFF00FF00u, 0xFF0000FFu));
}

TEST_F(TextTest, ControlBytes) {
    // Tabs run to the next multiple of eight: 8 blanks from column 0, 3 from
    // column 5, 8 from column 8.
    print("\t");
    EXPECT_EQ(get_text_col(), 9);
    set_text_pos(2, 6, 0);
    print("\t");
    EXPECT_EQ(get_text_col(), 9);
    set_text_pos(3, 1, 0);
    print("xxxxxxxxxxxxxxxxxxxx");
    set_text_pos(3, 9, 0);
    print("\t");
    EXPECT_EQ(get_text_col(), 17);
    for (int c = 8; c < 16; ++c) EXPECT_EQ(cell(c, 2).ch, ' ') << c;
    EXPECT_EQ(cell(16, 2).ch, 'x');
    // A tab counts the bytes still waiting to be drawn before it.
    set_text_pos(4, 1, 0);
    print("abc\tZ");
    EXPECT_EQ(cell(8, 3).ch, 'Z');

    // Backspace moves left without erasing and never leaves the row.
    set_text_pos(5, 1, 0);
    print("AB\b");
    EXPECT_EQ(pos(), std::make_pair(2, 5));
    EXPECT_EQ(cell(1, 4).ch, 'B');
    print("\b\b\b");
    EXPECT_EQ(pos(), std::make_pair(1, 5));

    // Line feed returns to column 1 of the next row; carriage return only returns.
    print("AB\n");
    EXPECT_EQ(pos(), std::make_pair(1, 6));
    print("XYZ\r");
    EXPECT_EQ(pos(), std::make_pair(1, 6));

    // 11 and 12 are glyphs; 7 draws nothing and leaves the cursor.
    set_text_pos(7, 1, 0);
    const std::uint8_t bytes[] = {11, 12, 7};
    print_text(bytes, 3, 0);
    EXPECT_EQ(cell(0, 6).ch, 11);
    EXPECT_EQ(cell(1, 6).ch, 12);
    EXPECT_EQ(cell(2, 6).ch, ' ');
    EXPECT_TRUE(shows_glyph(0, 6, 11));
    EXPECT_TRUE(shows_glyph(1, 6, 12));
    EXPECT_EQ(pos(), std::make_pair(3, 7));
}

TEST_F(TextTest, LongTextWrapsAcrossRowsAndBatches) {
    std::string text;
    for (int i = 0; i < 2550; ++i) text += static_cast<char>('A' + i % 26);
    print(text);
    for (int i = 0; i < 2550; ++i) {
        ASSERT_EQ(cell(i % 100, i / 100).ch, 'A' + i % 26) << i;
    }
    EXPECT_EQ(pos(), std::make_pair(51, 26));
}

TEST_F(TextTest, OwedLineFeedAtTheBottomRightCorner) {
    set_text_pos(74, 1, 0);
    print("marker");
    set_text_pos(75, 1, 0);
    print(std::string(100, 'x'));
    EXPECT_EQ(pos(), std::make_pair(100, 75));
    EXPECT_NE(ctx->flags & CTX_OWED_LINE_FEED, 0u);
    EXPECT_EQ(cell(0, 73).ch, 'm');  // nothing scrolled yet
    EXPECT_EQ(cell(99, 74).ch, 'x');

    // The next print first scrolls by one row and continues at column 1.
    print("y");
    EXPECT_EQ(ctx->flags & CTX_OWED_LINE_FEED, 0u);
    EXPECT_EQ(cell(0, 72).ch, 'm');
    EXPECT_EQ(cell(0, 73).ch, 'x');
    EXPECT_EQ(cell(0, 74).ch, 'y');
    EXPECT_EQ(cell(1, 74).ch, ' ');
    EXPECT_EQ(pos(), std::make_pair(2, 75));
    EXPECT_TRUE(shows_glyph(0, 73, 'x'));
    EXPECT_TRUE(shows_glyph(1, 74, ' '));
}

TEST_F(TextTest, SetTextPosCancelsTheOwedLineFeed) {
    set_text_pos(74, 1, 0);
    print("marker");
    set_text_pos(75, 1, 0);
    print(std::string(100, 'x'));
    ASSERT_NE(ctx->flags & CTX_OWED_LINE_FEED, 0u);
    EXPECT_EQ(set_text_pos(75, 1, 0), (74 * 256 + 0) + 257);
    EXPECT_EQ(ctx->flags & CTX_OWED_LINE_FEED, 0u);
    print("y");
    EXPECT_EQ(cell(0, 73).ch, 'm');
    EXPECT_EQ(cell(0, 74).ch, 'y');
    EXPECT_EQ(cell(1, 74).ch, 'x');

    // 0 or less keeps each value, down to the most negative argument.
    set_text_pos(3, 7, 0);
    EXPECT_EQ(set_text_pos(0, INT32_MIN, 0), (2 * 256 + 6) + 257);
    EXPECT_EQ(set_text_pos(INT32_MIN, -1, 0), (2 * 256 + 6) + 257);
    EXPECT_EQ(pos(), std::make_pair(7, 3));
}

TEST_F(TextTest, LineFeedOnTheBottomRowScrollsAtOnce) {
    set_text_pos(75, 1, 0);
    std::memset(ctx->dirty, 0, static_cast<std::size_t>(ctx->height));
    print("x\n");
    EXPECT_EQ(pos(), std::make_pair(1, 75));
    EXPECT_EQ(ctx->flags & CTX_OWED_LINE_FEED, 0u);
    EXPECT_EQ(cell(0, 73).ch, 'x');
    EXPECT_EQ(cell(0, 74).ch, ' ');
    EXPECT_TRUE(shows_glyph(0, 73, 'x'));
    EXPECT_TRUE(shows_glyph(0, 74, ' '));
    // The scroll touches every line of the window.
    EXPECT_EQ(ctx->dirty[0], 1);
    EXPECT_EQ(ctx->dirty[599], 1);
}

TEST_F(TextTest, ScrollingStaysInsideTheTextWindow) {
    set_text_pos(9, 1, 0);
    print("above");
    set_text_pos(21, 1, 0);
    print("below");
    ASSERT_EQ(runtime_view_print(10, 20), 10 + 20 * 65536);
    EXPECT_EQ(get_text_row(), 10);
    print("first");
    set_text_pos(20, 1, 0);
    print("last\n");
    EXPECT_EQ(pos(), std::make_pair(1, 20));
    EXPECT_EQ(cell(0, 8).ch, 'a');   // row 9 untouched
    EXPECT_EQ(cell(0, 20).ch, 'b');  // row 21 untouched
    EXPECT_EQ(cell(0, 18).ch, 'l');  // "last" moved up one row
    EXPECT_EQ(cell(0, 9).ch, ' ');   // "first" scrolled out of the window
    EXPECT_TRUE(shows_glyph(0, 8, 'a'));
    EXPECT_TRUE(shows_glyph(0, 20, 'b'));
    EXPECT_TRUE(shows_glyph(0, 18, 'l'));
    runtime_view_print(0, 0);
}

TEST_F(TextTest, DirtyLinesCoverOnlyTheRowsDrawn) {
    std::memset(ctx->dirty, 0, static_cast<std::size_t>(ctx->height));
    set_text_pos(3, 1, 0);
    print("A");
    EXPECT_EQ(ctx->dirty[15], 0);
    for (int y = 16; y < 24; ++y) EXPECT_EQ(ctx->dirty[y], 1) << y;
    EXPECT_EQ(ctx->dirty[24], 0);
}

TEST_F(TextTest, LoneByte255IsACursorBar) {
    print("Q");
    set_text_pos(1, 1, 0);
    const std::uint8_t bar = 255;
    print_text(&bar, 1, 0);
    EXPECT_EQ(cell(0, 0).ch, 255);
    EXPECT_EQ(get_text_col(), 2);
    const std::uint8_t* q = ctx->font->glyphs + 'Q' * 8;
    for (int r = 0; r < 7; ++r) {
        for (int i = 0; i < 8; ++i) {
            ASSERT_EQ(pixel(i, r), ((q[r] >> i) & 1) ? WHITE : BLACK) << r << "," << i;
        }
    }
    for (int i = 0; i < 8; ++i) EXPECT_EQ(pixel(i, 7), WHITE);

    // Within a longer run 255 is an ordinary (blank) glyph, background included.
    set_text_pos(2, 1, 0);
    const std::uint8_t run[] = {'a', 255};
    print_text(run, 2, 0);
    EXPECT_EQ(cell(1, 1).ch, 255);
    EXPECT_TRUE(shows_glyph(1, 1, 255));
    for (int i = 8; i < 16; ++i) EXPECT_EQ(pixel(i, 15), BLACK);
}

TEST_F(TextTest, WideTextBecomesCodePageBytes) {
    const std::uint16_t units[] = {'A', 0xE9, 0x263A, 0xD83D, 0xDE00, 'B', 0xD800};
    print_wide_text(units, 7, 0);
    const char* want = "A\xE9??B?";
    for (int i = 0; i < 6; ++i) EXPECT_EQ(cell(i, 0).ch, static_cast<std::uint8_t>(want[i])) << i;
    EXPECT_EQ(get_text_col(), 7);
}

TEST_F(TextTest, ReadCell) {
    const std::uint8_t b = 200;
    print_text(&b, 1, 0);
    EXPECT_EQ(read_cell(1, 1, 0), 200);
    EXPECT_EQ(static_cast<std::uint32_t>(read_cell(1, 1, 1)), WHITE);
    EXPECT_EQ(static_cast<std::uint32_t>(read_cell(1, 1, 2)), BLACK);
    EXPECT_EQ(read_cell(2, 1, 0), 32);
    EXPECT_EQ(read_cell(100, 75, 0), 32);
    EXPECT_EQ(read_cell(0, 1, 0), 0);
    EXPECT_EQ(read_cell(101, 1, 0), 0);
    EXPECT_EQ(read_cell(1, 76, 0), 0);
    EXPECT_EQ(read_cell(1, 0, 0), 0);
}

TEST_F(TextTest, ReadCellColoursByDepth) {
    // 16 bits: the 5-6-5 colours widened by repeating their top bits.
    open(320, 200, 16);
    set_color(0xFF8040u, 0x0000FFu, 0);
    print("A");
    EXPECT_EQ(static_cast<std::uint32_t>(read_cell(1, 1, 1)), 0xFFFF8242u);
    EXPECT_EQ(static_cast<std::uint32_t>(read_cell(1, 1, 2)), 0xFF0000FFu);
    // 8 bits: fg + bg * 256; 4 bits and below: fg + bg * 16.
    open(320, 200, 8);
    set_color(12, 3, 0);
    print("A");
    EXPECT_EQ(read_cell(1, 1, 1), 12 + 3 * 256);
    ASSERT_EQ(screen_mode(7, 0, 0, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
    ctx = current_context();
    set_color(12, 0, 1);  // background kept; mode 7 puts it in palette entry 0
    print("A");
    EXPECT_EQ(read_cell(1, 1, 2), 15 + 0 * 16);
    set_color(9, 0, 2);
    print("A");
    EXPECT_EQ(read_cell(2, 1, 1), 9);
}

TEST_F(TextTest, SetTextSizeAcceptsOnlyEightPixelWideCells) {
    // 80 x 0 on 800 x 600 gives cells 10 wide: nothing changes.
    EXPECT_EQ(set_text_size(80, 0), 75 * 65536 + 100);
    EXPECT_EQ(ctx->text_cols, 100);
    EXPECT_EQ(ctx->font, font_8x8());
    EXPECT_EQ(set_text_size(0, 0), 75 * 65536 + 100);
    EXPECT_EQ(set_text_size(100, 50), 75 * 65536 + 100);  // 8 x 12
    EXPECT_EQ(ctx->text_rows, 75);

    open(640, 400, 32);
    set_view(10, 10, 20, 20, 0, 0, VIEW_NO_BORDER | VIEW_NO_FILL);
    print("hello");
    EXPECT_EQ(set_text_size(80, 25), 50 * 65536 + 80);
    EXPECT_EQ(ctx->font, font_8x16());
    std::int32_t cols = 0, rows = 0;
    get_text_size(&cols, &rows);
    EXPECT_EQ(cols, 80);
    EXPECT_EQ(rows, 25);
    EXPECT_EQ(cell(0, 0).ch, ' ');
    EXPECT_EQ(cell(79, 24).ch, ' ');
    EXPECT_EQ(pos(), std::make_pair(1, 1));
    EXPECT_EQ(text_window_bottom(), 24);
    const DrawState* state = get_draw_state();
    EXPECT_EQ(state->state_flags & DS_VIEW_SET, 0u);
    EXPECT_EQ(state->view_w, 640);
    print("hi");
    EXPECT_TRUE(shows_glyph(0, 0, 'h'));
    // Rows alone: the cell width stays the font's.
    EXPECT_EQ(set_text_size(0, 50), 25 * 65536 + 80);
    EXPECT_EQ(ctx->font, font_8x8());
    EXPECT_EQ(ctx->text_rows, 50);
}

TEST_F(TextTest, SetTextSizeWithoutMemoryKeepsTheOldGridAndItsCells) {
    close_screen();
    test::CountingAllocator allocator;
    ASSERT_EQ(screen_res(640, 400, 32, 2, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
    ctx = current_context();
    print("kept");
    const TextCell* const* old_buffers = ctx->text_cells;
    const int live = allocator.live();
    // The new cell array, then each page's buffer in turn.
    for (int nth = 1; nth <= 3; ++nth) {
        allocator.refuse(nth);
        EXPECT_EQ(set_text_size(80, 25), 50 * 65536 + 80) << nth;
        EXPECT_EQ(allocator.allocations(), nth) << nth;
        EXPECT_EQ(allocator.live(), live) << nth;
        EXPECT_EQ(ctx->text_cols, 80) << nth;
        EXPECT_EQ(ctx->text_rows, 50) << nth;
        EXPECT_EQ(ctx->font, font_8x8()) << nth;
        EXPECT_EQ(ctx->text_cells, old_buffers) << nth;
        EXPECT_EQ(cell(0, 0).ch, 'k') << nth;
        EXPECT_EQ(cell(3, 0).ch, 't') << nth;
        EXPECT_EQ(pos(), std::make_pair(5, 1)) << nth;
    }
    allocator.refuse(0);
    EXPECT_EQ(set_text_size(80, 25), 50 * 65536 + 80);
    EXPECT_EQ(ctx->text_rows, 25);
    EXPECT_EQ(cell(0, 0).ch, ' ');
    EXPECT_EQ(allocator.live(), live);
    close_screen();
    EXPECT_EQ(allocator.live(), 0);
}

TEST_F(TextTest, ClearWithoutArgumentClearsTheWholeScreen) {
    print("some text");
    put(700, 500, 0xFF123456u);
    set_text_pos(30, 40, 0);
    std::memset(ctx->dirty, 0, static_cast<std::size_t>(ctx->height));
    clear(CLEAR_NO_ARGUMENT);
    const DrawState* state = get_draw_state();
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) ASSERT_EQ(pixel(x, y), state->bg_colour) << x << "," << y;
        ASSERT_EQ(ctx->dirty[y], 1) << y;
    }
    EXPECT_EQ(cell(0, 0).ch, ' ');
    EXPECT_EQ(pos(), std::make_pair(1, 1));
    EXPECT_EQ(state->last_x, 400.0f);
    EXPECT_EQ(state->last_y, 300.0f);
}

TEST_F(TextTest, ClearModesFollowTheViewAndTheTextWindow) {
    for (int row = 1; row <= 75; ++row) {
        set_text_pos(row, 1, 0);
        print("#");
    }
    // A text window: only its rows are cleared, the cursor goes to its top.
    runtime_view_print(10, 20);
    set_text_pos(15, 5, 0);
    clear(CLEAR_NO_ARGUMENT);
    EXPECT_EQ(cell(0, 8).ch, '#');
    EXPECT_EQ(cell(0, 9).ch, ' ');
    EXPECT_EQ(cell(0, 19).ch, ' ');
    EXPECT_EQ(cell(0, 20).ch, '#');
    EXPECT_TRUE(shows_glyph(0, 8, '#'));
    EXPECT_TRUE(shows_glyph(0, 9, ' '));
    EXPECT_TRUE(shows_glyph(0, 20, '#'));
    EXPECT_EQ(pos(), std::make_pair(1, 10));
    runtime_view_print(0, 0);

    // A graphics view: only the view is filled; cells and cursor stay.
    set_view(100, 100, 199, 149, 0, 0, VIEW_NO_BORDER | VIEW_NO_FILL);
    put(150, 120, 0xFF00FF00u);
    put(99, 120, 0xFF00FF00u);
    set_text_pos(3, 3, 0);
    clear(CLEAR_NO_ARGUMENT);
    EXPECT_EQ(pixel(150, 120), BLACK);
    EXPECT_EQ(pixel(99, 120), 0xFF00FF00u);
    EXPECT_EQ(cell(0, 2).ch, '#');
    EXPECT_EQ(pos(), std::make_pair(3, 3));
    EXPECT_EQ(get_draw_state()->last_x, 150.0f);
    EXPECT_EQ(get_draw_state()->last_y, 125.0f);

    // Mode 2 on a full window clears every row; other modes fill the view only.
    get_draw_state()->last_x = 1.0f;
    clear(5);
    EXPECT_EQ(get_draw_state()->last_x, 1.0f);  // only modes 0 and 1 move the last point
    EXPECT_EQ(cell(0, 2).ch, '#');
    clear(2);
    EXPECT_EQ(cell(0, 74).ch, ' ');
}

TEST(TextNoScreen, OperationsAnswerQuietly) {
    close_screen();
    ASSERT_EQ(current_context(), nullptr);
    print("ignored");
    clear(0);
    EXPECT_EQ(read_cell(1, 1, 0), 0);
    EXPECT_EQ(get_text_col(), 0);
    std::int32_t cols = -1, rows = -1;
    get_text_size(&cols, &rows);
    EXPECT_EQ(cols, 0);
    EXPECT_EQ(rows, 0);
    get_text_pos(nullptr, nullptr);
}

}  // namespace
}  // namespace vz
