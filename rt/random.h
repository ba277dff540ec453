#pragma once
// The runtime's random numbers: one process-wide service, four generators.

#include <cstdint>

namespace vz {

enum RandomAlgorithm : std::int32_t {
    RANDOM_ALG_DEFAULT = 0,   // chosen from the compatibility mode
    RANDOM_ALG_PLATFORM = 1,  // a 15-bit rand/srand generator
    RANDOM_ALG_FAST = 2,      // 32-bit linear congruential generator
    RANDOM_ALG_MT = 3,        // Mersenne Twister MT19937
    RANDOM_ALG_24BIT = 4,     // 24-bit linear congruential generator
};

// Selects the generator for `algorithm` and sets its state from `seed`.
// A seed of exactly -1.0 seeds from the timer.
void random_seed(double seed, std::int32_t algorithm);

// Draws the next number in [0, 1). An argument of exactly 0 asks for no new
// number; a negative argument also reseeds the 24-bit generator.
double random_next(float argument);

}  // namespace vz
