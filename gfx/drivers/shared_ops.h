#pragma once
// The operations the driver records share: the driver lock, palette,
// vertical-sync sleep, mouse, window title and position.

#include <cstdint>

namespace vz {

// The shared operations of the driver records.
void shared_lock();
void shared_unlock();
// The lock of drivers without an update thread (OpenGL, Null): nothing to
// keep apart, so it does nothing.
void no_lock();
void shared_set_palette(std::int32_t index, std::int32_t red, std::int32_t green, std::int32_t blue);
void shared_wait_vsync();
std::int32_t shared_get_mouse(std::int32_t* x, std::int32_t* y, std::int32_t* wheel, std::int32_t* buttons,
                              std::int32_t* clipped);
void shared_set_mouse(std::int32_t x, std::int32_t y, std::int32_t cursor, std::int32_t clip);
void shared_set_window_title(const char* title);
std::int32_t shared_set_window_pos(std::int32_t x, std::int32_t y);

}  // namespace vz
