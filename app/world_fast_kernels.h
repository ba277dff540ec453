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

// Steps particles [begin, end) of the arrays; sets redo[i] to 1 for each
// particle it leaves alone (0 otherwise) and returns the largest speed of
// the particles it stepped (0 when none).
using StepKernel = float (*)(const StepArrays& arrays, const Attractor& attractor, std::uint8_t* redo,
                             std::int32_t begin, std::int32_t end);

// The drawing measures of particles [begin, end): screen position and
// colour under `normaliser` (> 0 and finite). Sets redo[i] to 1 for each
// particle whose measures it could not settle.
struct FrameOutput {
    std::int32_t* screen_x;
    std::int32_t* screen_y;
    std::uint32_t* colour;
    std::uint8_t* redo;
};
using FrameKernel = void (*)(const StepArrays& arrays, float normaliser, const FrameOutput& out,
                             std::int32_t begin, std::int32_t end);

struct Kernels {
    StepKernel step;
    FrameKernel frame;
};

// Kernels compiled for the SSE2 baseline, for AVX2 and for AVX-512; each is
// only called where the processor has the instruction set.
Kernels sse2_kernels();
Kernels avx2_kernels();
Kernels avx512_kernels();

// False where the build cannot run the kernels exactly (a 32-bit build doing
// double arithmetic on the x87 unit, whose extended registers would keep
// more bits than the argument allows).
bool kernels_available();

}  // namespace vz::fast
