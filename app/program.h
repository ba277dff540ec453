#pragma once
// The particle program's fixed settings and the start-up it shares with the
// bench tool.

#include <cstdint>

namespace vz {

inline constexpr std::int32_t SCREEN_DEPTH = 32;
// Target frame rate, used only for the wait after each frame.
inline constexpr float FRAMES_PER_SECOND = 60.0f;
// Seed of the random-number service, printed when the program ends.
inline constexpr float RANDOM_SEED = 52231.78125f;
// compat_mode 0: random algorithm 0 means the Mersenne Twister.
inline constexpr std::int32_t PROGRAM_COMPAT_MODE = 0;

// The wait after each frame in milliseconds: round(1 / FRAMES_PER_SECOND *
// 1000) in extended precision, 17 at 60 frames per second.
std::int32_t frame_wait_ms();

// The program's first steps: the runtime's static initialisation (a no-op
// after the process start-up ran it), the recorded arguments, the random
// seed and the world arrays of the program's world, in that order.
void start_program(int argc, char** argv);

}  // namespace vz
