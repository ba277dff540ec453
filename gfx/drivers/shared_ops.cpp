// The operations the driver records share: the driver lock, the palette, the
// vertical-sync sleep, the mouse, and the window's title and position.

#include <algorithm>
#include <atomic>
#include <climits>
#include <mutex>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/shared_ops.h"
#include "gfx/drivers/window_common.h"
#include "gfx/drivers/window_state.h"
#include "rt/timer.h"

namespace vz {

void shared_lock() { input_state().lock.lock(); }

void shared_unlock() { input_state().lock.unlock(); }

// The OpenGL driver has no update thread and so nothing to exclude.
void no_lock() {}

void shared_set_palette(std::int32_t index, std::int32_t red, std::int32_t green, std::int32_t blue) {
    if (index < 0 || index > 255) return;
    // The update thread re-sends the palette at a fullscreen toggle; the
    // program normally calls this holding the lock already.
    std::lock_guard<std::recursive_mutex> guard(input_state().lock);
    WindowState& ws = window_state();
    ws.palette[index][0] = static_cast<std::uint8_t>(red);
    ws.palette[index][1] = static_cast<std::uint8_t>(green);
    ws.palette[index][2] = static_cast<std::uint8_t>(blue);
    ws.palette[index][3] = 4;  // no-collapse
    ws.palette_changed.store(1);
}

void shared_wait_vsync() {
    std::int32_t rate = 0;
    if (GfxContext* context = current_context()) {
        // The update thread stores the rate at a fullscreen toggle.
        rate = std::atomic_ref<std::int32_t>(context->refresh_rate).load();
    }
    os_sleep_ms(rate > 0 ? 1000 / rate : 16);
}

std::int32_t shared_get_mouse(std::int32_t* x, std::int32_t* y, std::int32_t* wheel, std::int32_t* buttons,
                              std::int32_t* clipped) {
    const WindowState& ws = window_state();
    const InputState& in = input_state();
    if (ws.active.load() == 0 || in.mouse_in_client.load() == 0) return -1;
    if (x) *x = in.mouse_x.load();
    if (y) *y = in.mouse_y.load();
    if (wheel) *wheel = in.mouse_wheel.load();
    if (buttons) *buttons = in.mouse_buttons.load();
    if (clipped) *clipped = ws.cursor_clipped.load();
    return 0;
}

void shared_set_mouse(std::int32_t x, std::int32_t y, std::int32_t cursor, std::int32_t clip) {
    WindowState& ws = window_state();
    InputState& in = input_state();
    const PlatformLayer& p = platform();
    if (x >= 0) {
        std::int32_t tx = std::min(x, ws.width - 1);
        std::int32_t ty = std::clamp(y, 0, std::max(ws.height - 1, 0));
        // Client to screen coordinates, for a window only: a fullscreen
        // screen has set the display mode to its own size, so its client
        // coordinates are the screen's.
        PlatformRect client{};
        const bool fullscreen = (ws.flags.load() & SCREEN_FULLSCREEN) != 0;
        if (!fullscreen && p.client_rect(&client)) {
            tx += client.left;
            ty += client.top;
        }
        p.move_cursor(tx, ty);
        in.mouse_x.store(x);
        in.mouse_y.store(y);
    }
    if (cursor >= 0) {
        const std::int32_t visible = cursor > 0 ? 1 : 0;
        if (in.cursor_visible.exchange(visible) != visible) p.post_set_cursor();
    }
    if (clip > 0) {
        ws.cursor_clipped.store(1);
        clip_cursor_to_client();
    } else if (clip == 0) {
        ws.cursor_clipped.store(0);
        p.confine_cursor(nullptr);
    }
}

void shared_set_window_title(const char* title) {
    WindowState& ws = window_state();
    ws.title.store(title);
    // A program holding the screen lock holds the driver lock; the update
    // thread may be waiting for it, so it is let go around the change.
    GfxContext* context = current_context();
    const bool release = context != nullptr && context->lock_count != 0 && context->driver != nullptr &&
                         context->driver->unlock == &shared_unlock && input_state().has_thread.load();
    if (release) shared_unlock();
    platform().set_caption(title);
    if (release) shared_lock();
}

std::int32_t shared_set_window_pos(std::int32_t x, std::int32_t y) {
    if ((window_state().flags.load() & SCREEN_FULLSCREEN) != 0) return 0;
    const PlatformLayer& p = platform();
    std::int32_t old_x = 0, old_y = 0;
    if (!p.window_pos(&old_x, &old_y)) return 0;
    p.move_window(x == INT32_MIN ? old_x : x, y == INT32_MIN ? old_y : y);
    const std::uint32_t packed =
        (static_cast<std::uint32_t>(old_x) & 0xFFFFu) | ((static_cast<std::uint32_t>(old_y) & 0xFFFFu) << 16);
    return static_cast<std::int32_t>(packed);
}

}  // namespace vz
