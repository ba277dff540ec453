#pragma once
// The particle program's fixed settings and the steps of its entry routine,
// shared with the bench tool and the tests.

#include <cstdint>

#include "app/world.h"

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

// Opens the 800 x 600 screen with 32-bit colour and its one default page
// (flags as screen_res takes them; the program passes 0), then selects page 0
// for drawing and the missing page 1 for showing, so that only the work-page
// half takes effect and frames are drawn on the visible page. Returns
// screen_res's code.
std::int32_t open_program_screen(std::int32_t flags);

// The frame loop: run_frame, the plain frame wait, then the key test, until
// the key text is not empty (the key is taken) or, on the text console, the
// input has ended so that no key can come. Returns the number of frames run.
std::int64_t run_frames_until_key(World& w);

// The end sequence up to the program's end: clear the screen, put the text
// cursor at row 1, column 1, print the seed with a line break after it and
// attempt the copy of page 0 onto page 1 (refused on the one-page screen).
void show_seed();

}  // namespace vz
