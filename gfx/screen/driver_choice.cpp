// Choosing the display driver of a new screen (see driver_choice.h).

#include "gfx/screen/driver_choice.h"

#include <cstdlib>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/screen_failure.h"

namespace vz {

namespace {

// Tries one driver with the requested refresh rate and then with 0; a failed
// init is always followed by that driver's exit.
bool try_driver(const GfxDriver* driver, const char* title, std::int32_t width, std::int32_t height, std::int32_t depth,
                std::int32_t refresh_rate, std::int32_t flags) {
    const std::int32_t rates[2] = {refresh_rate, 0};
    for (std::int32_t rate : rates) {
        if (driver->init != nullptr && driver->init(title, width, height, depth, rate, flags) == 0) return true;
        if (driver->exit != nullptr) driver->exit();
        screen_failure_add_driver(driver->name);
    }
    return false;
}

// Driver names are compared without regard to ASCII case ("opengl" names
// the OpenGL driver), the same on every platform.
bool same_name_ignoring_case(const char* a, const char* b) {
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; };
    for (;; ++a, ++b) {
        if (lower(static_cast<unsigned char>(*a)) != lower(static_cast<unsigned char>(*b))) return false;
        if (*a == '\0') return true;
    }
}

}  // namespace

const GfxDriver* choose_driver(const GfxContext* context, const char* title, std::int32_t refresh_rate,
                               std::int32_t flags) {
    const char* preferred = std::getenv("VZGFX");
    if (flags == SCREEN_FLAGS_NULL_DRIVER || (preferred != nullptr && same_name_ignoring_case(preferred, "null"))) {
        return &null_driver;
    }
    const std::int32_t height = context->height * context->scanline;
    const bool named = preferred != nullptr;
    const int passes = named ? 4 : 2;
    for (int pass = 0; pass < passes; ++pass) {
        if (pass == passes / 2) flags ^= SCREEN_FULLSCREEN;
        const bool only_named = named && pass % 2 == 0;
        for (const GfxDriver* driver : driver_list()) {
            if (driver == nullptr) continue;
            if (only_named && (driver->name == nullptr || !same_name_ignoring_case(driver->name, preferred))) continue;
            if (try_driver(driver, title, context->width, height, context->depth, refresh_rate, flags)) {
                return driver;
            }
        }
    }
    return nullptr;
}

}  // namespace vz
