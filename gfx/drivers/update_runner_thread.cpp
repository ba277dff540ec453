// The update pass on a thread of its own: the thread runs the back-end's
// thread_main, which makes the window, signals that it exists and then loops
// until `running` is cleared. The program's thread waits for the signal (or
// for the thread to end without it) and joins the thread at exit.

#include <exception>
#include <mutex>
#include <thread>

#include "gfx/drivers/platform.h"
#include "gfx/drivers/update_runner.h"
#include "gfx/drivers/window_state.h"
#include "gfx/screen_failure.h"

namespace vz {

namespace {

void update_thread_body() {
    InputState& in = input_state();
    platform().note_update_thread();
    if (const auto thread_main = window_state().thread_main; thread_main != nullptr) thread_main(in.start);
    {
        std::lock_guard<std::mutex> guard(in.start.mutex);
        in.start.ended = true;
    }
    in.start.changed.notify_all();
}

}  // namespace

std::int32_t start_update_runner() {
    InputState& in = input_state();
    {
        std::lock_guard<std::mutex> guard(in.start.mutex);
        in.start.ready = false;
        in.start.ended = false;
    }
    if (in.thread.joinable()) in.thread.join();  // a thread whose exit never came
    try {
        in.thread = std::thread(update_thread_body);
    } catch (const std::exception&) {
        return driver_refuses("update thread not started");
    }
    in.has_thread.store(true);
    bool ready = false;
    {
        std::unique_lock<std::mutex> guard(in.start.mutex);
        in.start.changed.wait(guard, [&] { return in.start.ready || in.start.ended; });
        ready = in.start.ready;
    }
    return ready ? 0 : -1;
}

void stop_update_runner() {
    InputState& in = input_state();
    if (!in.has_thread.load()) return;
    if (in.thread.joinable()) in.thread.join();
    in.has_thread.store(false);
}

}  // namespace vz
