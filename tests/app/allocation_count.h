#pragma once
// Counts the allocations made while a test watches: every global operator
// new of the test program, and on Linux every malloc, calloc and realloc the
// library's own code calls (the test program is linked with the linker's
// --wrap for those). Used to show that a loop allocates nothing.

#include <cstdint>

namespace vz::test {

// Whether the C allocation calls are counted too (Linux builds).
bool counts_c_allocations();

// Starts counting from zero.
void start_counting_allocations();
// Stops counting and returns how many allocations were seen.
std::int64_t stop_counting_allocations();

}  // namespace vz::test
