// The GL binding of the browser build. The "OpenGL" driver's programs draw
// with desktop GL calls, which a page does not have (WebGL is a different
// interface), so no context can be had: the probe fails, the driver's init
// fails and the core goes on as it does on a desktop without GL.

#include "gfx/drivers/gl_platform.h"

namespace vz {

namespace {

bool no_probe(char* extensions, std::size_t capacity) {
    if (extensions != nullptr && capacity > 0) extensions[0] = '\0';
    return false;
}
bool no_chooser(const char*) { return false; }
bool no_format(const std::int32_t*) { return false; }
bool no_basic_format(const GlPixelSettings&) { return false; }
std::uintptr_t no_visual() { return 0; }
bool no_context() { return false; }
void nothing() {}

constexpr GlPlatform BINDING = {
    .probe = &no_probe,
    .has_attribute_chooser = &no_chooser,
    .choose_format = &no_format,
    .choose_basic_format = &no_basic_format,
    .format_visual = &no_visual,
    .create_context = &no_context,
    .destroy_context = &nothing,
    .swap_buffers = &nothing,
    .enable_multisample = &nothing,
};

}  // namespace

const GlPlatform& native_gl_platform() { return BINDING; }

}  // namespace vz
