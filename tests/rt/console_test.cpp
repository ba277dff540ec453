// The runtime's console operations against a fake screen: every hook records
// what reached it, so the validation, the text window, the print column and
// the number formatting can be checked byte for byte.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rt/console.h"
#include "rt/console_hooks.h"
#include "rt/error.h"
#include "rt/line_editor.h"

namespace vz {
namespace {

struct FakeScreen {
    std::int32_t cols = 100;
    std::int32_t rows = 75;
    std::int32_t cursor_col = 1;
    std::int32_t cursor_row = 1;
    std::string printed;              // every byte that reached print_text
    std::vector<std::string> writes;  // one entry per print_text call
    std::vector<std::int32_t> print_flags;
    struct Pos {
        std::int32_t row, col, visibility;
    };
    std::vector<Pos> positions;
    std::vector<std::int32_t> clears;
    std::vector<std::pair<std::int32_t, std::int32_t>> view_updates;
    std::vector<std::pair<std::int32_t, std::int32_t>> size_requests;
    std::int32_t size_answer = 0;
    std::vector<std::int32_t> scripted_keys;  // for wait_key, taken from the front
    std::size_t next_key = 0;
    std::int32_t wait_key_calls = 0;
    std::vector<std::pair<std::int32_t, std::int32_t>> page_copies;
};

FakeScreen* fake = nullptr;

void fake_get_text_size(std::int32_t* cols, std::int32_t* rows) {
    if (cols) *cols = fake->cols;
    if (rows) *rows = fake->rows;
}
void fake_get_text_pos(std::int32_t* col, std::int32_t* row) {
    if (col) *col = fake->cursor_col;
    if (row) *row = fake->cursor_row;
}
std::int32_t fake_set_text_pos(std::int32_t row, std::int32_t col, std::int32_t visibility) {
    fake->positions.push_back({row, col, visibility});
    return 1000 + static_cast<std::int32_t>(fake->positions.size());
}
void fake_print_text(const std::uint8_t* bytes, std::int32_t length, std::int32_t flags) {
    std::string piece(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    fake->printed += piece;
    fake->writes.push_back(piece);
    fake->print_flags.push_back(flags);
}
void fake_clear(std::int32_t mode) { fake->clears.push_back(mode); }
void fake_view_update(std::int32_t top, std::int32_t bottom) { fake->view_updates.emplace_back(top, bottom); }
std::int32_t fake_set_text_size(std::int32_t cols, std::int32_t rows) {
    fake->size_requests.emplace_back(cols, rows);
    return fake->size_answer;
}
std::int32_t fake_wait_key() {
    ++fake->wait_key_calls;
    if (fake->next_key >= fake->scripted_keys.size()) return 0;
    return fake->scripted_keys[fake->next_key++];
}
std::int32_t fake_page_copy(std::int32_t source, std::int32_t destination) {
    fake->page_copies.emplace_back(source, destination);
    return 77;
}

class ConsoleOps : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = console_hooks();
        fake = &screen_;
        ConsoleHooks hooks{};
        hooks.get_text_size = fake_get_text_size;
        hooks.get_text_pos = fake_get_text_pos;
        hooks.set_text_pos = fake_set_text_pos;
        hooks.print_text = fake_print_text;
        hooks.clear = fake_clear;
        hooks.view_update = fake_view_update;
        hooks.set_text_size = fake_set_text_size;
        hooks.wait_key = fake_wait_key;
        console_hooks() = hooks;
        reset_console_state();
        set_last_error(ERR_OK);
    }
    void TearDown() override {
        console_hooks() = saved_;
        reset_console_state();
        fake = nullptr;
    }
    // Puts the print column at `column` by printing that many characters
    // after a line break.
    void move_column_to(std::int32_t column) {
        runtime_print_text("\r\n" + std::string(static_cast<std::size_t>(column), 'x'), 0);
        ASSERT_EQ(screen_channel().column, column);
        screen_.printed.clear();
        screen_.writes.clear();
    }

    FakeScreen screen_;
    ConsoleHooks saved_{};
};

TEST_F(ConsoleOps, LocateInsideWindowReachesHookAndSetsColumn) {
    move_column_to(37);
    const std::int32_t code = runtime_locate(1, 1, -1);
    ASSERT_EQ(screen_.positions.size(), 1u);
    EXPECT_EQ(screen_.positions[0].row, 1);
    EXPECT_EQ(screen_.positions[0].col, 1);
    EXPECT_EQ(screen_.positions[0].visibility, -1);
    EXPECT_EQ(code, 1001);  // the hook's answer is the result
    EXPECT_EQ(screen_channel().column, 0);
    EXPECT_EQ(get_last_error(), ERR_OK);

    // Grid edges: row 75 and column 100 are the last valid ones.
    runtime_locate(75, 100, 1);
    EXPECT_EQ(screen_.positions.back().row, 75);
    EXPECT_EQ(screen_.positions.back().col, 100);
    EXPECT_EQ(screen_channel().column, 99);

    // Row 0 keeps the row; column 0 keeps the column and the print column.
    runtime_locate(0, 0, 0);
    EXPECT_EQ(screen_.positions.back().row, 0);
    EXPECT_EQ(screen_.positions.back().col, 0);
    EXPECT_EQ(screen_channel().column, 99);
}

TEST_F(ConsoleOps, LocateOutsideWindowAppliesOnlyVisibility) {
    move_column_to(12);
    set_last_error(ERR_ILLEGAL_CALL);
    const std::int32_t code = runtime_locate(0, 101, -1);
    ASSERT_EQ(screen_.positions.size(), 1u);  // the refused position never reached the hook
    EXPECT_EQ(screen_.positions[0].row, 0);
    EXPECT_EQ(screen_.positions[0].col, 0);
    EXPECT_EQ(screen_.positions[0].visibility, -1);
    EXPECT_EQ(code, 1001);
    EXPECT_EQ(get_last_error(), ERR_ILLEGAL_CALL);  // the refusal, not the second stage's success
    EXPECT_EQ(screen_channel().column, 12);

    struct Case {
        std::int32_t row, col;
    };
    for (Case bad : {Case{76, 1}, Case{-1, 1}, Case{1, -1}, Case{1, 101}, Case{200, 200}}) {
        screen_.positions.clear();
        runtime_locate(bad.row, bad.col, 1);
        ASSERT_EQ(screen_.positions.size(), 1u) << bad.row << "," << bad.col;
        EXPECT_EQ(screen_.positions[0].row, 0);
        EXPECT_EQ(screen_.positions[0].col, 0);
        EXPECT_EQ(screen_.positions[0].visibility, 1);
        EXPECT_EQ(get_last_error(), ERR_ILLEGAL_CALL);
    }
    // A position inside the window clears the error again.
    runtime_locate(1, 1, 1);
    EXPECT_EQ(get_last_error(), ERR_OK);
}

TEST_F(ConsoleOps, LocateFollowsNarrowedTextWindow) {
    ASSERT_EQ(runtime_view_print(5, 10, false), 5 + 10 * 65536);
    screen_.positions.clear();
    runtime_locate(4, 1, -1);
    runtime_locate(11, 1, -1);
    runtime_locate(5, 1, -1);
    runtime_locate(10, 1, -1);
    ASSERT_EQ(screen_.positions.size(), 4u);
    EXPECT_EQ(screen_.positions[0].row, 0);
    EXPECT_EQ(screen_.positions[1].row, 0);
    EXPECT_EQ(screen_.positions[2].row, 5);
    EXPECT_EQ(screen_.positions[3].row, 10);
}

TEST_F(ConsoleOps, TextWindowIsReadLazily) {
    EXPECT_EQ(text_window_top(), -1);
    EXPECT_EQ(text_window_bottom(), -1);
    runtime_locate(1, 1, -1);
    EXPECT_EQ(text_window_top(), 0);
    EXPECT_EQ(text_window_bottom(), 74);

    // A grid that reports no rows gives the classic 25-row window.
    reset_console_state();
    screen_.rows = 0;
    runtime_locate(25, 1, -1);
    EXPECT_EQ(text_window_bottom(), 24);
    EXPECT_EQ(screen_.positions.back().row, 25);
}

TEST_F(ConsoleOps, ChannelIsSetUpFromTextSizeAndCursor) {
    screen_.cursor_col = 7;
    screen_.cols = 40;
    runtime_print_text("ab", 0);
    EXPECT_EQ(screen_channel().line_width, 40);
    EXPECT_EQ(screen_channel().column, 8);  // cursor column 7 is print position 6, plus 2
    // Set up only once: later cursor changes of the fake do not reset it.
    screen_.cursor_col = 30;
    runtime_print_text("c", 0);
    EXPECT_EQ(screen_channel().column, 9);
}

TEST_F(ConsoleOps, PrintColumnFollowsLineBreaksAndWidth) {
    runtime_print_text("abc", 0);
    EXPECT_EQ(screen_channel().column, 3);
    runtime_print_text("ab\r\ncde", 0);
    EXPECT_EQ(screen_channel().column, 3);
    runtime_print_text("xyz\r", 0);
    EXPECT_EQ(screen_channel().column, 0);
    runtime_print_text("12\n3", 0);
    EXPECT_EQ(screen_channel().column, 1);
    runtime_print_text(std::string(250, 'w'), 0);
    EXPECT_EQ(screen_channel().column, 51);  // (1 + 250) mod 100
    // The text reaches the hook whole, with flags 0.
    EXPECT_EQ(screen_.writes.back().size(), 250u);
    for (std::int32_t flags : screen_.print_flags) EXPECT_EQ(flags, 0);
    // An empty text writes nothing.
    const std::size_t before = screen_.writes.size();
    runtime_print_text("", 0);
    EXPECT_EQ(screen_.writes.size(), before);
}

TEST_F(ConsoleOps, NewLineFlags) {
    runtime_print_text("hi", PRINT_NEW_LINE);
    ASSERT_EQ(screen_.writes.size(), 2u);
    EXPECT_EQ(screen_.writes[0], "hi");
    EXPECT_EQ(screen_.writes[1], "\r\n");
    EXPECT_EQ(screen_channel().column, 0);
    runtime_print_text("", PRINT_NEW_LINE_ALT);
    EXPECT_EQ(screen_.printed, "hi\r\n\r\n");
    // New line wins over the next-zone flag.
    runtime_print_text("a", PRINT_NEW_LINE | PRINT_NEXT_ZONE);
    EXPECT_EQ(screen_.printed, "hi\r\n\r\na\r\n");
}

TEST_F(ConsoleOps, NextZoneFlag) {
    move_column_to(3);
    runtime_print_text("", PRINT_NEXT_ZONE);
    EXPECT_EQ(screen_.printed, std::string(11, ' '));
    EXPECT_EQ(screen_channel().column, 14);

    screen_.printed.clear();
    runtime_print_text("", PRINT_NEXT_ZONE);  // at column 14: a whole zone
    EXPECT_EQ(screen_.printed, std::string(14, ' '));
    EXPECT_EQ(screen_channel().column, 28);

    move_column_to(0);
    runtime_print_text("", PRINT_NEXT_ZONE);
    EXPECT_EQ(screen_.printed, std::string(14, ' '));

    // 100 columns: the zone starting at 85 is the last that fits (85 <= 86).
    move_column_to(80);
    runtime_print_text("", PRINT_NEXT_ZONE);
    EXPECT_EQ(screen_.printed, std::string(4, ' '));
    move_column_to(84);
    runtime_print_text("", PRINT_NEXT_ZONE);
    EXPECT_EQ(screen_.printed, "\r\n");
    EXPECT_EQ(screen_channel().column, 0);
}

TEST_F(ConsoleOps, NextZoneWithoutOrBelowOneZoneOfWidth) {
    runtime_width(0, 0);              // sets up the channel
    screen_channel().line_width = 0;  // no limit: zones go on forever
    move_column_to(200);
    runtime_print_text("", PRINT_NEXT_ZONE);
    EXPECT_EQ(screen_.printed, std::string(10, ' '));
    EXPECT_EQ(screen_channel().column, 210);

    // A width under one zone compares as a huge unsigned number: no wrap.
    screen_channel().line_width = 10;
    screen_channel().column = 3;
    screen_.printed.clear();
    runtime_print_text("", PRINT_NEXT_ZONE);
    EXPECT_EQ(screen_.printed, std::string(11, ' '));
    EXPECT_EQ(screen_channel().column, 4);  // 14 mod 10
}

TEST_F(ConsoleOps, NumberFormatting) {
    runtime_print_single(52231.78125f, PRINT_NEW_LINE);
    ASSERT_EQ(screen_.writes.size(), 2u);
    EXPECT_EQ(screen_.writes[0], " 52231.78");
    EXPECT_EQ(screen_.writes[1], "\r\n");
    EXPECT_EQ(screen_channel().column, 0);

    struct Case {
        double value;
        bool single;
        const char* text;
    };
    const Case cases[] = {
        {-2.5, true, "-2.5"},
        {3.0, false, " 3"},
        {0.0, true, " 0"},
        {16777216.0, true, " 1.677722e+07"},
        {1e20, true, " 1e+20"},
        {0.1, false, " 0.1"},
        {1.0 / 3.0, false, " 0.3333333333333333"},
        {-1.5e300, false, "-1.5e+300"},
        {-1.7976931348623157e308, false, "-1.797693134862316e+308"},
        {1.0 / 0.0, true, " inf"},
        {-1.0 / 0.0, false, "-inf"},
    };
    for (const Case& c : cases) {
        screen_.printed.clear();
        if (c.single) {
            runtime_print_single(static_cast<float>(c.value), 0);
        } else {
            runtime_print_double(c.value, 0);
        }
        EXPECT_EQ(screen_.printed, c.text) << c.value;
    }
    // The print column counts the blank.
    move_column_to(0);
    runtime_print_double(3.0, 0);
    EXPECT_EQ(screen_channel().column, 2);
}

TEST_F(ConsoleOps, ClearPassesModeAndResetsColumn) {
    move_column_to(9);
    runtime_clear(CLEAR_NO_ARGUMENT);
    ASSERT_EQ(screen_.clears.size(), 1u);
    EXPECT_EQ(screen_.clears[0], -65536);
    EXPECT_EQ(screen_channel().column, 0);
    runtime_clear(2);
    EXPECT_EQ(screen_.clears.back(), 2);
}

TEST_F(ConsoleOps, ViewPrintSetsWindowAndPlacesCursor) {
    EXPECT_EQ(runtime_view_print(5, 10, true), 5 + 10 * 65536);
    EXPECT_EQ(text_window_top(), 4);
    EXPECT_EQ(text_window_bottom(), 9);
    ASSERT_EQ(screen_.view_updates.size(), 1u);
    EXPECT_EQ(screen_.view_updates[0], std::make_pair(5, 10));
    ASSERT_EQ(screen_.positions.size(), 1u);
    EXPECT_EQ(screen_.positions[0].row, 5);
    EXPECT_EQ(screen_.positions[0].col, 1);
    EXPECT_EQ(screen_.positions[0].visibility, -1);

    // Negative arguments keep the current rows; 0 means the first / last row.
    EXPECT_EQ(runtime_view_print(-1, 20, false), 5 + 20 * 65536);
    EXPECT_EQ(runtime_view_print(0, -1, false), 1 + 20 * 65536);
    EXPECT_EQ(runtime_view_print(-1, 0, false), 1 + 75 * 65536);
    EXPECT_EQ(text_window_top(), 0);
    EXPECT_EQ(text_window_bottom(), 74);
    EXPECT_EQ(screen_.positions.size(), 1u);  // place_cursor was false

    // Both negative: nothing changes, no notification, the code still comes.
    const std::size_t updates = screen_.view_updates.size();
    EXPECT_EQ(runtime_view_print(-1, -1, true), 1 + 75 * 65536);
    EXPECT_EQ(screen_.view_updates.size(), updates);
    EXPECT_EQ(screen_.positions.size(), 1u);
}

TEST_F(ConsoleOps, ViewPrintRefusesImpossibleWindows) {
    ASSERT_EQ(runtime_view_print(3, 8, false), 3 + 8 * 65536);
    const std::size_t updates = screen_.view_updates.size();
    struct Case {
        std::int32_t top, bottom;
    };
    for (Case bad : {Case{10, 5}, Case{76, 76}, Case{1, 76}, Case{9, -1}, Case{-1, 2}}) {
        EXPECT_EQ(runtime_view_print(bad.top, bad.bottom, true), 0) << bad.top << "," << bad.bottom;
    }
    EXPECT_EQ(screen_.view_updates.size(), updates);
    EXPECT_EQ(text_window_top(), 2);
    EXPECT_EQ(text_window_bottom(), 7);
    EXPECT_TRUE(screen_.positions.empty());

    // A grid reporting no rows is taken as 25 rows.
    screen_.rows = 0;
    EXPECT_EQ(runtime_view_print(1, 25, false), 1 + 25 * 65536);
    EXPECT_EQ(runtime_view_print(1, 26, false), 0);
}

TEST_F(ConsoleOps, WidthSetsLineWidthAndResetsWindow) {
    runtime_view_print(3, 8, false);
    screen_.positions.clear();
    screen_.view_updates.clear();
    EXPECT_EQ(runtime_width(40, 0), 0);
    ASSERT_EQ(screen_.size_requests.size(), 1u);
    EXPECT_EQ(screen_.size_requests[0], std::make_pair(40, 0));
    EXPECT_EQ(screen_channel().line_width, 40);
    ASSERT_EQ(screen_.view_updates.size(), 1u);
    EXPECT_EQ(screen_.view_updates[0], std::make_pair(1, 75));
    ASSERT_EQ(screen_.positions.size(), 1u);
    EXPECT_EQ(screen_.positions[0].row, 1);
    EXPECT_EQ(screen_.positions[0].col, 1);

    // Asking for the size (both below 1) returns the hook's answer and
    // changes nothing else.
    screen_.size_answer = 75 * 65536 + 100;
    screen_.view_updates.clear();
    EXPECT_EQ(runtime_width(0, -3), 75 * 65536 + 100);
    EXPECT_EQ(screen_channel().line_width, 40);
    EXPECT_TRUE(screen_.view_updates.empty());

    // Rows only: the line width stays, the window is reset.
    EXPECT_EQ(runtime_width(0, 50), 0);
    EXPECT_EQ(screen_channel().line_width, 40);
    EXPECT_EQ(screen_.view_updates.size(), 1u);
}

TEST_F(ConsoleOps, PagesWithoutScreenRefuseHighPages) {
    // The fake fills no page slots: these reach the text console.
    set_last_error(ERR_OK);
    EXPECT_EQ(runtime_page_copy(0, 4), ERR_ILLEGAL_CALL);
    EXPECT_EQ(get_last_error(), ERR_ILLEGAL_CALL);
    EXPECT_EQ(runtime_page_copy(4, 0), ERR_ILLEGAL_CALL);
    EXPECT_EQ(runtime_page_set(4, 0), -1);
    EXPECT_EQ(runtime_page_set(0, 4), -1);

    // The console has page 0 only.
    EXPECT_EQ(runtime_page_copy(0, 0), ERR_OK);
    EXPECT_EQ(get_last_error(), ERR_OK);
    EXPECT_EQ(runtime_page_copy(-1, -1), ERR_OK);
    EXPECT_EQ(runtime_page_copy(0, 1), ERR_ILLEGAL_CALL);
    EXPECT_EQ(get_last_error(), ERR_ILLEGAL_CALL);
    EXPECT_EQ(runtime_page_copy(3, 0), ERR_ILLEGAL_CALL);
    EXPECT_EQ(runtime_page_set(0, 1), 0);
    EXPECT_EQ(runtime_page_set(-1, -1), 0);

    // With a page hook, the hook decides, even for high pages.
    console_hooks().page_copy = fake_page_copy;
    EXPECT_EQ(runtime_page_copy(0, 7), 77);
    ASSERT_EQ(screen_.page_copies.size(), 1u);
    EXPECT_EQ(screen_.page_copies[0], std::make_pair(0, 7));
}

std::vector<std::pair<std::int32_t, std::int32_t>> page_sets;

TEST_F(ConsoleOps, KeyAndPageOperationsAnswerThroughTheirHooks) {
    console_hooks().key_text = [] { return KeyText{2, {255, 0x48}}; };
    console_hooks().key_pending = [] { return std::int32_t{1}; };
    console_hooks().page_set = [](std::int32_t work, std::int32_t visible) {
        page_sets.emplace_back(work, visible);
        return std::int32_t{0x0102};
    };
    page_sets.clear();
    screen_.scripted_keys = {0x3BFF};

    EXPECT_EQ(runtime_key_text().view(), "\xff\x48");
    EXPECT_EQ(runtime_key_pending(), 1);
    EXPECT_EQ(runtime_wait_key(), 0x3BFF);
    EXPECT_EQ(screen_.wait_key_calls, 1);
    // Pages above 3 are the screen's to refuse, not the runtime's.
    EXPECT_EQ(runtime_page_set(5, 6), 0x0102);
    ASSERT_EQ(page_sets.size(), 1u);
    EXPECT_EQ(page_sets[0], std::make_pair(5, 6));
}

// --- The line editor, fed by a scripted wait_key -----------------------------

class LineEditor : public ConsoleOps {
protected:
    bool edit(std::vector<std::int32_t> keys, RtText& line) {
        screen_.scripted_keys = std::move(keys);
        screen_.next_key = 0;
        screen_.printed.clear();
        return runtime_line_editor(line);
    }
};

std::vector<std::int32_t> keys_of(std::string_view text) {
    std::vector<std::int32_t> keys;
    for (char c : text) keys.push_back(static_cast<std::uint8_t>(c));
    return keys;
}

TEST_F(LineEditor, TypingAndEnter) {
    RtText line;
    ASSERT_TRUE(edit({'a', 'b', 13, 'z'}, line));
    EXPECT_EQ(line.view(), "ab");
    EXPECT_EQ(screen_.printed, "ab");  // no line end is echoed
    EXPECT_EQ(screen_.next_key, 3u);   // stopped at Enter
    EXPECT_EQ(screen_channel().column, 2);
}

TEST_F(LineEditor, BackspaceAndEscapeEdit) {
    RtText line;
    ASSERT_TRUE(edit({8, 'a', 'b', 8, 'c', 13}, line));
    EXPECT_EQ(line.view(), "ac");
    EXPECT_EQ(screen_.printed, "ab\b \bc");  // the leading backspace did nothing
    EXPECT_EQ(screen_channel().column, 2);

    ASSERT_TRUE(edit({'x', 'y', 27, 'q', 13}, line));
    EXPECT_EQ(line.view(), "q");
    EXPECT_EQ(screen_.printed, "xy\b \b\b \bq");
}

TEST_F(LineEditor, ExtendedKeysAreIgnoredAndHighCharactersKept) {
    RtText line;
    ASSERT_TRUE(edit({0x48FF, 'a', 0x3BFF, 0x86FF, -126, 0x6BFF, 13}, line));
    ASSERT_EQ(line.length, 2);
    EXPECT_EQ(line.data[0], 'a');
    EXPECT_EQ(static_cast<std::uint8_t>(line.data[1]), 130);
}

TEST_F(LineEditor, EndOfInput) {
    RtText line;
    EXPECT_FALSE(edit({}, line));
    EXPECT_TRUE(line.empty());
    // A last line without its line end is still a line; the next read fails.
    ASSERT_TRUE(edit(keys_of("tail"), line));
    EXPECT_EQ(line.view(), "tail");
    EXPECT_FALSE(edit({}, line));
}

TEST_F(LineEditor, LineFeedEndsLinesAndCrLfCountsOnce) {
    RtText line;
    ASSERT_TRUE(edit(keys_of("one\r"), line));
    EXPECT_EQ(line.view(), "one");
    ASSERT_TRUE(edit(keys_of("\ntwo\n"), line));
    EXPECT_EQ(line.view(), "two");
    // After a line-feed end, a further line feed is an empty line.
    ASSERT_TRUE(edit(keys_of("\n"), line));
    EXPECT_EQ(line.view(), "");
}

}  // namespace
}  // namespace vz
