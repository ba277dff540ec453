// The window procedure and key translation on arbitrary message sequences.
// A screen is opened on the GDI driver over a quiet stand-in for the window
// system (a window that exists, a cursor, a keyboard whose state the input
// sets), and the messages are handed to the window procedure under the
// driver lock, as the update thread does. Afterwards the key queue and the
// event ring are drained; every key code must be a character, an extended
// key or the close code.
//
// Opening a screen starts the driver's update thread, and closing it waits
// for the thread's next pass: that was nearly all of a run's time. The screen
// therefore stays open from run to run while the input asks for the same
// flags, and each run starts from the state a fresh screen has: the pointer
// state reset whole, the window active with its opening flags (a fullscreen
// toggle undone), no cursor clip, and the stand-in's keyboard, capture and
// cursor cleared. A screen the messages closed is opened again.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "fuzz_input.h"
#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/drivers/drivers.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/window_proc.h"
#include "gfx/drivers/window_state.h"
#include "gfx/events.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/surface/screen_lock.h"
#include "gfx/testing.h"
#include "gfx/text/keys.h"

namespace {

using vz::ImageFormat;
using vz::PlatformRect;
using vz::WindowRequest;

// What the stand-in window system holds; guarded by one mutex, since the
// driver's update thread calls in too.
struct Quiet {
    std::mutex mutex;
    bool window = false;
    WindowRequest request{};
    std::int32_t cursor_x = 0, cursor_y = 0;
    bool captured = false;
    std::uint8_t keyboard[256] = {};
    std::vector<std::uint8_t> image;
};
Quiet g_quiet;
using Lock = std::lock_guard<std::mutex>;

void nothing() {}
bool open_ok() { return true; }
std::int32_t version() { return 11 * 256; }
void priority(bool) {}
std::int32_t monitor() { return 0; }
PlatformRect monitor_rect(std::int32_t) { return {0, 0, 1024, 768}; }
bool set_mode(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t) { return true; }
std::int32_t refresh() { return 60; }
std::int32_t* list_modes(bool (*)(std::int32_t, std::int32_t), std::int32_t, std::int32_t* count) {
    *count = 0;
    return nullptr;
}
bool create_window(const WindowRequest& request, const char*, const char*) {
    Lock lock(g_quiet.mutex);
    g_quiet.window = true;
    g_quiet.request = request;
    return true;
}
void destroy_window() {
    Lock lock(g_quiet.mutex);
    g_quiet.window = false;
}
bool restyle(const WindowRequest& request) {
    Lock lock(g_quiet.mutex);
    g_quiet.request = request;
    return g_quiet.window;
}
std::uintptr_t window_id() {
    Lock lock(g_quiet.mutex);
    return g_quiet.window ? 1 : 0;
}
void set_caption(const char*) {}
bool window_pos(std::int32_t* x, std::int32_t* y) {
    Lock lock(g_quiet.mutex);
    *x = g_quiet.request.x;
    *y = g_quiet.request.y;
    return g_quiet.window;
}
void move_window(std::int32_t x, std::int32_t y) {
    Lock lock(g_quiet.mutex);
    g_quiet.request.x = x;
    g_quiet.request.y = y;
}
bool client_rect(PlatformRect* rect) {
    Lock lock(g_quiet.mutex);
    const WindowRequest& r = g_quiet.request;
    *rect = PlatformRect{r.x, r.y, r.x + r.width, r.y + r.height};
    return g_quiet.window;
}
bool cursor_pos(std::int32_t* x, std::int32_t* y) {
    Lock lock(g_quiet.mutex);
    *x = g_quiet.cursor_x;
    *y = g_quiet.cursor_y;
    return true;
}
void move_cursor(std::int32_t x, std::int32_t y) {
    Lock lock(g_quiet.mutex);
    g_quiet.cursor_x = x;
    g_quiet.cursor_y = y;
}
void confine(const PlatformRect*) {}
void show_cursor(bool) {}
void capture() {
    Lock lock(g_quiet.mutex);
    g_quiet.captured = true;
}
void release() {
    Lock lock(g_quiet.mutex);
    g_quiet.captured = false;
}
bool has_capture() {
    Lock lock(g_quiet.mutex);
    return g_quiet.captured;
}
void keyboard_state(std::uint8_t state[256]) {
    Lock lock(g_quiet.mutex);
    std::memcpy(state, g_quiet.keyboard, 256);
}
bool create_image(std::int32_t width, std::int32_t height, ImageFormat* format, std::uint8_t** pixels,
                  std::int32_t* pitch) {
    Lock lock(g_quiet.mutex);
    *pitch = width * 4;
    g_quiet.image.assign(static_cast<std::size_t>(*pitch) * static_cast<std::size_t>(height), 0);
    *format = ImageFormat{32, 0xFF0000, 0xFF00, 0xFF};
    *pixels = g_quiet.image.data();
    return true;
}
void put_image(std::int32_t, std::int32_t) {}

const vz::PlatformLayer QUIET = {
    .open = &open_ok,
    .close = &nothing,
    .version = &version,
    .suspend_screensaver = &nothing,
    .restore_screensaver = &nothing,
    .note_update_thread = &nothing,
    .set_update_priority = &priority,
    .monitor_at_cursor = &monitor,
    .monitor_of_window = &monitor,
    .monitor_rect = &monitor_rect,
    .set_display_mode = &set_mode,
    .restore_display_mode = &nothing,
    .refresh_rate = &refresh,
    .list_modes = &list_modes,
    .create_window = &create_window,
    .destroy_window = &destroy_window,
    .restyle_window = &restyle,
    .hide_window = &nothing,
    .window_id = &window_id,
    .set_caption = &set_caption,
    .window_pos = &window_pos,
    .move_window = &move_window,
    .client_rect = &client_rect,
    .set_colour_key = nullptr,
    .cursor_pos = &cursor_pos,
    .move_cursor = &move_cursor,
    .confine_cursor = &confine,
    .show_cursor = &show_cursor,
    .post_set_cursor = &nothing,
    .capture_mouse = &capture,
    .release_mouse = &release,
    .has_capture = &has_capture,
    .track_mouse_leave = &nothing,
    .stop_leave_tracking = &nothing,
    .keyboard_state = &keyboard_state,
    .pump_messages = &nothing,
    .create_image = &create_image,
    .put_image = &put_image,
    .destroy_image = &nothing,
};

const vz::GfxDriver* const GDI_ONLY[] = {&vz::gdi_driver};

// Characters (bytes 128-255 posted as -128 ... -1; a posted 0 reads back as
// no key), extended keys and the close code.
bool valid_key(std::int32_t code) {
    if (code >= -128 && code <= 255) return true;
    return code > 0xFF && code <= 0xFFFF && (code & 0xFF) == 0xFF;
}

vz::WindowMessage message_from(vz::fuzz::Input& in) {
    vz::WindowMessage m;
    m.type = static_cast<vz::WindowMessageType>(in.u8() % (static_cast<int>(vz::WindowMessageType::reenter) + 1));
    m.vk = in.u8();
    m.scan = in.u8() & 0x7F;
    m.repeat = in.u8() % 4;
    const std::uint8_t bits = in.u8();
    m.extended = (bits & 1) != 0;
    m.was_down = (bits & 2) != 0;
    m.alt_held = (bits & 4) != 0;
    m.activated = (bits & 8) != 0;
    m.minimised = (bits & 16) != 0;
    m.modifiers = in.u8() & (vz::KEYMOD_RIGHT_ALT | vz::KEYMOD_ALT | vz::KEYMOD_RIGHT_CONTROL | vz::KEYMOD_CONTROL |
                             vz::KEYMOD_SHIFT);
    m.types_character = (bits & 64) != 0;
    m.character = (bits & 32) != 0 ? in.u32() : in.u8();
    m.x = in.number();
    m.y = in.number();
    m.button = in.u8() & 7;
    m.extra_held = in.u8() & 3;
    m.wheel_delta = in.number();
    return m;
}

// The screen kept open across runs and what its window held once open.
struct OpenScreen {
    bool open = false;
    std::int32_t flags = 0;
    std::int32_t window_flags = 0;
    std::int32_t active = 0;
    std::int32_t monitor = 0;
    WindowRequest request{};
};
OpenScreen g_screen;

void drain_queues() {
    while (vz::take_key() != 0) {}
    vz::ScreenEvent event{};
    while (vz::take_event(event)) {}
}

// Opens the screen for `flags`, or puts the open one back as it was when it opened.
void fresh_screen(std::int32_t flags) {
    {
        Lock lock(g_quiet.mutex);
        std::memset(g_quiet.keyboard, 0, sizeof g_quiet.keyboard);
        g_quiet.captured = false;
        g_quiet.cursor_x = g_quiet.cursor_y = 0;
    }
    if (g_screen.open && (vz::current_context() == nullptr || g_screen.flags != flags)) {
        vz::close_screen();
        g_screen.open = false;
    }
    if (!g_screen.open) {
        if (vz::screen_res(64, 48, 32, 1, flags, 0) != 0 || vz::current_context() == nullptr) std::abort();
        const vz::ScreenLockGuard screen;
        vz::WindowState& ws = vz::window_state();
        g_screen = OpenScreen{true, flags, ws.flags.load(), ws.active.load(), ws.monitor.load(), {}};
        Lock lock(g_quiet.mutex);
        g_screen.request = g_quiet.request;
    } else {
        const vz::ScreenLockGuard screen;
        vz::WindowState& ws = vz::window_state();
        static_cast<vz::PointerState&>(vz::input_state()) = vz::PointerState{};
        ws.flags.store(g_screen.window_flags);
        ws.active.store(g_screen.active);
        ws.monitor.store(g_screen.monitor);
        ws.cursor_clipped.store(0);
        Lock lock(g_quiet.mutex);
        g_quiet.window = true;
        g_quiet.request = g_screen.request;
    }
    drain_queues();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::unsetenv("VZGFX");
    vz::set_platform_for_test(&QUIET);
    vz::set_driver_list_for_test(GDI_ONLY);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vz::fuzz::Input in(data, size);
    fresh_screen(in.u8() & 0x1);
    for (int step = 0; step < 32 && !in.empty(); ++step) {
        {
            Lock lock(g_quiet.mutex);
            const std::uint8_t key = in.u8();
            g_quiet.keyboard[key] = in.u8();
        }
        const vz::WindowMessage m = message_from(in);
        {
            const vz::ScreenLockGuard screen;
            vz::window_proc(m);
        }
        while (vz::key_pending() != 0) {
            const std::int32_t key = vz::take_key();
            if (!valid_key(key)) {
                std::fprintf(stderr, "invalid key code %d\n", key);
                std::abort();
            }
        }
    }
    drain_queues();
    return 0;
}
