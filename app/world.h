#pragma once
// The particle world: 65536 particles on a 12000 x 16000 world whose edges
// wrap round, pulled every frame towards a fixed attractor.
//
// Numeric rules (they decide the exact trajectories): arithmetic in x87
// extended precision, rounded to single precision only where a value is
// stored; every float-to-integer conversion rounds to nearest with ties to
// even; integer division truncates.

#include <cstdint>

#include "rt/array.h"

namespace vz {

inline constexpr std::int32_t WORLD_WIDTH = 12000;
inline constexpr std::int32_t WORLD_HEIGHT = 16000;
// The count is a whole number of particles; indices run 0 ... 65535.
inline constexpr std::int32_t PARTICLE_COUNT = 65536;
inline constexpr std::int32_t LAST_PARTICLE = PARTICLE_COUNT - 1;
inline constexpr std::int32_t ATTRACTOR_COUNT = 1;
inline constexpr std::int32_t LAST_ATTRACTOR = ATTRACTOR_COUNT - 1;
// Velocity units per world unit of movement in one frame.
inline constexpr double VELOCITY_DIVISOR = 256.0;
// A velocity component at or above this receives no further pull.
inline constexpr float VELOCITY_LIMIT = 65536.0f;
// The screen the world is mapped onto.
inline constexpr std::int32_t SCREEN_WIDTH = 800;
inline constexpr std::int32_t SCREEN_HEIGHT = 600;

// Every array holds single-precision floats with lower bound 0.
struct World {
    ArrayDescriptor velocity_x;
    ArrayDescriptor velocity_y;
    ArrayDescriptor particle_x;
    ArrayDescriptor particle_y;
    ArrayDescriptor attractor_x;
    ArrayDescriptor attractor_y;
    ArrayDescriptor attractor_strength;
    // Recomputed by every step (max speed / VELOCITY_DIVISOR); scales colours.
    float speed_normaliser;
};

// The program's world; it lives until the process ends.
World& world();

// Sizes the seven arrays, zero-filled, in the order velocity_x, velocity_y,
// particle_x, particle_y (0 ... 65535), attractor_x, attractor_y,
// attractor_strength (0 ... 0). Returns the first nonzero error code, or 0.
std::int32_t create_world_arrays(World& w);
// Frees the arrays and leaves the descriptors empty.
void release_world_arrays(World& w);
// True when all seven arrays have their blocks; the world operations do
// nothing on a world that is not ready, so nothing writes through an
// empty array.
bool world_ready(const World& w);

// The elements of a float array with lower bound 0.
inline float* float_elements(const ArrayDescriptor& array) { return array_element<float>(array, 0); }

// Lays the particles on the two diagonals of the world (an X), velocities
// zero, and places the attractor at (5999, 7999) with strength 1.
void init_world(World& w);
// Advances every particle by one frame and recomputes speed_normaliser.
void step_world(World& w);

struct ScreenPosition {
    std::int32_t x;
    std::int32_t y;
};

// Screen pixel of a world position: (round(x) * 800) div 12000 and
// (round(y) * 600) div 16000 with a 32-bit product.
ScreenPosition screen_position_of(float x, float y);
// The brightness measure of a velocity: (sqrt|vx| + sqrt|vy|)^2 as a single.
float colour_intensity(float vx, float vy);
// Opaque colour of a particle with the given velocity under `speed_normaliser`:
// the low 32 bits of round(intensity / speed_normaliser) with alpha 0xFF.
std::uint32_t colour_of(float vx, float vy, float speed_normaliser);

ScreenPosition particle_screen_position(const World& w, std::int32_t index);
std::uint32_t particle_colour(const World& w, std::int32_t index);

}  // namespace vz
