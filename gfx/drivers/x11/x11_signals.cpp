// Termination signals while the display is changed. A fullscreen mode or a
// switched-off screen saver outlives the process unless it is put back, so
// from the first change on SIGINT, SIGQUIT, SIGTERM and SIGHUP are caught.
// X requests are not safe in a signal handler: the handler only writes the
// signal's number into a pipe, and a watcher thread of its own reads it,
// puts the display back through a fresh connection and then hands the signal
// on to whatever handled it before (by default ending the process, so the
// shell sees the usual status 128 + signal). A signal the process ignores
// stays ignored.

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <system_error>
#include <thread>

#include "gfx/drivers/x11/x11_internal.h"

namespace vz::x11 {

namespace {

constexpr int GUARDED_SIGNALS[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};
constexpr int GUARDED_COUNT = static_cast<int>(sizeof GUARDED_SIGNALS / sizeof GUARDED_SIGNALS[0]);

struct sigaction g_previous[GUARDED_COUNT];
bool g_guarded[GUARDED_COUNT] = {};
int g_pipe[2] = {-1, -1};

// Async-signal-safe: one write.
void on_signal(int signal_number) {
    const int saved_errno = errno;
    const auto byte = static_cast<unsigned char>(signal_number);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved_errno;
}

void watch() {
    unsigned char byte = 0;
    while (true) {
        const ssize_t n = ::read(g_pipe[0], &byte, 1);
        if (n == 1) break;
        if (n < 0 && errno == EINTR) continue;
        return;  // the pipe is gone: nothing more can arrive
    }
    const int signal_number = byte;
    restore_display_after_signal();
    for (int i = 0; i < GUARDED_COUNT; ++i) {
        if (GUARDED_SIGNALS[i] == signal_number && g_guarded[i]) ::sigaction(signal_number, &g_previous[i], nullptr);
    }
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal_number);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(signal_number);
    // A previous handler that let the process live: it ends anyway, as the
    // signal asked, with the status a signal's end shows.
    ::_exit(128 + signal_number);
}

void install() {
    if (::pipe2(g_pipe, O_CLOEXEC) != 0) return;
    try {
        std::thread(watch).detach();
    } catch (const std::system_error&) {
        ::close(g_pipe[0]);
        ::close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
        return;  // without a watcher the signals keep their old handling
    }
    for (int i = 0; i < GUARDED_COUNT; ++i) {
        struct sigaction current {};
        if (::sigaction(GUARDED_SIGNALS[i], nullptr, &current) != 0) continue;
        if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN) continue;  // nohup
        struct sigaction ours {};
        ours.sa_handler = on_signal;
        sigemptyset(&ours.sa_mask);
        ours.sa_flags = SA_RESTART;
        g_previous[i] = current;
        g_guarded[i] = ::sigaction(GUARDED_SIGNALS[i], &ours, nullptr) == 0;
    }
}

}  // namespace

void guard_termination_signals() {
    static std::once_flag once;
    std::call_once(once, install);
}

}  // namespace vz::x11
