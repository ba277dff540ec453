// The "DirectX" driver's back-end where the window system has no DirectDraw
// or DirectInput (X11, or no window system at all): the window set-up fails
// at its first step (loading them), the update thread ends, init returns -1
// and the core goes on to the next driver. The record stays first in the list, so the order of the choice is
// unchanged.

#include "gfx/drivers/directx_backend.h"
#include "gfx/drivers/shared_ops.h"
#include "gfx/drivers/window_state.h"
#include "gfx/screen_failure.h"

namespace vz {

namespace {

std::int32_t no_init_window() { return driver_refuses("no DirectDraw on this system"); }
// Nothing survives a failed first step.
void no_exit_window() {}
void no_paint() {}
// The thread body ends when the window set-up fails, which it always does
// here; the program's thread sees the thread end without a ready signal.
void no_thread_main(StartSignal&) { window_state().init_window(); }
void no_wait_vsync() { shared_wait_vsync(); }
// Without a DirectDraw object no modes can be enumerated: null, count untouched.
std::int32_t* no_fetch_modes(std::int32_t, std::int32_t*) { return nullptr; }
void no_forget_window_pos() {}

constexpr DirectXBackend BACKEND = {
    &no_init_window, &no_exit_window,       &no_paint, &no_thread_main, &no_wait_vsync,
    &no_fetch_modes, &no_forget_window_pos,
};

}  // namespace

const DirectXBackend& directx_backend() { return BACKEND; }

}  // namespace vz
