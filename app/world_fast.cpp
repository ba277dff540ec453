// The fast step's driver: picks the kernels for the processor, runs them over
// the whole world and sends each particle they flag through the exact path.

#include "app/world_fast.h"

#include <cstring>

#include "app/world_fast_kernels.h"
#include "app/world_step.h"
#include "app/x87_integer.h"

namespace vz {

namespace {

// The attractor limits under which the kernels' argument holds.
constexpr float ATTRACTOR_LIMIT = 32767.0f;    // 2^15 - 1
constexpr std::int32_t STRENGTH_LIMIT = 1024;  // 2^10

// A whole number in 0 ... limit.
bool whole_within(float v, float limit) {
    return v >= 0.0f && v <= limit && static_cast<float>(static_cast<std::int32_t>(v)) == v;
}

fast::Kernels kernels_for(StepIsa isa) {
    switch (isa) {
    case StepIsa::sse2:
        return fast::sse2_kernels();
    case StepIsa::avx2:
        return fast::avx2_kernels();
    case StepIsa::avx512:
        return fast::avx512_kernels();
    case StepIsa::neon:
        return fast::neon_kernels();
    case StepIsa::simd128:
        return fast::simd128_kernels();
    case StepIsa::exact:
        break;
    }
    return {nullptr, nullptr};
}

bool processor_has(StepIsa isa) {
#if defined(__i386__) || defined(__x86_64__)
    switch (isa) {
    case StepIsa::exact:
        return true;
    case StepIsa::sse2:
        return __builtin_cpu_supports("sse2");
    case StepIsa::avx2:
        return __builtin_cpu_supports("avx2");
    case StepIsa::avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
               __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw");
    case StepIsa::neon:
    case StepIsa::simd128:
        return false;
    }
    return false;
#elif defined(__aarch64__)
    return isa == StepIsa::exact || isa == StepIsa::neon;
#elif defined(__EMSCRIPTEN__)
    return isa == StepIsa::exact || isa == StepIsa::simd128;
#else
    return isa == StepIsa::exact;
#endif
}

}  // namespace

bool step_isa_supported(StepIsa isa) {
    if (isa == StepIsa::exact) return true;
    return fast::kernels_available() && processor_has(isa);
}

StepIsa best_step_isa() {
    static const StepIsa best = [] {
        for (StepIsa isa : {StepIsa::avx512, StepIsa::avx2, StepIsa::sse2, StepIsa::neon, StepIsa::simd128}) {
            if (step_isa_supported(isa)) return isa;
        }
        return StepIsa::exact;
    }();
    return best;
}

const char* step_isa_name(StepIsa isa) {
    switch (isa) {
    case StepIsa::exact:
        return "exact";
    case StepIsa::sse2:
        return "sse2";
    case StepIsa::avx2:
        return "avx2";
    case StepIsa::avx512:
        return "avx512";
    case StepIsa::neon:
        return "neon";
    case StepIsa::simd128:
        return "simd128";
    }
    return "?";
}

bool parse_step_isa(const char* name, StepIsa& isa) {
    for (StepIsa candidate :
         {StepIsa::exact, StepIsa::sse2, StepIsa::avx2, StepIsa::avx512, StepIsa::neon, StepIsa::simd128}) {
        if (std::strcmp(name, step_isa_name(candidate)) == 0) {
            isa = candidate;
            return true;
        }
    }
    return false;
}

FastStepper::FastStepper(StepIsa isa, std::int32_t workers)
    : isa_(step_isa_supported(isa) ? isa : best_step_isa()),
      screen_x_(PARTICLE_COUNT),
      screen_y_(PARTICLE_COUNT),
      colours_(PARTICLE_COUNT),
      redo_(PARTICLE_COUNT),
      part_max_speed_(static_cast<std::size_t>(workers > 0 ? workers : 0) + 1),
      part_redone_(part_max_speed_.size()),
      part_near_half_(part_max_speed_.size()),
      pool_(workers) {}

namespace {

// Particles [begin, end) of part `part` of `parts`, in blocks of 64 so that
// no two parts share a cache line of any array.
void part_range(std::int32_t part, std::int32_t parts, std::int32_t& begin, std::int32_t& end) {
    constexpr std::int32_t BLOCK = 64;
    const std::int32_t blocks = PARTICLE_COUNT / BLOCK;
    begin = blocks * part / parts * BLOCK;
    end = blocks * (part + 1) / parts * BLOCK;
}

// Calls visit(i) for every i in [begin, end) whose redo flag is set, in
// order, testing 32 flags at a time: almost all are clear.
template <typename Visit>
void for_each_redo(const std::uint8_t* redo, std::int32_t begin, std::int32_t end, Visit visit) {
    constexpr std::int32_t GROUP = 32;
    std::int32_t i = begin;
    while (i < end) {
        if (end - i >= GROUP) {
            std::uint64_t words[GROUP / 8];
            std::memcpy(words, redo + i, sizeof words);
            if ((words[0] | words[1] | words[2] | words[3]) == 0) {
                i += GROUP;
                continue;
            }
        }
        const std::int32_t stop = end - i >= GROUP ? i + GROUP : end;
        for (; i < stop; ++i) {
            if (redo[i] != 0) visit(i);
        }
    }
}

}  // namespace

void FastStepper::store_exact_position(const StepArrays& arrays, std::int32_t i) {
    const ScreenPosition at = screen_position_of(arrays.particle_x[i], arrays.particle_y[i]);
    screen_x_[static_cast<std::size_t>(i)] = static_cast<float>(at.x);
    screen_y_[static_cast<std::size_t>(i)] = static_cast<float>(at.y);
}

struct FastStepper::StepJob {
    FastStepper* self;
    StepArrays arrays;
    fast::StepKernel kernel;  // null: every particle goes the exact way
    fast::Attractor attractor;
};

void FastStepper::step_part(void* job_ptr, std::int32_t part, std::int32_t parts) {
    const StepJob& job = *static_cast<const StepJob*>(job_ptr);
    FastStepper& self = *job.self;
    std::int32_t begin = 0;
    std::int32_t end = 0;
    part_range(part, parts, begin, end);
    std::uint8_t* const redo = self.redo_.data();
    fast::StepResult result{0.0f, end - begin, 0};
    if (job.kernel != nullptr) {
        result =
            job.kernel(job.arrays, job.attractor, {self.screen_x_.data(), self.screen_y_.data(), redo}, begin, end);
    } else {
        std::memset(redo + begin, 1, static_cast<std::size_t>(end - begin));
    }
    float max_speed = result.max_speed;
    if (result.redo_count > 0) {
        for_each_redo(redo, begin, end, [&](std::int32_t i) {
            const float speed = step_particle(job.arrays, i);
            if (speed > max_speed) max_speed = speed;
            self.store_exact_position(job.arrays, i);
        });
    }
    self.part_max_speed_[static_cast<std::size_t>(part)] = max_speed;
    self.part_redone_[static_cast<std::size_t>(part)] = result.redo_count;
    self.part_near_half_[static_cast<std::size_t>(part)] = result.double_count;
}

void FastStepper::step(World& w) {
    if (!world_ready(w)) return;
    static_assert(ATTRACTOR_COUNT == 1, "the kernels pull towards one attractor");
    StepJob job{this, step_arrays(w), nullptr, {}};
    const float ax = job.arrays.attractor_x[0];
    const float ay = job.arrays.attractor_y[0];
    const std::int32_t strength = round_to_i32(job.arrays.attractor_strength[0]);
    if (whole_within(ax, ATTRACTOR_LIMIT) && whole_within(ay, ATTRACTOR_LIMIT) && strength >= -STRENGTH_LIMIT &&
        strength <= STRENGTH_LIMIT) {
        job.kernel = kernels_for(isa_).step;
        job.attractor = {ax, ay, static_cast<double>(strength)};
    }
    pool_.run(step_part, &job);

    // The maximum does not depend on the order the parts are taken in.
    float max_speed = 0.0f;
    std::int32_t redone = 0;
    std::int32_t near_half = 0;
    for (std::size_t p = 0; p < part_max_speed_.size(); ++p) {
        if (part_max_speed_[p] > max_speed) max_speed = part_max_speed_[p];
        redone += part_redone_[p];
        near_half += part_near_half_[p];
    }
    w.speed_normaliser = speed_normaliser_of(max_speed);
    fallbacks_.step = redone;
    fallbacks_.near_half = near_half;
    measure(w, false);
}

struct FastStepper::MeasureJob {
    FastStepper* self;
    StepArrays arrays;
    float normaliser;
    bool positions;
    fast::FrameKernel kernel;  // null: every particle goes the exact way
};

void FastStepper::measure_part(void* job_ptr, std::int32_t part, std::int32_t parts) {
    const MeasureJob& job = *static_cast<const MeasureJob*>(job_ptr);
    FastStepper& self = *job.self;
    std::int32_t begin = 0;
    std::int32_t end = 0;
    part_range(part, parts, begin, end);
    std::uint8_t* const redo = self.redo_.data();
    std::int32_t redone = end - begin;
    if (job.kernel != nullptr) {
        const fast::FrameOutput out{self.screen_x_.data(), self.screen_y_.data(), self.colours_.data(), redo};
        redone = job.kernel(job.arrays, job.normaliser, job.positions, out, begin, end);
    } else {
        std::memset(redo + begin, 1, static_cast<std::size_t>(end - begin));
    }
    if (redone > 0) {
        for_each_redo(redo, begin, end, [&](std::int32_t i) {
            if (job.positions) {
                self.store_exact_position(job.arrays, i);
            }
            self.colours_[static_cast<std::size_t>(i)] =
                colour_of(job.arrays.velocity_x[i], job.arrays.velocity_y[i], job.normaliser);
        });
    }
    self.part_redone_[static_cast<std::size_t>(part)] = redone;
}

void FastStepper::measure(const World& w, bool positions) {
    if (!world_ready(w)) return;
    // The measures only read the world; the arrays are shared read-only.
    const StepArrays arrays{float_elements(w.particle_x),
                            float_elements(w.particle_y),
                            float_elements(w.velocity_x),
                            float_elements(w.velocity_y),
                            nullptr,
                            nullptr,
                            nullptr};
    const float n = w.speed_normaliser;
    // A zero, negative, infinite or NaN normaliser is left to the exact path,
    // which gives such quotients their defined colours; so are the extreme
    // ones, whose reciprocals the kernels' argument does not cover.
    const bool ordinary = n >= fast::NORMALISER_LOW && n <= fast::NORMALISER_HIGH;
    MeasureJob job{this, arrays, n, positions, ordinary ? kernels_for(isa_).frame : nullptr};
    pool_.run(measure_part, &job);
    std::int32_t redone = 0;
    for (const std::int32_t count : part_redone_) redone += count;
    fallbacks_.frame = redone;
}

}  // namespace vz
