#pragma once
// The exact per-particle step, shared by step_world and by the fast step,
// which hands it every particle its own arithmetic cannot settle.

#include <cstdint>

#include "app/world.h"

namespace vz {

// The element pointers of a ready world's seven arrays.
struct StepArrays {
    float* particle_x;
    float* particle_y;
    float* velocity_x;
    float* velocity_y;
    const float* attractor_x;
    const float* attractor_y;
    const float* attractor_strength;
};

StepArrays step_arrays(World& w);

// Pulls, moves and wraps particle i in extended precision and returns its
// speed, single(|velocity_x| + |velocity_y|) after the pull.
float step_particle(const StepArrays& arrays, std::int32_t i);

// single(max_speed / VELOCITY_DIVISOR), formed in extended precision.
float speed_normaliser_of(float max_speed);

}  // namespace vz
