#pragma once
// The fast step: the same results as step_world and the per-particle screen
// position and colour, bit for bit, computed several particles at a time.
// Particles whose exactness the fast arithmetic cannot prove are handed to
// the exact scalar path (step_particle, screen_position_of, colour_of).

#include <cstdint>
#include <span>
#include <vector>

#include "app/step_pool.h"
#include "app/world.h"

namespace vz {

struct StepArrays;

// The instruction sets the fast kernels are built for. `exact` runs every
// particle through the exact scalar path (the reference the others are
// tested against).
// `neon` is the AArch64 build of the same kernels, whose loops the compiler
// turns into Advanced SIMD (NEON) code, which every AArch64 processor has;
// `simd128` the WebAssembly build, in WebAssembly's 128-bit SIMD.
enum class StepIsa : std::int32_t { exact = 0, sse2 = 1, avx2 = 2, avx512 = 3, neon = 4, simd128 = 5 };

// The best instruction set this processor and build run (CPUID, asked once).
StepIsa best_step_isa();
// True when this processor and build can run `isa`.
bool step_isa_supported(StepIsa isa);
// "exact", "sse2", "avx2", "avx512", "neon", "simd128".
const char* step_isa_name(StepIsa isa);
// The set named by `name`; false when the name is unknown.
bool parse_step_isa(const char* name, StepIsa& isa);

// Particles the fast arithmetic handed to the exact path in the last frame.
struct FallbackCounts {
    std::int32_t step = 0;   // particles stepped exactly
    std::int32_t frame = 0;  // particles whose screen position or colour was
    // Particles the kernels stepped whose summed distance lay near a half in
    // single precision and was settled in double precision instead.
    std::int32_t near_half = 0;
};

// The step and drawing measures of one world. Buffers are sized once, at
// construction; a frame allocates nothing.
class FastStepper {
public:
    // Uses `isa` when the processor runs it, otherwise the best one that runs.
    // `workers` extra threads share each step with the caller (0: none);
    // they are started here and live as long as the stepper.
    explicit FastStepper(StepIsa isa = best_step_isa(), std::int32_t workers = 0);
    FastStepper(const FastStepper&) = delete;
    FastStepper& operator=(const FastStepper&) = delete;

    StepIsa isa() const { return isa_; }
    std::int32_t workers() const { return pool_.parts() - 1; }

    // step_world's effect on `w` (positions, velocities, speed_normaliser),
    // then the screen position and colour of every particle.
    void step(World& w);
    // Only the screen positions and colours of the world as it is.
    void measure(const World& w) { measure(w, true); }

    // The measures of the last step or measure call, by particle index. The
    // screen positions are whole pixels held as floats, as ellipse takes them.
    std::span<const float> screen_x() const { return screen_x_; }
    std::span<const float> screen_y() const { return screen_y_; }
    std::span<const std::uint32_t> colours() const { return colours_; }
    const FallbackCounts& fallbacks() const { return fallbacks_; }

private:
    struct StepJob;
    struct MeasureJob;
    static void step_part(void* job, std::int32_t part, std::int32_t parts);
    static void measure_part(void* job, std::int32_t part, std::int32_t parts);
    // Particle i's screen position by the exact routine, for a particle the
    // kernels left alone.
    void store_exact_position(const StepArrays& arrays, std::int32_t i);
    // The colours, and with `positions` the screen positions too (a step
    // finds those itself).
    void measure(const World& w, bool positions);

    StepIsa isa_;
    std::vector<float> screen_x_;
    std::vector<float> screen_y_;
    std::vector<std::uint32_t> colours_;
    std::vector<std::uint8_t> redo_;
    FallbackCounts fallbacks_;
    // Per part: the largest speed and the particles redone exactly.
    std::vector<float> part_max_speed_;
    std::vector<std::int32_t> part_redone_;
    std::vector<std::int32_t> part_near_half_;
    StepPool pool_;
};

}  // namespace vz
