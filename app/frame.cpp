// Drawing one frame of the particle program on the locked screen.

#include "app/frame.h"

#include "gfx/shapes/ellipse_general.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"
#include "rt/console.h"

namespace vz {

void draw_frame(const World& w) {
    screen_lock();
    runtime_clear(CLEAR_NO_ARGUMENT);
    if (world_ready(w)) {
        const float radius = static_cast<float>(PARTICLE_RADIUS);
        for (std::int32_t i = 0; i <= LAST_PARTICLE; ++i) {
            const ScreenPosition at = particle_screen_position(w, i);
            const std::uint32_t colour = particle_colour(w, i);
            // Aspect 0 takes the screen's own; fill -1 fills the circle.
            ellipse_general(nullptr, static_cast<float>(at.x), static_cast<float>(at.y), radius, colour, 0.0f, 0.0f,
                            FULL_TURN, -1, PARTICLE_COORD_FLAGS);
        }
    }
    // The work page is the visible page: mark every line changed and let the
    // driver present the finished frame.
    screen_unlock(-1, -1);
}

void draw_measured_frame(const World& w, const FastStepper& measures) {
    screen_lock();
    runtime_clear(CLEAR_NO_ARGUMENT);
    if (world_ready(w)) {
        const float radius = static_cast<float>(PARTICLE_RADIUS);
        const float* const screen_x = measures.screen_x().data();
        const float* const screen_y = measures.screen_y().data();
        const std::uint32_t* const colours = measures.colours().data();
        for (std::int32_t i = 0; i <= LAST_PARTICLE; ++i) {
            ellipse(nullptr, screen_x[i], screen_y[i], radius, colours[i], 0.0f, 0.0f, FULL_TURN, -1,
                    PARTICLE_COORD_FLAGS);
        }
    }
    screen_unlock(-1, -1);
}

void run_frame(World& w, FastStepper& stepper) {
    stepper.step(w);
    draw_measured_frame(w, stepper);
}

void run_frame(World& w) {
    step_world(w);
    draw_frame(w);
}

}  // namespace vz
