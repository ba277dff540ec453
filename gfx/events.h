#pragma once
// The screen event ring: what the window thread posts and the program takes.

#include <cstdint>

namespace vz {

// Five 32-bit integers posted to the screen's event ring.
struct ScreenEvent {
    std::int32_t type;
    std::int32_t value1;
    std::int32_t value2;
    std::int32_t value3;
    std::int32_t value4;
};
static_assert(sizeof(ScreenEvent) == 20);

enum ScreenEventType : std::int32_t {
    EVENT_NONE = 0,
    EVENT_KEY_PRESS = 1,
    EVENT_KEY_RELEASE = 2,
    EVENT_KEY_REPEAT = 3,
    EVENT_MOUSE_MOVE = 4,
    EVENT_MOUSE_PRESS = 5,
    EVENT_MOUSE_RELEASE = 6,
    EVENT_MOUSE_DOUBLE_CLICK = 7,
    EVENT_MOUSE_WHEEL = 8,
    EVENT_MOUSE_ENTER = 9,
    EVENT_MOUSE_EXIT = 10,
    EVENT_FOCUS_GAINED = 11,
    EVENT_FOCUS_LOST = 12,
    EVENT_WINDOW_CLOSE = 13,
    EVENT_MOUSE_HWHEEL = 14,
};

// The ring of the open screen has this many slots and holds one event fewer.
inline constexpr int EVENT_RING_SLOTS = 128;
void post_event(const ScreenEvent& event);
// Takes the oldest event from the ring; false when it is empty.
bool take_event(ScreenEvent& event);

}  // namespace vz
