#pragma once
// What every window-system driver does alike: the common set-up, the update
// thread's start, the shared exit, the program window and the key state.

#include <cstdint>

#include "gfx/driver.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/shared_ops.h"
#include "gfx/drivers/window_state.h"

namespace vz {

// Common set-up of every back-end's init (depth already at least 8): 0, or -1
// when there is no display or the update thread could not make its window.
std::int32_t common_setup(const char* title, std::int32_t width, std::int32_t height, std::int32_t depth,
                          std::int32_t refresh_rate, std::int32_t flags);
// Called by a thread_main once its window exists.
void signal_ready(StartSignal& ready);
// How every update pass opens: makes the window and marks it active; 0, or
// -1 when the window could not be made.
std::int32_t begin_window_updates();
// How every update thread opens: begin_window_updates, then the signal to
// init. False when the window could not be made; the thread then ends and
// init sees it end without the signal.
bool open_update_window(StartSignal& ready);
// The exit of the DirectX and GDI drivers; the last step of OpenGL's.
std::int32_t shared_exit();

// The record of a driver whose update thread presents the page (DirectX,
// GDI): the shared operations, with the driver's own name, init and mode list.
constexpr GfxDriver threaded_driver(const char* name, decltype(GfxDriver::init) init,
                                    decltype(GfxDriver::fetch_modes) fetch_modes) {
    return GfxDriver{
        .name = name,
        .init = init,
        .exit = &shared_exit,
        .lock = &shared_lock,
        .unlock = &shared_unlock,
        .set_palette = &shared_set_palette,
        .wait_vsync = &shared_wait_vsync,
        .get_mouse = &shared_get_mouse,
        .set_mouse = &shared_set_mouse,
        .set_window_title = &shared_set_window_title,
        .set_window_pos = &shared_set_window_pos,
        .fetch_modes = fetch_modes,
    };
}

// The window of the GDI rule: style by the screen flags, centred on the
// monitor when windowed, at the monitor's corner when fullscreen.
WindowRequest window_request_for(std::int32_t flags, std::int32_t width, std::int32_t height);
// Creates the program window with the current title; with the topmost flag it
// stays above the others; false when it cannot be made.
bool create_window(const WindowRequest& request);
void clip_cursor_to_client();
// Hands every pending message of the window to the window procedure (the
// window-system layer's pump).
void handle_window_messages();
// Rewrites the screen's key_state array from the keyboard state.
void refresh_key_state();
// Sets the dirty flags of the first `rows` lines (clamped to the array).
void mark_rows_dirty(std::int32_t rows);

}  // namespace vz
