#pragma once
// The data-parallel kernels of the fast step, one build per instruction set.
// Each kernel does only what its arithmetic settles exactly and flags every
// other particle in `redo`, leaving that particle's values untouched for the
// exact scalar path (see world_fast_kernels.cpp for the argument).

#include <cstdint>

#include "app/world_step.h"

namespace vz::fast {

// The attractor as the kernels use it: its position, the strength rounded to
// a whole number, all exact in double precision.
struct Attractor {
    double x;
    double y;
    double strength;
};

// Where a step kernel writes: the screen position of each particle it steps
// (whole pixels, kept as floats: the form ellipse takes them in), and a redo
// flag per particle.
struct StepOutput {
    float* screen_x;
    float* screen_y;
    std::uint8_t* redo;
};

// What a step kernel found: the largest speed of the particles it stepped
// (0 when none), the particles it left for the exact path, and the particles
// whose summed distance it settled in double precision because the single
// one lay too close to a half.
struct StepResult {
    float max_speed;
    std::int32_t redo_count;
    std::int32_t double_count;
};

// Steps particles [begin, end) of the arrays and writes their screen
// positions; sets redo[i] to 1 for each particle it leaves alone (0
// otherwise).
using StepKernel = StepResult (*)(const StepArrays& arrays, const Attractor& attractor, const StepOutput& out,
                                  std::int32_t begin, std::int32_t end);

// The drawing measures of particles [begin, end) under `normaliser` (> 0
// and finite): the colour, and with `positions` the screen position too.
// Sets redo[i] to 1 for each particle whose measures it could not settle and
// returns how many those are.
struct FrameOutput {
    float* screen_x;
    float* screen_y;
    std::uint32_t* colour;
    std::uint8_t* redo;
};
using FrameKernel = std::int32_t (*)(const StepArrays& arrays, float normaliser, bool positions, const FrameOutput& out,
                                     std::int32_t begin, std::int32_t end);

struct Kernels {
    StepKernel step;
    FrameKernel frame;
};

// The normalisers the frame kernels take: between 2^-64 and 2^64, so that
// its reciprocal and every quotient they form stay normal numbers.
constexpr float NORMALISER_LOW = 0x1p-64f;
constexpr float NORMALISER_HIGH = 0x1p64f;

// Kernels compiled for the SSE2 baseline, for AVX2 and for AVX-512; each is
// only called where the processor has the instruction set.
Kernels sse2_kernels();
Kernels avx2_kernels();
Kernels avx512_kernels();
Kernels neon_kernels();
Kernels simd128_kernels();

// False where the build cannot run the kernels exactly (a 32-bit build doing
// floating arithmetic on the x87 unit, whose extended registers would keep
// more bits than the argument allows).
bool kernels_available();

}  // namespace vz::fast
