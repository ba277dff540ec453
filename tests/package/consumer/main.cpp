// A program of someone else's, built against vzgfx as it is installed (or
// taken in by add_subdirectory): it opens a screen in memory, draws, reads a
// pixel back and exits 0 only when the pixel is the colour drawn.

#include <cstdio>

#include <vzgfx/vzgfx.h>

int main() {
    vzgfx::Screen screen = vzgfx::Screen::open(64, 48, 32, {.no_window = true});
    if (!screen) {
        std::printf("no screen: %s\n", vzgfx::Screen::failure());
        return 1;
    }
    const vzgfx::Colour orange = vzgfx::rgb(255, 160, 0);
    vzgfx::circle(32, 24, 10, orange, {.filled = true});
    vzgfx::locate(1, 1);
    vzgfx::print("hello");
    const std::int64_t centre = vzgfx::get_point(32, 24);
    const std::int64_t outside = vzgfx::get_point(32, 40);
    std::printf("vzgfx %s: centre %08llx outside %08llx\n", vzgfx::version_text(),
                static_cast<unsigned long long>(centre), static_cast<unsigned long long>(outside));
    return centre == orange.value && outside == 0xFF000000 ? 0 : 1;
}
