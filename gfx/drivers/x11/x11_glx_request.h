#pragma once
// The plain-visual request of the GLX binding, used when no frame-buffer
// configuration matches: every count of the descriptor goes into it.

#include <vector>

#include "gfx/drivers/gl_platform.h"

namespace vz {

// A glXChooseVisual attribute list (ended by None) asking for a
// double-buffered RGBA visual with the descriptor's colour, alpha, depth,
// stencil and accumulation bits; counts of 0 are left out.
std::vector<int> glx_basic_visual_request(const GlPixelSettings& descriptor);

}  // namespace vz
