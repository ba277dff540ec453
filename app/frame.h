#pragma once
// One frame of the particle program: step the world, then draw every particle
// as a filled circle of radius 1 onto the work page, which is the visible page.

#include <bit>
#include <cstdint>

#include "app/world.h"
#include "app/world_fast.h"
#include "gfx/shapes/ellipse.h"
#include "gfx/surface/pixels.h"

namespace vz {

// Circle radius in pixels, passed to ellipse as a single.
inline constexpr std::int32_t PARTICLE_RADIUS = 1;
// End angle that selects a whole filled circle (start angle 0).
inline constexpr float FULL_TURN = std::bit_cast<float>(FULL_TURN_BITS);
// One absolute point, the colour argument used (no foreground bit).
inline constexpr std::int32_t PARTICLE_COORD_FLAGS = COORD_ABSOLUTE_POINT;

// Locks the screen, clears it, draws every particle and unlocks with every
// line marked changed. Without a ready world only the clear is drawn.
void draw_frame(const World& w);
// draw_frame with the screen positions and colours the stepper measured in
// its last step or measure call (the same circles, the same order).
void draw_measured_frame(const World& w, const FastStepper& measures);
// step_world then draw_frame, on the exact path.
void run_frame(World& w);
// The same frame through the fast step: stepper.step then
// draw_measured_frame. The frame as the program runs it.
void run_frame(World& w, FastStepper& stepper);

}  // namespace vz
