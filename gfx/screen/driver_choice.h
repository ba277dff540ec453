#pragma once
// Choosing the display driver of a new screen.

#include <cstdint>

namespace vz {

struct GfxContext;
struct GfxDriver;

// The Null driver when the flags ask for it or VZGFX says "null"; otherwise
// the first driver of driver_list() whose init succeeds, the one VZGFX names
// (compared without regard to ASCII case) tried first, each with the
// requested refresh rate and then 0, the whole round repeated with the
// fullscreen bit inverted. Null when every driver failed.
const GfxDriver* choose_driver(const GfxContext* context, const char* title, std::int32_t refresh_rate,
                               std::int32_t flags);

}  // namespace vz
