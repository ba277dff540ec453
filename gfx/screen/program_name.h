#pragma once
// The name the window title defaults to.

#include <cstddef>

namespace vz {

// Writes the executable's file name without its directory and without the
// part from the last "." on, zero-terminated, into `out` (at most size - 1
// characters). An empty name when it cannot be found.
void program_name(char* out, std::size_t size);

// The same for a path whose directories end at any of `separators`: the
// base-name rule both platforms' program_name apply to their executable's
// path.
void base_name_without_extension(const char* path, const char* separators, char* out, std::size_t size);

}  // namespace vz
