// The fast step's kernels: the particle arithmetic in double precision, laid
// out so that the compiler turns each loop into vector code, built three
// times (SSE2 baseline, AVX2, AVX-512) from the same source.
//
// Why double precision gives the exact results here
// -------------------------------------------------
// The exact step computes in extended precision (64-bit significand) and
// rounds to single where it stores. A particle is taken by a kernel only when
// its position components are whole numbers of magnitude <= 2^15 and its
// velocity components whole numbers of magnitude <= 2^24 (after the first
// frame every particle is like that); the attractor must be whole numbers of
// magnitude <= 2^13 with a strength of magnitude <= 2^10 (otherwise no particle
// is taken at all). Then:
//
//  * lo, hi, dx = hi - lo, wx = (W + lo) - hi and the same on y are whole
//    numbers below 2^16 (|dx| <= 2^15 + 2^13 = 40960): exact in both
//    precisions and exact as singles.
//  * dx*dx + dy*dy and wx*wx + wy*wy are whole numbers below 2^33: exact.
//  * dist: the exact path forms E = r64(r64(sqrt q1) + r64(sqrt q2)) and
//    stores single(E); the kernel forms D = r53(r53(sqrt q1) + r53(sqrt q2)).
//    With T the true sum, |E - T| <= 2^-63 T (1 + 2^-64) and
//    |D - T| <= 2^-52 T (1 + 2^-53), so |D - E| < 2^-51 D. Rounding to single
//    is monotone, so if single(D - 2^-50 D) == single(D + 2^-50 D) (both
//    ends computed in double, whose own rounding moves them by at most
//    2^-53 D, still outside [D - 2^-51 D, D + 2^-51 D]), single(E) is that
//    same value, ties included. Otherwise the particle is redone exactly.
//  * d = round(dist) of a single below 2^17: exact. dist >= W because
//    sqrt(q1) >= |wx|, sqrt(q2) >= |dx| and |wx| + |dx| = W, so d > 0.
//  * force = dx*dx div d: dx*dx <= 40960^2 < 2^31, so round() of it is the
//    identity (no out-of-range conversion),
//    and for whole a < 2^53 and b > 0 the truncated double quotient
//    trunc(r53(a / b)) is the integer quotient (a non-whole a/b is at least
//    1/b below the next integer, more than the rounding error a/b * 2^-53).
//  * s * force * sign + v is a whole number below 2^29: exact, and the
//    single store rounds the same exact value in both precisions.
//  * The move v/256 + p is a multiple of 2^-8 below 2^22: exact in both, so
//    round-to-nearest-even gives the same whole number, .5 ties included.
//    The remainder by W is the one value in [0, W) congruent to it, found
//    without a division (see wrap).
//  * speed = |vx| + |vy| < 2^30: exact before its single store.
//
// The colour: c = single(r53(R)^2) with R = r64(r64(sqrt|vx|) + r64(sqrt|vy|))
// on the exact path; the kernel forms R' = r53(r53(sqrt|vx|) + r53(sqrt|vy|))
// and S = r53(R' * R'). Both roots' sums lie within 3 * 2^-53 T + 2^-63 T of
// the true T, so the squares differ by at most 2^-50 T^2 before and 2^-53 T^2
// for each rounding after: |S - S_exact| < 2^-49.5 S. The kernel brackets S
// by S -+ 2^-48 S and keeps c only when both ends round to the same single.
// The level is round(c / normaliser): the exact path rounds the quotient to
// 64 bits, the kernel to 53, both within 2^-53 Q of the true Q; the kernel
// brackets Q by Q -+ 2^-50 Q and keeps the level only when both ends round
// to the same whole number below 2^31 (an exact tie lies inside its own
// bracket and is therefore always redone). Screen positions of whole
// coordinates below 2^21 are products below 2^31 and truncated quotients,
// exact by the argument above.
//
// Every lane is computed on substituted safe values when it is not taken,
// so no conversion ever sees a value out of its range.

#include "app/world_fast_kernels.h"

namespace vz::fast {

#if defined(__x86_64__) || defined(__SSE2_MATH__)
#define VZ_FAST_KERNELS 1
#else
#define VZ_FAST_KERNELS 0
#endif

bool kernels_available() { return VZ_FAST_KERNELS != 0; }

namespace {

#define VZ_INLINE inline __attribute__((always_inline))

// Round to nearest, ties to even, for |v| < 2^51: adding 1.5 * 2^52 moves the
// fraction out of the significand, where the addition rounds it away.
constexpr double ROUND_SHIFT = 6755399441055744.0;
VZ_INLINE double round_even(double v) {
    return (v + ROUND_SHIFT) - ROUND_SHIFT;
}

constexpr double POSITION_LIMIT = 32768.0;         // 2^15
constexpr double VELOCITY_LIMIT_FAST = 16777216.0;  // 2^24
constexpr double DIST_BAND = 0x1p-50;
constexpr double COLOUR_BAND = 0x1p-48;
constexpr double LEVEL_BAND = 0x1p-50;
constexpr double LEVEL_LIMIT = 2147483648.0;  // 2^31
constexpr double SCREEN_LIMIT = 2097152.0;    // 2^21

// take ? a : b by bit masks, so that the compiler sees one unconditional
// store (a conditional store would keep the loop scalar).
VZ_INLINE float select(bool take, float a, float b) {
    const std::uint32_t mask = 0u - static_cast<std::uint32_t>(take);
    return __builtin_bit_cast(float, (__builtin_bit_cast(std::uint32_t, a) & mask) |
                                         (__builtin_bit_cast(std::uint32_t, b) & ~mask));
}

VZ_INLINE bool whole_within(double v, double limit) {
    return (round_even(v) == v) & (__builtin_fabs(v) <= limit);
}

// The exact path's wrap of a whole t (|t| < 2^23) into [0, size): the
// remainder after the truncated quotient, plus size when negative. That is
// the one value in [0, size) congruent to t, which this finds without a
// division: q = round(t * (1/size)) is within one half (plus a relative error
// of 2^-52) of t / size, so t - q * size (exact: whole numbers below 2^24)
// lies within (-size, size) and one correction brings it into [0, size). No
// -0 arises: t is never -0 (round_even gives +0 for every zero) and a
// difference of equal values is +0.
VZ_INLINE double wrap(double t, double size, double inverse_size) {
    const double r = t - size * round_even(t * inverse_size);
    return r < 0.0 ? r + size : r;
}

VZ_INLINE float step_lanes(const StepArrays& a, const Attractor& at, std::uint8_t* redo, std::int32_t begin,
                           std::int32_t end) {
    float* __restrict px_out = a.particle_x;
    float* __restrict py_out = a.particle_y;
    float* __restrict vx_out = a.velocity_x;
    float* __restrict vy_out = a.velocity_y;
    std::uint8_t* __restrict redo_out = redo;
    const double ax = at.x;
    const double ay = at.y;
    const double s = at.strength;
    const double width = WORLD_WIDTH;
    const double height = WORLD_HEIGHT;
    const double inverse_width = 1.0 / WORLD_WIDTH;
    const double inverse_height = 1.0 / WORLD_HEIGHT;
    const double limit = VELOCITY_LIMIT;
    // The largest speed, kept as the bits of a non-negative single: for those
    // the integer order is the numeric order, and an integer maximum is a
    // reduction the compiler can vectorise.
    std::int32_t max_speed_bits = 0;

    for (std::int32_t i = begin; i < end; ++i) {
        const float px_in = px_out[i];
        const float py_in = py_out[i];
        const float vx_in = vx_out[i];
        const float vy_in = vy_out[i];
        const bool ok = whole_within(px_in, POSITION_LIMIT) & whole_within(py_in, POSITION_LIMIT) &
                        whole_within(vx_in, VELOCITY_LIMIT_FAST) & whole_within(vy_in, VELOCITY_LIMIT_FAST);
        const double px = ok ? static_cast<double>(px_in) : 0.0;
        const double py = ok ? static_cast<double>(py_in) : 0.0;
        const double vx = ok ? static_cast<double>(vx_in) : 0.0;
        const double vy = ok ? static_cast<double>(vy_in) : 0.0;

        const bool swap_x = px > ax;
        const bool swap_y = py > ay;
        const double lo_x = swap_x ? ax : px;
        const double hi_x = swap_x ? px : ax;
        const double lo_y = swap_y ? ay : py;
        const double hi_y = swap_y ? py : ay;
        const double dx = hi_x - lo_x;
        const double dy = hi_y - lo_y;
        const double wx = (width + lo_x) - hi_x;
        const double wy = (height + lo_y) - hi_y;

        const double dist = __builtin_sqrt(wx * wx + wy * wy) + __builtin_sqrt(dx * dx + dy * dy);
        const double band = dist * DIST_BAND;
        const float dist_low = static_cast<float>(dist - band);
        const bool dist_ok = dist_low == static_cast<float>(dist + band);
        const double d = round_even(static_cast<double>(dist_low));

        const double force_x = static_cast<double>(static_cast<std::int32_t>(dx * dx / d));
        const double force_y = static_cast<double>(static_cast<std::int32_t>(dy * dy / d));
        const double pull_x = swap_x ? -(s * force_x) : s * force_x;
        const double pull_y = swap_y ? -(s * force_y) : s * force_y;
        const float new_vx = static_cast<float>(vx < limit ? pull_x + vx : vx);
        const float new_vy = static_cast<float>(vy < limit ? pull_y + vy : vy);

        const double tx = round_even(static_cast<double>(new_vx) / 256.0 + px);
        const double ty = round_even(static_cast<double>(new_vy) / 256.0 + py);
        const double x = wrap(tx, width, inverse_width);
        const double y = wrap(ty, height, inverse_height);
        const float speed = static_cast<float>(__builtin_fabs(static_cast<double>(new_vx)) +
                                               __builtin_fabs(static_cast<double>(new_vy)));

        const bool take = ok & dist_ok;
        px_out[i] = select(take, static_cast<float>(x), px_in);
        py_out[i] = select(take, static_cast<float>(y), py_in);
        vx_out[i] = select(take, new_vx, vx_in);
        vy_out[i] = select(take, new_vy, vy_in);
        redo_out[i] = static_cast<std::uint8_t>(!take);
        const auto speed_bits = __builtin_bit_cast(std::int32_t, select(take, speed, 0.0f));
        max_speed_bits = speed_bits > max_speed_bits ? speed_bits : max_speed_bits;
    }
    return __builtin_bit_cast(float, max_speed_bits);
}

VZ_INLINE void frame_lanes(const StepArrays& a, float normaliser, const FrameOutput& out, std::int32_t begin,
                           std::int32_t end) {
    const float* __restrict px_in = a.particle_x;
    const float* __restrict py_in = a.particle_y;
    const float* __restrict vx_in = a.velocity_x;
    const float* __restrict vy_in = a.velocity_y;
    std::int32_t* __restrict sx_out = out.screen_x;
    std::int32_t* __restrict sy_out = out.screen_y;
    std::uint32_t* __restrict colour_out = out.colour;
    std::uint8_t* __restrict redo_out = out.redo;
    const double n = normaliser;

    for (std::int32_t i = begin; i < end; ++i) {
        const double px = px_in[i];
        const double py = py_in[i];
        const double vx = vx_in[i];
        const double vy = vy_in[i];
        const bool position_ok = whole_within(px, SCREEN_LIMIT) & whole_within(py, SCREEN_LIMIT);
        const double x = position_ok ? px : 0.0;
        const double y = position_ok ? py : 0.0;
        const auto sx = static_cast<std::int32_t>(x * SCREEN_WIDTH / WORLD_WIDTH);
        const auto sy = static_cast<std::int32_t>(y * SCREEN_HEIGHT / WORLD_HEIGHT);

        // Any velocity may enter: a huge one makes the square overflow to
        // infinity, and an infinite or NaN quotient fails the level test.
        const double root_sum = __builtin_sqrt(__builtin_fabs(vx)) + __builtin_sqrt(__builtin_fabs(vy));
        const double square = root_sum * root_sum;
        const double square_band = square * COLOUR_BAND;
        // Compared as doubles so that every test of the lane has one width.
        const double c = static_cast<float>(square - square_band);
        const bool c_ok = c == static_cast<double>(static_cast<float>(square + square_band));
        const double q = c / n;
        const double level_band = q * LEVEL_BAND;
        const double level = round_even(q - level_band);
        const bool level_ok = (level == round_even(q + level_band)) & (q + level_band < LEVEL_LIMIT);

        const bool take = position_ok & c_ok & level_ok;
        sx_out[i] = sx;
        sy_out[i] = sy;
        const auto whole_level = static_cast<std::uint32_t>(static_cast<std::int32_t>(take ? level : 0.0));
        colour_out[i] = whole_level | 0xFF000000u;
        redo_out[i] = static_cast<std::uint8_t>(!take);
    }
}

}  // namespace

#if VZ_FAST_KERNELS

namespace {

float step_sse2(const StepArrays& a, const Attractor& at, std::uint8_t* redo, std::int32_t begin,
                std::int32_t end) {
    return step_lanes(a, at, redo, begin, end);
}
void frame_sse2(const StepArrays& a, float n, const FrameOutput& out, std::int32_t begin, std::int32_t end) {
    frame_lanes(a, n, out, begin, end);
}

__attribute__((target("avx2"))) float step_avx2(const StepArrays& a, const Attractor& at, std::uint8_t* redo,
                                                std::int32_t begin, std::int32_t end) {
    return step_lanes(a, at, redo, begin, end);
}
__attribute__((target("avx2"))) void frame_avx2(const StepArrays& a, float n, const FrameOutput& out,
                                                std::int32_t begin, std::int32_t end) {
    frame_lanes(a, n, out, begin, end);
}

// GCC keeps 256-bit vectors on AVX-512 unless told otherwise; clang takes no
// vector-width choice in the attribute.
#if defined(__clang__)
#define VZ_AVX512 target("avx512f,avx512dq,avx512vl,avx512bw")
#else
#define VZ_AVX512 target("avx512f,avx512dq,avx512vl,avx512bw,prefer-vector-width=512")
#endif
__attribute__((VZ_AVX512)) float step_avx512(const StepArrays& a, const Attractor& at, std::uint8_t* redo,
                                             std::int32_t begin, std::int32_t end) {
    return step_lanes(a, at, redo, begin, end);
}
__attribute__((VZ_AVX512)) void frame_avx512(const StepArrays& a, float n, const FrameOutput& out,
                                             std::int32_t begin, std::int32_t end) {
    frame_lanes(a, n, out, begin, end);
}

}  // namespace

Kernels sse2_kernels() { return {step_sse2, frame_sse2}; }
Kernels avx2_kernels() { return {step_avx2, frame_avx2}; }
Kernels avx512_kernels() { return {step_avx512, frame_avx512}; }

#else

Kernels sse2_kernels() { return {nullptr, nullptr}; }
Kernels avx2_kernels() { return {nullptr, nullptr}; }
Kernels avx512_kernels() { return {nullptr, nullptr}; }

#endif

}  // namespace vz::fast
