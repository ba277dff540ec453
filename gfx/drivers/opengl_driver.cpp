// The "OpenGL" driver: a window with a double-buffered GL rendering context,
// current on the program's thread. The program draws with GL and shows each
// frame with flip; it has no update thread, and the program's thread handles
// the window's messages when it polls. It accepts only screens with the
// opengl flag, and requires it.
//
// The window's pixel format is fixed when the window is made on this
// platform, so the format is chosen before the window is created (the other
// steps keep their order).

#include <algorithm>
#include <atomic>
#include <vector>

#include "gfx/context.h"
#include "gfx/drivers/drivers.h"
#include "gfx/drivers/gl_platform.h"
#include "gfx/drivers/opengl_format.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/shared_ops.h"
#include "gfx/drivers/window_common.h"
#include "gfx/drivers/window_state.h"
#include "gfx/screen_failure.h"

namespace vz {

namespace {

constexpr std::size_t EXTENSION_TEXT_SIZE = 16384;  // at most 16383 characters

struct GlState {
    bool loaded = false;
    bool has_context = false;
    char extensions[EXTENSION_TEXT_SIZE] = {};
};
GlState g_gl;

void store_refresh_rate(std::int32_t rate) {
    if (GfxContext* context = current_context()) std::atomic_ref<std::int32_t>(context->refresh_rate).store(rate);
}

// At start and at each fullscreen toggle: the one window is restyled, never
// recreated, so the rendering context stays.
std::int32_t gl_init_window() {
    WindowState& ws = window_state();
    const PlatformLayer& p = platform();
    const std::int32_t flags = ws.flags.load();
    if ((flags & SCREEN_FULLSCREEN) != 0 &&
        !p.set_display_mode(ws.monitor.load(), ws.width, ws.height, ws.depth, ws.refresh_rate)) {
        return driver_refuses("display mode not offered");
    }
    if (!p.restyle_window(window_request_for(flags, ws.width, ws.height))) return driver_refuses("window not created");
    ws.active.store(1);
    store_refresh_rate(g_gl.has_context ? p.refresh_rate() : 0);
    return 0;
}

void gl_exit_window() {
    const PlatformLayer& p = platform();
    if ((window_state().flags.load() & SCREEN_FULLSCREEN) != 0) p.restore_display_mode();
    p.hide_window();
}

void gl_paint() {}

// Asks for a format by attributes, lowering the samples by 2 while no format
// comes back; without an attribute chooser, or when it finds nothing, the
// closest plain format.
bool choose_format(const GlPixelSettings& settings, bool attribute_chooser, std::int32_t* final_samples) {
    const GlPlatform& gl = gl_platform();
    std::int32_t samples_at = -1;
    std::vector<std::int32_t> request = gl_attribute_request(settings, &samples_at);
    *final_samples = samples_at >= 0 ? request[static_cast<std::size_t>(samples_at)] : 0;
    if (attribute_chooser) {
        while (true) {
            if (gl.choose_format(request.data())) return true;
            if (samples_at < 0) break;
            request[static_cast<std::size_t>(samples_at)] -= 2;
            *final_samples = request[static_cast<std::size_t>(samples_at)];
            if (*final_samples < 0) break;
        }
    }
    *final_samples = 0;  // the plain format asks for no samples
    return gl.choose_basic_format(settings);
}

std::int32_t gl_init(const char* title, std::int32_t width, std::int32_t height, std::int32_t depth,
                     std::int32_t refresh_rate, std::int32_t flags) {
    reset_window_state();
    if ((flags & SCREEN_OPENGL) == 0) return driver_refuses("not an OpenGL screen");
    // The GL library is linked with the program, so its entry points are there.
    g_gl.loaded = true;
    g_gl.has_context = false;
    WindowState& ws = window_state();
    ws.init_window = &gl_init_window;
    ws.exit_window = &gl_exit_window;
    ws.paint = &gl_paint;
    ws.thread_main = nullptr;
    if (common_setup(title, width, height, std::max(depth, 8), refresh_rate, flags) != 0) return -1;

    const GlPlatform& gl = gl_platform();
    g_gl.extensions[0] = 0;
    if (!gl.probe(g_gl.extensions, sizeof g_gl.extensions)) return driver_refuses("no OpenGL");
    if (!has_gl_extension(g_gl.extensions, "GL_EXT_bgra")) return driver_refuses("OpenGL without GL_EXT_bgra");
    const bool attribute_chooser = gl.has_attribute_chooser(g_gl.extensions);

    const GlPixelSettings settings = gl_pixel_defaults(GlPixelSettings{}, ws.depth, flags);
    std::int32_t samples = 0;
    if (!choose_format(settings, attribute_chooser, &samples)) return driver_refuses("no OpenGL pixel format");

    WindowRequest request{};
    request.frame = WindowFrame::popup;
    request.width = request.height = 8;
    request.show = false;
    request.visual = gl.format_visual();
    if (!create_window(request)) return driver_refuses("window not created");
    if (gl_init_window() != 0) return -1;
    if (!gl.create_context()) return driver_refuses("no OpenGL context");
    g_gl.has_context = true;
    store_refresh_rate(platform().refresh_rate());
    if (samples > 0) gl.enable_multisample();
    return 0;
}

std::int32_t gl_exit() {
    if (g_gl.loaded) {
        const PlatformLayer& p = platform();
        // Also after a failed init: a context made but never made current,
        // and a chosen format, are released here.
        gl_platform().destroy_context();
        g_gl.has_context = false;
        if ((window_state().flags.load() & SCREEN_FULLSCREEN) != 0) p.restore_display_mode();
        if (p.window_id() != 0) p.destroy_window();
        g_gl.loaded = false;
    }
    return shared_exit();
}

void gl_flip() { gl_platform().swap_buffers(); }

// No lock: the messages are handled here, on the program's thread.
void gl_poll_events() {
    if (window_state().active.load() != 0) refresh_key_state();
    handle_window_messages();
}

std::int32_t* gl_fetch_modes(std::int32_t depth, std::int32_t* count) {
    std::int32_t listed = 0;
    std::int32_t* modes =
        platform().list_modes([](std::int32_t bits, std::int32_t wanted) { return bits == wanted; }, depth, &listed);
    if (count != nullptr) *count = listed;
    return modes;
}

}  // namespace

const GfxDriver opengl_driver = {
    .name = "OpenGL",
    .init = &gl_init,
    .exit = &gl_exit,
    .lock = &no_lock,
    .unlock = &no_lock,
    .wait_vsync = &shared_wait_vsync,
    .get_mouse = &shared_get_mouse,
    .set_mouse = &shared_set_mouse,
    .set_window_title = &shared_set_window_title,
    .set_window_pos = &shared_set_window_pos,
    .fetch_modes = &gl_fetch_modes,
    .flip = &gl_flip,
    .poll_events = &gl_poll_events,
};

}  // namespace vz
