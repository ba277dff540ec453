// The fast step's guard bands, probed where they matter: positions whose
// summed distance lies on or next to a half (single stores of exactly k + 1/2
// that must round to even, and sums within the single-precision band that
// must be settled in double precision), pulls whose integer division ends
// exactly on or just before a whole quotient, and colour quotients next to a
// half. Each case is found by searching with the extended arithmetic, and the
// fast results must equal the exact ones bit for bit while every case inside
// a band takes the slower way.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/world.h"
#include "app/world_fast.h"
#include "rt/fpu.h"
#include "test_world.h"

namespace vz {
namespace {

#ifdef NDEBUG
constexpr std::int32_t CANDIDATES = 4000000;
#else
constexpr std::int32_t CANDIDATES = 400000;
#endif

constexpr long double U = 0x1p-24L;  // the relative rounding error of a single operation

using test::TestWorld;

// Particles (state or measures) that differ bit for bit.
int differences(const World& fast, const World& exact, const FastStepper& stepper) {
    int count = 0;
    for (auto member : {&World::particle_x, &World::particle_y, &World::velocity_x, &World::velocity_y}) {
        const float* f = float_elements(fast.*member);
        const float* e = float_elements(exact.*member);
        for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) {
            if (std::bit_cast<std::uint32_t>(f[i]) != std::bit_cast<std::uint32_t>(e[i]) && ++count <= 5) {
                ADD_FAILURE() << "particle " << i << ": fast " << f[i] << " exact " << e[i];
            }
        }
    }
    if (std::bit_cast<std::uint32_t>(fast.speed_normaliser) != std::bit_cast<std::uint32_t>(exact.speed_normaliser)) {
        ++count;
        ADD_FAILURE() << "normaliser: fast " << fast.speed_normaliser << " exact " << exact.speed_normaliser;
    }
    for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) {
        const ScreenPosition at = particle_screen_position(exact, i);
        const std::uint32_t colour = particle_colour(exact, i);
        if ((!test::same_screen_position(stepper.screen_x()[i], stepper.screen_y()[i], at) ||
             stepper.colours()[i] != colour) &&
            ++count <= 10) {
            ADD_FAILURE() << "particle " << i << " measures: fast " << std::hex << stepper.colours()[i] << " exact "
                          << colour << std::dec << " at (" << at.x << ", " << at.y << ")";
        }
    }
    return count;
}

// The summed distance of a particle at (px, py) from the attractor (ax, ay)
// as the exact step forms it, in extended precision.
long double extended_dist(std::int32_t px, std::int32_t py, std::int32_t ax, std::int32_t ay) {
    const long double dx = std::abs(px - ax);
    const long double dy = std::abs(py - ay);
    const long double wx = WORLD_WIDTH - dx;
    const long double wy = WORLD_HEIGHT - dy;
    return std::sqrt(wx * wx + wy * wy) + std::sqrt(dx * dx + dy * dy);
}

struct Position {
    std::int32_t x, y;
};

TEST(FastStepBands, DistancesOnAndBesideHalvesAndWholeQuotientsMatchTheExactStep) {
    set_extended_precision();
    constexpr std::int32_t AX = 5999;
    constexpr std::int32_t AY = 7999;
    // Positions sorted by kind: the stored dist is exactly k + 1/2 with k even
    // or odd (a tie that must round to even), the extended sum lies within u
    // of a half (inside the single-precision band whatever the kernel's own
    // rounding), or a pull's division ends exactly on a whole quotient or one
    // short of it.
    std::vector<Position> even_ties, odd_ties, near_half, whole_quotient, one_short;
    std::mt19937 rng(42u);
    for (std::int32_t n = 0; n < CANDIDATES; ++n) {
        const auto px = static_cast<std::int32_t>(rng() % WORLD_WIDTH);
        const auto py = static_cast<std::int32_t>(rng() % WORLD_HEIGHT);
        const long double e = extended_dist(px, py, AX, AY);
        const auto f = static_cast<float>(e);
        const float k = std::floor(f);
        if (f - k == 0.5f) {
            (static_cast<std::int64_t>(k) % 2 == 0 ? even_ties : odd_ties).push_back({px, py});
            continue;
        }
        if (std::fabs(e - (std::floor(e) + 0.5L)) < U * e) {
            near_half.push_back({px, py});
            continue;
        }
        const auto d = static_cast<std::int64_t>(std::nearbyint(f));
        const std::int64_t dx = std::abs(px - AX);
        const std::int64_t dy = std::abs(py - AY);
        if (dx * dx >= d && ((dx * dx) % d == 0 || (dy * dy >= d && (dy * dy) % d == 0))) {
            whole_quotient.push_back({px, py});
        } else if (dx * dx >= d && (dx * dx) % d == d - 1) {
            one_short.push_back({px, py});
        }
    }
    std::printf(
        "[          ] %d candidates: %zu even ties, %zu odd ties, %zu within u of a half, %zu whole "
        "quotients, %zu one short\n",
        CANDIDATES, even_ties.size(), odd_ties.size(), near_half.size(), whole_quotient.size(), one_short.size());
    ASSERT_FALSE(even_ties.empty());
    ASSERT_FALSE(odd_ties.empty());
    ASSERT_FALSE(near_half.empty());
    ASSERT_FALSE(whole_quotient.empty());
    ASSERT_FALSE(one_short.empty());

    const std::vector<Position>* kinds[] = {&even_ties, &odd_ties, &near_half, &whole_quotient, &one_short};
    std::uniform_int_distribution<int> velocity(-120000, 120000);
    for (StepIsa isa : {StepIsa::sse2, StepIsa::avx2, StepIsa::avx512, StepIsa::neon}) {
        if (!step_isa_supported(isa)) continue;
        TestWorld fast;
        TestWorld exact;
        float* attractor_x = float_elements(fast.w.attractor_x);
        float* attractor_y = float_elements(fast.w.attractor_y);
        attractor_x[0] = AX;
        attractor_y[0] = AY;
        // Particle i takes kind i % 5, cycling through that kind's positions;
        // the particles inside the band are the ties and the near halves.
        std::int32_t in_band = 0;
        for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) {
            const std::vector<Position>& kind = *kinds[i % 5];
            const Position p = kind[static_cast<std::size_t>(i / 5) % kind.size()];
            fast.px()[i] = static_cast<float>(p.x);
            fast.py()[i] = static_cast<float>(p.y);
            fast.vx()[i] = static_cast<float>(velocity(rng) | 1);  // odd, never -0
            fast.vy()[i] = static_cast<float>(velocity(rng) | 1);
            in_band += static_cast<std::int32_t>(i % 5 < 3);
        }
        exact.copy_from(fast);
        FastStepper stepper(isa);
        stepper.step(fast.w);
        step_world(exact.w);
        ASSERT_EQ(differences(fast.w, exact.w, stepper), 0) << step_isa_name(isa);
        std::printf("[          ] %s: %d in the band, %d settled in double precision, %d stepped exactly\n",
                    step_isa_name(isa), in_band, stepper.fallbacks().near_half, stepper.fallbacks().step);
        EXPECT_GE(stepper.fallbacks().near_half + stepper.fallbacks().step, in_band) << step_isa_name(isa);
        EXPECT_GT(stepper.fallbacks().near_half, 0) << step_isa_name(isa);
    }
}

TEST(FastStepBands, ColourQuotientsBesideHalvesMatchTheExactColour) {
    set_extended_precision();
    // Normalisers of the program's kind (the largest speed over 256) and two
    // others; whole velocities up to about the program's largest.
    for (const float normaliser : {19.53125f, 390.625f, 7.0f}) {
        std::mt19937 rng(7u);
        std::uniform_int_distribution<int> velocity(-120000, 120000);
        std::vector<std::pair<float, float>> inside, outside;
        const long double n = normaliser;
        for (std::int32_t k = 0; k < CANDIDATES && inside.size() < 4096; ++k) {
            const auto vx = static_cast<float>(velocity(rng));
            const auto vy = static_cast<float>(velocity(rng) % 4000);
            const long double q = static_cast<long double>(colour_intensity(vx, vy)) / n;
            if (!(q < 512.0L * 4)) continue;
            const long double off = std::fabs(q - (std::floor(q) + 0.5L));
            // Inside: certainly within the kernel's band (16u Q, with 8.02u
            // for its own rounding); outside: beyond it, still close.
            if (off <= 7.0L * U * q) {
                inside.emplace_back(vx, vy);
            } else if (off >= 20.0L * U * q && off <= 64.0L * U * q && outside.size() < 4096) {
                outside.emplace_back(vx, vy);
            }
        }
        std::printf("[          ] normaliser %g: %zu quotients inside the band, %zu just outside\n", normaliser,
                    inside.size(), outside.size());
        ASSERT_FALSE(inside.empty());
        ASSERT_FALSE(outside.empty());
        for (StepIsa isa : {StepIsa::sse2, StepIsa::avx2, StepIsa::avx512, StepIsa::neon}) {
            if (!step_isa_supported(isa)) continue;
            TestWorld t;
            std::int32_t in_band = 0;
            for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) {
                const bool in = i % 2 == 0;
                const auto& list = in ? inside : outside;
                const auto v = list[static_cast<std::size_t>(i / 2) % list.size()];
                t.px()[i] = static_cast<float>(i % WORLD_WIDTH);
                t.py()[i] = static_cast<float>(i % WORLD_HEIGHT);
                t.vx()[i] = v.first;
                t.vy()[i] = v.second;
                in_band += static_cast<std::int32_t>(in);
            }
            t.w.speed_normaliser = normaliser;
            FastStepper stepper(isa);
            stepper.measure(t.w);
            const std::string where = std::string(step_isa_name(isa)) + " normaliser " + std::to_string(normaliser);
            ASSERT_EQ(differences(t.w, t.w, stepper), 0) << where;
            EXPECT_GE(stepper.fallbacks().frame, in_band) << where;
            EXPECT_LT(stepper.fallbacks().frame, PARTICLE_COUNT) << where;
        }
    }
}

}  // namespace
}  // namespace vz
