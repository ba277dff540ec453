#pragma once
// The GL binding under the OpenGL driver: probing for a context, choosing a
// pixel format from an attribute request, the rendering context and buffer
// swaps. Each build has one binding of its own (GLX in gfx/drivers/x11/);
// tests install a table of their own.

#include <cstddef>
#include <cstdint>

namespace vz {

// Pixel-format attributes in a neutral vocabulary; each binding maps them to
// its own identifiers. A request is a list of (attribute, value) pairs ended
// by GL_ATTR_END.
enum GlAttribute : std::int32_t {
    GL_ATTR_END = 0,
    GL_ATTR_DRAW_TO_WINDOW,
    GL_ATTR_ACCELERATION_FULL,
    GL_ATTR_DOUBLE_BUFFER,
    GL_ATTR_COLOUR_BITS,
    GL_ATTR_RED_BITS,
    GL_ATTR_GREEN_BITS,
    GL_ATTR_BLUE_BITS,
    GL_ATTR_ALPHA_BITS,
    GL_ATTR_DEPTH_BITS,
    GL_ATTR_ACCUM_BITS,
    GL_ATTR_ACCUM_RED_BITS,
    GL_ATTR_ACCUM_GREEN_BITS,
    GL_ATTR_ACCUM_BLUE_BITS,
    GL_ATTR_ACCUM_ALPHA_BITS,
    GL_ATTR_STENCIL_BITS,
    GL_ATTR_SAMPLE_BUFFERS,
    GL_ATTR_SAMPLES,
};

// The pixel-format settings (0 = not set) and, after the defaults, the values
// asked for.
struct GlPixelSettings {
    std::int32_t colour_bits = 0, red_bits = 0, green_bits = 0, blue_bits = 0, alpha_bits = 0;
    std::int32_t depth_bits = 0, stencil_bits = 0;
    std::int32_t accum_bits = 0, accum_red_bits = 0, accum_green_bits = 0, accum_blue_bits = 0, accum_alpha_bits = 0;
    std::int32_t samples = 0;
};

struct GlPlatform {
    // A hidden 8 x 8 window titled "OpenGL setup" with a context made current:
    // writes the GL extension text followed by the binding's own (at most
    // capacity - 1 characters, terminated); false when no context can be had.
    bool (*probe)(char* extensions, std::size_t capacity);
    // Whether formats can be chosen from an attribute request.
    bool (*has_attribute_chooser)(const char* extensions);
    // Chooses one format matching `attributes`; false when none.
    bool (*choose_format)(const std::int32_t* attributes);
    // The closest format to the descriptor; false when there is none at all.
    bool (*choose_basic_format)(const GlPixelSettings& descriptor);
    // The platform visual the window must be created with.
    std::uintptr_t (*format_visual)();
    // Creates the rendering context for the program window and makes it
    // current on the calling thread.
    bool (*create_context)();
    // Makes no context current and deletes the rendering context.
    void (*destroy_context)();
    void (*swap_buffers)();
    void (*enable_multisample)();
};

const GlPlatform& gl_platform();
// The build's GL binding (GLX on Linux).
const GlPlatform& native_gl_platform();

// Appends `text` (nothing when null) to the extension text `out` of which
// `used` characters are filled, as far as capacity - 1 characters allow,
// and keeps it terminated: how probe builds its answer.
void append_extension_text(char* out, std::size_t capacity, std::size_t& used, const char* text);

}  // namespace vz
