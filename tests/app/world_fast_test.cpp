// The fast step against the exact step, bit for bit: on the program's own
// trajectory, on random states built to sit on rounding boundaries and ties,
// and for every instruction set this processor runs.

#include "app/world_fast.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/world.h"
#include "rt/fpu.h"
#include "test_world.h"

namespace vz {
namespace {

// Long runs under the sanitizers take minutes; the optimised build runs the
// full length.
#ifdef NDEBUG
constexpr int TRAJECTORY_FRAMES = 1000;
constexpr int RANDOM_ROUNDS = 24;
#else
constexpr int TRAJECTORY_FRAMES = 120;
constexpr int RANDOM_ROUNDS = 4;
#endif

std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

using test::TestWorld;

// Counts the particles whose state differs bit for bit (NaNs compared by
// their bits too), reporting the first few.
int state_mismatches(const World& fast, const World& exact, const std::string& where) {
    int mismatches = 0;
    const char* names[] = {"particle_x", "particle_y", "velocity_x", "velocity_y"};
    const ArrayDescriptor World::*members[] = {&World::particle_x, &World::particle_y, &World::velocity_x,
                                               &World::velocity_y};
    for (int a = 0; a < 4; ++a) {
        const float* f = float_elements(fast.*members[a]);
        const float* e = float_elements(exact.*members[a]);
        for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) {
            if (bits(f[i]) == bits(e[i])) continue;
            if (++mismatches <= 5) {
                ADD_FAILURE() << where << ": " << names[a] << "[" << i << "] fast " << f[i] << " exact " << e[i];
            }
        }
    }
    if (bits(fast.speed_normaliser) != bits(exact.speed_normaliser)) {
        ++mismatches;
        ADD_FAILURE() << where << ": speed_normaliser fast " << fast.speed_normaliser << " exact "
                      << exact.speed_normaliser;
    }
    return mismatches;
}

// The exact per-particle screen positions and colours of a world.
struct ExactMeasures {
    std::vector<ScreenPosition> at;
    std::vector<std::uint32_t> colour;

    explicit ExactMeasures(const World& w) : at(PARTICLE_COUNT), colour(PARTICLE_COUNT) {
        for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) {
            at[i] = particle_screen_position(w, i);
            colour[i] = particle_colour(w, i);
        }
    }
};

// The stepper's measures against the exact per-particle routines.
int measure_mismatches(const FastStepper& stepper, const ExactMeasures& exact, const std::string& where) {
    int mismatches = 0;
    for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) {
        const ScreenPosition at = exact.at[i];
        const std::uint32_t colour = exact.colour[i];
        if (test::same_screen_position(stepper.screen_x()[i], stepper.screen_y()[i], at) &&
            stepper.colours()[i] == colour) {
            continue;
        }
        if (++mismatches <= 5) {
            ADD_FAILURE() << where << ": particle " << i << " fast (" << stepper.screen_x()[i] << ", "
                          << stepper.screen_y()[i] << ") " << std::hex << stepper.colours()[i] << std::dec << " exact ("
                          << at.x << ", " << at.y << ") " << std::hex << colour;
        }
    }
    return mismatches;
}

int measure_mismatches(const FastStepper& stepper, const World& w, const std::string& where) {
    return measure_mismatches(stepper, ExactMeasures(w), where);
}

class FastStepTest : public ::testing::TestWithParam<StepIsa> {
protected:
    void SetUp() override {
        set_extended_precision();
        if (!step_isa_supported(GetParam())) {
            GTEST_SKIP() << step_isa_name(GetParam()) << " is not available on this processor or build";
        }
    }
};

// All instruction sets at once beside one exact world, so that the exact
// trajectory is computed once.
TEST(FastStepTrajectory, EveryInstructionSetFollowsTheExactTrajectoryFromTheInitialLayout) {
    set_extended_precision();
    std::vector<StepIsa> isas;
    for (StepIsa isa :
         {StepIsa::exact, StepIsa::sse2, StepIsa::avx2, StepIsa::avx512, StepIsa::neon, StepIsa::simd128}) {
        if (step_isa_supported(isa)) isas.push_back(isa);
    }
    std::vector<std::unique_ptr<TestWorld>> worlds;
    std::vector<std::unique_ptr<FastStepper>> steppers;
    for (StepIsa isa : isas) {
        worlds.push_back(std::make_unique<TestWorld>());
        steppers.push_back(std::make_unique<FastStepper>(isa));
        ASSERT_EQ(steppers.back()->isa(), isa);
    }
    TestWorld exact;
    std::vector<std::int64_t> fallbacks_after_first(isas.size(), 0);
    for (int frame = 1; frame <= TRAJECTORY_FRAMES; ++frame) {
        step_world(exact.w);
        const ExactMeasures exact_measures(exact.w);
        for (std::size_t k = 0; k < isas.size(); ++k) {
            FastStepper& stepper = *steppers[k];
            stepper.step(worlds[k]->w);
            const std::string where = std::string(step_isa_name(isas[k])) + " frame " + std::to_string(frame);
            ASSERT_EQ(state_mismatches(worlds[k]->w, exact.w, where), 0);
            ASSERT_EQ(measure_mismatches(stepper, exact_measures, where), 0);
            if (isas[k] == StepIsa::exact) {
                ASSERT_EQ(stepper.fallbacks().step, PARTICLE_COUNT);
            } else if (frame == 1) {
                // The initial layout is fractional: most of the first frame
                // goes the exact way.
                EXPECT_GT(stepper.fallbacks().step, PARTICLE_COUNT / 2) << where;
            } else {
                fallbacks_after_first[k] += stepper.fallbacks().step;
            }
        }
    }
    for (std::size_t k = 0; k < isas.size(); ++k) {
        if (isas[k] == StepIsa::exact) continue;  // every frame exact, checked above
        std::printf("[          ] %s: %d frames, %lld particles stepped exactly after the first frame\n",
                    step_isa_name(isas[k]), TRAJECTORY_FRAMES, static_cast<long long>(fallbacks_after_first[k]));
        // Whole-number states after the first frame: the kernels take them.
        EXPECT_LT(fallbacks_after_first[k], std::int64_t{TRAJECTORY_FRAMES} * 16);
    }
}

// A float next to v: v itself, one or two units in the last place away, or
// the nearest .5 / .25 / 1/256 offset, as the adversarial states need.
float near(std::mt19937& rng, float v) {
    switch (rng() % 8) {
    case 0:
        return v;
    case 1:
        return std::nextafter(v, std::numeric_limits<float>::infinity());
    case 2:
        return std::nextafter(v, -std::numeric_limits<float>::infinity());
    case 3:
        return v + 0.5f;
    case 4:
        return v - 0.5f;
    case 5:
        return v + 0.25f;
    case 6:
        return v + 1.0f / 256.0f;
    default:
        return std::nextafter(std::nextafter(v, 1e30f), 1e30f);
    }
}

// Fills the world with a mix of states: ordinary whole-number states (the
// kernels' case), positions and moves that land on .5 ties, tiny fractional
// velocities beside half-way positions (the tie that extended and double
// precision round apart), velocities at and around the pull limit and the
// kernels' own limits, huge, infinite and NaN values, and positions outside
// the world.
void fill_adversarial(TestWorld& t, std::mt19937& rng, bool non_finite) {
    std::uniform_int_distribution<int> x_pos(0, WORLD_WIDTH - 1);
    std::uniform_int_distribution<int> y_pos(0, WORLD_HEIGHT - 1);
    std::uniform_int_distribution<int> velocity(-200000, 200000);
    const float specials[] = {65536.0f,
                              65535.0f,
                              65537.0f,
                              -65536.0f,
                              16777216.0f,
                              16777218.0f,
                              -16777216.0f,
                              33554432.0f,
                              1e30f,
                              -1e30f,
                              std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN(),
                              0x1p-42f,
                              -0x1p-42f,
                              0x1p-149f,
                              128.0f,
                              -128.0f,
                              384.0f,
                              0.0f,
                              -0.0f};
    for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) {
        float px = static_cast<float>(x_pos(rng));
        float py = static_cast<float>(y_pos(rng));
        float vx = static_cast<float>(velocity(rng));
        float vy = static_cast<float>(velocity(rng));
        switch (rng() % 10) {
        case 0:
            px = near(rng, px);
            break;
        case 1:
            py = near(rng, py);
            vy = near(rng, vy);
            break;
        case 2:
            px = static_cast<float>(x_pos(rng)) + 0.5f;
            vx = (rng() % 2 ? 1 : -1) * 0x1p-42f;
            break;
        case 3:
            vx = specials[rng() % std::size(specials)];
            break;
        case 4:
            vy = specials[rng() % std::size(specials)];
            px = near(rng, px);
            break;
        case 9:
            vy = near(rng, vy);
            vx = near(rng, vx);
            break;
        case 5:
            px = static_cast<float>(static_cast<int>(rng() % 70000) - 35000);
            break;
        case 6:
            py = (rng() % 2 ? 32768.0f : -32768.0f) + static_cast<float>(rng() % 3) - 1.0f;
            break;
        case 7:
            vx = static_cast<float>(128 + 256 * static_cast<int>(rng() % 800));
            break;  // moves of .5
        case 8:     // signed zeros: a -0 position that does not move
            px = -0.0f;
            py = rng() % 2 ? -0.0f : py;
            vx = rng() % 2 ? -0.0f : 0.0f;
            break;
        default:
            break;  // plain whole-number state
        }
        // Without the non-finite and huge values the normaliser stays
        // ordinary and the colour kernels see the adversarial velocities.
        if (!non_finite && !(std::fabs(vx) < 1e9f)) vx = 65536.0f;
        if (!non_finite && !(std::fabs(vy) < 1e9f)) vy = -65536.0f;
        t.px()[i] = px;
        t.py()[i] = py;
        t.vx()[i] = vx;
        t.vy()[i] = vy;
    }
}

TEST_P(FastStepTest, MatchesTheExactStepOnAdversarialStates) {
    TestWorld fast;
    TestWorld exact;
    FastStepper stepper(GetParam());
    std::mt19937 rng(20240611u + static_cast<unsigned>(GetParam()));
    std::int64_t tried = 0;
    std::int64_t step_fallbacks = 0;
    std::int64_t frame_fallbacks = 0;
    for (int round = 0; round < RANDOM_ROUNDS; ++round) {
        fill_adversarial(fast, rng, round % 2 == 1);
        // Some rounds move the attractor off whole numbers or weight it
        // beyond the kernels' limits: then every particle goes the exact way.
        float* ax = float_elements(fast.w.attractor_x);
        float* strength = float_elements(fast.w.attractor_strength);
        ax[0] = round % 6 == 5 ? 5999.5f : 5999.0f;
        strength[0] = round % 6 == 4 ? 3000.0f : (round % 3 == 1 ? -2.0f : 1.0f);
        exact.copy_from(fast);
        // Two steps: the second starts from what the first made of the state.
        for (int step = 0; step < 2; ++step) {
            stepper.step(fast.w);
            step_world(exact.w);
            const std::string where = "round " + std::to_string(round) + " step " + std::to_string(step);
            ASSERT_EQ(state_mismatches(fast.w, exact.w, where), 0);
            ASSERT_EQ(measure_mismatches(stepper, exact.w, where), 0);
            tried += PARTICLE_COUNT;
            step_fallbacks += stepper.fallbacks().step;
            frame_fallbacks += stepper.fallbacks().frame;
        }
    }
    std::printf("[          ] %s: %lld particle steps tried, %lld stepped exactly, %lld measured exactly\n",
                step_isa_name(GetParam()), static_cast<long long>(tried), static_cast<long long>(step_fallbacks),
                static_cast<long long>(frame_fallbacks));
    if (GetParam() != StepIsa::exact) {
        EXPECT_GT(step_fallbacks, 0);
        EXPECT_LT(step_fallbacks, tried);
        EXPECT_GT(frame_fallbacks, 0);
        EXPECT_LT(frame_fallbacks, tried);
    }
}

// Colours whose quotient is exactly k + .5 or a hair either side: the ties
// must round to even, as the exact path does.
TEST_P(FastStepTest, ColourQuotientTiesAndNearTiesMatch) {
    TestWorld t;
    FastStepper stepper(GetParam());
    std::mt19937 rng(7u);
    for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) {
        t.px()[i] = static_cast<float>(i % WORLD_WIDTH);
        t.py()[i] = static_cast<float>(i % WORLD_HEIGHT);
        // vy = 0: the intensity is single(sqrt(vx)^2), vx itself or a unit
        // beside it.
        t.vx()[i] = near(rng, static_cast<float>(i % 1024));
        t.vy()[i] = i % 3 == 0 ? 0.0f : static_cast<float>(i % 7);
    }
    for (float normaliser : {2.0f, 1.0f, 0.5f, 4.0f, 0.75f, 19.53125f, 0.0f, -1.0f, 1e-40f,
                             std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
        t.w.speed_normaliser = normaliser;
        stepper.measure(t.w);
        EXPECT_EQ(measure_mismatches(stepper, t.w, "normaliser " + std::to_string(normaliser)), 0);
        if (GetParam() != StepIsa::exact && normaliser == 2.0f) {
            // Odd intensities over 2 are exact ties: all redone.
            EXPECT_GT(stepper.fallbacks().frame, 0);
        }
    }
}

// Moves that end on, beside and across every multiple of the world's size
// within the kernels' range, by whole and half pixels: the wrap must give the
// exact path's position (and its ties) without the kernels falling back.
TEST_P(FastStepTest, WrapsOnAndAroundMultiplesOfTheWorldSize) {
    TestWorld fast;
    TestWorld exact;
    FastStepper stepper(GetParam());
    const std::int32_t sizes[2] = {WORLD_WIDTH, WORLD_HEIGHT};
    const float velocities[] = {0.0f, 128.0f, -128.0f, 256.0f, -256.0f, 384.0f, -384.0f, 640.0f, -640.0f};
    std::int32_t i = 0;
    for (std::int32_t multiple = -2; multiple <= 2; ++multiple) {
        for (std::int32_t offset = -3; offset <= 3; ++offset) {
            for (const float v : velocities) {
                for (int axis = 0; axis < 2; ++axis, ++i) {
                    // Beyond the pull limit the velocity is kept as it is, so
                    // the move is known: whole pixels plus v / 256 (0, +-.5,
                    // +-1, +-1.5, +-2.5), ending at the multiple plus offset
                    // (a tie when it is a half).
                    const float velocity = v + (v < 0 ? -65536.0f : 65536.0f);
                    const float whole_move = std::trunc(velocity / 256.0f);
                    const float p = static_cast<float>(multiple * sizes[axis] + offset) - whole_move;
                    fast.px()[i] = axis == 0 ? p : 700.0f;
                    fast.py()[i] = axis == 1 ? p : 900.0f;
                    fast.vx()[i] = axis == 0 ? velocity : 3.0f;
                    fast.vy()[i] = axis == 1 ? velocity : -5.0f;
                }
            }
        }
    }
    for (; i < PARTICLE_COUNT; ++i) {
        fast.px()[i] = static_cast<float>(i % WORLD_WIDTH);
        fast.py()[i] = static_cast<float>(i % WORLD_HEIGHT);
        fast.vx()[i] = 7.0f;
        fast.vy()[i] = -9.0f;
    }
    exact.copy_from(fast);
    for (int step = 0; step < 3; ++step) {
        stepper.step(fast.w);
        step_world(exact.w);
        const std::string where = "step " + std::to_string(step);
        ASSERT_EQ(state_mismatches(fast.w, exact.w, where), 0);
        ASSERT_EQ(measure_mismatches(stepper, exact.w, where), 0);
        if (GetParam() != StepIsa::exact) {
            EXPECT_LT(stepper.fallbacks().step, PARTICLE_COUNT / 100);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryInstructionSet, FastStepTest,
                         ::testing::Values(StepIsa::exact, StepIsa::sse2, StepIsa::avx2, StepIsa::avx512, StepIsa::neon,
                                           StepIsa::simd128),
                         [](const ::testing::TestParamInfo<StepIsa>& info) {
                             return std::string(step_isa_name(info.param));
                         });

TEST(StepIsaChoice, NamesRoundTripAndTheBestIsSupported) {
    for (StepIsa isa :
         {StepIsa::exact, StepIsa::sse2, StepIsa::avx2, StepIsa::avx512, StepIsa::neon, StepIsa::simd128}) {
        StepIsa parsed = StepIsa::exact;
        ASSERT_TRUE(parse_step_isa(step_isa_name(isa), parsed));
        EXPECT_EQ(parsed, isa);
    }
    StepIsa untouched = StepIsa::avx2;
    EXPECT_FALSE(parse_step_isa("avx3", untouched));
    EXPECT_FALSE(parse_step_isa("", untouched));
    EXPECT_EQ(untouched, StepIsa::avx2);
    EXPECT_TRUE(step_isa_supported(best_step_isa()));
    EXPECT_TRUE(step_isa_supported(StepIsa::exact));
    // An instruction set the processor lacks falls back to the best one.
    for (StepIsa isa : {StepIsa::sse2, StepIsa::avx2, StepIsa::avx512, StepIsa::neon, StepIsa::simd128}) {
        FastStepper stepper(isa);
        EXPECT_EQ(stepper.isa(), step_isa_supported(isa) ? isa : best_step_isa());
    }
}

// Worker threads share each step: the same results, every frame, whatever
// part each thread takes (the workers compute in extended precision too).
TEST(FastStepPool, WorkersGiveTheExactStepEveryFrame) {
    set_extended_precision();
    TestWorld pooled;
    TestWorld exact;
    FastStepper stepper(best_step_isa(), 2);
    ASSERT_EQ(stepper.workers(), 2);
    std::int32_t first_frame_fallbacks = 0;
    for (int frame = 1; frame <= 12; ++frame) {
        stepper.step(pooled.w);
        step_world(exact.w);
        if (frame == 1) first_frame_fallbacks = stepper.fallbacks().step;
        const std::string where = "pooled frame " + std::to_string(frame);
        ASSERT_EQ(state_mismatches(pooled.w, exact.w, where), 0);
        ASSERT_EQ(measure_mismatches(stepper, exact.w, where), 0);
    }
    // The first frame's exact-path particles were spread over the parts.
    EXPECT_GT(first_frame_fallbacks, PARTICLE_COUNT / 2);
}

TEST(FastStepNotReady, LeavesAWorldWithoutArraysAlone) {
    World empty{};
    FastStepper stepper;
    stepper.step(empty);
    stepper.measure(empty);
    EXPECT_FALSE(world_ready(empty));
    EXPECT_EQ(stepper.screen_x().size(), static_cast<std::size_t>(PARTICLE_COUNT));
}

}  // namespace
}  // namespace vz
