// The text console on Linux: key decoding, key reading from pipes and from a
// pseudo-terminal (raw mode entered and given back, also when the process is
// ended by a signal or exits), the key-aware sleep rule, and output that
// carries terminal control sequences only to a terminal.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "rt/console.h"
#include "rt/console_backend.h"
#include "rt/console_backend_keys.h"
#include "rt/console_hooks.h"
#include "rt/posix/console_backend_posix.h"

namespace vz {
namespace {

std::vector<std::uint8_t> bytes_of(std::string_view text) { return {text.begin(), text.end()}; }

TEST(ConsoleKeyDecoder, EscapeSequencesBecomeExtendedCodes) {
    struct Case {
        const char* sequence;
        std::int32_t code;
    };
    const Case cases[] = {
        {"\x1b[A", 0x48FF},
        {"\x1b[B", 0x50FF},
        {"\x1b[D", 0x4BFF},
        {"\x1b[C", 0x4DFF},
        {"\x1bOA", 0x48FF},
        {"\x1bOD", 0x4BFF},
        {"\x1b[H", 0x47FF},
        {"\x1b[F", 0x4FFF},
        {"\x1bOH", 0x47FF},
        {"\x1bOF", 0x4FFF},
        {"\x1b[1~", 0x47FF},
        {"\x1b[7~", 0x47FF},
        {"\x1b[4~", 0x4FFF},
        {"\x1b[8~", 0x4FFF},
        {"\x1b[5~", 0x49FF},
        {"\x1b[6~", 0x51FF},
        {"\x1b[2~", 0x52FF},
        {"\x1b[3~", 0x53FF},
        {"\x1bOP", 0x3BFF},
        {"\x1bOQ", 0x3CFF},
        {"\x1bOR", 0x3DFF},
        {"\x1bOS", 0x3EFF},
        {"\x1b[11~", 0x3BFF},
        {"\x1b[14~", 0x3EFF},
        {"\x1b[15~", 0x3FFF},
        {"\x1b[17~", 0x40FF},
        {"\x1b[18~", 0x41FF},
        {"\x1b[19~", 0x42FF},
        {"\x1b[20~", 0x43FF},
        {"\x1b[21~", 0x44FF},
        {"\x1b[23~", 0x85FF},
        {"\x1b[24~", 0x86FF},
        {"\x1b[[A", 0x3BFF},
        {"\x1b[[E", 0x3FFF},
        // Modifier parameters are ignored.
        {"\x1b[1;5A", 0x48FF},
        {"\x1b[5;2~", 0x49FF},
        {"\x1b[1;2P", 0x3BFF},
        {"\x1b[24;5~", 0x86FF},
    };
    for (const Case& c : cases) {
        const auto bytes = bytes_of(c.sequence);
        const KeyDecodeStep step = decode_console_key(bytes, false);
        EXPECT_EQ(step.code, c.code) << &c.sequence[1];
        EXPECT_EQ(step.used, bytes.size()) << &c.sequence[1];
    }
}

TEST(ConsoleKeyDecoder, PlainBytesLoneEscapeAndUnknownSequences) {
    struct Case {
        std::string bytes;
        bool complete;
        std::int32_t code;
        std::size_t used;
    };
    const Case cases[] = {
        {"x", false, 'x', 1},
        {"\xc8", false, 200, 1},
        {std::string(1, '\0'), false, 0, 1},  // byte 0 carries no key
        {"\x1b", false, 0, 0},                // may be the start of a sequence
        {"\x1b", true, 27, 1},                // nothing more comes: the Escape key
        {"\x1b[", false, 0, 0},
        {"\x1b[", true, 27, 1},
        {"\x1b[1;5", false, 0, 0},
        {"\x1b[1;5", true, 27, 1},
        {"\x1bO", true, 27, 1},
        {"\x1b[[", true, 27, 1},
        {"\x1bx", false, 27, 1},  // Escape followed by a key
        {"\x1b\x1b[A", false, 27, 1},
        {"\x1b[99~", false, 0, 5},  // unknown: consumed, no key
        {"\x1b[?25h", false, 0, 6},
        {"\x1bOZ", false, 0, 3},
        {"\x1b[\x01", false, 27, 1},                     // not a sequence at all
        {"\x1b[" + std::string(40, '1'), false, 27, 1},  // runaway parameters
    };
    for (const Case& c : cases) {
        const auto bytes = bytes_of(c.bytes);
        const KeyDecodeStep step = decode_console_key(bytes, c.complete);
        EXPECT_EQ(step.code, c.code) << c.bytes.size() << " bytes, complete " << c.complete;
        EXPECT_EQ(step.used, c.used) << c.bytes.size() << " bytes, complete " << c.complete;
    }
    EXPECT_EQ(function_key_code(0), 0);
    EXPECT_EQ(function_key_code(10), 0x44FF);
    EXPECT_EQ(function_key_code(13), 0);
}

// --- Recording sleeper --------------------------------------------------------

std::vector<std::int32_t> sleeps;
int key_writer_fd = -1;
std::size_t write_key_at_sleep = 0;  // 1-based sleep number that types a key; 0 = never

void recording_sleeper(std::int32_t ms) {
    sleeps.push_back(ms);
    if (write_key_at_sleep != 0 && sleeps.size() == write_key_at_sleep) {
        ASSERT_EQ(::write(key_writer_fd, "k", 1), 1);
    }
}

std::string read_available(int fd) {
    std::string text;
    char buffer[512];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) break;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

std::string text_of(const KeyText& key) { return std::string(key.view()); }

class ConsolePipes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::pipe(in_), 0);
        ASSERT_EQ(::pipe(out_), 0);
        previous_ = console_attach({in_[0], out_[1]});
        sleeps.clear();
        write_key_at_sleep = 0;
        key_writer_fd = in_[1];
        console_set_sleeper(recording_sleeper);
    }
    void TearDown() override {
        console_set_sleeper(nullptr);
        console_attach(previous_);
        for (int fd : {in_[0], in_[1], out_[0], out_[1]}) {
            if (fd >= 0) ::close(fd);
        }
    }
    void type(std::string_view bytes) {
        ASSERT_EQ(::write(in_[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void end_input() {
        ::close(in_[1]);
        in_[1] = -1;
    }

    int in_[2] = {-1, -1};
    int out_[2] = {-1, -1};
    ConsoleStreams previous_{0, 1};
};

TEST_F(ConsolePipes, BytesBecomeKeysWithoutBlocking) {
    EXPECT_TRUE(console_key_text().empty());  // nothing typed: returns at once
    EXPECT_EQ(console_key_pending(), 0);
    type("x");
    EXPECT_EQ(console_key_pending(), 1);
    EXPECT_EQ(console_key_pending(), 1);  // testing does not take the key
    EXPECT_EQ(text_of(console_key_text()), "x");
    EXPECT_TRUE(console_key_text().empty());

    type("ab\xc8\r\n");
    EXPECT_EQ(text_of(console_key_text()), "a");
    EXPECT_EQ(text_of(console_key_text()), "b");
    EXPECT_EQ(text_of(console_key_text()), "\xc8");
    EXPECT_EQ(text_of(console_key_text()), "\r");
    EXPECT_EQ(text_of(console_key_text()), "\n");
    EXPECT_TRUE(console_key_text().empty());
    EXPECT_FALSE(console_input_is_interactive());
}

TEST_F(ConsolePipes, EscapeSequencesBecomeTwoByteTexts) {
    type("\x1b[A\x1b[24~\x1bOP\x1b[3~");
    EXPECT_EQ(text_of(console_key_text()), "\xff\x48");
    EXPECT_EQ(text_of(console_key_text()), "\xff\x86");
    EXPECT_EQ(text_of(console_key_text()), "\xff\x3b");
    EXPECT_EQ(text_of(console_key_text()), "\xff\x53");
    // A sequence split across two writes is still one key.
    type("\x1b[");
    EXPECT_TRUE(console_key_text().empty());
    type("B");
    EXPECT_EQ(text_of(console_key_text()), "\xff\x50");
}

TEST_F(ConsolePipes, LoneEscapeBecomesKeyOnceInputIsQuiet) {
    type("\x1b");
    EXPECT_TRUE(console_key_text().empty());  // could still be a sequence
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(text_of(console_key_text()), "\x1b");
    // At the end of the input a pending ESC is a key at once.
    type("\x1b");
    end_input();
    EXPECT_EQ(text_of(console_key_text()), "\x1b");
}

TEST_F(ConsolePipes, WaitKeyReturnsCodes) {
    type("\x1b[A\xc8q");
    EXPECT_EQ(console_wait_key(), 0x48FF);
    EXPECT_EQ(console_wait_key(), -56);  // character 200
    EXPECT_EQ(console_wait_key(), 'q');
    EXPECT_TRUE(sleeps.empty());
    // Nothing typed: waits in key-aware sleeps until a key arrives.
    write_key_at_sleep = 3;
    EXPECT_EQ(console_wait_key(), 'k');
    EXPECT_EQ(sleeps, (std::vector<std::int32_t>{50, 50, 50}));
}

TEST_F(ConsolePipes, EndOfInputMeansNoKeyAndNoWaiting) {
    type("z");
    end_input();
    EXPECT_EQ(text_of(console_key_text()), "z");
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(console_key_text().empty());
    EXPECT_EQ(console_key_pending(), 0);
    EXPECT_EQ(console_wait_key(), 0);
    console_key_sleep(-1);
    EXPECT_TRUE(sleeps.empty());
    // A timed sleep still sleeps its time.
    console_key_sleep(120);
    EXPECT_EQ(sleeps, (std::vector<std::int32_t>{50, 50, 20}));
}

TEST_F(ConsolePipes, InputEndsOnlyOnceEveryKeyIsTaken) {
    EXPECT_FALSE(console_input_ended());  // open and empty: a key may still come
    EXPECT_FALSE(runtime_input_ended());
    type("ab");
    end_input();
    // Keys typed before the end are still there to be read.
    EXPECT_FALSE(console_input_ended());
    EXPECT_EQ(text_of(console_key_text()), "a");
    EXPECT_FALSE(runtime_input_ended());
    EXPECT_EQ(text_of(console_key_text()), "b");
    EXPECT_TRUE(console_input_ended());
    EXPECT_TRUE(runtime_input_ended());
    // While a screen's hooks take the keys, its window can still send one.
    console_hooks().key_text = [] { return KeyText{}; };
    EXPECT_FALSE(runtime_input_ended());
    console_hooks().key_text = nullptr;
    EXPECT_TRUE(runtime_input_ended());
}

TEST_F(ConsolePipes, KeySleepRule) {
    struct Case {
        std::int32_t ms;
        std::vector<std::int32_t> slept;
    };
    const Case cases[] = {
        {120, {50, 50, 20}}, {100, {50, 50}}, {101, {50, 50, 1}}, {99, {99}},
        {60, {60}},          {0, {0}},        {-5, {}},           {1000, std::vector<std::int32_t>(20, 50)},
    };
    for (const Case& c : cases) {
        sleeps.clear();
        console_key_sleep(c.ms);
        EXPECT_EQ(sleeps, c.slept) << c.ms;
    }
}

TEST_F(ConsolePipes, KeySleepEndsOnKeyAtSliceBoundaries) {
    // A key that arrived before the call and was not taken ends the wait at once.
    type("a");
    console_key_sleep(120);
    EXPECT_TRUE(sleeps.empty());
    EXPECT_EQ(console_key_pending(), 1);  // the key stays queued
    // The indication was cleared by the test: the next sleep waits.
    console_key_sleep(120);
    EXPECT_EQ(sleeps, (std::vector<std::int32_t>{50, 50, 20}));

    // A key during the first slice is seen at the 50 ms boundary.
    EXPECT_EQ(text_of(console_key_text()), "a");
    sleeps.clear();
    write_key_at_sleep = 1;
    console_key_sleep(300);
    EXPECT_EQ(sleeps, (std::vector<std::int32_t>{50}));

    // Short sleeps never look at keys.
    sleeps.clear();
    write_key_at_sleep = 0;
    console_key_sleep(99);
    EXPECT_EQ(sleeps, (std::vector<std::int32_t>{99}));

    // -1 waits until a key.
    EXPECT_EQ(text_of(console_key_text()), "k");
    sleeps.clear();
    write_key_at_sleep = 4;
    console_key_sleep(-1);
    EXPECT_EQ(sleeps, (std::vector<std::int32_t>{50, 50, 50, 50}));
}

TEST_F(ConsolePipes, OutputToPipeIsPlainBytes) {
    const std::string text = "ab\r\ncd\x07\b";
    console_print(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<std::int32_t>(text.size()));
    console_clear(0);
    console_clear(-65536);
    console_set_text_pos(3, 4, 0);
    console_set_color(12, 1, 0);
    EXPECT_EQ(read_available(out_[0]), text);

    std::int32_t col = 0;
    std::int32_t row = 0;
    console_get_text_pos(&col, &row);
    EXPECT_EQ(col, 4);
    EXPECT_EQ(row, 3);
    EXPECT_EQ(console_set_text_pos(3, 4, -1), 2 * 256 + 3 + 257);
}

TEST_F(ConsolePipes, TextGridOfNonTerminal) {
    std::int32_t cols = 0;
    std::int32_t rows = 0;
    console_get_text_size(&cols, &rows);
    EXPECT_EQ(cols, 80);
    EXPECT_EQ(rows, 25);
    EXPECT_EQ(console_set_text_size(100, 0), 25 * 65536 + 80);
    EXPECT_EQ(console_set_text_size(0, 40), 25 * 65536 + 100);
    console_get_text_size(&cols, &rows);
    EXPECT_EQ(cols, 100);
    EXPECT_EQ(rows, 40);

    // The cursor bookkeeping wraps at the grid and stays in the text window.
    console_view_update(2, 3);
    console_clear(2);
    std::int32_t col = 0;
    std::int32_t row = 0;
    console_get_text_pos(&col, &row);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(col, 1);
    const std::string line(250, 'x');
    console_print(reinterpret_cast<const std::uint8_t*>(line.data()), 250);
    console_get_text_pos(&col, &row);
    EXPECT_EQ(col, 51);
    EXPECT_EQ(row, 3);
}

// One rule on every platform: after the end of the input no key can arrive,
// so waiting for one returns at once; the keys queued before the end are
// still read, and a timed sleep still goes by the arrival indication alone.
TEST_F(ConsolePipes, KeysQueuedBeforeTheEndAreStillReadAndNothingWaits) {
    type("ab");
    end_input();
    EXPECT_EQ(text_of(console_key_text()), "a");
    console_key_sleep(-1);
    EXPECT_TRUE(sleeps.empty());
    EXPECT_FALSE(console_input_ended());
    EXPECT_EQ(console_key_pending(), 1);
    console_key_sleep(120);  // "b" is queued, but taking "a" cleared the indication
    EXPECT_EQ(sleeps, (std::vector<std::int32_t>{50, 50, 20}));
    EXPECT_EQ(console_wait_key(), 'b');
    EXPECT_TRUE(console_input_ended());
    EXPECT_EQ(console_wait_key(), 0);
}

TEST_F(ConsolePipes, TabMovesTheCursorToTheNextStopWithinTheGrid) {
    const auto print = [](const std::string& text) {
        console_print(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<std::int32_t>(text.size()));
    };
    std::int32_t col = 0;
    std::int32_t row = 0;
    print("a\tb");
    console_get_text_pos(&col, &row);
    EXPECT_EQ(col, 10);  // the TAB went from column 2 to 9
    print("\t\t");
    console_get_text_pos(&col, &row);
    EXPECT_EQ(col, 25);
    // Past the last stop the cursor stays on the last column.
    console_set_text_size(12, 0);
    console_set_text_pos(1, 1, -1);
    print("abcdefghi\t");
    console_get_text_pos(&col, &row);
    EXPECT_EQ(col, 12);
    EXPECT_EQ(row, 1);
}

// --- A pseudo-terminal --------------------------------------------------------

class ConsoleTerminal : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::openpty(&master_, &slave_, nullptr, nullptr, nullptr), 0);
        ASSERT_EQ(::tcgetattr(slave_, &original_), 0);
        ASSERT_TRUE(original_.c_lflag & ICANON);
        previous_ = console_attach({slave_, slave_});
    }
    void TearDown() override {
        console_attach(previous_);
        ::close(master_);
        ::close(slave_);
    }
    void type(std::string_view bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Keys typed on the master side reach the slave after a short delay.
    KeyText key_soon() {
        for (int i = 0; i < 100; ++i) {
            const KeyText key = console_key_text();
            if (!key.empty()) return key;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return {};
    }
    bool slave_in_original_mode() {
        termios now{};
        if (::tcgetattr(slave_, &now) != 0) return false;
        return now.c_lflag == original_.c_lflag && now.c_iflag == original_.c_iflag &&
               now.c_cc[VMIN] == original_.c_cc[VMIN];
    }

    int master_ = -1;
    int slave_ = -1;
    termios original_{};
    ConsoleStreams previous_{0, 1};
};

TEST_F(ConsoleTerminal, RawModeWhileReadingAndRestoredAfter) {
    EXPECT_TRUE(console_input_is_interactive());
    EXPECT_FALSE(console_raw_mode_active());
    EXPECT_TRUE(console_key_text().empty());  // first read enters raw mode
    EXPECT_TRUE(console_raw_mode_active());
    termios raw{};
    ASSERT_EQ(::tcgetattr(slave_, &raw), 0);
    EXPECT_FALSE(raw.c_lflag & ICANON);
    EXPECT_FALSE(raw.c_lflag & ECHO);
    EXPECT_TRUE(raw.c_lflag & ISIG);
    EXPECT_FALSE(raw.c_iflag & ICRNL);

    // Keys arrive without a line end; Enter is 13; the erase byte is backspace.
    type("q");
    EXPECT_EQ(text_of(key_soon()), "q");
    type("\r");
    EXPECT_EQ(text_of(key_soon()), "\r");
    type("\x7f");
    EXPECT_EQ(text_of(key_soon()), "\b");
    type("\x1b[D");
    EXPECT_EQ(text_of(key_soon()), "\xff\x4b");
    EXPECT_EQ(read_available(master_), "");  // nothing echoed

    console_restore_terminal();
    EXPECT_FALSE(console_raw_mode_active());
    EXPECT_TRUE(slave_in_original_mode());
    // Reading again re-enters raw mode; attaching elsewhere gives it back.
    console_key_text();
    EXPECT_TRUE(console_raw_mode_active());
    console_attach(previous_);
    EXPECT_TRUE(slave_in_original_mode());
    console_attach({slave_, slave_});
}

TEST_F(ConsoleTerminal, ControlSequencesGoToTerminalOnly) {
    console_set_text_pos(3, 5, -1);
    EXPECT_EQ(read_available(master_), "\x1b[3;5H");
    console_set_text_pos(0, 0, 0);
    EXPECT_EQ(read_available(master_), "\x1b[?25l");
    console_set_color(12, 1, 0);
    EXPECT_EQ(read_available(master_), "\x1b[91;44m");
    console_clear(0);
    EXPECT_EQ(read_available(master_), "\x1b[2J\x1b[1;1H");
    // Giving the terminal back also shows the cursor and resets the colours.
    console_restore_terminal();
    EXPECT_EQ(read_available(master_), "\x1b[0m\x1b[?25h");
}

// Runs `ending` in a child that has put the terminal into raw mode; returns
// the child's wait status.
int status_of_child_ending(int slave, void (*ending)()) {
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit no_core{0, 0};
        ::setrlimit(RLIMIT_CORE, &no_core);  // SIGQUIT would dump one
        console_attach({slave, slave});
        console_key_text();
        if (!console_raw_mode_active()) ::_exit(90);
        ending();
        ::_exit(91);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

TEST_F(ConsoleTerminal, TerminalRestoredWhenEndedBySignal) {
    struct Case {
        int signal_number;
        void (*ending)();
    };
    const Case cases[] = {
        {SIGINT, [] { ::raise(SIGINT); }},   {SIGTERM, [] { ::raise(SIGTERM); }}, {SIGHUP, [] { ::raise(SIGHUP); }},
        {SIGQUIT, [] { ::raise(SIGQUIT); }}, {SIGPIPE, [] { ::raise(SIGPIPE); }},
    };
    for (const Case& c : cases) {
        const int status = status_of_child_ending(slave_, c.ending);
        ASSERT_TRUE(WIFSIGNALED(status)) << c.signal_number << " status " << status;
        EXPECT_EQ(WTERMSIG(status), c.signal_number);
        EXPECT_TRUE(slave_in_original_mode()) << c.signal_number;
    }
}

TEST_F(ConsoleTerminal, StopGivesTheTerminalBackAndContinuingTakesRawModeAgain) {
    const pid_t child = ::fork();
    if (child == 0) {
        // A process group of its own, so that the stop is not discarded as
        // it would be in an orphaned group.
        ::setpgid(0, 0);
        console_attach({slave_, slave_});
        console_key_text();
        if (!console_raw_mode_active()) ::_exit(80);
        ::raise(SIGTSTP);
        // Continued: the next key read takes raw mode again.
        if (console_raw_mode_active()) ::_exit(81);
        console_key_text();
        ::_exit(console_raw_mode_active() ? 0 : 82);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, WUNTRACED), child);
    ASSERT_TRUE(WIFSTOPPED(status)) << status;
    EXPECT_EQ(WSTOPSIG(status), SIGTSTP);
    EXPECT_TRUE(slave_in_original_mode());
    ::kill(child, SIGCONT);
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    termios now{};
    ASSERT_EQ(::tcgetattr(slave_, &now), 0);
    EXPECT_FALSE(now.c_lflag & ICANON) << "raw again after continuing";
}

TEST_F(ConsoleTerminal, TerminalRestoredAtExitAndEarlierHandlerStillRuns) {
    const int status = status_of_child_ending(slave_, [] { std::exit(3); });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_TRUE(slave_in_original_mode());

    // A handler the program had before is called after the terminal is given
    // back; the program goes on and the next read takes raw mode again.
    const pid_t child = ::fork();
    if (child == 0) {
        static volatile sig_atomic_t seen = 0;
        struct sigaction own {};
        own.sa_handler = [](int) { seen = 1; };
        sigemptyset(&own.sa_mask);
        ::sigaction(SIGTERM, &own, nullptr);
        console_attach({slave_, slave_});
        console_key_text();
        if (!console_raw_mode_active()) ::_exit(80);
        ::raise(SIGTERM);
        if (!seen) ::_exit(81);
        if (console_raw_mode_active()) ::_exit(82);
        termios now{};
        ::tcgetattr(slave_, &now);
        if (now.c_lflag & ICANON) {
            console_key_text();
            ::_exit(console_raw_mode_active() ? 0 : 83);
        }
        ::_exit(84);
    }
    int child_status = 0;
    ::waitpid(child, &child_status, 0);
    ASSERT_TRUE(WIFEXITED(child_status));
    EXPECT_EQ(WEXITSTATUS(child_status), 0);
}

}  // namespace
}  // namespace vz
