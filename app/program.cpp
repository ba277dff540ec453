#include "app/program.h"

#include "app/world.h"
#include "app/x87_integer.h"
#include "rt/random.h"
#include "rt/runtime.h"

namespace vz {

std::int32_t frame_wait_ms() {
    return round_to_i32(1.0L / static_cast<extended>(FRAMES_PER_SECOND) * 1000.0L);
}

void start_program(int argc, char** argv) {
    runtime_static_init();
    record_arguments(argc, argv, PROGRAM_COMPAT_MODE);
    random_seed(static_cast<double>(RANDOM_SEED), RANDOM_ALG_DEFAULT);
    // The result is not checked: a world whose arrays are missing is never
    // stepped or drawn (see world_ready).
    create_world_arrays(world());
}

}  // namespace vz
