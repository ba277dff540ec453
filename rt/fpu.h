#pragma once
// The floating-point unit set-up that every simulation step relies on.

#include <cstdint>

namespace vz {

// On x86: sets the x87 control word to a 64-bit significand and
// round-to-nearest, keeping the exception masks and every other bit as they
// are. Elsewhere extended precision is computed in software with that
// precision and rounding fixed, and there is nothing to set.
void set_extended_precision();

#if defined(__i386__) || defined(__x86_64__)
// The current x87 control word.
std::uint16_t fpu_control_word();
// Loads `word` into the x87 control word as it is (used to restore a saved
// word).
void set_fpu_control_word(std::uint16_t word);
#endif

}  // namespace vz
