// The OpenGL pixel-format defaults and request (see opengl_format.h).

#include "gfx/drivers/opengl_format.h"

#include <algorithm>
#include <cstring>

#include "gfx/context.h"

namespace vz {

namespace {

// Per-size channel widths, indexed by k = (bits + 7) / 8 - 1, at most 3.
constexpr std::int32_t COLOUR_BITS_FOR[4] = {0, 5, 8, 8};
constexpr std::int32_t ALPHA_BITS_FOR[4] = {0, 0, 0, 8};

std::int32_t size_index(std::int32_t bits) { return std::clamp((bits + 7) / 8 - 1, 0, 3); }

void default_to(std::int32_t& setting, std::int32_t value) {
    if (setting == 0) setting = value;
}

}  // namespace

GlPixelSettings gl_pixel_defaults(GlPixelSettings s, std::int32_t page_depth, std::int32_t flags) {
    default_to(s.colour_bits, s.red_bits + s.green_bits + s.blue_bits + s.alpha_bits);
    default_to(s.colour_bits, page_depth);
    const std::int32_t k = size_index(s.colour_bits);
    default_to(s.red_bits, COLOUR_BITS_FOR[k]);
    default_to(s.green_bits, COLOUR_BITS_FOR[k]);
    default_to(s.blue_bits, COLOUR_BITS_FOR[k]);
    default_to(s.alpha_bits, ALPHA_BITS_FOR[k]);

    default_to(s.accum_bits, s.accum_red_bits + s.accum_green_bits + s.accum_blue_bits + s.accum_alpha_bits);
    if (s.accum_bits == 0 && (flags & SCREEN_GL_ACCUM) != 0) s.accum_bits = 32;
    if (s.accum_bits != 0) {
        const std::int32_t ka = size_index(s.accum_bits);
        default_to(s.accum_red_bits, COLOUR_BITS_FOR[ka]);
        default_to(s.accum_green_bits, COLOUR_BITS_FOR[ka]);
        default_to(s.accum_blue_bits, COLOUR_BITS_FOR[ka]);
        default_to(s.accum_alpha_bits, ALPHA_BITS_FOR[ka]);
    }
    default_to(s.depth_bits, 16);
    if ((flags & SCREEN_GL_STENCIL) != 0) default_to(s.stencil_bits, 8);
    if ((flags & SCREEN_GL_MULTISAMPLE) != 0) default_to(s.samples, 4);
    return s;
}

std::vector<std::int32_t> gl_attribute_request(const GlPixelSettings& s, std::int32_t* samples_at) {
    std::vector<std::int32_t> list = {GL_ATTR_DRAW_TO_WINDOW, 1, GL_ATTR_ACCELERATION_FULL, 1,
                                      GL_ATTR_DOUBLE_BUFFER,  1};
    const auto add = [&list](std::int32_t attribute, std::int32_t value) {
        list.push_back(attribute);
        list.push_back(value);
    };
    add(GL_ATTR_COLOUR_BITS, s.colour_bits);
    add(GL_ATTR_RED_BITS, s.red_bits);
    add(GL_ATTR_GREEN_BITS, s.green_bits);
    add(GL_ATTR_BLUE_BITS, s.blue_bits);
    add(GL_ATTR_ALPHA_BITS, s.alpha_bits);
    add(GL_ATTR_DEPTH_BITS, s.depth_bits);
    const std::pair<std::int32_t, std::int32_t> optional[] = {
        {GL_ATTR_ACCUM_BITS, s.accum_bits},
        {GL_ATTR_ACCUM_RED_BITS, s.accum_red_bits},
        {GL_ATTR_ACCUM_GREEN_BITS, s.accum_green_bits},
        {GL_ATTR_ACCUM_BLUE_BITS, s.accum_blue_bits},
        {GL_ATTR_ACCUM_ALPHA_BITS, s.accum_alpha_bits},
        {GL_ATTR_STENCIL_BITS, s.stencil_bits},
    };
    for (const auto& [attribute, value] : optional) {
        if (value != 0) add(attribute, value);
    }
    if (samples_at != nullptr) *samples_at = -1;
    if (s.samples != 0) {
        add(GL_ATTR_SAMPLE_BUFFERS, 1);
        add(GL_ATTR_SAMPLES, s.samples);
        if (samples_at != nullptr) *samples_at = static_cast<std::int32_t>(list.size()) - 1;
    }
    list.push_back(GL_ATTR_END);
    return list;
}

bool has_gl_extension(const char* extensions, const char* name) {
    if (extensions == nullptr || name == nullptr || *name == 0) return false;
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(extensions, name); at != nullptr; at = std::strstr(at + 1, name)) {
        // A whole name: at the start or after a blank, and followed by a blank or the end.
        const bool starts = at == extensions || at[-1] == ' ';
        const bool ends = at[length] == ' ' || at[length] == 0;
        if (starts && ends) return true;
    }
    return false;
}

}  // namespace vz
