// The particle program on a terminal with no display: it runs its frame loop
// on the text console, holds the terminal in raw mode while it runs, ends on
// a typed key (or on Ctrl+C) and leaves the terminal as it found it.

#include <gtest/gtest.h>

#include "tests/test_env.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

const std::string PROGRAM = std::string(VZ_BIN_DIR) + "/particles";

struct ProgramRun {
    pid_t pid = -1;
    int master = -1;
    termios original{};
    std::string output;
};

// Reads what the program wrote so far (it blocks once the terminal's buffer
// is full, so the output is drained while waiting).
void drain(ProgramRun& run, int timeout_ms) {
    char buffer[4096];
    pollfd p{run.master, POLLIN, 0};
    while (::poll(&p, 1, timeout_ms) > 0) {
        const ssize_t n = ::read(run.master, buffer, sizeof buffer);
        if (n <= 0) return;
        run.output.append(buffer, static_cast<std::size_t>(n));
        timeout_ms = 0;
    }
}

bool start(ProgramRun& run) {
    termios settings{};
    ::cfmakeraw(&settings);
    // An ordinary cooked terminal, as a shell leaves it.
    settings.c_iflag = ICRNL | IXON;
    settings.c_oflag = OPOST | ONLCR;
    settings.c_lflag = ISIG | ICANON | ECHO | ECHOE | ECHOK | IEXTEN;
    settings.c_cflag |= CS8 | CREAD;
    settings.c_cc[VINTR] = 3;
    settings.c_cc[VERASE] = 127;
    settings.c_cc[VMIN] = 1;
    run.original = settings;
    run.pid = ::forkpty(&run.master, nullptr, &settings, nullptr);
    if (run.pid == 0) {
        ::unsetenv("DISPLAY");
        ::unsetenv("VZGFX");
#ifdef VZ_TEST_EMULATOR
        ::execlp(VZ_TEST_EMULATOR, VZ_TEST_EMULATOR, PROGRAM.c_str(), static_cast<char*>(nullptr));
#else
        ::execl(PROGRAM.c_str(), PROGRAM.c_str(), static_cast<char*>(nullptr));
#endif
        ::_exit(127);
    }
    return run.pid > 0;
}

bool terminal_is_raw(const ProgramRun& run) {
    termios now{};
    return ::tcgetattr(run.master, &now) == 0 && !(now.c_lflag & ICANON) && !(now.c_lflag & ECHO);
}

bool terminal_is_original(const ProgramRun& run) {
    termios now{};
    return ::tcgetattr(run.master, &now) == 0 && now.c_lflag == run.original.c_lflag &&
           now.c_iflag == run.original.c_iflag;
}

bool wait_until_raw(ProgramRun& run) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        if (terminal_is_raw(run)) return true;
        drain(run, 20);
    }
    return false;
}

// The wait status, or -1 when the program did not end in time (it is killed).
int wait_for_end(ProgramRun& run) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        drain(run, 20);
        const pid_t done = ::waitpid(run.pid, &status, WNOHANG);
        if (done == run.pid) {
            drain(run, 0);
            return status;
        }
    }
    ::kill(run.pid, SIGKILL);
    ::waitpid(run.pid, &status, 0);
    return -1;
}

class ConsoleProgram : public ::testing::Test {
protected:
    void SetUp() override {
        if (::access(PROGRAM.c_str(), X_OK) != 0) GTEST_SKIP() << PROGRAM << " is not built";
    }
    void TearDown() override {
        if (run_.master >= 0) ::close(run_.master);
    }
    ProgramRun run_;
};

TEST_F(ConsoleProgram, KeyEndsRunAndTerminalIsGivenBack) {
    ASSERT_TRUE(start(run_));
    ASSERT_TRUE(wait_until_raw(run_)) << "the program never read a key";
    ASSERT_EQ(::write(run_.master, "x", 1), 1);
    const int status = wait_for_end(run_);
    ASSERT_NE(status, -1) << "the program did not end after the key";
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(terminal_is_original(run_));
    // The seed follows the last clear and the cursor placed at row 1, column 1
    // (the terminal turns the line feed into CR LF).
    EXPECT_NE(run_.output.find("\x1b[1;1H 52231.78\r\r\n"), std::string::npos) << run_.output.size();
    EXPECT_EQ(run_.output.find('x'), std::string::npos);  // the key was not echoed
}

TEST_F(ConsoleProgram, ArrowKeyEndsRunToo) {
    ASSERT_TRUE(start(run_));
    ASSERT_TRUE(wait_until_raw(run_));
    ASSERT_EQ(::write(run_.master, "\x1b[A", 3), 3);
    const int status = wait_for_end(run_);
    ASSERT_TRUE(status != -1 && WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(terminal_is_original(run_));
}

TEST_F(ConsoleProgram, InterruptKeyEndsRunAndTerminalIsGivenBack) {
    ASSERT_TRUE(start(run_));
    ASSERT_TRUE(wait_until_raw(run_));
    ASSERT_EQ(::write(run_.master, "\x03", 1), 1);
    const int status = wait_for_end(run_);
    ASSERT_NE(status, -1) << "Ctrl+C did not end the program";
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    EXPECT_TRUE(terminal_is_original(run_));
}

}  // namespace
