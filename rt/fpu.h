#pragma once
// The x87 floating-point unit set-up that every simulation step relies on.

#include <cfloat>
#include <cstdint>

namespace vz {

static_assert(LDBL_MANT_DIG == 64, "vzgfx needs the x87 80-bit long double with a 64-bit significand");

// Sets the x87 control word to a 64-bit significand and round-to-nearest,
// keeping the exception masks and every other bit as they are.
void set_extended_precision();

// The current x87 control word.
std::uint16_t fpu_control_word();
// Loads `word` into the x87 control word as it is (used to restore a saved
// word).
void set_fpu_control_word(std::uint16_t word);

}  // namespace vz
