// The "DirectX" driver. It presents through DirectDraw surfaces and reads the
// keyboard through DirectInput; this platform has neither library, so its
// window set-up fails at the first step (loading them), the update thread
// ends, init returns -1 and the core goes on to the next driver. The record
// stays first in the list, so the order of the choice is unchanged.

#include <algorithm>

#include "gfx/context.h"
#include "gfx/drivers/drivers.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/shared_ops.h"
#include "gfx/drivers/window_common.h"
#include "gfx/drivers/window_state.h"

namespace vz {

namespace {

// Step 1 of the window set-up: load DirectDraw and DirectInput. Neither exists
// here, so nothing else is made.
std::int32_t directx_init_window() { return -1; }

// Releases what the window set-up made: nothing survives a failed step 1.
void directx_exit_window() {}

void directx_paint() {}

// The update thread's body ends when the window set-up fails, which it always
// does here; the program's thread sees the thread end without a ready signal.
void directx_thread_main(StartSignal&) { window_state().init_window(); }

std::int32_t directx_init(const char* title, std::int32_t width, std::int32_t height, std::int32_t depth,
                          std::int32_t refresh_rate, std::int32_t flags) {
    reset_window_state();
    if ((flags & (SCREEN_OPENGL | SCREEN_SHAPED)) != 0) return -1;
    WindowState& ws = window_state();
    ws.init_window = &directx_init_window;
    ws.exit_window = &directx_exit_window;
    ws.paint = &directx_paint;
    ws.thread_main = &directx_thread_main;
    return common_setup(title, width, height, std::max(depth, 8), refresh_rate, flags);
}

// Without a DirectDraw object no modes can be enumerated: null, count untouched.
std::int32_t* directx_fetch_modes(std::int32_t, std::int32_t*) { return nullptr; }

}  // namespace

const GfxDriver directx_driver = threaded_driver("DirectX", &directx_init, &directx_fetch_modes);

}  // namespace vz
