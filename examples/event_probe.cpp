// Opens an 800 x 600 screen, fills it with a colour and reports on standard
// output, one line each, what reaches the program: the driver in use
// ("driver NAME"), every screen event ("event TYPE V1 V2 V3 V4"), every change
// of the mouse state ("mouse X Y WHEEL BUTTONS CLIP", or "mouse none") and the
// keys read ("key CODE"); the first key ends it. Options: --keys N ends it
// after N keys; --seconds S ends it after S seconds ("timeout"); --flags F
// gives the screen flags; --title T the window title; --place X,Y moves the
// cursor to (X, Y) of the window, hides it and confines it to the window. On
// a screen that flips (OpenGL) every round shows a frame. --fill C gives the
// fill colour (0xRRGGBB) and --left C another colour for the left half.
// Exit code 0, or 1 when no screen opens.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/events.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pages.h"
#include "gfx/surface/screen_lock.h"
#include "gfx/text/keys.h"
#include "gfx/text/mouse_hooks.h"
#include "rt/runtime.h"
#include "rt/timer.h"

namespace {

void fill_screen(std::uint32_t colour, std::uint32_t left) {
    vz::GfxContext* context = vz::current_context();
    vz::screen_lock();
    std::uint8_t* page = vz::screen_ptr();
    if (page != nullptr && context->bpp == 4) {
        for (std::int32_t i = 0; i < context->width * context->height; ++i) {
            const std::uint32_t c = i % context->width < context->width / 2 ? left : colour;
            std::memcpy(page + static_cast<std::size_t>(i) * 4, &c, 4);
        }
    }
    vz::screen_unlock(-1, -1);
}

void report_events() {
    vz::ScreenEvent event{};
    while (vz::take_event(event)) {
        std::printf("event %d %d %d %d %d\n", event.type, event.value1, event.value2, event.value3, event.value4);
    }
}

}  // namespace

int main(int argc, char** argv) {
    vz::runtime_static_init();
    double seconds = 0;
    int keys_to_read = 1;
    std::int32_t flags = 0;
    const char* title = "event_probe";
    const char* place = nullptr;
    std::uint32_t fill = 0xFF2060C0u;  // opaque blue-grey
    std::uint32_t left = 0;
    bool has_left = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::atof(argv[i + 1]);
        if (std::strcmp(argv[i], "--keys") == 0) keys_to_read = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--flags") == 0)
            flags = static_cast<std::int32_t>(std::strtol(argv[i + 1], nullptr, 0));
        if (std::strcmp(argv[i], "--title") == 0) title = argv[i + 1];
        if (std::strcmp(argv[i], "--place") == 0) place = argv[i + 1];
        if (std::strcmp(argv[i], "--fill") == 0)
            fill = 0xFF000000u | static_cast<std::uint32_t>(std::strtoul(argv[i + 1], nullptr, 0));
        if (std::strcmp(argv[i], "--left") == 0) {
            left = 0xFF000000u | static_cast<std::uint32_t>(std::strtoul(argv[i + 1], nullptr, 0));
            has_left = true;
        }
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    vz::set_screen_title(title);
    if (vz::screen_res(800, 600, 32, 0, flags, 0) != 0 || vz::current_context() == nullptr) {
        std::printf("no screen\n");
        return 1;
    }
    std::printf("driver %s\n", vz::current_context()->driver->name);
    fill_screen(fill, has_left ? left : fill);
    if (place != nullptr) {
        int x = 0, y = 0;
        std::sscanf(place, "%d,%d", &x, &y);
        std::printf("place %d\n", vz::place_mouse(x, y, 0, 1));
    }

    const auto start = std::chrono::steady_clock::now();
    std::string last_mouse;
    // A screen that flips (OpenGL) handles its window's messages only when
    // the program shows a frame.
    const bool flips = vz::current_context()->driver->flip != nullptr;
    for (;;) {
        if (flips) vz::page_copy(-1, -1);
        report_events();
        std::int32_t x = 0, y = 0, wheel = 0, buttons = 0, clip = 0;
        char line[96];
        if (vz::read_mouse(&x, &y, &wheel, &buttons, &clip) == 0) {
            std::snprintf(line, sizeof line, "mouse %d %d %d %d %d", x, y, wheel, buttons, clip);
        } else {
            std::snprintf(line, sizeof line, "mouse none");
        }
        if (line != last_mouse) {
            std::printf("%s\n", line);
            last_mouse = line;
        }
        const std::int32_t key = vz::take_key();
        if (key != 0) {
            vz::os_sleep_ms(50);  // the key's own events follow it
            report_events();
            std::printf("key %d\n", key);
            if (--keys_to_read <= 0) break;
        }
        if (seconds > 0 && std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= seconds) {
            std::printf("timeout\n");
            break;
        }
        vz::os_sleep_ms(10);
    }
    return 0;
}
