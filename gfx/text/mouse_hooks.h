#pragma once
// The mouse and text-window console hooks of the graphics screen.

#include <cstdint>

namespace vz {

// Reads the mouse through the driver under the screen lock. x and y are
// required; wheel, buttons and clip may be null. Without a screen or a driver
// mouse, or when the driver reports no mouse, every output is -1 and the
// result is error 1; otherwise error 0.
std::int32_t read_mouse(std::int32_t* x, std::int32_t* y, std::int32_t* wheel, std::int32_t* buttons,
                        std::int32_t* clip);
// Moves, shows or hides and clips the cursor through the driver under the
// screen lock: error 0, or error 1 without a screen or a driver mouse.
std::int32_t place_mouse(std::int32_t x, std::int32_t y, std::int32_t visibility, std::int32_t clip);
// The runtime's text window changed; the graphics screen needs nothing.
void view_update(std::int32_t top, std::int32_t bottom);

}  // namespace vz
