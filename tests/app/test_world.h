#pragma once
// A world that owns its arrays, for tests that run two copies side by side.

#include <bit>
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "app/world.h"

namespace vz::test {

// An initialised world; its arrays are released when it goes.
struct TestWorld {
    World w{};
    TestWorld() {
        EXPECT_EQ(create_world_arrays(w), 0);
        init_world(w);
    }
    ~TestWorld() { release_world_arrays(w); }
    TestWorld(const TestWorld&) = delete;
    TestWorld& operator=(const TestWorld&) = delete;

    float* px() { return float_elements(w.particle_x); }
    float* py() { return float_elements(w.particle_y); }
    float* vx() { return float_elements(w.velocity_x); }
    float* vy() { return float_elements(w.velocity_y); }

    // Takes over the other world's particles, attractors and normaliser.
    void copy_from(const TestWorld& other) {
        for (auto member : {&World::particle_x, &World::particle_y, &World::velocity_x, &World::velocity_y}) {
            std::memcpy(float_elements(w.*member), float_elements(other.w.*member), 4 * PARTICLE_COUNT);
        }
        for (auto member : {&World::attractor_x, &World::attractor_y, &World::attractor_strength}) {
            std::memcpy(float_elements(w.*member), float_elements(other.w.*member), 4 * ATTRACTOR_COUNT);
        }
        w.speed_normaliser = other.w.speed_normaliser;
    }
};

// Whether the fast step's screen position of a particle is, to the bit, the
// float the exact frame hands ellipse for `at`.
inline bool same_screen_position(float x, float y, ScreenPosition at) {
    return std::bit_cast<std::uint32_t>(x) == std::bit_cast<std::uint32_t>(static_cast<float>(at.x)) &&
           std::bit_cast<std::uint32_t>(y) == std::bit_cast<std::uint32_t>(static_cast<float>(at.y));
}

}  // namespace vz::test
