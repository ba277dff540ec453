#pragma once
// The OpenGL driver's pixel-format request: the defaults for the settings
// left at 0, the attribute list sent to the binding, and the extension test.

#include <cstdint>
#include <vector>

#include "gfx/drivers/gl_platform.h"

namespace vz {

// Fills every setting still 0 with its default for a page of `page_depth`
// bits and the screen `flags` (gl_stencil, gl_accum, gl_multisample).
GlPixelSettings gl_pixel_defaults(GlPixelSettings settings, std::int32_t page_depth, std::int32_t flags);

// The attribute request for `settings`, ended by GL_ATTR_END. `samples_at`
// receives the index of the samples value, or -1 when none is sent.
std::vector<std::int32_t> gl_attribute_request(const GlPixelSettings& settings, std::int32_t* samples_at);

// Whether `name` is one of the blank-separated names of `extensions`.
bool has_gl_extension(const char* extensions, const char* name);

}  // namespace vz
