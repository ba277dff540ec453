// The particle program: opens an 800 x 600 screen with 32-bit colour and
// draws the particle world frame after frame until a key arrives, then
// prints its random seed and ends with exit code 0. With no screen the same
// loop runs on the text console.

#include "app/program.h"
#include "app/world.h"
#include "rt/runtime.h"

int main(int argc, char** argv) {
    vz::start_program(argc, argv);
    vz::open_program_screen(0);
    vz::World& world = vz::world();
    vz::init_world(world);
    vz::run_frames_until_key(world);
    vz::show_seed();
    vz::end_program(0);
}
