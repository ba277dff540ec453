#pragma once
// An independent painting of one particle frame, to compare with what the
// graphics library draws.

#include <cstdint>
#include <vector>

#include "app/world.h"

namespace vz::test {

inline constexpr std::uint32_t OPAQUE_BLACK = 0xFF000000u;

// An 800 x 600 frame of 0xAARRGGBB pixels, row by row: opaque black, then for
// every particle in index order a plus of five pixels (the centre and its four
// direct neighbours) in the particle's colour, cut off at the screen edges.
std::vector<std::uint32_t> paint_reference_frame(const World& w);

}  // namespace vz::test
