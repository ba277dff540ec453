// The steps of the particle program's entry routine.

#include "app/program.h"

#include "app/frame.h"
#include "app/x87_integer.h"
#include "gfx/context.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pages.h"
#include "gfx/surface/pixels.h"
#include "rt/console.h"
#include "rt/random.h"
#include "rt/runtime.h"
#include "rt/timer.h"

namespace vz {

std::int32_t frame_wait_ms() { return round_to_i32(1.0 / static_cast<extended>(FRAMES_PER_SECOND) * 1000.0); }

void start_program(int argc, char** argv) {
    runtime_static_init();
    record_arguments(argc, argv, PROGRAM_COMPAT_MODE);
    random_seed(static_cast<double>(RANDOM_SEED), RANDOM_ALG_DEFAULT);
    // The result is not checked: a world whose arrays are missing is never
    // stepped or drawn (see world_ready).
    create_world_arrays(world());
}

std::int32_t open_program_screen(std::int32_t flags) {
    const std::int32_t code = screen_res(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_DEPTH, 0, flags, 0);
    page_set(0, 1);
    return code;
}

std::int64_t run_frames_until_key(World& w) {
    std::int64_t frames = 0;
    // Made once for the loop: the fast step's buffers are never made per frame.
    FastStepper stepper;
    for (;;) {
        run_frame(w, stepper);
        ++frames;
        // Nothing measures the frame: the wait comes on top of its drawing.
        runtime_sleep(frame_wait_ms(), SLEEP_PLAIN);
        if (!runtime_key_text().empty()) return frames;
        // With the console's input at its end no key can come: that ends the
        // loop as a window's close request does.
        if (runtime_input_ended()) return frames;
    }
}

void show_seed() {
    runtime_clear(CLEAR_NO_ARGUMENT);
    runtime_locate(1, 1, -1);
    runtime_print_single(RANDOM_SEED, PRINT_NEW_LINE);
    // Refused on the one-page screen; the seed is shown either way.
    runtime_page_copy(0, 1);
}

}  // namespace vz
