// The visible page written out as a PPM picture.

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "gfx/context.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"
#include "rt/error.h"
#include "vzgfx/screen.h"

namespace vzgfx {

namespace {

// The shown colour of one stored pixel as 0x00RRGGBB.
std::uint32_t shown_colour(const vz::GfxContext* context, const std::uint8_t* pixel) {
    if (context->bpp == 4) {
        std::uint32_t value;
        std::memcpy(&value, pixel, 4);
        return value & 0xFFFFFFu;
    }
    if (context->bpp == 2) {
        std::uint16_t value;
        std::memcpy(&value, pixel, 2);
        return vz::expand_rgb565(value) & 0xFFFFFFu;
    }
    // An index into the shown palette, which holds red in bits 0-7.
    const std::uint32_t entry = context->device_palette[*pixel & context->colour_mask & 0xFFu];
    return (entry & 0xFFu) << 16 | (entry & 0xFF00u) | (entry >> 16 & 0xFFu);
}

}  // namespace

int save_frame(const char* path) {
    const vz::GfxContext* context = vz::current_context();
    if (context == nullptr || path == nullptr) return vz::set_last_error(vz::ERR_ILLEGAL_CALL);
    const auto width = static_cast<std::size_t>(context->width);
    const auto bpp = static_cast<std::size_t>(context->bpp);
    std::vector<std::uint8_t> rgb(width * static_cast<std::size_t>(context->height) * 3);
    {
        // The driver's update thread does not touch the page meanwhile.
        const vz::ScreenLockGuard lock;
        std::size_t at = 0;
        for (std::int32_t y = 0; y < context->height; ++y) {
            const std::uint8_t* row =
                context->visible_ptr + static_cast<std::size_t>(y) * static_cast<std::size_t>(context->pitch);
            for (std::size_t x = 0; x < width; ++x) {
                const std::uint32_t c = shown_colour(context, row + x * bpp);
                rgb[at++] = static_cast<std::uint8_t>(c >> 16);
                rgb[at++] = static_cast<std::uint8_t>(c >> 8);
                rgb[at++] = static_cast<std::uint8_t>(c);
            }
        }
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "wb"), &std::fclose);
    if (!file) return vz::set_last_error(vz::ERR_ILLEGAL_CALL);
    const bool written = std::fprintf(file.get(), "P6\n%d %d\n255\n", context->width, context->height) > 0 &&
                         std::fwrite(rgb.data(), 1, rgb.size(), file.get()) == rgb.size();
    return vz::set_last_error(written ? vz::ERR_OK : vz::ERR_ILLEGAL_CALL);
}

}  // namespace vzgfx
