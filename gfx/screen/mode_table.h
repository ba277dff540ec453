#pragma once
// The numbered screen modes.

#include "gfx/context.h"

namespace vz {

// The 22-entry mode table; an entry whose width is 0 does not exist.
inline constexpr int MODE_COUNT = 22;
const ModeInfo& mode_table(int mode);

}  // namespace vz
