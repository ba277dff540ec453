#pragma once
// The display driver record: a name and a table of operations. Optional
// operations are null and are tested before every call. Records are written
// with designated initialisers; an operation left out is null.

#include <cstdint>
#include <span>

namespace vz {

struct GfxDriver {
    const char* name = nullptr;
    std::int32_t (*init)(const char* title, std::int32_t width, std::int32_t height, std::int32_t depth,
                         std::int32_t refresh_rate, std::int32_t flags) = nullptr;
    std::int32_t (*exit)() = nullptr;
    void (*lock)() = nullptr;
    void (*unlock)() = nullptr;
    void (*set_palette)(std::int32_t index, std::int32_t red, std::int32_t green, std::int32_t blue) = nullptr;
    void (*wait_vsync)() = nullptr;
    std::int32_t (*get_mouse)(std::int32_t* x, std::int32_t* y, std::int32_t* wheel, std::int32_t* buttons,
                              std::int32_t* clipped) = nullptr;
    void (*set_mouse)(std::int32_t x, std::int32_t y, std::int32_t cursor, std::int32_t clip) = nullptr;
    void (*set_window_title)(const char* title) = nullptr;
    std::int32_t (*set_window_pos)(std::int32_t x, std::int32_t y) = nullptr;
    // A heap array (free with std::free) of width * 65536 + height entries.
    std::int32_t* (*fetch_modes)(std::int32_t depth, std::int32_t* count) = nullptr;
    void (*flip)() = nullptr;
    void (*poll_events)() = nullptr;
};

// The core's own do-nothing driver: no init, no exit, lock and unlock do nothing.
extern const GfxDriver null_driver;

// The driver list in order of preference ("DirectX", "GDI", "OpenGL").
std::span<const GfxDriver* const> driver_list();

}  // namespace vz
