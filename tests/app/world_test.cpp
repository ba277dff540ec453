#include "app/world.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "app/program.h"
#include "rt/fpu.h"

namespace vz {
namespace {

// A world of its own for each test, laid out as the program does.
class WorldTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_extended_precision();
        ASSERT_EQ(create_world_arrays(w), 0);
        ASSERT_TRUE(world_ready(w));
        init_world(w);
        x = float_elements(w.particle_x);
        y = float_elements(w.particle_y);
        vx = float_elements(w.velocity_x);
        vy = float_elements(w.velocity_y);
        ax = float_elements(w.attractor_x);
        ay = float_elements(w.attractor_y);
        strength = float_elements(w.attractor_strength);
    }
    void TearDown() override { release_world_arrays(w); }

    // Every particle at rest at the origin.
    void clear_particles() {
        for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) x[i] = y[i] = vx[i] = vy[i] = 0.0f;
    }

    World w{};
    float* x = nullptr;
    float* y = nullptr;
    float* vx = nullptr;
    float* vy = nullptr;
    float* ax = nullptr;
    float* ay = nullptr;
    float* strength = nullptr;
};

TEST_F(WorldTest, ArraysAreSizedAndZeroFilled) {
    for (const ArrayDescriptor* a : {&w.particle_x, &w.particle_y, &w.velocity_x, &w.velocity_y}) {
        EXPECT_EQ(a->size, 4 * 65536);
        EXPECT_EQ(a->dims[0].lbound, 0);
        EXPECT_EQ(a->dims[0].ubound, 65535);
    }
    for (const ArrayDescriptor* a : {&w.attractor_x, &w.attractor_y, &w.attractor_strength}) {
        EXPECT_EQ(a->size, 4);
        EXPECT_EQ(a->dims[0].ubound, 0);
    }
    for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) {
        ASSERT_EQ(vx[i], 0.0f) << i;
        ASSERT_EQ(vy[i], 0.0f) << i;
    }
}

TEST_F(WorldTest, InitialLayoutIsTheTwoDiagonals) {
    // The diagonal spacing: the single values 0.36621654 and 0.4882887.
    EXPECT_EQ(std::bit_cast<std::uint32_t>(x[1]), 0x3EBB80BCu);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(y[1]), 0x3EFA00FAu);
    EXPECT_EQ(x[0], 0.0f);
    EXPECT_EQ(y[0], 0.0f);
    EXPECT_EQ(x[1], 0.36621654f);
    EXPECT_EQ(y[1], 0.4882887f);
    // Particle 32767 is placed twice; the second diagonal's start wins.
    EXPECT_EQ(x[32767], 0.0f);
    EXPECT_EQ(y[32767], 16000.0f);
    EXPECT_EQ(x[32766], static_cast<float>(32766.0L * x[1]));
    // The last particle lies just outside the world.
    EXPECT_EQ(x[65535], 12000.184f);
    EXPECT_EQ(y[65535], -0.24414062f);
    EXPECT_EQ(x[8891], 3256.03125f);

    EXPECT_EQ(ax[0], 5999.0f);
    EXPECT_EQ(ay[0], 7999.0f);
    EXPECT_EQ(strength[0], 1.0f);
}

TEST_F(WorldTest, FirstStepMatchesKnownValues) {
    step_world(w);
    // max_speed 5000, so the normaliser is 5000 / 256.
    EXPECT_EQ(w.speed_normaliser, 19.53125f);

    EXPECT_EQ(x[0], 7.0f);
    EXPECT_EQ(y[0], 12.0f);
    EXPECT_EQ(vx[0], 1799.0f);
    EXPECT_EQ(vy[0], 3199.0f);
    EXPECT_EQ(colour_intensity(vx[0], vy[0]), 9795.917f);
    EXPECT_EQ(particle_colour(w, 0), 0xFF0001F6u);  // 9795.917 / 19.53125 = 501.55 -> 502

    EXPECT_EQ(vx[65535], -1800.0f);
    EXPECT_EQ(vy[65535], 3199.0f);
    EXPECT_EQ(x[65535], 11993.0f);
    EXPECT_EQ(y[65535], 12.0f);

    EXPECT_EQ(vx[32766], -1800.0f);
    EXPECT_EQ(vy[32766], -3200.0f);

    // 3256.03125 + 376 / 256 = 3257.5 rounds to the even 3258.
    EXPECT_EQ(vx[8891], 376.0f);
    EXPECT_EQ(x[8891], 3258.0f);
}

TEST_F(WorldTest, StepsKeepPositionsWholeAndInsideAndColoursInRange) {
    for (int frame = 0; frame < 40; ++frame) {
        step_world(w);
        for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) {
            ASSERT_EQ(x[i], std::trunc(x[i])) << "frame " << frame << " particle " << i;
            ASSERT_EQ(y[i], std::trunc(y[i])) << "frame " << frame << " particle " << i;
            ASSERT_TRUE(x[i] >= 0.0f && x[i] <= 11999.0f) << i << ": " << x[i];
            ASSERT_TRUE(y[i] >= 0.0f && y[i] <= 15999.0f) << i << ": " << y[i];
            const ScreenPosition at = particle_screen_position(w, i);
            ASSERT_TRUE(at.x >= 0 && at.x <= 799 && at.y >= 0 && at.y <= 599) << i;
            // Alpha opaque, red zero, the level below alpha at most 512.
            const std::uint32_t colour = particle_colour(w, i);
            ASSERT_EQ(colour & 0xFF000000u, 0xFF000000u) << i;
            ASSERT_LE(colour & 0x00FFFFFFu, 512u) << "frame " << frame << " particle " << i;
        }
    }
}

TEST_F(WorldTest, ParticleAtRestAtOriginIsPulledByTheKnownForce) {
    // dist = 20000, force_x = 5999^2 div 20000 = 1799, force_y = 7999^2 div 20000 = 3199.
    clear_particles();
    // Particle 1 starts with a negative velocity: it is pulled all the same.
    vx[1] = -100000.0f;
    vy[1] = -0.5f;
    step_world(w);
    EXPECT_EQ(vx[0], 1799.0f);
    EXPECT_EQ(vy[0], 3199.0f);
    EXPECT_EQ(x[0], 7.0f);
    EXPECT_EQ(y[0], 12.0f);
    EXPECT_EQ(vx[1], -98201.0f);
    EXPECT_EQ(vy[1], 3198.5f);
}

TEST_F(WorldTest, DistanceIsRoundedOnlyWhenStored) {
    // Positions whose distance lies just beside a half: (39, 3976) has
    // dist = 20604.50107 -> single 20604.502 -> d = 20605, and (76, 455) has
    // dist = 20004.50149 -> single 20004.502 -> d = 20005. Squares or sums
    // rounded to single on the way would give 20604.5 -> 20604 and
    // 20004.5 -> 20004, and so other forces.
    clear_particles();
    x[0] = 39.0f;
    y[0] = 3976.0f;
    x[1] = 76.0f;
    y[1] = 455.0f;
    step_world(w);
    EXPECT_EQ(vx[0], 1723.0f);  // 5960^2 div 20605
    EXPECT_EQ(vy[0], 785.0f);   // 4023^2 div 20605
    EXPECT_EQ(vx[1], 1753.0f);  // 5923^2 div 20005
    EXPECT_EQ(vy[1], 2844.0f);  // 7544^2 div 20005
    EXPECT_EQ(x[0], 46.0f);
    EXPECT_EQ(y[0], 3979.0f);
}

TEST_F(WorldTest, VelocityAtOrAboveTheLimitIsNotPulled) {
    clear_particles();
    vx[0] = 65536.0f;                        // at the limit: held
    vy[0] = std::nextafter(65536.0f, 0.0f);  // just below: pulled
    // Particle 1 lies beyond the attractor, so its pull would be negative;
    // a component at the limit is still left alone.
    x[1] = 11999.0f;
    y[1] = 15999.0f;
    vx[1] = 70000.0f;
    vy[1] = 65536.0f;
    step_world(w);
    EXPECT_EQ(vx[0], 65536.0f);
    EXPECT_EQ(vy[0], static_cast<float>(65535.99609375L + 3199.0L));
    EXPECT_EQ(vx[1], 70000.0f);
    EXPECT_EQ(vy[1], 65536.0f);
}

TEST_F(WorldTest, PullPointsTowardsTheAttractorOnEachAxis) {
    clear_particles();
    // Beyond the attractor on both axes: dx = 6000, wx = 6000, dy = 7999,
    // wy = 8001, so dist = 10000.8 + 9999.2 = 20000 and the pull is
    // (6000^2 div 20000, 7999^2 div 20000) = (1800, 3199), negated.
    x[0] = 11999.0f;
    y[0] = 15998.0f;
    // On the attractor: no pull on either axis.
    x[1] = 5999.0f;
    y[1] = 7999.0f;
    vx[1] = 256.0f;
    step_world(w);
    EXPECT_EQ(vx[0], -1800.0f);
    EXPECT_EQ(vy[0], -3199.0f);
    EXPECT_EQ(x[0], 11992.0f);  // 11999 - 7.03
    EXPECT_EQ(y[0], 15986.0f);  // 15998 - 12.496
    EXPECT_EQ(vx[1], 256.0f);
    EXPECT_EQ(vy[1], 0.0f);
    EXPECT_EQ(x[1], 6000.0f);
    EXPECT_EQ(y[1], 7999.0f);
}

TEST_F(WorldTest, MovesWrapAtTheWorldEdges) {
    clear_particles();
    // With the attractor on the particles' own coordinates nothing is pulled,
    // so each particle moves by exactly its velocity / 256.
    ax[0] = 100.0f;
    ay[0] = 100.0f;
    for (std::int32_t i = 0; i < 4; ++i) x[i] = y[i] = 100.0f;
    vx[0] = vy[0] = -101.0f * 256;  // lands on -1
    vx[1] = 11900.0f * 256;         // lands on exactly WORLD_WIDTH
    vy[1] = 15900.0f * 256;         // lands on exactly WORLD_HEIGHT
    vx[2] = vy[2] = 0.5f * 256;     // 100.5 rounds to 100
    vx[3] = vy[3] = 1.5f * 256;     // 101.5 rounds to 102
    step_world(w);
    EXPECT_EQ(x[0], 11999.0f);
    EXPECT_EQ(y[0], 15999.0f);
    EXPECT_EQ(x[1], 0.0f);
    EXPECT_EQ(y[1], 0.0f);
    EXPECT_EQ(x[2], 100.0f);
    EXPECT_EQ(y[2], 100.0f);
    EXPECT_EQ(x[3], 102.0f);
    EXPECT_EQ(y[3], 102.0f);
    // A long move wraps by the remainder: -12001 -> -1 -> 11999.
    x[4] = 0.0f;
    vx[4] = -12001.0f * 256;
    ax[0] = 0.0f;
    step_world(w);
    EXPECT_EQ(x[4], 11999.0f);
}

TEST_F(WorldTest, ZeroNormaliserGivesOpaqueBlackForEveryParticle) {
    // Every particle at rest on the attractor: no pull, max_speed 0.
    for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) {
        x[i] = 5999.0f;
        y[i] = 7999.0f;
        vx[i] = vy[i] = 0.0f;
    }
    step_world(w);
    ASSERT_EQ(w.speed_normaliser, 0.0f);
    for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) ASSERT_EQ(particle_colour(w, i), 0xFF000000u) << i;
    // A moving particle under a zero normaliser (infinite quotient) too.
    EXPECT_EQ(colour_of(1799.0f, 3199.0f, 0.0f), 0xFF000000u);
}

TEST(WorldColour, UsesTheLow32BitsOfTheRoundedQuotient) {
    set_extended_precision();
    // sqrt(2^32) + sqrt(1) = 65537; 65537^2 = 2^32 + 131073, stored as the
    // single 2^32 + 131072: the low 32 bits are 0x20000.
    EXPECT_EQ(colour_of(1.0f, 4294967296.0f, 1.0f), 0xFF020000u);
    EXPECT_EQ(colour_of(0.0f, 0.0f, 1.0f), 0xFF000000u);
    // The level is rounded to nearest, ties to even: 2.5 -> 2, 3.5 -> 4.
    EXPECT_EQ(colour_of(0.0f, 5.0f, 2.0f), 0xFF000002u);
    EXPECT_EQ(colour_of(0.0f, 7.0f, 2.0f), 0xFF000004u);
    // Negative components count by their size.
    EXPECT_EQ(colour_of(-1799.0f, -3199.0f, 19.53125f), 0xFF0001F6u);
    EXPECT_EQ(colour_of(std::nanf(""), 0.0f, 1.0f), 0xFF000000u);
}

TEST(WorldScreen, MapsWorldToScreenWithTruncatingDivision) {
    set_extended_precision();
    EXPECT_EQ(screen_position_of(0.0f, 0.0f).x, 0);
    EXPECT_EQ(screen_position_of(11999.0f, 15999.0f).x, 799);
    EXPECT_EQ(screen_position_of(11999.0f, 15999.0f).y, 599);
    // 14 * 800 / 12000 = 0.93 truncates to 0; 15 * 800 / 12000 = 1.
    EXPECT_EQ(screen_position_of(14.0f, 0.0f).x, 0);
    EXPECT_EQ(screen_position_of(15.0f, 0.0f).x, 1);
    // 14.5 rounds to 14 (ties to even), 15.5 to 16.
    EXPECT_EQ(screen_position_of(14.5f, 0.0f).x, 0);
    EXPECT_EQ(screen_position_of(15.5f, 0.0f).x, 1);
    EXPECT_EQ(screen_position_of(0.0f, 26.5f).y, 0);  // 26 * 600 / 16000 = 0.975
    EXPECT_EQ(screen_position_of(0.0f, 26.6f).y, 1);
    // Negative positions truncate toward zero.
    EXPECT_EQ(screen_position_of(-15.0f, 0.0f).x, -1);
    EXPECT_EQ(screen_position_of(-14.0f, 0.0f).x, 0);
}

TEST(WorldNotReady, OperationsLeaveAnEmptyWorldAlone) {
    World empty{};
    EXPECT_FALSE(world_ready(empty));
    init_world(empty);
    step_world(empty);
    EXPECT_EQ(empty.particle_x.ptr, nullptr);
    EXPECT_EQ(empty.speed_normaliser, 0.0f);
    // A world with one array missing is not ready either.
    ASSERT_EQ(create_world_arrays(empty), 0);
    array_erase(empty.attractor_strength, 0);
    EXPECT_FALSE(world_ready(empty));
    float_elements(empty.velocity_x)[0] = 512.0f;
    step_world(empty);
    EXPECT_EQ(float_elements(empty.particle_x)[0], 0.0f);
    EXPECT_EQ(float_elements(empty.velocity_x)[0], 512.0f);
    release_world_arrays(empty);
}

TEST(ProgramSettings, FrameWaitIs17Milliseconds) {
    set_extended_precision();
    EXPECT_EQ(frame_wait_ms(), 17);
}

}  // namespace
}  // namespace vz
