// The text console on Linux. Keys come from the input descriptor: a terminal
// is put into raw mode on the first key read (and given back its settings on
// every way out), a pipe or file delivers each byte as a key. Reads never
// block: poll with a zero timeout comes first. Printing writes the bytes to
// the output descriptor; terminal control sequences (cursor, clearing,
// colours) are written only when that descriptor is a terminal.

#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rt/console.h"
#include "rt/console_backend.h"
#include "rt/console_backend_keys.h"
#include "rt/posix/console_backend_posix.h"
#include "rt/error.h"
#include "rt/key_codes.h"
#include "rt/timer.h"

namespace vz {

namespace {

constexpr std::int32_t DEFAULT_COLS = 80;
constexpr std::int32_t DEFAULT_ROWS = 25;
constexpr std::int32_t KEY_TEST_SLICE_MS = 50;
// How long a terminal must stay quiet after an ESC before it counts as the
// Escape key rather than the start of a sequence.
constexpr std::int64_t ESCAPE_WAIT_MS = 30;
constexpr std::size_t RAW_CAPACITY = 256;
constexpr std::size_t KEY_CAPACITY = 64;
// Input is read only while fewer keys than this are queued, so a long piped
// input is not pulled into memory at once.
constexpr std::size_t KEY_READ_LIMIT = 32;

// --- Terminal restoration, shared with the signal handlers ----------------
// Written by the program thread before raw mode is entered; read by the
// handlers, which use only async-signal-safe calls.
struct TerminalGuard {
    termios saved{};
    volatile sig_atomic_t raw_active = 0;
    volatile sig_atomic_t raw_fd = -1;
    volatile sig_atomic_t output_fd = -1;      // terminal output with changed looks
    volatile sig_atomic_t cursor_hidden = 0;
    volatile sig_atomic_t colours_changed = 0;
};

TerminalGuard g_guard;

// The signals that end the process (or, SIGTSTP, stop it) while the terminal
// may be in raw mode: the keyboard's interrupt and quit keys, a closed output
// pipe, termination and hang-up. After a stop the terminal keeps its own
// settings until the next key read, which takes raw mode again once the
// process is back in the foreground.
constexpr int GUARDED_SIGNALS[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGPIPE, SIGTSTP};
constexpr int GUARDED_COUNT = sizeof(GUARDED_SIGNALS) / sizeof(GUARDED_SIGNALS[0]);
struct sigaction g_previous_actions[GUARDED_COUNT];
bool g_exit_handler_registered = false;

// `may_wait`: false inside a signal handler, which must not block on a full
// output.
void write_raw(int fd, const char* bytes, std::size_t count, bool may_wait = true) {
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, count);
        if (n > 0) {
            bytes += n;
            count -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && may_wait) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, -1);
        } else {
            return;  // the output is gone; nothing more can be shown
        }
    }
}

// Async-signal-safe: only tcsetattr and write.
void restore_terminal(bool may_wait) {
    if (g_guard.raw_active) {
        ::tcsetattr(g_guard.raw_fd, TCSANOW, &g_guard.saved);
        g_guard.raw_active = 0;
    }
    if (g_guard.output_fd >= 0 && (g_guard.cursor_hidden || g_guard.colours_changed)) {
        static constexpr char RESET[] = "\x1b[0m\x1b[?25h";
        write_raw(g_guard.output_fd, RESET, sizeof(RESET) - 1, may_wait);
        g_guard.cursor_hidden = 0;
        g_guard.colours_changed = 0;
    }
}

void restore_terminal_now() { restore_terminal(true); }

void on_guarded_signal(int signal_number) {
    const int saved_errno = errno;
    restore_terminal(false);
    for (int i = 0; i < GUARDED_COUNT; ++i) {
        if (GUARDED_SIGNALS[i] == signal_number) {
            // Hand the signal on to whatever handled it before: it is delivered
            // again as soon as this handler returns.
            ::sigaction(signal_number, &g_previous_actions[i], nullptr);
        }
    }
    ::raise(signal_number);
    errno = saved_errno;
}

void install_guards() {
    if (!g_exit_handler_registered) {
        g_exit_handler_registered = true;
        std::atexit(restore_terminal_now);
    }
    for (int i = 0; i < GUARDED_COUNT; ++i) {
        struct sigaction current {};
        if (::sigaction(GUARDED_SIGNALS[i], nullptr, &current) != 0) continue;
        // Still ours, unless the program has set a handler of its own since.
        if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == on_guarded_signal) continue;
        // A signal the process ignores (nohup) stays ignored.
        if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN) continue;
        struct sigaction ours {};
        ours.sa_handler = on_guarded_signal;
        sigemptyset(&ours.sa_mask);
        ours.sa_flags = 0;
        g_previous_actions[i] = current;
        ::sigaction(GUARDED_SIGNALS[i], &ours, nullptr);
    }
}

// --- Console state (program thread only) ----------------------------------
struct Console {
    int input_fd = 0;
    int output_fd = 1;
    bool checked = false;  // descriptors examined
    bool input_tty = false;
    bool output_tty = false;
    bool input_ended = false;
    std::uint8_t erase_byte = 127;  // the terminal's erase byte, read as backspace

    std::uint8_t raw[RAW_CAPACITY] = {};
    std::size_t raw_length = 0;
    std::int64_t last_arrival_ms = 0;

    std::int32_t keys[KEY_CAPACITY] = {};
    std::size_t key_head = 0;
    std::size_t key_count = 0;
    bool arrived = false;  // a key arrived since the last key test

    // Cursor bookkeeping, 0-based; the terminal cannot be asked without
    // reading its answer from the key input.
    std::int32_t row = 0;
    std::int32_t col = 0;
    std::int32_t window_top = 0;
    std::int32_t window_bottom = -1;  // -1 = the last row
    std::int32_t cols = DEFAULT_COLS;  // grid of a console that is not a terminal
    std::int32_t rows = DEFAULT_ROWS;
    std::uint32_t fg = 7;
    std::uint32_t bg = 0;

    ConsoleSleeper sleeper = nullptr;
};

Console& console() {
    static Console c;
    return c;
}

std::int64_t now_ms() { return static_cast<std::int64_t>(timer_seconds() * 1000.0); }

// A sleep of 0 still gives the processor away once; below 0 returns at once.
void console_sleep(std::int32_t milliseconds) {
    if (auto sleeper = console().sleeper) {
        sleeper(milliseconds);
    } else if (milliseconds == 0) {
        ::sched_yield();
    } else {
        os_sleep_ms(milliseconds);
    }
}

void check_streams() {
    Console& c = console();
    if (c.checked) return;
    c.checked = true;
    c.input_tty = ::isatty(c.input_fd) == 1;
    c.output_tty = ::isatty(c.output_fd) == 1;
}

// A controlling terminal is read only while this process is in its
// foreground: a background read or mode change would stop the process. Any
// other terminal (tcgetpgrp fails) has no job control and is always ours.
bool input_terminal_is_ours() {
    const Console& c = console();
    const pid_t group = ::tcgetpgrp(c.input_fd);
    return group < 0 || group == ::getpgrp();
}

bool enter_raw_mode() {
    Console& c = console();
    if (g_guard.raw_active) return true;
    termios saved{};
    if (::tcgetattr(c.input_fd, &saved) != 0) return false;
    install_guards();
    termios raw = saved;
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON);
    // Signals stay on, so Ctrl+C still ends the program (and the handlers
    // above give the terminal back first).
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    c.erase_byte = saved.c_cc[VERASE];
    g_guard.saved = saved;
    g_guard.raw_fd = c.input_fd;
    // The saved settings must be complete before a handler can see raw_active.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    g_guard.raw_active = 1;  // before the change, so a signal in between restores
    if (::tcsetattr(c.input_fd, TCSANOW, &raw) != 0) {
        g_guard.raw_active = 0;
        return false;
    }
    return true;
}

void push_key(std::int32_t code) {
    Console& c = console();
    if (c.key_count == KEY_CAPACITY) return;  // not reached: reads stop well before
    c.keys[(c.key_head + c.key_count) % KEY_CAPACITY] = code;
    ++c.key_count;
    c.arrived = true;
}

// Taking a key also clears the arrival indication, as the screen's key queue
// does.
std::int32_t pop_key() {
    Console& c = console();
    c.arrived = false;
    if (c.key_count == 0) return 0;
    const std::int32_t code = c.keys[c.key_head];
    c.key_head = (c.key_head + 1) % KEY_CAPACITY;
    --c.key_count;
    return code;
}

void decode_pending() {
    Console& c = console();
    if (c.raw_length == 0) return;
    // Whether more bytes may still join the buffered ones is the same for
    // every key decoded here: nothing is read inside this loop.
    const bool complete = c.input_ended || now_ms() - c.last_arrival_ms >= ESCAPE_WAIT_MS;
    while (c.raw_length > 0 && c.key_count < KEY_CAPACITY) {
        const KeyDecodeStep step = decode_console_key({c.raw, c.raw_length}, complete);
        if (step.used == 0) break;
        std::int32_t code = step.code;
        // A terminal's backspace key sends its erase byte (usually 127).
        if (c.input_tty && code != 0 && code == c.erase_byte) code = KEY_CODE_BACKSPACE;
        if (code != 0) push_key(code);
        std::memmove(c.raw, c.raw + step.used, c.raw_length - step.used);
        c.raw_length -= step.used;
    }
}

// Moves whatever input is ready into the key queue without waiting.
void pump_input() {
    Console& c = console();
    check_streams();
    if (!c.input_ended && (!c.input_tty || (input_terminal_is_ours() && enter_raw_mode()))) {
        while (c.key_count < KEY_READ_LIMIT && c.raw_length < RAW_CAPACITY) {
            pollfd p{c.input_fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, 0);
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) break;
            if (p.revents & POLLNVAL) {
                c.input_ended = true;
                break;
            }
            const ssize_t n = ::read(c.input_fd, c.raw + c.raw_length, RAW_CAPACITY - c.raw_length);
            if (n > 0) {
                c.raw_length += static_cast<std::size_t>(n);
                c.last_arrival_ms = now_ms();
                decode_pending();
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
            // A raw-mode terminal reads 0 bytes when nothing is there; only a
            // hang-up ends it. Elsewhere 0 bytes is the end of the input.
            if (n == 0 && c.input_tty && !(p.revents & POLLHUP)) break;
            c.input_ended = true;
            break;
        }
    }
    decode_pending();
}

bool no_more_keys() {
    const Console& c = console();
    return c.input_ended && c.raw_length == 0;
}

// True when a key arrived since the previous test; clears the indication.
bool take_arrived() {
    pump_input();
    Console& c = console();
    const bool arrived = c.arrived;
    c.arrived = false;
    return arrived;
}

// --- Output ----------------------------------------------------------------
void write_output(const char* bytes, std::size_t count) {
    Console& c = console();
    if (c.output_fd == STDOUT_FILENO) std::fflush(stdout);  // keep order with stdio users
    write_raw(c.output_fd, bytes, count);
}

void write_control(const char* sequence) {
    check_streams();
    if (!console().output_tty) return;
    write_output(sequence, std::strlen(sequence));
}

void grid_size(std::int32_t& cols, std::int32_t& rows) {
    Console& c = console();
    check_streams();
    cols = c.cols;
    rows = c.rows;
    if (c.output_tty) {
        winsize ws{};
        if (::ioctl(c.output_fd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
            cols = ws.ws_col;
            rows = ws.ws_row;
        } else {
            cols = DEFAULT_COLS;
            rows = DEFAULT_ROWS;
        }
    }
}

// The text grid and the text window's rows inside it (0-based, inclusive).
struct TextArea {
    std::int32_t cols;
    std::int32_t rows;
    std::int32_t top;
    std::int32_t bottom;
};

TextArea text_area() {
    const Console& c = console();
    TextArea area{};
    grid_size(area.cols, area.rows);
    area.bottom = c.window_bottom < 0 || c.window_bottom >= area.rows ? area.rows - 1 : c.window_bottom;
    area.top = c.window_top > area.bottom ? area.bottom : c.window_top;
    if (area.top < 0) area.top = 0;
    return area;
}

void move_terminal_cursor() {
    char sequence[32];
    std::snprintf(sequence, sizeof sequence, "\x1b[%d;%dH", console().row + 1, console().col + 1);
    write_control(sequence);
}

void track_output(const std::uint8_t* bytes, std::int32_t length) {
    Console& c = console();
    const TextArea area = text_area();
    for (std::int32_t i = 0; i < length; ++i) {
        switch (bytes[i]) {
            case 7: break;
            case 8: if (c.col > 0) --c.col; break;
            case 9: c.col = (c.col + 8) & ~7; if (c.col >= area.cols) c.col = area.cols - 1; break;
            case 10: c.col = 0; ++c.row; break;
            case 13: c.col = 0; break;
            default:
                if (++c.col >= area.cols) {
                    c.col = 0;
                    ++c.row;
                }
                break;
        }
        if (c.row > area.bottom) c.row = area.bottom;  // the text scrolled
    }
}

}  // namespace

// --- Linux specifics ------------------------------------------------------
ConsoleStreams console_attach(ConsoleStreams streams) {
    restore_terminal_now();
    Console& c = console();
    const ConsoleStreams previous{c.input_fd, c.output_fd};
    const ConsoleSleeper sleeper = c.sleeper;
    c = Console{};
    c.sleeper = sleeper;
    c.input_fd = streams.input_fd;
    c.output_fd = streams.output_fd;
    g_guard.output_fd = -1;
    return previous;
}

ConsoleSleeper console_set_sleeper(ConsoleSleeper sleeper) {
    const ConsoleSleeper previous = console().sleeper;
    console().sleeper = sleeper;
    return previous;
}

bool console_raw_mode_active() { return g_guard.raw_active != 0; }

void console_restore_terminal() { restore_terminal_now(); }

// --- Screen ---------------------------------------------------------------
void console_clear(std::int32_t mode) {
    Console& c = console();
    const TextArea area = text_area();
    const bool window_is_all = area.top == 0 && area.bottom == area.rows - 1;
    const bool window_only = mode == 2 || (mode == CLEAR_NO_ARGUMENT && !window_is_all);
    if (window_only) {
        for (std::int32_t r = area.top; r <= area.bottom; ++r) {
            char sequence[32];
            std::snprintf(sequence, sizeof sequence, "\x1b[%d;1H\x1b[2K", r + 1);
            write_control(sequence);
        }
    } else {
        write_control("\x1b[2J");
    }
    c.row = area.top;
    c.col = 0;
    move_terminal_cursor();
}

std::int32_t console_set_text_pos(std::int32_t row, std::int32_t col, std::int32_t visibility) {
    Console& c = console();
    if (row >= 1) c.row = row - 1;
    if (col >= 1) c.col = col - 1;
    if (row >= 1 || col >= 1) move_terminal_cursor();
    check_streams();
    if (visibility >= 0 && c.output_tty) {
        install_guards();
        g_guard.output_fd = c.output_fd;
        g_guard.cursor_hidden = visibility == 0;
        write_control(visibility == 0 ? "\x1b[?25l" : "\x1b[?25h");
    }
    return ((c.row & 0xFF) * 256 + (c.col & 0xFF)) + 257;
}

void console_get_text_pos(std::int32_t* col, std::int32_t* row) {
    if (col) *col = console().col + 1;
    if (row) *row = console().row + 1;
}

void console_get_text_size(std::int32_t* cols, std::int32_t* rows) {
    std::int32_t c = 0;
    std::int32_t r = 0;
    grid_size(c, r);
    if (cols) *cols = c;
    if (rows) *rows = r;
}

std::int32_t console_set_text_size(std::int32_t cols, std::int32_t rows) {
    Console& c = console();
    std::int32_t old_cols = 0;
    std::int32_t old_rows = 0;
    grid_size(old_cols, old_rows);
    if (!c.output_tty) {
        if (cols > 0) c.cols = cols;
        if (rows > 0) c.rows = rows;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(old_rows) * 65536u +
                                     static_cast<std::uint32_t>(old_cols));
}

std::uint32_t console_set_color(std::uint32_t fg, std::uint32_t bg, std::int32_t flags) {
    Console& c = console();
    const std::uint32_t previous = (c.bg & 0xFFFF) * 65536u + (c.fg & 0xFFFF);
    if (!(flags & 1)) c.fg = fg & 15;
    if (!(flags & 2)) c.bg = bg & 15;
    check_streams();
    if (c.output_tty) {
        // The classic palette lists blue before red; terminals the other way.
        static constexpr int ANSI_ORDER[8] = {0, 4, 2, 6, 1, 5, 3, 7};
        const int fg_code = (c.fg & 8 ? 90 : 30) + ANSI_ORDER[c.fg & 7];
        const int bg_code = (c.bg & 8 ? 100 : 40) + ANSI_ORDER[c.bg & 7];
        install_guards();
        g_guard.output_fd = c.output_fd;
        g_guard.colours_changed = 1;
        char sequence[32];
        std::snprintf(sequence, sizeof sequence, "\x1b[%d;%dm", fg_code, bg_code);
        write_control(sequence);
    }
    return previous;
}

void console_view_update(std::int32_t top, std::int32_t bottom) {
    Console& c = console();
    c.window_top = top >= 1 ? top - 1 : 0;
    c.window_bottom = bottom >= 1 ? bottom - 1 : -1;
}

void console_print(const std::uint8_t* bytes, std::int32_t length) {
    if (bytes == nullptr || length <= 0) return;
    check_streams();
    write_output(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    track_output(bytes, length);
}

// --- Keys -----------------------------------------------------------------
KeyText console_key_text() {
    pump_input();
    return key_text_of(pop_key());
}

std::int32_t console_wait_key() {
    for (;;) {
        pump_input();
        const std::int32_t code = pop_key();
        if (code != 0) return code >= 128 && code <= 255 ? code - 256 : code;
        if (no_more_keys()) return 0;
        console_key_sleep(-1);
    }
}

std::int32_t console_key_pending() {
    pump_input();
    return console().key_count > 0 ? 1 : 0;
}

void console_key_sleep(std::int32_t milliseconds) {
    if (milliseconds == -1) {
        // No key can arrive after the end of the input: do not wait forever.
        while (!take_arrived() && !no_more_keys()) console_sleep(KEY_TEST_SLICE_MS);
        return;
    }
    if (milliseconds >= 100) {
        while (milliseconds > KEY_TEST_SLICE_MS) {
            if (take_arrived()) return;
            console_sleep(KEY_TEST_SLICE_MS);
            milliseconds -= KEY_TEST_SLICE_MS;
        }
    }
    if (milliseconds >= 0) console_sleep(milliseconds);
}

bool console_input_ended() {
    pump_input();
    return no_more_keys() && console().key_count == 0;
}

bool console_input_is_interactive() {
    check_streams();
    return console().input_tty;
}

}  // namespace vz
