#include "gfx/drivers/win32/ddraw_format.h"

namespace vz::win32 {

SurfaceFormat surface_format(const DDPIXELFORMAT& format) {
    SurfaceFormat result;
    if ((format.dwFlags & DDPF_RGB) == 0) return result;
    std::int32_t bits = static_cast<std::int32_t>(format.dwRGBBitCount);
    // The red mask decides the order before a 5-5-5 surface is renamed 15,
    // so both 16-bit layouts are judged by the 16-to-23-bit rule.
    if ((bits > 23 && format.dwRBitMask == 0xFF) || (bits >= 16 && bits <= 23 && format.dwRBitMask == 0x1F)) {
        result.swap = 1;
    }
    if (bits == 16 && format.dwGBitMask == 0x3E0) bits = 15;
    result.bits = bits;
    return result;
}

}  // namespace vz::win32
