// The particle program: opens an 800 x 600 screen with 32-bit colour and
// draws the particle world frame after frame until a key arrives, then
// prints its random seed and ends with exit code 0.

#include "app/frame.h"
#include "app/program.h"
#include "app/world.h"
#include "gfx/context.h"
#include "gfx/draw_state.h"
#include "rt/console.h"
#include "rt/runtime.h"
#include "rt/timer.h"

int main(int argc, char** argv) {
    vz::start_program(argc, argv);

    // Page count 0 gives the one default page; page 1 does not exist, so
    // page_set only makes page 0 the work page: every frame is drawn on the
    // visible page between the screen lock and unlock.
    vz::screen_res(vz::SCREEN_WIDTH, vz::SCREEN_HEIGHT, vz::SCREEN_DEPTH, 0, 0, 0);
    vz::page_set(0, 1);
    vz::init_world();

    for (;;) {
        vz::run_frame(vz::world());
        vz::runtime_sleep(vz::frame_wait_ms(), vz::SLEEP_PLAIN);
        if (!vz::runtime_key_text().empty()) break;
    }

    vz::runtime_clear(vz::CLEAR_NO_ARGUMENT);
    vz::runtime_locate(1, 1, -1);
    vz::runtime_print_single(vz::RANDOM_SEED, vz::PRINT_NEW_LINE);
    // Fails on the one-page screen; the program shows the seed either way.
    vz::runtime_page_copy(0, 1);
    vz::end_program(0);
}
