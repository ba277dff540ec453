#pragma once
// The window-system state the DirectX, GDI and OpenGL drivers share, the
// mouse and input state the window procedure keeps, and the operations the
// drivers have in common: the driver lock, palette, vertical-sync sleep,
// mouse, window title and position, the common set-up, the update thread's
// start and the shared exit.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "gfx/driver.h"
#include "gfx/drivers/blit.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/resettable_atomic.h"

namespace vz {

// The ready handshake of the update thread: the thread sets `ready` once its
// window exists and `ended` when it returns.
struct StartSignal {
    std::mutex mutex;
    std::condition_variable changed;
    bool ready = false;
    bool ended = false;
};

// The class name is "vzgfxclass_" followed by at most 139 characters of the
// title and a terminator.
inline constexpr char CLASS_PREFIX[] = "vzgfxclass_";
inline constexpr int CLASS_TITLE_CHARS = 139;
inline constexpr int CLASS_NAME_SIZE = static_cast<int>(sizeof CLASS_PREFIX) - 1 + CLASS_TITLE_CHARS + 1;

// The window of one screen. Every field starts again from its initialiser
// at each driver's init (`= {}`), so a new field needs no reset of its own.
// Fields the program's thread reads without the driver lock are atomic.
struct WindowState {
    std::int32_t os_version = 0;
    std::uint8_t palette[256][4] = {};  // red, green, blue, flags (always 4)
    BlitProc converter = nullptr;
    ResettableAtomic<std::int32_t> monitor{-1};
    ResettableAtomic<std::int32_t> running{0};
    ResettableAtomic<std::int32_t> palette_changed{0};
    ResettableAtomic<std::int32_t> active{0};
    std::int32_t width = 0, height = 0;  // client size (height counts window lines)
    std::int32_t depth = 0;              // at least 8
    ResettableAtomic<std::int32_t> flags{0};  // bit 0 toggles at Alt+Enter
    std::int32_t refresh_rate = 0;
    ResettableAtomic<const char*> title{nullptr};
    char class_name[CLASS_NAME_SIZE] = {};
    // Back-end hooks, set by the back-end's init.
    std::int32_t (*init_window)() = nullptr;
    void (*exit_window)() = nullptr;
    void (*paint)() = nullptr;
    void (*thread_main)(StartSignal& ready) = nullptr;
    ResettableAtomic<std::int32_t> cursor_clipped{0};
};

// The mouse as the window procedure last saw it, per screen like the window;
// the program's thread reads it without the driver lock.
struct PointerState {
    ResettableAtomic<std::int32_t> mouse_x{0}, mouse_y{0};
    ResettableAtomic<std::int32_t> mouse_wheel{0}, mouse_hwheel{0};
    ResettableAtomic<std::int32_t> mouse_buttons{0};  // 1 left, 2 right, 4 middle, 8/16 extra
    ResettableAtomic<std::int32_t> mouse_in_client{0};
    ResettableAtomic<std::int32_t> mouse_tracking{0};
    ResettableAtomic<std::int32_t> cursor_visible{1};
    ResettableAtomic<std::int32_t> last_screen_x{65535}, last_screen_y{0};  // 65535: no move yet
};

// The pointer, and what lives across screens: the update thread's handle and
// start handshake, and the driver lock. A screen's reset clears the pointer
// part only; the previous driver's exit has joined the thread and released the
// lock.
struct InputState : PointerState {
    std::thread thread;
    std::atomic<bool> has_thread{false};
    StartSignal start;
    std::recursive_mutex lock;  // the driver lock
};

WindowState& window_state();
InputState& input_state();

// Clears the window state and the pointer at the start of every driver's init.
// The driver lock and the thread handle are not touched: the previous
// driver's exit has released them.
void reset_window_state();

// The shared operations of the driver records.
void shared_lock();
void shared_unlock();
void no_lock();
void shared_set_palette(std::int32_t index, std::int32_t red, std::int32_t green, std::int32_t blue);
void shared_wait_vsync();
std::int32_t shared_get_mouse(std::int32_t* x, std::int32_t* y, std::int32_t* wheel, std::int32_t* buttons,
                              std::int32_t* clipped);
void shared_set_mouse(std::int32_t x, std::int32_t y, std::int32_t cursor, std::int32_t clip);
void shared_set_window_title(const char* title);
std::int32_t shared_set_window_pos(std::int32_t x, std::int32_t y);

// Common set-up of every back-end's init (depth already at least 8): 0, or -1
// when there is no display or the update thread could not make its window.
std::int32_t common_setup(const char* title, std::int32_t width, std::int32_t height, std::int32_t depth,
                          std::int32_t refresh_rate, std::int32_t flags);
// Called by a thread_main once its window exists.
void signal_ready(StartSignal& ready);
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
void pump_messages();
// Rewrites the screen's key_state array from the keyboard state.
void refresh_key_state();
// Sets the dirty flags of the first `rows` lines (clamped to the array).
void mark_rows_dirty(std::int32_t rows);

}  // namespace vz
