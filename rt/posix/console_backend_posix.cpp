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
#include "rt/console_backend_core.h"
#include "rt/posix/console_backend_posix.h"
#include "rt/timer.h"

namespace vz {

namespace {

using console_core::KEY_READ_LIMIT;
using console_core::RAW_CAPACITY;

// --- Terminal restoration, shared with the signal handlers ----------------
// Written by the program thread before raw mode is entered; read by the
// handlers, which use only async-signal-safe calls.
struct TerminalGuard {
    termios saved{};
    volatile sig_atomic_t raw_active = 0;
    volatile sig_atomic_t raw_fd = -1;
    volatile sig_atomic_t output_fd = -1;  // terminal output with changed looks
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
    std::uint8_t erase_byte = 127;  // the terminal's erase byte, read as backspace
    ConsoleSleeper sleeper = nullptr;
};
// The key queue and the cursor bookkeeping are the core's (the terminal's
// cursor cannot be asked without reading its answer from the key input).

Console& console() {
    static Console c;
    return c;
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

// The terminal's backspace key sends its erase byte (usually 127); other
// input has none.
std::int32_t backspace_byte() { return console().input_tty ? console().erase_byte : -1; }

}  // namespace

void console_core::pump_input() {
    Console& c = console();
    console_core::State& k = console_core::state();
    check_streams();
    if (!k.input_ended && (!c.input_tty || (input_terminal_is_ours() && enter_raw_mode()))) {
        while (k.key_count < KEY_READ_LIMIT && k.raw_length < RAW_CAPACITY) {
            pollfd p{c.input_fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, 0);
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) break;
            if (p.revents & POLLNVAL) {
                k.input_ended = true;
                break;
            }
            const ssize_t n = ::read(c.input_fd, k.raw + k.raw_length, RAW_CAPACITY - k.raw_length);
            if (n > 0) {
                k.raw_length += static_cast<std::size_t>(n);
                k.last_arrival_ms = console_core::now_ms();
                console_core::decode_pending(backspace_byte());
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
            // A raw-mode terminal reads 0 bytes when nothing is there; only a
            // hang-up ends it. Elsewhere 0 bytes is the end of the input.
            if (n == 0 && c.input_tty && !(p.revents & POLLHUP)) break;
            k.input_ended = true;
            break;
        }
    }
    console_core::decode_pending(backspace_byte());
}

// A sleep of 0 still gives the processor away once; below 0 returns at once.
void console_core::idle(std::int32_t milliseconds) {
    if (auto sleeper = console().sleeper) {
        sleeper(milliseconds);
    } else if (milliseconds == 0) {
        ::sched_yield();
    } else {
        os_sleep_ms(milliseconds);
    }
}

void console_core::grid_size(std::int32_t& cols, std::int32_t& rows) {
    Console& c = console();
    const console_core::State& k = console_core::state();
    check_streams();
    cols = k.cols;
    rows = k.rows;
    if (c.output_tty) {
        winsize ws{};
        if (::ioctl(c.output_fd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
            cols = ws.ws_col;
            rows = ws.ws_row;
        } else {
            cols = console_core::DEFAULT_COLS;
            rows = console_core::DEFAULT_ROWS;
        }
    }
}

namespace {

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

void move_terminal_cursor() {
    char sequence[32];
    const console_core::State& k = console_core::state();
    std::snprintf(sequence, sizeof sequence, "\x1b[%d;%dH", k.row + 1, k.col + 1);
    write_control(sequence);
}

}  // namespace

// --- Linux specifics ------------------------------------------------------
ConsoleStreams console_attach(ConsoleStreams streams) {
    restore_terminal_now();
    Console& c = console();
    const ConsoleStreams previous{c.input_fd, c.output_fd};
    const ConsoleSleeper sleeper = c.sleeper;
    c = Console{};
    console_core::reset();
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
    console_core::State& k = console_core::state();
    const console_core::TextArea area = console_core::text_area();
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
    k.row = area.top;
    k.col = 0;
    move_terminal_cursor();
}

std::int32_t console_set_text_pos(std::int32_t row, std::int32_t col, std::int32_t visibility) {
    Console& c = console();
    if (console_core::place_cursor(row, col)) move_terminal_cursor();
    check_streams();
    if (visibility >= 0 && c.output_tty) {
        install_guards();
        g_guard.output_fd = c.output_fd;
        g_guard.cursor_hidden = visibility == 0;
        write_control(visibility == 0 ? "\x1b[?25l" : "\x1b[?25h");
    }
    return console_core::position_code();
}

void console_get_text_pos(std::int32_t* col, std::int32_t* row) {
    if (col) *col = console_core::state().col + 1;
    if (row) *row = console_core::state().row + 1;
}

std::int32_t console_set_text_size(std::int32_t cols, std::int32_t rows) {
    console_core::State& k = console_core::state();
    Console& c = console();
    std::int32_t old_cols = 0;
    std::int32_t old_rows = 0;
    console_core::grid_size(old_cols, old_rows);
    if (!c.output_tty) {
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
    if (c.output_tty) {
        // The classic palette lists blue before red; terminals the other way.
        static constexpr int ANSI_ORDER[8] = {0, 4, 2, 6, 1, 5, 3, 7};
        const int fg_code = (k.fg & 8 ? 90 : 30) + ANSI_ORDER[k.fg & 7];
        const int bg_code = (k.bg & 8 ? 100 : 40) + ANSI_ORDER[k.bg & 7];
        install_guards();
        g_guard.output_fd = c.output_fd;
        g_guard.colours_changed = 1;
        char sequence[32];
        std::snprintf(sequence, sizeof sequence, "\x1b[%d;%dm", fg_code, bg_code);
        write_control(sequence);
    }
    return previous;
}

void console_print(const std::uint8_t* bytes, std::int32_t length) {
    if (bytes == nullptr || length <= 0) return;
    check_streams();
    write_output(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    console_core::track_output(bytes, length);
}

bool console_input_is_interactive() {
    check_streams();
    return console().input_tty;
}

}  // namespace vz
