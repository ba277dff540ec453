// The text console on Windows. Output to a console window goes through the
// console's own cursor, colour and fill calls; output to a pipe or file is
// the bytes alone. Keys come from console key events (characters in the
// console's code page, extended keys by their scancode) or, from a pipe or
// file, byte by byte through the same decoder as a terminal's input. Reads
// never block: a console is peeked, a pipe asked how much is waiting.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "rt/console.h"
#include "rt/console_backend.h"
#include "rt/console_backend_core.h"
#include "rt/console_backend_keys.h"
#include "rt/timer.h"
#include "rt/win32/console_backend_win32.h"

namespace vz {

namespace {

using console_core::KEY_READ_LIMIT;
using console_core::RAW_CAPACITY;

enum class InputKind { unknown, console, pipe, file, other };

// Input that cannot be asked how much is waiting (a pipe of another system,
// as Wine hands over; a character device) is read by a thread of its own,
// whose blocking reads fill a buffer that the key reads take from. The thread
// ends with the input (or when its handle is closed).
struct InputReader {
    std::mutex mutex;
    std::string bytes;
    bool ended = false;
};

std::shared_ptr<InputReader> start_reader(HANDLE input) {
    auto reader = std::make_shared<InputReader>();
    try {
        std::thread([reader, input] {
            char buffer[256];
            for (;;) {
                DWORD got = 0;
                const BOOL ok = ReadFile(input, buffer, sizeof buffer, &got, nullptr);
                std::lock_guard<std::mutex> guard(reader->mutex);
                if (ok == 0 || got == 0) {
                    reader->ended = true;
                    return;
                }
                reader->bytes.append(buffer, got);
            }
        }).detach();
    } catch (const std::exception&) {
        reader->ended = true;  // no thread: no keys from this input
    }
    return reader;
}

struct Console {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    bool checked = false;
    InputKind input_kind = InputKind::unknown;
    bool output_console = false;
    ConsoleSleeper sleeper = nullptr;
    std::shared_ptr<InputReader> reader;
};

Console& console() {
    static Console c;
    return c;
}

void check_streams() {
    console_core::State& k = console_core::state();
    Console& c = console();
    if (c.checked) return;
    c.checked = true;
    DWORD mode = 0;
    c.output_console = c.output != nullptr && c.output != INVALID_HANDLE_VALUE && GetConsoleMode(c.output, &mode) != 0;
    if (c.input == nullptr || c.input == INVALID_HANDLE_VALUE) {
        c.input_kind = InputKind::other;
        k.input_ended = true;
    } else if (GetConsoleMode(c.input, &mode) != 0) {
        c.input_kind = InputKind::console;
    } else {
        switch (GetFileType(c.input)) {
        case FILE_TYPE_PIPE:
            c.input_kind = InputKind::pipe;
            break;
        case FILE_TYPE_DISK:
            c.input_kind = InputKind::file;
            break;
        default:
            c.input_kind = InputKind::other;
            break;
        }
    }
}

// The key code of a console key event, 0 for none (a release, a modifier
// alone). Keys with a character give it (the console's code page); keys
// without one give their scancode as an extended code, so the cursor block,
// the function keys and the keypad read as they do on a PC keyboard.
std::int32_t console_event_code(const KEY_EVENT_RECORD& key) {
    return console_key_event_code(key.bKeyDown != 0, static_cast<std::uint8_t>(key.uChar.AsciiChar),
                                  key.wVirtualKeyCode, key.wVirtualScanCode, key.dwControlKeyState);
}

}  // namespace

std::int32_t console_key_event_code(bool down, std::uint8_t ch, std::uint16_t vk, std::uint16_t scan_code,
                                    std::uint32_t control_state) {
    if (!down) return 0;
    const DWORD alt = LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED;
    const std::int32_t scan = static_cast<std::int32_t>(scan_code & 0xFF);
    if (ch != 0 && (control_state & alt) == 0) return ch;
    switch (vk) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
    case VK_LWIN:
    case VK_RWIN:
        return 0;
    default:
        break;
    }
    if (vk == VK_F11) return KEY_CODE_F11;
    if (vk == VK_F12) return KEY_CODE_F12;
    return scan != 0 ? extended_key_code(static_cast<std::uint8_t>(scan)) : 0;
}

namespace {

void pump_console_events() {
    console_core::State& k = console_core::state();
    Console& c = console();
    while (k.key_count < KEY_READ_LIMIT) {
        DWORD waiting = 0;
        if (GetNumberOfConsoleInputEvents(c.input, &waiting) == 0 || waiting == 0) return;
        INPUT_RECORD record{};
        DWORD read = 0;
        if (ReadConsoleInputA(c.input, &record, 1, &read) == 0 || read == 0) return;
        if (record.EventType != KEY_EVENT) continue;
        const std::int32_t code = console_event_code(record.Event.KeyEvent);
        for (WORD i = 0; code != 0 && i < record.Event.KeyEvent.wRepeatCount; ++i) console_core::push_key(code);
    }
}

// How many bytes can be read now without waiting; -1 when the input has ended.
std::int64_t bytes_ready() {
    Console& c = console();
    switch (c.input_kind) {
    case InputKind::pipe: {
        DWORD available = 0;
        if (PeekNamedPipe(c.input, nullptr, 0, nullptr, &available, nullptr) != 0) return available;
        if (GetLastError() == ERROR_BROKEN_PIPE) return -1;
        c.input_kind = InputKind::other;  // cannot be peeked: read by a thread
        return 0;
    }
    case InputKind::file:
        return static_cast<std::int64_t>(RAW_CAPACITY);
    default:
        return 0;
    }
}

// Takes what the reader thread has read so far.
void take_from_reader() {
    console_core::State& k = console_core::state();
    Console& c = console();
    if (!c.reader) c.reader = start_reader(c.input);
    std::lock_guard<std::mutex> guard(c.reader->mutex);
    const std::size_t room = RAW_CAPACITY - k.raw_length;
    const std::size_t taken = std::min(room, c.reader->bytes.size());
    if (taken > 0) {
        std::memcpy(k.raw + k.raw_length, c.reader->bytes.data(), taken);
        c.reader->bytes.erase(0, taken);
        k.raw_length += taken;
        k.last_arrival_ms = console_core::now_ms();
    }
    if (c.reader->ended && c.reader->bytes.empty()) k.input_ended = true;
}

void pump_bytes() {
    console_core::State& k = console_core::state();
    Console& c = console();
    if (c.input_kind == InputKind::other && !k.input_ended) {
        if (k.key_count < KEY_READ_LIMIT) take_from_reader();
        console_core::decode_pending(-1);
        return;
    }
    while (!k.input_ended && k.key_count < KEY_READ_LIMIT && k.raw_length < RAW_CAPACITY) {
        const std::int64_t ready = bytes_ready();
        if (ready < 0) {
            k.input_ended = true;
            break;
        }
        if (ready == 0) break;
        DWORD wanted = static_cast<DWORD>(RAW_CAPACITY - k.raw_length);
        if (static_cast<std::int64_t>(wanted) > ready) wanted = static_cast<DWORD>(ready);
        DWORD got = 0;
        if (ReadFile(c.input, k.raw + k.raw_length, wanted, &got, nullptr) == 0 || got == 0) {
            k.input_ended = true;
            break;
        }
        k.raw_length += got;
        k.last_arrival_ms = console_core::now_ms();
        console_core::decode_pending(-1);
    }
    console_core::decode_pending(-1);
}

}  // namespace

void console_core::pump_input() {
    check_streams();
    if (console().input_kind == InputKind::console) {
        pump_console_events();
    } else {
        pump_bytes();
    }
}

void console_core::idle(std::int32_t milliseconds) {
    if (auto sleeper = console().sleeper) {
        sleeper(milliseconds);
    } else if (milliseconds == 0) {
        Sleep(0);
    } else {
        os_sleep_ms(milliseconds);
    }
}

void console_core::grid_size(std::int32_t& cols, std::int32_t& rows) {
    Console& c = console();
    check_streams();
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (c.output_console && GetConsoleScreenBufferInfo(c.output, &info) != 0) {
        cols = info.srWindow.Right - info.srWindow.Left + 1;
        rows = info.srWindow.Bottom - info.srWindow.Top + 1;
        if (cols > 0 && rows > 0) return;
    }
    cols = console_core::state().cols;
    rows = console_core::state().rows;
}

namespace {

void write_output(const void* bytes, std::size_t count) {
    Console& c = console();
    const auto* p = static_cast<const char*>(bytes);
    while (count > 0) {
        DWORD written = 0;
        if (WriteFile(c.output, p, static_cast<DWORD>(count), &written, nullptr) == 0 || written == 0) return;
        p += written;
        count -= written;
    }
}

// The console window's cursor (relative to its visible part) follows the
// bookkeeping.
SHORT window_origin_row() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(console().output, &info) == 0) return 0;
    return info.srWindow.Top;
}

void move_console_cursor() {
    console_core::State& k = console_core::state();
    Console& c = console();
    if (!c.output_console) return;
    COORD at{static_cast<SHORT>(k.col), static_cast<SHORT>(window_origin_row() + k.row)};
    SetConsoleCursorPosition(c.output, at);
}

void read_console_cursor() {
    console_core::State& k = console_core::state();
    Console& c = console();
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!c.output_console || GetConsoleScreenBufferInfo(c.output, &info) == 0) return;
    k.col = info.dwCursorPosition.X;
    k.row = info.dwCursorPosition.Y - info.srWindow.Top;
}

// A console window knows its cursor; other output is followed in the core's
// bookkeeping.
void track_output(const std::uint8_t* bytes, std::int32_t length) {
    if (console().output_console) {
        read_console_cursor();
        return;
    }
    console_core::track_output(bytes, length);
}

void fill_rows(std::int32_t first, std::int32_t last, std::int32_t cols) {
    console_core::State& k = console_core::state();
    Console& c = console();
    const SHORT origin = window_origin_row();
    const WORD attribute = static_cast<WORD>((k.bg << 4) | k.fg);
    for (std::int32_t r = first; r <= last; ++r) {
        DWORD done = 0;
        const COORD at{0, static_cast<SHORT>(origin + r)};
        FillConsoleOutputCharacterA(c.output, ' ', static_cast<DWORD>(cols), at, &done);
        FillConsoleOutputAttribute(c.output, attribute, static_cast<DWORD>(cols), at, &done);
    }
}

}  // namespace

ConsoleHandles console_attach(ConsoleHandles handles) {
    Console& c = console();
    const ConsoleHandles previous{c.input, c.output};
    const ConsoleSleeper sleeper = c.sleeper;
    c = Console{};
    console_core::reset();
    c.sleeper = sleeper;
    c.input = static_cast<HANDLE>(handles.input);
    c.output = static_cast<HANDLE>(handles.output);
    return previous;
}

ConsoleSleeper console_set_sleeper(ConsoleSleeper sleeper) {
    const ConsoleSleeper previous = console().sleeper;
    console().sleeper = sleeper;
    return previous;
}

void console_clear(std::int32_t mode) {
    console_core::State& k = console_core::state();
    Console& c = console();
    const console_core::TextArea area = console_core::text_area();
    const bool window_is_all = area.top == 0 && area.bottom == area.rows - 1;
    const bool window_only = mode == 2 || (mode == CLEAR_NO_ARGUMENT && !window_is_all);
    if (c.output_console) fill_rows(window_only ? area.top : 0, window_only ? area.bottom : area.rows - 1, area.cols);
    k.row = area.top;
    k.col = 0;
    move_console_cursor();
}

std::int32_t console_set_text_pos(std::int32_t row, std::int32_t col, std::int32_t visibility) {
    Console& c = console();
    check_streams();
    if (console_core::place_cursor(row, col)) move_console_cursor();
    if (visibility >= 0 && c.output_console) {
        CONSOLE_CURSOR_INFO info{};
        if (GetConsoleCursorInfo(c.output, &info) != 0) {
            info.bVisible = visibility != 0;
            SetConsoleCursorInfo(c.output, &info);
        }
    }
    return console_core::position_code();
}

void console_get_text_pos(std::int32_t* col, std::int32_t* row) {
    console_core::State& k = console_core::state();
    check_streams();
    read_console_cursor();
    if (col) *col = k.col + 1;
    if (row) *row = k.row + 1;
}

std::int32_t console_set_text_size(std::int32_t cols, std::int32_t rows) {
    console_core::State& k = console_core::state();
    Console& c = console();
    std::int32_t old_cols = 0, old_rows = 0;
    console_core::grid_size(old_cols, old_rows);
    if (c.output_console) {
        // The buffer must be at least as large as the window: grow the buffer
        // first, then set the window, then shrink the buffer to it.
        const SHORT new_cols = static_cast<SHORT>(cols > 0 ? cols : old_cols);
        const SHORT new_rows = static_cast<SHORT>(rows > 0 ? rows : old_rows);
        CONSOLE_SCREEN_BUFFER_INFO info{};
        if (GetConsoleScreenBufferInfo(c.output, &info) != 0) {
            const COORD large{std::max(new_cols, info.dwSize.X), std::max(new_rows, info.dwSize.Y)};
            SetConsoleScreenBufferSize(c.output, large);
            const SMALL_RECT window{0, 0, static_cast<SHORT>(new_cols - 1), static_cast<SHORT>(new_rows - 1)};
            if (SetConsoleWindowInfo(c.output, TRUE, &window) != 0) {
                SetConsoleScreenBufferSize(c.output, COORD{new_cols, new_rows});
            }
        }
    } else {
        if (cols > 0) k.cols = cols;
        if (rows > 0) k.rows = rows;
    }
    return console_core::size_code(old_cols, old_rows);
}

std::uint32_t console_set_color(std::uint32_t fg, std::uint32_t bg, std::int32_t flags) {
    console_core::State& k = console_core::state();
    Console& c = console();
    const std::uint32_t previous = console_core::set_colours(fg, bg, flags);
    check_streams();
    // The console's attribute bits are the classic palette's: blue 1, green
    // 2, red 4, bright 8; background in the next four bits.
    if (c.output_console) SetConsoleTextAttribute(c.output, static_cast<WORD>((k.bg << 4) | k.fg));
    return previous;
}

void console_print(const std::uint8_t* bytes, std::int32_t length) {
    if (bytes == nullptr || length <= 0) return;
    check_streams();
    write_output(bytes, static_cast<std::size_t>(length));
    track_output(bytes, length);
}

bool console_input_is_interactive() {
    check_streams();
    return console().input_kind == InputKind::console;
}

}  // namespace vz
