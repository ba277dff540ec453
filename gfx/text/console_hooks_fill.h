#pragma once
// Redirecting the runtime's console operations to the graphics screen.

namespace vz {

// Fills all 27 console hooks with the graphics routines.
void fill_console_hooks();
// Nulls all 27 console hooks, so that the console back-end serves again.
void null_console_hooks();

}  // namespace vz
