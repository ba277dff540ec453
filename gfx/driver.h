#pragma once
// The display driver record: a name and a table of operations. Optional
// operations are null and are tested before every call.

#include <cstdint>
#include <span>

namespace vz {

struct GfxDriver {
    const char* name;
    std::int32_t (*init)(const char* title, std::int32_t width, std::int32_t height,
                         std::int32_t depth, std::int32_t refresh_rate, std::int32_t flags);
    std::int32_t (*exit)();
    void (*lock)();
    void (*unlock)();
    void (*set_palette)(std::int32_t index, std::int32_t red, std::int32_t green, std::int32_t blue);
    void (*wait_vsync)();
    std::int32_t (*get_mouse)(std::int32_t* x, std::int32_t* y, std::int32_t* wheel,
                              std::int32_t* buttons, std::int32_t* clipped);
    void (*set_mouse)(std::int32_t x, std::int32_t y, std::int32_t cursor, std::int32_t clip);
    void (*set_window_title)(const char* title);
    std::int32_t (*set_window_pos)(std::int32_t x, std::int32_t y);
    // A heap array (free with std::free) of width * 65536 + height entries.
    std::int32_t* (*fetch_modes)(std::int32_t depth, std::int32_t* count);
    void (*flip)();
    void (*poll_events)();
};

// The core's own do-nothing driver: no init, no exit, lock and unlock do nothing.
extern const GfxDriver null_driver;

// The driver list in order of preference ("DirectX", "GDI", "OpenGL").
std::span<const GfxDriver* const> driver_list();

}  // namespace vz
