#pragma once
// Seams for tests: replacements of process-wide runtime services. Only tests
// include this header (and the sources that implement the seams).

#include "rt/alloc.h"

namespace vz {

// Restores the random-number service to its never-seeded state.
void random_reset_for_test();

// Installs `allocator` behind zeroed_alloc and zeroed_free (null: the system
// allocator again) and returns the one it replaces. Blocks must be released
// by a compatible allocator: a replacement hands out and releases blocks
// through system_zeroed_allocator(), as blocks may outlive the swap.
const ZeroedAllocator* set_zeroed_allocator_for_test(const ZeroedAllocator* allocator);

}  // namespace vz
