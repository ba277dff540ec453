// particles-held: the particle program's steps with a stop after a number of
// frames, for the page test. The frames run as the program runs them (step,
// draw, present, the frame wait, the key test); after frame N (VZ_HOLD_FRAMES,
// which the page takes from its address, default 100) the loop stops
// stepping and drawing, writes "held after N frames" to the error stream (the
// browser's console) and keeps waiting for a key, so the canvas keeps frame N
// for the test to read. A key then ends it with the seed shown, as the
// program does.

#include <cstdio>
#include <cstdlib>

#include "app/frame.h"
#include "app/program.h"
#include "app/world.h"
#include "app/world_fast.h"
#include "rt/console.h"
#include "rt/runtime.h"
#include "rt/timer.h"

namespace {

constexpr long DEFAULT_FRAMES = 100;
constexpr long MAX_FRAMES = 100000;

long held_frames() {
    const char* text = std::getenv("VZ_HOLD_FRAMES");
    if (text == nullptr) return DEFAULT_FRAMES;
    char* end = nullptr;
    const long frames = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || frames < 1 || frames > MAX_FRAMES) return DEFAULT_FRAMES;
    return frames;
}

}  // namespace

int main(int argc, char** argv) {
    vz::start_program(argc, argv);
    vz::open_program_screen(0);
    vz::World& world = vz::world();
    vz::init_world(world);
    const long frames = held_frames();
    vz::FastStepper stepper;
    bool key = false;
    long done = 0;
    while (done < frames && !key) {
        vz::run_frame(world, stepper);
        ++done;
        vz::runtime_sleep(vz::frame_wait_ms(), vz::SLEEP_PLAIN);
        key = !vz::runtime_key_text().empty();
    }
    std::fprintf(stderr, "held after %ld frames\n", done);
    while (!key) {
        vz::runtime_sleep(vz::frame_wait_ms(), vz::SLEEP_PLAIN);
        key = !vz::runtime_key_text().empty() || vz::runtime_input_ended();
    }
    vz::show_seed();
    vz::end_program(0);
}
