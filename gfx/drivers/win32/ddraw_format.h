#pragma once
// How the DirectDraw back-end reads a surface's pixel format: the depth and
// red/blue order it hands to choose_blitter.

#include <windows.h>
#include <ddraw.h>

#include <cstdint>

namespace vz::win32 {

struct SurfaceFormat {
    std::int32_t bits = 0;  // 8, 15, 16, 24 or 32; 0 when the surface is not RGB
    std::int32_t swap = 0;  // 1: red in the low bits, blue in the high ones
};

// 16-bit surfaces whose green mask is 0x3E0 are 5-5-5 (15); red in the low
// bits (mask 0xFF above 23 bits, 0x1F at 16 to 23) means the exchanged order.
SurfaceFormat surface_format(const DDPIXELFORMAT& format);

}  // namespace vz::win32
