// The update pass in the browser, where the program has one thread. The
// program's waits give the page's event loop the time (rt/web/timer_web.cpp),
// and a 10 ms interval of the page runs one pass of the back-end at a time in
// them: it presents the changed rows, refreshes the held keys and hands the
// page's events to the window procedure, as the update thread does elsewhere.
// The program and the pass therefore never run at the same moment, and the
// program's frame loop with its wait stays as it is.

#include <emscripten.h>

#include "gfx/context.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/update_runner.h"
#include "gfx/drivers/window_state.h"

// The page's interval is a plain one: Emscripten's own would count as work
// that keeps the program alive, and the program's exit would then skip its
// exit handlers (the screen's close among them). The pass stops once the
// program has ended.
// clang-format off
EM_JS(void, vz_web_start_passes, (int interval_ms), {
    if (Module["vzPasses"]) clearInterval(Module["vzPasses"]);
    Module["vzPasses"] = setInterval(function () {
        if (ABORT || runtimeExited) return;
        Module["_vz_web_update_pass"]();
    }, interval_ms);
});

EM_JS(void, vz_web_stop_passes, (), {
    if (Module["vzPasses"]) clearInterval(Module["vzPasses"]);
    Module["vzPasses"] = 0;
});
// clang-format on

// One pass, called by the page's interval.
extern "C" EMSCRIPTEN_KEEPALIVE void vz_web_update_pass() {
    using namespace vz;
    const WindowState& ws = window_state();
    if (ws.running.load() == 0 || ws.update_pass == nullptr) return;
    // A program that waits while it holds the screen lock keeps the pass out,
    // as an update thread would wait for the driver lock.
    if (const GfxContext* context = current_context(); context != nullptr && context->lock_count != 0) return;
    ws.update_pass();
}

namespace vz {

namespace {

constexpr int PASS_INTERVAL_MS = 10;

bool g_passes = false;

}  // namespace

std::int32_t start_update_runner() {
    const WindowState& ws = window_state();
    // A back-end that needs a thread of its own cannot run here.
    if (ws.begin_updates == nullptr || ws.update_pass == nullptr || ws.end_updates == nullptr) return -1;
    platform().note_update_thread();
    if (ws.begin_updates() != 0) return -1;
    vz_web_start_passes(PASS_INTERVAL_MS);
    g_passes = true;
    return 0;
}

void stop_update_runner() {
    if (!g_passes) return;
    vz_web_stop_passes();
    g_passes = false;
    if (const auto end_updates = window_state().end_updates; end_updates != nullptr) end_updates();
}

}  // namespace vz
