// Processors without an x87: the software extended type always computes with
// a 64-bit significand and rounding to nearest, and the processor's own
// float and double arithmetic rounds to nearest from the start.

#include "rt/fpu.h"

namespace vz {

void set_extended_precision() {}

}  // namespace vz
