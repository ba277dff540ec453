// Colours, the palette and the emulated VGA palette and status ports.

#include "gfx/text/palette.h"

#include <span>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"

namespace vz {

namespace {

constexpr std::int32_t PORT_READ_INDEX = 967;
constexpr std::int32_t PORT_WRITE_INDEX = 968;
constexpr std::int32_t PORT_DATA = 969;
constexpr std::int32_t PORT_INPUT_STATUS = 986;
constexpr std::int32_t RETRACE_BIT = 8;
constexpr std::int32_t FIRST_SHIFT = 2;
constexpr std::int32_t LAST_SHIFT = 18;
constexpr std::int32_t SHIFT_STEP = 8;
constexpr std::size_t ATTRIBUTE_SLOTS = 16;

// Which colour attribute each palette index shows after a reset, by mode.
constexpr std::uint8_t MODE1_MAPS[4][4] = {{0, 11, 13, 15}, {0, 10, 12, 14}, {0, 3, 5, 7}, {0, 2, 4, 6}};
constexpr std::uint8_t MODE2_MAP[2] = {0, 15};
constexpr std::uint8_t IDENTITY_MAP[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr std::uint8_t MODE9_MAP[16] = {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63};

// The emulated data register's state; process-wide and kept across screens.
struct PortState {
    std::int32_t index = 0;
    std::int32_t value = 0;
    std::int32_t shift = FIRST_SHIFT;
};
PortState g_port;

std::span<const std::uint8_t> default_map(std::int32_t mode, std::int32_t reset_index) {
    switch (mode) {
    case 1: {
        // Map number min(-index - 1, 3), without negating INT32_MIN.
        const std::int32_t n = reset_index <= -4 ? 3 : -reset_index - 1;
        return MODE1_MAPS[n];
    }
    case 2:
        return MODE2_MAP;
    case 7:
    case 8:
        return IDENTITY_MAP;
    case 9:
        return MODE9_MAP;
    default:
        return {};
    }
}

std::uint32_t default_colour(const PaletteDesc* desc, std::int32_t i) {
    const std::uint8_t* rgb = desc->defaults + static_cast<std::size_t>(i) * 3;
    return rgb[0] + rgb[1] * 256u + rgb[2] * 65536u;
}

bool has_palette(const GfxContext* context) {
    return context != nullptr && context->depth <= 8 && context->palette_desc != nullptr &&
           context->palette_desc->colours > 0;
}

std::int32_t palette_size(const GfxContext* context) {
    // Indices that exist on the screen: 2^depth, never more than the tables hold.
    return context->depth >= 8 ? 256 : (1 << context->depth);
}

// A palette change shows on every line of the page.
void mark_every_line(const GfxContext* context) { mark_dirty(0, context->height - 1); }

}  // namespace

void send_palette_entry(const GfxContext* context, std::int32_t index, std::uint32_t colour) {
    if (context->driver != nullptr && context->driver->set_palette != nullptr) {
        context->driver->set_palette(index, static_cast<std::int32_t>(colour & 0xFFu),
                                     static_cast<std::int32_t>((colour >> 8) & 0xFFu),
                                     static_cast<std::int32_t>((colour >> 16) & 0xFFu));
    }
}

void change_palette(std::int32_t index, std::int32_t colour, std::int32_t green, std::int32_t blue) {
    GfxContext* context = current_context();
    if (!has_palette(context)) return;
    const ScreenLockGuard lock;
    if (index >= 0) {
        std::uint32_t entry = static_cast<std::uint32_t>(colour);
        if (green >= 0 && blue >= 0) {
            // Three 8-bit components become one 6-bit-per-component colour.
            entry = ((static_cast<std::uint32_t>(colour) >> 2) & 0x3F) +
                    ((static_cast<std::uint32_t>(green) >> 2) & 0x3F) * 256u +
                    ((static_cast<std::uint32_t>(blue) >> 2) & 0x3F) * 65536u;
        }
        set_palette_entry(index, entry);
    } else {
        const PaletteDesc* desc = context->palette_desc;
        const std::span<const std::uint8_t> map = default_map(context->mode, index);
        const std::int32_t shown_count = palette_size(context);
        for (std::int32_t i = 0; i < desc->colours && i < 256; ++i) {
            context->colour_map[i] = default_colour(desc, i);
            if (i >= shown_count) continue;
            std::uint32_t shown = default_colour(desc, i);
            if (!map.empty() && static_cast<std::size_t>(i) < map.size()) {
                const std::uint8_t attribute = map[static_cast<std::size_t>(i)];
                if (static_cast<std::size_t>(i) < ATTRIBUTE_SLOTS) context->attribute_map[i] = attribute;
                if (attribute < desc->colours) shown = default_colour(desc, attribute);
            } else if (static_cast<std::size_t>(i) < ATTRIBUTE_SLOTS) {
                // Without a map index i shows attribute i; recording that lets
                // a data-port write to attribute i recolour index i (a zeroed
                // map would send every attribute to index 0 instead).
                context->attribute_map[i] = static_cast<std::uint8_t>(i);
            }
            context->device_palette[i] = shown;
            send_palette_entry(context, i, shown);
        }
    }
    mark_every_line(context);
}

void palette_from_list(const std::int32_t* colours) {
    GfxContext* context = current_context();
    if (!has_palette(context) || colours == nullptr) return;
    const ScreenLockGuard lock;
    const std::int32_t count = palette_size(context);
    for (std::int32_t i = 0; i < count; ++i) {
        if (colours[i] >= 0) set_palette_entry(i, static_cast<std::uint32_t>(colours[i]));
    }
    mark_every_line(context);
}

std::uint32_t set_color(std::uint32_t foreground, std::uint32_t background, std::int32_t flags) {
    GfxContext* context = current_context();
    if (context == nullptr) return 0;
    DrawState* state = get_draw_state();
    const bool keep_fg = (flags & 1) != 0;
    const bool keep_bg = (flags & 2) != 0;

    std::uint32_t previous = 0;
    if (context->depth <= 8) {
        previous = state->bg_colour * 65536u + state->fg_colour;
    } else if (context->depth == 16) {
        previous = expand_rgb565(state->fg_colour);
    } else {
        previous = state->fg_colour;
    }

    switch (context->mode) {
    case 1:
        // The first colour is the screen background (palette entry 0);
        // the second picks one of the four colour sets.
        if (!keep_bg) change_palette(static_cast<std::int32_t>(background | 0xFFFFFFFCu), 0, 0, 0);
        if (!keep_fg) change_palette(0, static_cast<std::int32_t>(foreground), -1, -1);
        break;
    case 7:
    case 8:
    case 9:
        if (!keep_fg) state->fg_colour = foreground & 15;
        if (!keep_bg) change_palette(0, static_cast<std::int32_t>(background), -1, -1);
        break;
    default: {
        const std::int32_t bpp = context->depth > 8 ? context->bpp : state->bpp;
        if (!keep_fg) state->fg_colour = to_pixel_value(bpp, foreground);
        if (!keep_bg) state->bg_colour = to_pixel_value(bpp, background);
        break;
    }
    }
    return previous;
}

std::int32_t port_out(std::int32_t port, std::int32_t value) {
    GfxContext* context = current_context();
    if (!has_palette(context)) return -1;
    const std::int32_t colours = context->palette_desc->colours;
    port &= 0xFFFF;
    value &= 0xFF;
    switch (port) {
    case PORT_READ_INDEX:
    case PORT_WRITE_INDEX:
        g_port.index = value & (colours - 1);
        g_port.value = 0;
        g_port.shift = FIRST_SHIFT;
        return 0;
    case PORT_DATA:
        break;
    default:
        return -1;
    }

    g_port.value |= (value & 0x3F) << g_port.shift;
    g_port.shift += SHIFT_STEP;
    if (g_port.shift <= LAST_SHIFT) return 0;  // red, then green, then blue

    const std::int32_t index = g_port.index & 0xFF;
    if (colours == 256) {
        change_palette(index, (g_port.value >> 2) & 0x3F3F3F, -1, -1);
    } else {
        const ScreenLockGuard lock;
        const std::uint32_t colour = static_cast<std::uint32_t>(g_port.value);
        context->colour_map[index] = colour;
        const std::int32_t shown_count = palette_size(context);
        for (std::int32_t i = 0; i < shown_count && static_cast<std::size_t>(i) < ATTRIBUTE_SLOTS; ++i) {
            if (context->attribute_map[i] == index) {
                context->device_palette[i] = colour;
                send_palette_entry(context, i, colour);
            }
        }
        mark_every_line(context);
    }
    g_port.value = 0;
    g_port.shift = FIRST_SHIFT;
    g_port.index = (g_port.index + 1) & (colours - 1);
    return 0;
}

std::int32_t port_in(std::int32_t port) {
    GfxContext* context = current_context();
    if (context == nullptr) return -1;
    port &= 0xFFFF;
    if (port == PORT_INPUT_STATUS) {
        if (context->driver != nullptr && context->driver->wait_vsync != nullptr) context->driver->wait_vsync();
        return RETRACE_BIT;
    }
    if (port != PORT_DATA || !has_palette(context)) return -1;
    const std::int32_t colours = context->palette_desc->colours;
    const std::uint32_t entry = context->device_palette[g_port.index & 0xFF];
    const std::int32_t result = static_cast<std::int32_t>((entry >> g_port.shift) & 0x3F);
    g_port.shift += SHIFT_STEP;
    if (g_port.shift > LAST_SHIFT) {
        g_port.shift = FIRST_SHIFT;
        g_port.index = (g_port.index + 1) % colours;
    }
    return result;
}

void set_palette_entry(std::int32_t index, std::uint32_t colour) {
    GfxContext* context = current_context();
    if (context == nullptr || context->palette_desc == nullptr || context->palette_desc->colours <= 0) return;
    const std::int32_t colours = context->palette_desc->colours;
    index &= colours - 1;
    std::uint32_t red = 0, green = 0, blue = 0;
    if (colours == 256) {
        // 6-bit components widened to 8 bits: 63 gives 255, 32 gives 129.
        const auto widen = [](std::uint32_t component) {
            return static_cast<std::uint32_t>(static_cast<double>(component) * 255.0 / 63.0);
        };
        red = widen(colour & 0x3Fu);
        green = widen((colour >> 8) & 0x3Fu);
        blue = widen((colour >> 16) & 0x3Fu);
    } else {
        const std::uint32_t attribute = colour & static_cast<std::uint32_t>(colours - 1);
        const std::uint32_t rgb = context->colour_map[attribute];
        red = rgb & 0xFFu;
        green = (rgb >> 8) & 0xFFu;
        blue = (rgb >> 16) & 0xFFu;
        if (index < ATTRIBUTE_MAP_SIZE) {
            context->attribute_map[index] = static_cast<std::uint8_t>(attribute);
        }
    }
    context->device_palette[index] = red + green * 256u + blue * 65536u;
    send_palette_entry(context, index, context->device_palette[index]);
}

void resend_palette() {
    const GfxContext* context = current_context();
    if (context == nullptr || context->driver == nullptr || context->driver->set_palette == nullptr) return;
    for (std::int32_t i = 0; i < 256; ++i) send_palette_entry(context, i, context->device_palette[i]);
}

}  // namespace vz
