#pragma once
// Screens for the fuzz targets: memory-only (the null driver), never a window.

#include <cstdint>
#include <cstdlib>

#include "fuzz_input.h"
#include "gfx/context.h"
#include "gfx/screen/screen_setup.h"
#include "recycled_blocks.h"

namespace vz::fuzz {

// Makes every screen the fuzz targets open memory-only, whatever its flags,
// with its memory handed out again from run to run.
inline void use_memory_only_screens() {
    ::setenv("VZGFX", "null", 1);
    ::unsetenv("DISPLAY");
    recycle_screen_blocks();
}

// Opens a small screen of a depth, size and page count taken from the input;
// false when the set-up refused it.
inline bool open_small_screen(Input& in) {
    static constexpr std::int32_t DEPTHS[] = {1, 2, 4, 8, 15, 16, 24, 32};
    const std::int32_t width = 1 + in.u16() % 320;
    const std::int32_t height = 1 + in.u16() % 240;
    const std::int32_t depth = DEPTHS[in.u8() % 8];
    const std::int32_t pages = in.u8() % 4;
    if ((in.u8() & 3) == 0) {
        // One of the numbered modes instead.
        return screen_mode(in.u8() % 24, 0, pages, SCREEN_FLAGS_NULL_DRIVER, 0) == 0 && current_context() != nullptr;
    }
    return screen_res(width, height, depth, pages, SCREEN_FLAGS_NULL_DRIVER, 0) == 0 && current_context() != nullptr;
}

}  // namespace vz::fuzz
