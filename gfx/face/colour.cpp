// The palette calls of the C++ face over the palette routines.

#include "vzgfx/colour.h"

#include "gfx/context.h"
#include "gfx/text/palette.h"

namespace vzgfx {

void set_palette(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    if (index < 0 || index > 255) return;  // a negative index would reset the palette
    vz::change_palette(index, red, green, blue);
}

std::uint32_t palette_entry(int index) {
    const vz::GfxContext* context = vz::current_context();
    if (context == nullptr || context->device_palette == nullptr || index < 0 || index > 255) return 0;
    // Held as red in bits 0-7; given back as 0x00RRGGBB like the colours.
    const std::uint32_t entry = context->device_palette[index];
    return (entry & 0xFFu) << 16 | (entry & 0xFF00u) | (entry >> 16 & 0xFFu);
}

void reset_palette() { vz::change_palette(-1, 0, 0, 0); }

}  // namespace vzgfx
