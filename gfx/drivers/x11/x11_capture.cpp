// Mouse capture over X11. While a button is held the window keeps the mouse:
// moves outside still reach it, and leaving is reported only once the last
// button is up with the pointer outside. X's own grab for a held button ends
// with the button and reports the pointer leaving at once, so the layer
// holds an explicit pointer grab from the first button down to the last
// button up, and defers the leave notice meanwhile. Confining the cursor is
// the same grab with the window as its confinement.

#include "gfx/drivers/x11/x11_internal.h"

namespace vz::x11 {

namespace {

constexpr unsigned POINTER_GRAB_MASK =
    ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask | LeaveWindowMask;

}  // namespace

void apply_pointer_grab() {
    State& s = state();
    const Window w = s.window.load();
    if (live_display() == nullptr) return;
    const bool confined = s.confined.load() && w != 0;
    if ((s.captured.load() || confined) && w != 0) {
        XGrabPointer(s.display, w, True, POINTER_GRAB_MASK, GrabModeAsync, GrabModeAsync, confined ? w : None, None,
                     CurrentTime);
    } else {
        XUngrabPointer(s.display, CurrentTime);
    }
    XFlush(s.display);
}

void capture_mouse() {
    State& s = state();
    if (s.captured.exchange(true)) return;
    apply_pointer_grab();
}

void release_mouse() {
    State& s = state();
    if (!s.captured.exchange(false)) return;
    apply_pointer_grab();
}

bool has_capture() { return state().captured.load(); }

}  // namespace vz::x11
