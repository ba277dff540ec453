// Processors other than x86 have no MMX: the plain forms of the fill, copy,
// blend and conversion routines serve.

#include "gfx/surface/cpu_features.h"

namespace vz {

bool cpu_has_mmx() { return false; }

}  // namespace vz
