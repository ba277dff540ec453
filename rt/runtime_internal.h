#pragma once
// Runtime-private helpers shared between the runtime's own source files.

namespace vz {

// Clears the cell that holds the last error while the error record cannot be
// allocated; part of resetting the runtime state.
void reset_fallback_error_cell();

}  // namespace vz
