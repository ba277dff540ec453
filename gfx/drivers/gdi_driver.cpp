// The "GDI" driver: the update thread copies the span of changed rows of the
// visible page into a presentation image in the display's pixel format and
// shows that span in the window, about a hundred times a second.

#include <algorithm>
#include <atomic>
#include <cstring>

#include "gfx/context.h"
#include "gfx/drivers/blit.h"
#include "gfx/drivers/drivers.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/shared_ops.h"
#include "gfx/drivers/window_common.h"
#include "gfx/drivers/window_state.h"
#include "gfx/screen_failure.h"
#include "rt/timer.h"

namespace vz {

namespace {

constexpr std::int32_t OS_VERSION_LAYERED = 1280;  // 5.0
constexpr std::uint32_t COLOUR_KEY_MAGENTA = 0xFF00FF;

// The presentation image; used by the update thread only.
struct GdiImage {
    std::uint8_t* pixels = nullptr;
    std::int32_t pitch = 0;
    bool exists = false;
    bool palette_indices = false;  // an indexed image showing the page's own palette indices
};

// On an indexed 8-bit image a page of more than 8 bits is shown through a
// colour cube: 3 bits of red, 3 of green, 2 of blue.
constexpr std::uint32_t CUBE_RED = 0x07, CUBE_GREEN = 0x38, CUBE_BLUE = 0xC0;

bool indexed(const ImageFormat& format) {
    return format.bits_per_pixel == 8 && (format.red_mask | format.green_mask | format.blue_mask) == 0;
}

// The colours of an indexed image: the device palette for a palette page,
// else the colour cube.
void send_image_colours(const GfxContext* context, bool palette_indices) {
    std::uint32_t colours[256] = {};
    for (std::uint32_t i = 0; i < 256; ++i) {
        if (palette_indices) {
            const std::uint32_t e =
                context != nullptr && context->device_palette != nullptr ? context->device_palette[i] : 0;
            colours[i] = ((e & 0xFF) << 16) | (e & 0xFF00) | ((e >> 16) & 0xFF);
        } else {
            // Each component's bits stretched over 0-255.
            const std::uint32_t r = (i & CUBE_RED) * 255 / 7, g = ((i & CUBE_GREEN) >> 3) * 255 / 7,
                                b = ((i & CUBE_BLUE) >> 6) * 255 / 3;
            colours[i] = (r << 16) | (g << 8) | b;
        }
    }
    platform().set_image_colours(colours);
}
GdiImage g_image;

// The converter from the page to the image: the display's depth and red/blue
// order decide; a shaped 32-bit window masks the top byte.
BlitProc converter_for(const ImageFormat& format, std::int32_t flags, std::int32_t page_depth) {
    std::int32_t depth = 0;
    std::int32_t swap = 0;
    switch (format.bits_per_pixel) {
    case 24:
    case 32:
        depth = format.bits_per_pixel;
        if (format.red_mask == 0xFF0000u) {
            swap = 0;
        } else if (format.red_mask == 0xFFu) {
            swap = 1;
        } else {
            return nullptr;
        }
        break;
    case 15:
    case 16:
        depth = format.green_mask == 0x3E0u ? 15 : 16;
        swap = format.red_mask == 0x1Fu ? 1 : 0;
        break;
    case 8:
        if (!indexed(format)) return choose_direct8_blitter(format.red_mask, format.green_mask, format.blue_mask);
        if (page_depth > 8) return choose_direct8_blitter(CUBE_RED, CUBE_GREEN, CUBE_BLUE);
        depth = 8;
        break;
    default:
        return nullptr;
    }
    if ((flags & SCREEN_SHAPED) != 0 && page_depth == 32 && depth == 32 && swap == 0) return &blit_masked_32;
    return choose_blitter(depth, swap);
}

std::int32_t gdi_init_window() {
    WindowState& ws = window_state();
    const PlatformLayer& p = platform();
    ws.converter = nullptr;
    g_image = GdiImage{};
    const std::int32_t flags = ws.flags.load();

    if ((flags & SCREEN_FULLSCREEN) != 0) {
        if (!p.set_display_mode(ws.monitor.load(), ws.width, ws.height, ws.depth, ws.refresh_rate)) {
            return driver_refuses("display mode not offered");
        }
    } else if ((flags & SCREEN_SHAPED) != 0 && ws.os_version < OS_VERSION_LAYERED) {
        return driver_refuses("shaped windows not offered");
    }
    if (!create_window(window_request_for(flags, ws.width, ws.height))) return driver_refuses("window not created");
    if ((flags & SCREEN_SHAPED) != 0) {
        if (p.set_colour_key == nullptr) return driver_refuses("shaped windows not offered");
        if (!p.set_colour_key(ws.depth <= 8 ? 0u : COLOUR_KEY_MAGENTA)) {
            return driver_refuses("shaped windows not offered");
        }
    }

    ImageFormat format{};
    if (!p.create_image(ws.width, ws.height, &format, &g_image.pixels, &g_image.pitch)) {
        return driver_refuses("window image not created");
    }
    g_image.exists = true;
    GfxContext* context = current_context();
    const std::int32_t page_depth = context != nullptr ? context->depth : 32;
    ws.converter = converter_for(format, flags, page_depth);
    if (ws.converter == nullptr) return driver_refuses("depth not offered");
    if (indexed(format)) {
        if (p.set_image_colours == nullptr) return driver_refuses("depth not offered");
        g_image.palette_indices = page_depth <= 8;
        send_image_colours(context, g_image.palette_indices);
    }
    if (context != nullptr) std::atomic_ref<std::int32_t>(context->refresh_rate).store(p.refresh_rate());
    return 0;
}

void gdi_exit_window() {
    WindowState& ws = window_state();
    const PlatformLayer& p = platform();
    if (g_image.exists) p.destroy_image();
    g_image = GdiImage{};
    ws.converter = nullptr;
    // A mode set for a window that was never made is restored as well.
    if ((ws.flags.load() & SCREEN_FULLSCREEN) != 0) p.restore_display_mode();
    if (p.window_id() != 0) p.destroy_window();
}

void gdi_paint() {
    if (g_image.exists) platform().put_image(0, window_state().height);
}

// One present: a changed palette first, then the span from the first to the
// last dirty page line, converted and shown in one call.
void gdi_present() {
    WindowState& ws = window_state();
    GfxContext* context = current_context();
    if (context == nullptr || context->dirty == nullptr || !g_image.exists || ws.converter == nullptr) return;
    const std::int32_t scanline = std::max(context->scanline, 1);
    // The converter reads the device palette itself; a palette change shows
    // on every line, not only on the lines drawn since.
    if (ws.palette_changed.exchange(0) != 0 && context->depth <= 8) {
        std::memset(context->dirty, 1, static_cast<std::size_t>(context->height));
        if (g_image.palette_indices) send_image_colours(context, true);
    }
    std::int32_t first = 0;
    while (first < context->height && context->dirty[first] == 0) ++first;
    if (first == context->height) return;
    std::int32_t last = context->height - 1;
    while (last > first && context->dirty[last] == 0) --last;
    ws.converter(g_image.pixels, g_image.pitch);
    // Page lines to window rows: each page line covers `scanline` rows.
    const std::int32_t top = first * scanline;
    const std::int32_t rows = std::min((last - first + 1) * scanline, ws.height - top);
    if (rows > 0) platform().put_image(top, rows);
}

void clear_dirty_rows() {
    if (GfxContext* context = current_context(); context != nullptr && context->dirty != nullptr) {
        std::memset(context->dirty, 0, static_cast<std::size_t>(window_state().height));
    }
}

void gdi_update_pass() {
    std::lock_guard<std::recursive_mutex> guard(input_state().lock);
    gdi_present();
    clear_dirty_rows();
    if (window_state().active.load() != 0) refresh_key_state();
    handle_window_messages();
}

// Rows marked since the last pass (the text a program prints just before it
// ends) are shown before the window goes.
void gdi_end_updates() {
    std::lock_guard<std::recursive_mutex> guard(input_state().lock);
    gdi_present();
    clear_dirty_rows();
}

void gdi_thread_main(StartSignal& ready) {
    if (!open_update_window(ready)) return;
    while (window_state().running.load() != 0) {
        gdi_update_pass();
        os_sleep_ms(10);
    }
    gdi_end_updates();
}

std::int32_t gdi_init(const char* title, std::int32_t width, std::int32_t height, std::int32_t depth,
                      std::int32_t refresh_rate, std::int32_t flags) {
    reset_window_state();
    if ((flags & SCREEN_OPENGL) != 0) return driver_refuses("OpenGL screen asked for");
    WindowState& ws = window_state();
    ws.init_window = &gdi_init_window;
    ws.exit_window = &gdi_exit_window;
    ws.paint = &gdi_paint;
    ws.thread_main = &gdi_thread_main;
    ws.begin_updates = &begin_window_updates;
    ws.update_pass = &gdi_update_pass;
    ws.end_updates = &gdi_end_updates;
    return common_setup(title, width, height, std::max(depth, 8), refresh_rate, flags);
}

// A display of 16 bits counts for 15 and the other way round, 24 for 32 too.
bool depth_or_twin(std::int32_t bits, std::int32_t depth) {
    if (bits == depth) return true;
    return (depth == 16 && bits == 15) || (depth == 15 && bits == 16) || (depth == 32 && bits == 24) ||
           (depth == 24 && bits == 32);
}

std::int32_t* gdi_fetch_modes(std::int32_t depth, std::int32_t* count) {
    std::int32_t listed = 0;
    std::int32_t* modes = platform().list_modes(&depth_or_twin, depth, &listed);
    if (count != nullptr) *count = listed;
    return modes;
}

}  // namespace

const GfxDriver gdi_driver = threaded_driver("GDI", &gdi_init, &gdi_fetch_modes);

}  // namespace vz
