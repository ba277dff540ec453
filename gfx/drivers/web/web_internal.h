#pragma once
// What the browser layer's files share: the page's event queue (filled by
// web_page.js as the page's events arrive) and the program window's state.

#include <cstdint>

#include "gfx/drivers/platform.h"

namespace vz::web {

// The kinds of page event the queue delivers.
enum class PageEvent : std::int32_t {
    none = 0,
    key_down = 1,
    key_up = 2,
    focus = 3,
    blur = 4,
    close = 5,  // the page was hidden or is going away
};

// The window's state: the canvas in use and the virtual-key state of the
// keys seen since the window was made.
struct State {
    bool open = false;
    bool window = false;
    std::int32_t width = 0, height = 0;
    std::uint8_t vk_state[256] = {};
    bool focused = true;
    bool reported_active = true;  // the window procedure sees an active window from the start
};
State& state();

void pump_page_events();

}  // namespace vz::web
