// The update pass in the browser, where the program has one thread. The
// program's waits give the page's event loop the time (rt/web/timer_web.cpp),
// and a 10 ms interval of the page runs one pass of the back-end at a time in
// them: it presents the changed rows, refreshes the held keys and hands the
// page's events to the window procedure, as the update thread does elsewhere.
// The program and the pass therefore never run at the same moment, and the
// program's frame loop with its wait stays as it is.

#include <emscripten/eventloop.h>

#include "gfx/context.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/update_runner.h"
#include "gfx/drivers/window_state.h"

namespace vz {

namespace {

constexpr double PASS_INTERVAL_MS = 10.0;

long g_interval = 0;  // 0: no pass scheduled

void run_pass(void*) {
    const WindowState& ws = window_state();
    if (ws.running.load() == 0 || ws.update_pass == nullptr) return;
    // A program that waits while it holds the screen lock keeps the pass out,
    // as an update thread would wait for the driver lock.
    if (const GfxContext* context = current_context(); context != nullptr && context->lock_count != 0) return;
    ws.update_pass();
}

}  // namespace

std::int32_t start_update_runner() {
    const WindowState& ws = window_state();
    // A back-end that needs a thread of its own cannot run here.
    if (ws.begin_updates == nullptr || ws.update_pass == nullptr || ws.end_updates == nullptr) return -1;
    platform().note_update_thread();
    if (ws.begin_updates() != 0) return -1;
    if (g_interval != 0) emscripten_clear_interval(g_interval);
    g_interval = emscripten_set_interval(&run_pass, PASS_INTERVAL_MS, nullptr);
    return 0;
}

void stop_update_runner() {
    if (g_interval == 0) return;
    emscripten_clear_interval(g_interval);
    g_interval = 0;
    if (const auto end_updates = window_state().end_updates; end_updates != nullptr) end_updates();
}

}  // namespace vz
