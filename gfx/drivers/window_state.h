#pragma once
// The window-system state the DirectX, GDI and OpenGL drivers share and the
// mouse and input state the window procedure keeps.

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
    std::int32_t width = 0, height = 0;       // client size (height counts window lines)
    std::int32_t depth = 0;                   // at least 8
    ResettableAtomic<std::int32_t> flags{0};  // bit 0 toggles at Alt+Enter
    std::int32_t refresh_rate = 0;
    ResettableAtomic<const char*> title{nullptr};
    char class_name[CLASS_NAME_SIZE] = {};
    // Back-end hooks, set by the back-end's init.
    std::int32_t (*init_window)() = nullptr;
    void (*exit_window)() = nullptr;
    void (*paint)() = nullptr;
    void (*thread_main)(StartSignal& ready) = nullptr;
    // The same pass in pieces, for a platform that runs it without a thread
    // of its own (update_runner.h): the window's set-up (0 once it exists),
    // one pass (it takes the driver lock itself) and the last pass at the end.
    // Null for a back-end that needs its thread.
    std::int32_t (*begin_updates)() = nullptr;
    void (*update_pass)() = nullptr;
    void (*end_updates)() = nullptr;
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

}  // namespace vz
