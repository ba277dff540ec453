// The browser's window-system layer: the program window is the page's canvas
// (Module.canvas, or the element with the id "canvas"), its presentation
// image a buffer in the program's memory whose rows are put into the canvas
// with putImageData. The page has one display that cannot change its mode,
// no cursor of its own to move or confine and no monitors to choose. Without
// a page, a canvas or its 2D context (Node.js, a browser without canvas)
// `open` fails, so the drivers' init fails and the next one is tried.

#include <emscripten.h>

#include <cstdlib>
#include <cstring>

#include "gfx/drivers/platform.h"
#include "gfx/drivers/web/web_internal.h"

// clang-format off
EM_JS(int, vz_web_canvas_usable, (), {
    if (typeof document === "undefined") return 0;
    var canvas = Module["canvas"] || document.getElementById("canvas");
    if (!canvas || typeof canvas.getContext !== "function") return 0;
    var context = null;
    try { context = canvas.getContext("2d"); } catch (e) { context = null; }
    if (!context) return 0;
    Module["vzCanvas"] = canvas;
    Module["vzContext"] = context;
    return 1;
});

EM_JS(void, vz_web_canvas_size, (int width, int height), {
    var canvas = Module["vzCanvas"];
    canvas.width = width;
    canvas.height = height;
});

EM_JS(void, vz_web_set_title, (const char* caption), {
    var text = UTF8ToString(caption);
    if (text.length > 0) document.title = text;
});

EM_JS(void, vz_web_put_rows, (const std::uint8_t* pixels, int width, int first, int count), {
    var bytes = new Uint8ClampedArray(HEAPU8.buffer, pixels + first * width * 4, count * width * 4);
    Module["vzContext"].putImageData(new ImageData(bytes, width, count), 0, first);
});

EM_JS(int, vz_web_has_focus, (), {
    return typeof document !== "undefined" && document.hasFocus() ? 1 : 0;
});
// clang-format on

namespace vz::web {

namespace {

State g_state;

struct Image {
    std::uint8_t* pixels = nullptr;
    std::int32_t width = 0, height = 0;
};
Image g_image;

bool open_page() {
    g_state.open = vz_web_canvas_usable() != 0;
    return g_state.open;
}
void close_page() { g_state.open = false; }
std::int32_t page_version() { return 0x0600; }
void nothing() {}
void no_priority(bool) {}
std::int32_t no_monitor() { return -1; }

PlatformRect page_rect(std::int32_t) {
    return PlatformRect{0, 0, g_state.width > 0 ? g_state.width : 800, g_state.height > 0 ? g_state.height : 600};
}
// The page keeps the display's mode.
bool no_display_mode(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t) { return false; }
std::int32_t no_refresh_rate() { return 0; }
std::int32_t* no_modes(bool (*)(std::int32_t, std::int32_t), std::int32_t, std::int32_t*) { return nullptr; }

bool create_canvas_window(const WindowRequest& request, const char* caption, const char*) {
    // A fullscreen window would need the display's mode, which the page
    // cannot set; the set-up has failed before it gets here.
    if (!g_state.open || request.width <= 0 || request.height <= 0) return false;
    g_state.window = true;
    g_state.width = request.width;
    g_state.height = request.height;
    std::memset(g_state.vk_state, 0, sizeof g_state.vk_state);
    g_state.focused = vz_web_has_focus() != 0;
    g_state.reported_active = true;
    vz_web_canvas_size(request.width, request.height);
    if (caption != nullptr) vz_web_set_title(caption);
    return true;
}
// The canvas stays on the page with the last picture shown in it, as the
// page's record of how the program ended.
void destroy_canvas_window() { g_state.window = false; }
bool restyle_canvas_window(const WindowRequest& request) {
    return g_state.window && request.width == g_state.width && request.height == g_state.height;
}
void hide_canvas_window() {}
std::uintptr_t canvas_window_id() { return g_state.window ? 1 : 0; }
void set_canvas_caption(const char* caption) {
    if (g_state.window && caption != nullptr) vz_web_set_title(caption);
}
bool canvas_window_pos(std::int32_t* x, std::int32_t* y) {
    if (x != nullptr) *x = 0;
    if (y != nullptr) *y = 0;
    return g_state.window;
}
void no_move(std::int32_t, std::int32_t) {}
bool canvas_client_rect(PlatformRect* rect) {
    if (!g_state.window || rect == nullptr) return false;
    *rect = PlatformRect{0, 0, g_state.width, g_state.height};
    return true;
}
bool no_cursor_pos(std::int32_t* x, std::int32_t* y) {
    if (x != nullptr) *x = -1;
    if (y != nullptr) *y = -1;
    return false;
}
void no_confine(const PlatformRect*) {}
void no_cursor_shape(bool) {}
bool no_capture() { return false; }

void keyboard_state(std::uint8_t state[256]) { std::memcpy(state, g_state.vk_state, 256); }

// Red, green, blue, alpha bytes in memory, as ImageData holds them: a 32-bit
// image with red in the low byte.
bool create_canvas_image(std::int32_t width, std::int32_t height, ImageFormat* format, std::uint8_t** pixels,
                         std::int32_t* pitch) {
    if (width <= 0 || height <= 0 || format == nullptr || pixels == nullptr || pitch == nullptr) return false;
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    auto* memory = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
    if (memory == nullptr) return false;
    std::free(g_image.pixels);
    g_image = Image{memory, width, height};
    *format = ImageFormat{32, 0xFFu, 0xFF00u, 0xFF0000u};
    *pixels = memory;
    *pitch = width * 4;
    return true;
}

// The canvas has no use for the page's alpha: every pixel put is opaque, as
// it is in a window.
void put_canvas_rows(std::int32_t first, std::int32_t count) {
    if (g_image.pixels == nullptr || !g_state.window) return;
    if (first < 0) {
        count += first;
        first = 0;
    }
    if (count > g_image.height - first) count = g_image.height - first;
    if (count <= 0) return;
    std::uint8_t* row = g_image.pixels + static_cast<std::size_t>(first) * static_cast<std::size_t>(g_image.width) * 4;
    const std::size_t cells = static_cast<std::size_t>(count) * static_cast<std::size_t>(g_image.width);
    for (std::size_t i = 0; i < cells; ++i) row[i * 4 + 3] = 0xFF;
    vz_web_put_rows(g_image.pixels, g_image.width, first, count);
}

void destroy_canvas_image() {
    std::free(g_image.pixels);
    g_image = Image{};
}

constexpr PlatformLayer LAYER = {
    .open = &open_page,
    .close = &close_page,
    .version = &page_version,
    .suspend_screensaver = &nothing,
    .restore_screensaver = &nothing,
    .note_update_thread = &nothing,
    .set_update_priority = &no_priority,
    .monitor_at_cursor = &no_monitor,
    .monitor_of_window = &no_monitor,
    .monitor_rect = &page_rect,
    .set_display_mode = &no_display_mode,
    .restore_display_mode = &nothing,
    .refresh_rate = &no_refresh_rate,
    .list_modes = &no_modes,
    .create_window = &create_canvas_window,
    .destroy_window = &destroy_canvas_window,
    .restyle_window = &restyle_canvas_window,
    .hide_window = &hide_canvas_window,
    .window_id = &canvas_window_id,
    .set_caption = &set_canvas_caption,
    .window_pos = &canvas_window_pos,
    .move_window = &no_move,
    .client_rect = &canvas_client_rect,
    .set_colour_key = nullptr,
    .cursor_pos = &no_cursor_pos,
    .move_cursor = &no_move,
    .confine_cursor = &no_confine,
    .show_cursor = &no_cursor_shape,
    .post_set_cursor = &nothing,
    .capture_mouse = &nothing,
    .release_mouse = &nothing,
    .has_capture = &no_capture,
    .track_mouse_leave = &nothing,
    .stop_leave_tracking = &nothing,
    .keyboard_state = &keyboard_state,
    .pump_messages = &pump_page_events,
    .create_image = &create_canvas_image,
    .put_image = &put_canvas_rows,
    .destroy_image = &destroy_canvas_image,
    .set_image_colours = nullptr,
};

}  // namespace

State& state() { return g_state; }

}  // namespace vz::web

namespace vz {

const PlatformLayer& native_platform() { return web::LAYER; }

}  // namespace vz
