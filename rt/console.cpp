// The runtime's console operations. Each one validates its arguments, keeps the
// text window and the print column of the screen channel, and hands the device
// work to the filled ConsoleHooks slot (graphics screen) or to the text console.

#include "rt/console.h"

#include <cstdio>

#include "rt/console_backend.h"
#include "rt/console_hooks.h"
#include "rt/error.h"

namespace vz {

namespace {

struct ConsoleState {
    std::int32_t window_top = -1;     // 0-based, -1 = not yet read
    std::int32_t window_bottom = -1;  // 0-based inclusive, -1 = not yet read
    ScreenChannel channel{0, 0, false};
};

ConsoleState& state() {
    static ConsoleState s;
    return s;
}

constexpr std::int32_t PRINT_ZONE_WIDTH = 14;
constexpr std::int32_t DEFAULT_ROWS = 25;

void current_text_size(std::int32_t& cols, std::int32_t& rows) {
    cols = 0;
    rows = 0;
    if (auto hook = console_hooks().get_text_size) {
        hook(&cols, &rows);
    } else {
        console_get_text_size(&cols, &rows);
    }
}

// The channel is set up once per process (and again after a reset): its width
// from the text size in use, its column from the cursor.
void ensure_channel() {
    ScreenChannel& channel = state().channel;
    if (channel.set_up) return;
    channel.set_up = true;
    std::int32_t cols = 0;
    std::int32_t rows = 0;
    current_text_size(cols, rows);
    channel.line_width = cols > 0 ? cols : 0;
    std::int32_t col = 1;
    std::int32_t row = 1;
    if (auto hook = console_hooks().get_text_pos) {
        hook(&col, &row);
    } else {
        console_get_text_pos(&col, &row);
    }
    channel.column = col > 1 ? col - 1 : 0;
}

// Reads the text window on first need: the top defaults to the first row, the
// bottom to the last row of the text grid (row 24 when the grid reports none).
void ensure_text_window() {
    ConsoleState& s = state();
    if (s.window_top == -1) s.window_top = 0;
    if (s.window_bottom == -1) {
        std::int32_t cols = 0;
        std::int32_t rows = 0;
        current_text_size(cols, rows);
        s.window_bottom = rows > 0 ? rows - 1 : DEFAULT_ROWS - 1;
    }
}

// The screen channel's write: the device print, then the column bookkeeping.
void channel_write(const char* bytes, std::size_t count) {
    if (count == 0) return;
    // The device interfaces take 32-bit counts; longer texts go in pieces.
    constexpr std::size_t MAX_PIECE = 0x40000000;
    std::size_t done = 0;
    while (done < count) {
        std::size_t piece = count - done < MAX_PIECE ? count - done : MAX_PIECE;
        auto data = reinterpret_cast<const std::uint8_t*>(bytes + done);
        auto length = static_cast<std::int32_t>(piece);
        if (auto hook = console_hooks().print_text) {
            hook(data, length, 0);
        } else {
            console_print(data, length);
        }
        done += piece;
    }

    ScreenChannel& channel = state().channel;
    std::size_t last_break = count;
    for (std::size_t i = count; i-- > 0;) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            last_break = i;
            break;
        }
    }
    // 64-bit arithmetic: a long text must not overflow the 32-bit column.
    std::int64_t column = last_break < count
                              ? static_cast<std::int64_t>(count - last_break - 1)
                              : static_cast<std::int64_t>(channel.column) + static_cast<std::int64_t>(count);
    if (channel.line_width > 0) {
        column %= channel.line_width;
    } else if (column > INT32_MAX) {
        column = INT32_MAX;
    }
    channel.column = static_cast<std::int32_t>(column);
}

void channel_write(std::string_view text) { channel_write(text.data(), text.size()); }

void write_blanks(std::int32_t count) {
    static constexpr char BLANKS[] = "                ";
    constexpr std::int32_t CHUNK = static_cast<std::int32_t>(sizeof(BLANKS) - 1);
    while (count > 0) {
        std::int32_t n = count < CHUNK ? count : CHUNK;
        channel_write(BLANKS, static_cast<std::size_t>(n));
        count -= n;
    }
}

void print_flags(std::int32_t flags) {
    if (flags & (PRINT_NEW_LINE | PRINT_NEW_LINE_ALT)) {
        channel_write("\r\n");
        return;
    }
    if (!(flags & PRINT_NEXT_ZONE)) return;
    const ScreenChannel& channel = state().channel;
    const std::int64_t column = channel.column;
    std::int64_t target = ((column + PRINT_ZONE_WIDTH) / PRINT_ZONE_WIDTH) * PRINT_ZONE_WIDTH + 1;
    // Compared without sign: a width below one zone never wraps the zones.
    const auto room = static_cast<std::uint32_t>(static_cast<std::int64_t>(channel.line_width) - PRINT_ZONE_WIDTH);
    if (channel.line_width != 0 && room < static_cast<std::uint64_t>(target)) target = 1;
    if (column + 1 >= target) {
        channel_write("\r\n");
    } else {
        write_blanks(static_cast<std::int32_t>(target - column - 1));
    }
}

std::int32_t call_set_text_pos(std::int32_t row, std::int32_t column, std::int32_t visibility) {
    if (auto hook = console_hooks().set_text_pos) return hook(row, column, visibility);
    return console_set_text_pos(row, column, visibility);
}

// One validation stage of runtime_locate; false when the position is refused.
bool locate_stage(std::int32_t row, std::int32_t column, std::int32_t visibility, std::int32_t& code) {
    ensure_text_window();
    const ConsoleState& s = state();
    std::int32_t cols = 0;
    std::int32_t rows = 0;
    current_text_size(cols, rows);
    const std::int64_t top = static_cast<std::int64_t>(s.window_top) + 1;
    const std::int64_t bottom = static_cast<std::int64_t>(s.window_bottom) + 1;
    const bool row_bad = row != 0 && (row < top || row > bottom);
    const bool column_bad = column != 0 && (column <= 0 || column > cols);
    if (row_bad || column_bad) {
        set_last_error(ERR_ILLEGAL_CALL);
        return false;
    }
    set_last_error(ERR_OK);
    code = call_set_text_pos(row, column, visibility);
    if (column != 0) state().channel.column = column - 1;
    return true;
}

constexpr int SINGLE_DIGITS = 7;
constexpr int DOUBLE_DIGITS = 16;

// Formats `value` as "%.<digits>g" into room for `digits` + 8 bytes, one byte
// past the buffer's start so that a blank can go before non-negative numbers,
// and prints it. A text that does not fit its room prints as empty.
void print_number(double value, int digits, std::int32_t flags) {
    char buffer[1 + DOUBLE_DIGITS + 8] = {};
    const int room = digits + 8;
    char* text = buffer + 1;
    const int n = std::snprintf(text, static_cast<std::size_t>(room), "%.*g", digits, value);
    std::size_t length = 0;
    if (n > 0 && n < room) {
        length = static_cast<std::size_t>(n);
        if (text[length - 1] == '.') --length;
        if (text[0] != '-') {
            --text;
            *text = ' ';
            ++length;
        }
    }
    runtime_print_text(std::string_view(text, length), flags);
}

}  // namespace

ScreenChannel& screen_channel() { return state().channel; }

std::int32_t text_window_top() { return state().window_top; }
std::int32_t text_window_bottom() { return state().window_bottom; }

void reset_console_state() { state() = ConsoleState{}; }

void runtime_clear(std::int32_t mode) {
    ensure_channel();
    if (auto hook = console_hooks().clear) {
        hook(mode);
    } else {
        console_clear(mode);
    }
    state().channel.column = 0;
}

std::int32_t runtime_locate(std::int32_t row, std::int32_t column, std::int32_t visibility) {
    ensure_channel();
    std::int32_t code = 0;
    if (!locate_stage(row, column, visibility, code)) {
        // Only the cursor visibility is applied; this stage cannot be refused.
        // The refusal stays the last error: the caller must learn that the
        // cursor did not move, not see the second stage's success.
        locate_stage(0, 0, visibility, code);
        set_last_error(ERR_ILLEGAL_CALL);
    }
    return code;
}

std::int32_t runtime_view_print(std::int32_t top, std::int32_t bottom, bool place_cursor) {
    ensure_channel();
    ensure_text_window();
    std::int32_t cols = 0;
    std::int32_t rows = 0;
    current_text_size(cols, rows);
    if (rows == 0) rows = DEFAULT_ROWS;

    bool changed = false;
    ConsoleState& s = state();
    if (top >= 1) {
        changed = true;
    } else if (top < 0) {
        top = s.window_top + 1;
    } else {
        top = 1;
        changed = true;
    }
    if (bottom >= 1) {
        changed = true;
    } else if (bottom < 0) {
        bottom = s.window_bottom + 1;
    } else {
        bottom = rows;
        changed = true;
    }
    if (bottom < top || top <= 0 || bottom <= 0 || top > rows || bottom > rows) return 0;

    if (changed) {
        s.window_top = top - 1;
        s.window_bottom = bottom - 1;
        if (auto hook = console_hooks().view_update) {
            hook(top, bottom);
        } else {
            console_view_update(top, bottom);
        }
        if (place_cursor) runtime_locate(top, 1, -1);
    }
    // top <= bottom <= rows, and rows is a 32-bit count: compute the code
    // without signed overflow and keep its 32-bit pattern.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(top) + static_cast<std::uint32_t>(bottom) * 65536u);
}

std::int32_t runtime_width(std::int32_t columns, std::int32_t rows) {
    ensure_channel();
    std::int32_t answer = 0;
    if (auto hook = console_hooks().set_text_size) {
        answer = hook(columns, rows);
    } else {
        answer = console_set_text_size(columns, rows);
    }
    if (columns > 0) state().channel.line_width = columns;
    if (columns < 1 && rows < 1) return answer;
    runtime_view_print(0, 0, true);
    return 0;
}

void runtime_print_text(std::string_view text, std::int32_t flags) {
    ensure_channel();
    channel_write(text);
    print_flags(flags);
}

void runtime_print_single(float value, std::int32_t flags) {
    ensure_channel();
    print_number(static_cast<double>(value), SINGLE_DIGITS, flags);
}

void runtime_print_double(double value, std::int32_t flags) {
    ensure_channel();
    print_number(value, DOUBLE_DIGITS, flags);
}

KeyText runtime_key_text() {
    ensure_channel();
    if (auto hook = console_hooks().key_text) return hook();
    return console_key_text();
}

std::int32_t runtime_wait_key() {
    ensure_channel();
    if (auto hook = console_hooks().wait_key) return hook();
    return console_wait_key();
}

std::int32_t runtime_key_pending() {
    ensure_channel();
    if (auto hook = console_hooks().key_pending) return hook();
    return console_key_pending();
}

bool runtime_input_ended() {
    // A screen's keys come from its window, which can always still deliver
    // one (a close request included).
    if (console_hooks().key_text != nullptr) return false;
    return console_input_ended();
}

void runtime_key_sleep(std::int32_t milliseconds) {
    ensure_channel();
    if (auto hook = console_hooks().sleep_ms) {
        hook(milliseconds);
    } else {
        console_key_sleep(milliseconds);
    }
}

std::int32_t runtime_page_copy(std::int32_t source, std::int32_t destination) {
    ensure_channel();
    if (auto hook = console_hooks().page_copy) return hook(source, destination);
    if (source > 3 || destination > 3) return set_last_error(ERR_ILLEGAL_CALL);
    return console_page_copy(source, destination);
}

std::int32_t runtime_page_set(std::int32_t work_page, std::int32_t visible_page) {
    ensure_channel();
    if (auto hook = console_hooks().page_set) return hook(work_page, visible_page);
    if (work_page > 3 || visible_page > 3) return -1;
    return console_page_set(work_page, visible_page);
}

}  // namespace vz
