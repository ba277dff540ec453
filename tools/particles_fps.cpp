// particles-fps: the particle program's frame loop in a real window for a
// fixed time, counting frames: step, draw, present, the program's 17 ms wait.
//
//   particles-fps [--seconds S] [--reference]
//
// Prints one JSON line: {"seconds":…,"frames":…,"fps":…}. --reference runs
// the plain exact frames instead of the fast ones. Needs a display (the
// program's driver choice, VZGFX included).

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/frame.h"
#include "app/program.h"
#include "app/world.h"
#include "app/world_fast.h"
#include "rt/timer.h"

int main(int argc, char** argv) {
    double seconds = 10.0;
    bool reference = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (arg == "--reference") {
            reference = true;
        } else {
            std::fputs("usage: particles-fps [--seconds S] [--reference]\n", stderr);
            return 2;
        }
    }
    if (!(seconds > 0.0 && seconds <= 3600.0)) {
        std::fputs("particles-fps: seconds must be in (0, 3600]\n", stderr);
        return 2;
    }
    vz::start_program(argc, argv);
    vz::World& w = vz::world();
    if (!vz::world_ready(w) || vz::open_program_screen(0) != 0) {
        std::fputs("particles-fps: cannot create the world or open the screen\n", stderr);
        return 1;
    }
    vz::init_world(w);
    vz::FastStepper stepper;
    long frames = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (reference) {
            vz::run_frame(w);
        } else {
            vz::run_frame(w, stepper);
        }
        vz::runtime_sleep(vz::frame_wait_ms(), vz::SLEEP_PLAIN);
        ++frames;
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("{\"seconds\":%.3f,\"frames\":%ld,\"fps\":%.2f}\n", elapsed, frames,
                static_cast<double>(frames) / elapsed);
    return 0;
}
