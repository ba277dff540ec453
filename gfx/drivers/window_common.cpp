// The window-system set-up every driver shares, the window placement rule, the
// update thread's start-up handshake, the held-key refresh and the shared exit.

#include <algorithm>
#include <cstring>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/drivers/keymap.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/update_runner.h"
#include "gfx/drivers/window_common.h"
#include "gfx/drivers/window_state.h"
#include "gfx/screen_failure.h"

namespace vz {

namespace {

WindowState g_window;
InputState g_input;

// Floor division by two, so that a window larger than its monitor starts left
// of (or above) the monitor by the same amount on both sides.
std::int32_t half_floor(std::int32_t value) { return value >= 0 ? value / 2 : -((1 - value) / 2); }

}  // namespace

WindowState& window_state() { return g_window; }
InputState& input_state() { return g_input; }

void reset_window_state() {
    g_window = WindowState{};
    static_cast<PointerState&>(g_input) = PointerState{};
}

void signal_ready(StartSignal& ready) {
    {
        std::lock_guard<std::mutex> guard(ready.mutex);
        ready.ready = true;
    }
    ready.changed.notify_all();
}

std::int32_t begin_window_updates() {
    WindowState& ws = window_state();
    if (ws.init_window() != 0) return -1;
    ws.active.store(1);
    return 0;
}

bool open_update_window(StartSignal& ready) {
    if (begin_window_updates() != 0) return false;
    signal_ready(ready);
    return true;
}

std::int32_t common_setup(const char* title, std::int32_t width, std::int32_t height, std::int32_t depth,
                          std::int32_t refresh_rate, std::int32_t flags) {
    WindowState& ws = g_window;
    InputState& in = g_input;
    const PlatformLayer& p = platform();
    if (!p.open()) return driver_refuses("no display");

    ws.os_version = p.version();
    ws.monitor.store(p.monitor_at_cursor());
    ws.cursor_clipped.store(0);
    in.cursor_visible.store(1);
    in.last_screen_x.store(65535);
    // The platform layer reports the cursor leaving the window itself, so no
    // timer stands in for the leave notice.
    p.suspend_screensaver();

    if (title == nullptr) title = "";
    std::memset(ws.class_name, 0, sizeof ws.class_name);
    std::memcpy(ws.class_name, CLASS_PREFIX, sizeof CLASS_PREFIX - 1);
    const std::size_t title_chars = std::min<std::size_t>(std::strlen(title), CLASS_TITLE_CHARS);
    std::memcpy(ws.class_name + sizeof CLASS_PREFIX - 1, title, title_chars);

    ws.title.store(title);
    ws.flags.store(flags);
    ws.width = width;
    ws.height = height;
    ws.depth = depth;
    ws.refresh_rate = refresh_rate;

    in.mouse_buttons.store(0);
    in.mouse_wheel.store(0);
    ws.running.store(1);

    if ((flags & SCREEN_OPENGL) != 0) {
        in.has_thread.store(false);
        return 0;
    }

    // The runner, or the back-end's set-up on the update thread, noted its
    // own reason, if any.
    if (start_update_runner() != 0) return -1;
    if ((flags & SCREEN_HIGH_PRIORITY) != 0) p.set_update_priority(true);
    return 0;
}

std::int32_t shared_exit() {
    WindowState& ws = g_window;
    const PlatformLayer& p = platform();
    if (ws.running.load() == 0) return 0;
    ws.running.store(0);

    // The update thread may be waiting for the lock the program still holds.
    if (GfxContext* context = current_context(); context != nullptr && context->lock_count != 0) {
        context->lock_count = 0;
        if (context->driver != nullptr && context->driver->unlock != nullptr) context->driver->unlock();
    }
    stop_update_runner();
    if (ws.exit_window != nullptr) ws.exit_window();
    p.restore_screensaver();
    if (ws.cursor_clipped.load() != 0) {
        p.confine_cursor(nullptr);
        ws.cursor_clipped.store(0);
    }
    p.close();
    return 0;
}

WindowRequest window_request_for(std::int32_t flags, std::int32_t width, std::int32_t height) {
    const PlatformLayer& p = platform();
    const PlatformRect monitor = p.monitor_rect(g_window.monitor.load());
    WindowRequest request{};
    request.width = width;
    request.height = height;
    request.topmost = (flags & SCREEN_TOPMOST) != 0;
    request.show = true;
    if ((flags & SCREEN_FULLSCREEN) != 0) {
        request.frame = WindowFrame::fullscreen;
        request.x = monitor.left;
        request.y = monitor.top;
        return request;
    }
    if ((flags & SCREEN_NO_FRAME) != 0) {
        request.frame = WindowFrame::popup;
    } else if ((flags & SCREEN_NO_SWITCH) != 0) {
        request.frame = WindowFrame::no_maximise;
    } else {
        request.frame = WindowFrame::normal;
    }
    // The frame belongs to the window manager, which places it around the
    // client area; the client area itself is centred.
    request.x = monitor.left + half_floor((monitor.right - monitor.left) - width);
    request.y = monitor.top + half_floor((monitor.bottom - monitor.top) - height);
    return request;
}

bool create_window(const WindowRequest& request) {
    const char* title = g_window.title.load();
    return platform().create_window(request, title != nullptr ? title : "", g_window.class_name);
}

void clip_cursor_to_client() {
    PlatformRect client{};
    if (platform().client_rect(&client)) platform().confine_cursor(&client);
}

void handle_window_messages() { platform().pump_messages(); }

void refresh_key_state() {
    GfxContext* context = current_context();
    if (context == nullptr || context->key_state == nullptr) return;
    std::uint8_t keyboard[256] = {};
    platform().keyboard_state(keyboard);
    refresh_key_states(keyboard, context->key_state);
}

void mark_rows_dirty(std::int32_t rows) {
    GfxContext* context = current_context();
    if (context == nullptr || context->dirty == nullptr) return;
    const std::int32_t size = context->height * std::max(context->scanline, 1);
    std::memset(context->dirty, 1, static_cast<std::size_t>(std::clamp(rows, 0, size)));
}

}  // namespace vz
