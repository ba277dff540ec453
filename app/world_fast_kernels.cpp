// The fast step's kernels: the particle arithmetic in single precision and
// 32-bit integers, laid out so that the compiler turns each loop into vector
// code (16 particles per instruction with AVX-512), built three times (SSE2
// baseline, AVX2, AVX-512) from the same source. u = 2^-24 below is the
// relative rounding error of one single-precision operation.
//
// Why the results are the exact ones
// ----------------------------------
// The exact step computes in extended precision (64-bit significand) and
// rounds to single where it stores. A particle is taken by a kernel only when
// its position components are whole numbers in 0 ... 2^15 - 1 and its
// velocity components whole numbers of magnitude <= 2^22 and not -0 (after
// the first frame every particle is like that; velocities stay within about
// 2^17); the attractor must be whole numbers in 0 ... 2^15 - 1 with a
// strength of magnitude <= 2^10 (otherwise no particle is taken at all).
// Then:
//
//  * dx = |p - a| < 2^15, wx = W - dx (= (W + lo) - hi) and the same on y
//    are whole numbers of magnitude below 2^15: exact as singles and as
//    32-bit integers, and so are q1 = wx*wx + wy*wy and q2 = dx*dx + dy*dy
//    (below 2^31).
//  * dist: the exact path stores F = single(E), E the extended sum of the two
//    roots, within 2^-62 of the true sum T (relative). The kernel forms
//    D = fl(fl(sqrt(fl(q1))) + fl(sqrt(fl(q2)))) in single: fl(q) is within
//    u of q, so each root is within u/2 + u of its value, their sum within
//    2.5001u of T; F is within u of E, so |D - F| < 3.5002u T < 4u D. With k
//    the whole number nearest D and t = D - k (exact: both are multiples of
//    D's last place below 2^22), the kernel keeps k when
//    fl(|t| + 4u D) < 1/2. Rounding is monotone, so then |t| + 4u D < 1/2 and
//    F lies strictly between k - 1/2 and k + 1/2: round(F) = k, ties
//    included. Otherwise (a band of 8u D around each half, about 1 % of the
//    particles in the world) the sum is formed again in double precision:
//    D2 = r53(r53(sqrt q1) + r53(sqrt q2)) with |D2 - E| < 2^-51 D2; if
//    single(D2 - 2^-50 D2) == single(D2 + 2^-50 D2) (both ends formed in
//    double, whose own rounding moves them by at most 2^-53 D2, still
//    outside [D2 - 2^-51 D2, D2 + 2^-51 D2]), single(E) is that same value,
//    and d is its rounding. Only when that fails too is the particle redone
//    exactly. dist >= W because sqrt(q1) >= |wx|, sqrt(q2) >= |dx| and
//    |wx| + |dx| >= W, so d >= W > 0.
//  * force = (dx*dx) div d: dx*dx < 2^30 is an exact integer product (the
//    exact path's round() of it is the identity). The kernel estimates the
//    quotient Q < 2^17 as fl(fl(dx*dx) * fl(1/d)), within 3.001u Q < 0.03 of
//    it, truncates, and corrects by one either way with
//    the exact integer remainder (dx*dx - q*d, below 2^31 as q*d <= dx*dx + d).
//  * s * force * sign + v is a whole number below 2^28, exact in 32-bit
//    integers; converting it to single rounds to nearest even, the same
//    single store as the exact path's. A -0 velocity is left to the exact
//    path: there a zero pull keeps its sign (-0 + -0 = -0).
//  * The move round(v/256 + p): m = v + 256 p is a whole number below 2^29,
//    and (m + 127 + bit 8 of m) >> 8 (an arithmetic shift, a floor) is m/256
//    rounded to nearest, ties to even — the exact path's value, .5 ties
//    included. The remainder by W is the one value in [0, W) congruent to it,
//    found without a division (see wrap).
//  * speed = fl(|vx| + |vy|): the sum of two singles rounded once is the
//    single store of their exact (extended) sum.
//  * Screen positions of whole coordinates 0 <= p < 2^15: (p * S) div W is
//    floor(p * n / m) with n / m the fraction S / W in lowest terms (1/15 on
//    x, 3/80 on y). With p * n / m = k + r / m (0 <= r < m), the kernel forms
//    fl(fl(p * n) * fl(1/m)) + fl(1/(2m)): p * n is exact, the rest moves
//    k + (r + 1/2) / m by at most 4u (p * n / m + 1) < 1/(2m) (checked at
//    compile time), so its truncation is k.
//
// The colour: the exact path stores c = single(X), X = r53(r53(R)^2) with R
// the extended sum of the roots of |vx| and |vy|, so c is within
// u + 2^-50 of T^2 (T the true sum of the roots). For whole velocity
// components of magnitude <= 2^22 (so the square is 0 or between 1 and 2^24,
// and with a normaliser between 2^-64 and 2^64 the quotient is 0 or a
// normal number) the kernel forms S = fl(fl(fl(sqrt|vx|) + fl(sqrt|vy|))^2),
// within 5.001u of T^2, and Q = fl(S * fl(1/n)), within 8.02u of the exact
// path's extended quotient c / n. It keeps k, the whole number nearest Q,
// when fl(|Q - k| + 16u Q) < 1/2 and Q < 2^22: then the exact quotient lies
// strictly between k - 1/2 and k + 1/2 and rounds to k (an exact tie always
// lies in the band and is redone). About 0.1 % of particles fall in the band
// (the quotient is at most 512, the band 2^-20 Q wide on each side).
//
// Every lane is computed on substituted safe values when it is not taken,
// so no conversion ever sees a value out of its range.

#include "app/world_fast_kernels.h"

#include <cstring>
#include <numeric>

namespace vz::fast {

#if defined(__x86_64__) || defined(__SSE2_MATH__) || defined(__aarch64__) || defined(__EMSCRIPTEN__)
#define VZ_FAST_KERNELS 1
#else
#define VZ_FAST_KERNELS 0
#endif

bool kernels_available() { return VZ_FAST_KERNELS != 0; }

namespace {

#define VZ_INLINE inline __attribute__((always_inline))

// Round to nearest, ties to even, for |v| < 2^51 (double) or |v| < 2^22
// (single): adding 1.5 times the first power of two whose last place is 1
// moves the fraction out of the significand, where the addition rounds it
// away.
constexpr double ROUND_SHIFT = 6755399441055744.0;  // 1.5 * 2^52
constexpr float ROUND_SHIFT_SINGLE = 12582912.0f;   // 1.5 * 2^23
VZ_INLINE double round_even(double v) { return (v + ROUND_SHIFT) - ROUND_SHIFT; }
VZ_INLINE float round_even(float v) { return (v + ROUND_SHIFT_SINGLE) - ROUND_SHIFT_SINGLE; }

constexpr float POSITION_LIMIT = 32767.0f;         // 2^15 - 1
constexpr float VELOCITY_LIMIT_FAST = 4194304.0f;  // 2^22
constexpr float DIST_BAND = 0x1p-22f;              // 4u
constexpr double DIST_BAND_DOUBLE = 0x1p-50;
constexpr float LEVEL_BAND = 0x1p-20f;     // 16u
constexpr float LEVEL_LIMIT = 4194304.0f;  // 2^22
constexpr std::uint32_t NEGATIVE_ZERO = 0x80000000u;

// take ? a : b by bit masks, so that the compiler sees one unconditional
// store (a conditional store would keep the loop scalar).
VZ_INLINE float select(bool take, float a, float b) {
    const std::uint32_t mask = 0u - static_cast<std::uint32_t>(take);
    return __builtin_bit_cast(
        float, (__builtin_bit_cast(std::uint32_t, a) & mask) | (__builtin_bit_cast(std::uint32_t, b) & ~mask));
}

// v is a whole number of magnitude <= limit (limit <= 2^22, where the
// rounding above is exact; NaN and infinities fail the magnitude test).
VZ_INLINE bool whole_within(float v, float limit) { return (round_even(v) == v) & (__builtin_fabsf(v) <= limit); }

// a div b for 0 <= a < 2^31 - b, 0 < b, a / b < 2^18: the truncated
// single-precision estimate is within one of the quotient (see the top of
// the file), and the exact remainder corrects it.
VZ_INLINE std::int32_t quotient(std::int32_t a, std::int32_t b, float inverse_b) {
    std::int32_t q = static_cast<std::int32_t>(static_cast<float>(a) * inverse_b);
    const std::int32_t r = a - q * b;
    q += static_cast<std::int32_t>(r >= b);
    q -= static_cast<std::int32_t>(r < 0);
    return q;
}

// The exact path's wrap of a whole t (|t| < 2^22) into [0, size): the
// remainder after the truncated quotient, plus size when negative. That is
// the one value in [0, size) congruent to t, which this finds without a
// division: q = round(t * (1/size)) is within one half (plus a relative error
// of 2^-23) of t / size, so t - q * size lies within (-size, size) and one
// correction brings it into [0, size).
VZ_INLINE std::int32_t wrap(std::int32_t t, std::int32_t size, float inverse_size) {
    const auto q = static_cast<std::int32_t>(round_even(static_cast<float>(t) * inverse_size));
    const std::int32_t r = t - q * size;
    return r < 0 ? r + size : r;
}

// Screen coordinate of a whole world coordinate 0 <= p < 2^15 (see the top of
// the file), as the whole-pixel float ellipse takes.
template <std::int32_t ScreenSize, std::int32_t WorldSize>
VZ_INLINE float screen_of(float p) {
    constexpr std::int32_t common = std::gcd(ScreenSize, WorldSize);
    constexpr std::int32_t n = ScreenSize / common;
    constexpr std::int32_t m = WorldSize / common;
    // 4u (2^15 n / m + 1) < 1 / (2m), and p * n exact in single.
    static_assert(std::int64_t{n} * 32768 * 8 + std::int64_t{m} * 8 < (std::int64_t{1} << 24) / 2,
                  "the screen mapping's rounding must stay inside its margin");
    constexpr float inverse_m = 1.0f / static_cast<float>(m);
    constexpr float half_step = 1.0f / static_cast<float>(2 * m);
    return static_cast<float>(static_cast<std::int32_t>(p * static_cast<float>(n) * inverse_m + half_step));
}

// The particles of one step block share the stack: the rounded distance and
// a state per particle (TAKEN, FROM_DOUBLE or LEFT).
constexpr std::int32_t BLOCK = 256;
constexpr std::uint8_t LEFT = 0;       // for the exact path
constexpr std::uint8_t TAKEN = 1;      // d settled in single precision
constexpr std::uint8_t NEAR_HALF = 2;  // d to be settled in double precision

// p is a whole number in +0 ... POSITION_LIMIT: the bits of the singles from
// +0 up are in the same order as their values, and every other bit pattern
// (negative numbers, -0, infinities, NaN) lies above the limit's.
VZ_INLINE bool position_within(float p) {
    return (round_even(p) == p) &
           (__builtin_bit_cast(std::uint32_t, p) <= __builtin_bit_cast(std::uint32_t, POSITION_LIMIT));
}

struct Inputs {
    float px, py, vx, vy;
    bool ok;
};

VZ_INLINE Inputs load(const StepArrays& a, std::int32_t i) {
    const float px = a.particle_x[i];
    const float py = a.particle_y[i];
    const float vx = a.velocity_x[i];
    const float vy = a.velocity_y[i];
    const bool ok = position_within(px) & position_within(py) & whole_within(vx, VELOCITY_LIMIT_FAST) &
                    whole_within(vy, VELOCITY_LIMIT_FAST) & (__builtin_bit_cast(std::uint32_t, vx) != NEGATIVE_ZERO) &
                    (__builtin_bit_cast(std::uint32_t, vy) != NEGATIVE_ZERO);
    return {px, py, vx, vy, ok};
}

// Pass 1 over a block: d in single precision and each particle's state.
VZ_INLINE void block_distances(const StepArrays& a, std::int32_t ax, std::int32_t ay, std::int32_t begin,
                               std::int32_t count, std::int32_t* __restrict d_out, std::uint8_t* __restrict state_out) {
    for (std::int32_t j = 0; j < count; ++j) {
        const Inputs in = load(a, begin + j);
        const std::int32_t px = in.ok ? static_cast<std::int32_t>(in.px) : 0;
        const std::int32_t py = in.ok ? static_cast<std::int32_t>(in.py) : 0;
        const std::int32_t dx = px > ax ? px - ax : ax - px;
        const std::int32_t dy = py > ay ? py - ay : ay - py;
        const std::int32_t wx = WORLD_WIDTH - dx;
        const std::int32_t wy = WORLD_HEIGHT - dy;
        const float dist = __builtin_sqrtf(static_cast<float>(wx * wx + wy * wy)) +
                           __builtin_sqrtf(static_cast<float>(dx * dx + dy * dy));
        const float k = round_even(dist);
        const bool clear = __builtin_fabsf(dist - k) + dist * DIST_BAND < 0.5f;
        d_out[j] = static_cast<std::int32_t>(k);
        state_out[j] = static_cast<std::uint8_t>(in.ok ? (clear ? TAKEN : NEAR_HALF) : LEFT);
    }
}

// Pass 2: the few particles near a half, in double precision.
VZ_INLINE bool settle_near_half(const StepArrays& a, double ax, double ay, std::int32_t i, std::int32_t& d) {
    const double px = a.particle_x[i];
    const double py = a.particle_y[i];
    const double dx = px > ax ? px - ax : ax - px;
    const double dy = py > ay ? py - ay : ay - py;
    const double wx = WORLD_WIDTH - dx;
    const double wy = WORLD_HEIGHT - dy;
    const double dist = __builtin_sqrt(wx * wx + wy * wy) + __builtin_sqrt(dx * dx + dy * dy);
    const double band = dist * DIST_BAND_DOUBLE;
    const float low = static_cast<float>(dist - band);
    if (low != static_cast<float>(dist + band)) return false;
    d = static_cast<std::int32_t>(round_even(static_cast<double>(low)));
    return true;
}

VZ_INLINE std::int32_t block_near_halves(const StepArrays& a, double ax, double ay, std::int32_t begin,
                                         std::int32_t count, std::int32_t* d, std::uint8_t* state) {
    std::int32_t settled = 0;
    const auto settle = [&](std::int32_t k) {
        const bool ok = settle_near_half(a, ax, ay, begin + k, d[k]);
        state[k] = ok ? TAKEN : LEFT;
        settled += static_cast<std::int32_t>(ok);
    };
    std::int32_t j = 0;
    for (; j + 8 <= count; j += 8) {
        // Most bytes are TAKEN (1) or LEFT (0); only NEAR_HALF has bit 1.
        std::uint64_t eight = 0;
        std::memcpy(&eight, state + j, sizeof eight);
        for (std::uint64_t near = eight & 0x0202020202020202u; near != 0; near &= near - 1) {
            settle(j + __builtin_ctzll(near) / 8);
        }
    }
    for (; j < count; ++j) {
        if (state[j] == NEAR_HALF) settle(j);
    }
    return settled;
}

// Pass 3 over a block: pull, move, wrap and store the particles TAKEN. The
// arrays come in as restricted parameters: the compiler trusts those (and
// not restricted locals) enough to vectorise without run-time overlap tests.
VZ_INLINE void block_moves(float* __restrict px_out, float* __restrict py_out, float* __restrict vx_out,
                           float* __restrict vy_out, float* __restrict sx_out, float* __restrict sy_out,
                           std::uint8_t* __restrict redo_out, const Attractor& at, std::int32_t count,
                           const std::int32_t* __restrict d_in, const std::uint8_t* __restrict state_in,
                           std::int32_t& max_speed_bits, std::int32_t& redo_count) {
    const auto axi = static_cast<std::int32_t>(at.x);
    const auto ayi = static_cast<std::int32_t>(at.y);
    const auto s = static_cast<std::int32_t>(at.strength);
    const float inverse_width = 1.0f / static_cast<float>(WORLD_WIDTH);
    const float inverse_height = 1.0f / static_cast<float>(WORLD_HEIGHT);
    const float limit = VELOCITY_LIMIT;
    std::int32_t max_bits = max_speed_bits;
    std::int32_t redone = 0;
    for (std::int32_t j = 0; j < count; ++j) {
        const float px_in = px_out[j];
        const float py_in = py_out[j];
        const float vx_in = vx_out[j];
        const float vy_in = vy_out[j];
        const bool take = state_in[j] == TAKEN;
        const std::int32_t px = take ? static_cast<std::int32_t>(px_in) : 0;
        const std::int32_t py = take ? static_cast<std::int32_t>(py_in) : 0;
        const std::int32_t vx = take ? static_cast<std::int32_t>(vx_in) : 0;
        const std::int32_t vy = take ? static_cast<std::int32_t>(vy_in) : 0;
        const std::int32_t d = d_in[j];

        const bool swap_x = px > axi;
        const bool swap_y = py > ayi;
        const std::int32_t dx = swap_x ? px - axi : axi - px;
        const std::int32_t dy = swap_y ? py - ayi : ayi - py;
        const float inverse_d = 1.0f / static_cast<float>(d);
        const std::int32_t pull_x = s * quotient(dx * dx, d, inverse_d);
        const std::int32_t pull_y = s * quotient(dy * dy, d, inverse_d);
        const float new_vx = static_cast<float>(vx_in < limit ? vx + (swap_x ? -pull_x : pull_x) : vx);
        const float new_vy = static_cast<float>(vy_in < limit ? vy + (swap_y ? -pull_y : pull_y) : vy);

        const std::int32_t mx = static_cast<std::int32_t>(new_vx) + 256 * px;
        const std::int32_t my = static_cast<std::int32_t>(new_vy) + 256 * py;
        const std::int32_t x = wrap((mx + 127 + ((mx >> 8) & 1)) >> 8, WORLD_WIDTH, inverse_width);
        const std::int32_t y = wrap((my + 127 + ((my >> 8) & 1)) >> 8, WORLD_HEIGHT, inverse_height);
        const float speed = __builtin_fabsf(new_vx) + __builtin_fabsf(new_vy);

        px_out[j] = select(take, static_cast<float>(x), px_in);
        py_out[j] = select(take, static_cast<float>(y), py_in);
        vx_out[j] = select(take, new_vx, vx_in);
        vy_out[j] = select(take, new_vy, vy_in);
        sx_out[j] = screen_of<SCREEN_WIDTH, WORLD_WIDTH>(static_cast<float>(x));
        sy_out[j] = screen_of<SCREEN_HEIGHT, WORLD_HEIGHT>(static_cast<float>(y));
        redo_out[j] = static_cast<std::uint8_t>(!take);
        redone += static_cast<std::int32_t>(!take);
        const auto speed_bits = __builtin_bit_cast(std::int32_t, select(take, speed, 0.0f));
        max_bits = speed_bits > max_bits ? speed_bits : max_bits;
    }
    max_speed_bits = max_bits;
    redo_count += redone;
}

VZ_INLINE StepResult step_lanes(const StepArrays& a, const Attractor& at, const StepOutput& out, std::int32_t begin,
                                std::int32_t end) {
    const auto ax = static_cast<std::int32_t>(at.x);
    const auto ay = static_cast<std::int32_t>(at.y);
    // The largest speed, kept as the bits of a non-negative single: for those
    // the integer order is the numeric order, and an integer maximum is a
    // reduction the compiler can vectorise.
    std::int32_t max_speed_bits = 0;
    std::int32_t redo_count = 0;
    std::int32_t double_count = 0;
    alignas(64) std::int32_t d_block[BLOCK];
    alignas(64) std::uint8_t state_block[BLOCK];
    for (std::int32_t block = begin; block < end; block += BLOCK) {
        const std::int32_t count = end - block < BLOCK ? end - block : BLOCK;
        block_distances(a, ax, ay, block, count, d_block, state_block);
        double_count += block_near_halves(a, at.x, at.y, block, count, d_block, state_block);
        block_moves(a.particle_x + block, a.particle_y + block, a.velocity_x + block, a.velocity_y + block,
                    out.screen_x + block, out.screen_y + block, out.redo + block, at, count, d_block, state_block,
                    max_speed_bits, redo_count);
    }
    return {__builtin_bit_cast(float, max_speed_bits), redo_count, double_count};
}

template <bool Positions>
VZ_INLINE std::int32_t frame_lanes(const StepArrays& a, float normaliser, const FrameOutput& out, std::int32_t begin,
                                   std::int32_t end) {
    const float* __restrict px_in = a.particle_x;
    const float* __restrict py_in = a.particle_y;
    const float* __restrict vx_in = a.velocity_x;
    const float* __restrict vy_in = a.velocity_y;
    float* __restrict sx_out = out.screen_x;
    float* __restrict sy_out = out.screen_y;
    std::uint32_t* __restrict colour_out = out.colour;
    std::uint8_t* __restrict redo_out = out.redo;
    const float inverse_n = 1.0f / normaliser;
    std::int32_t redo_count = 0;

    for (std::int32_t i = begin; i < end; ++i) {
        const float vx = vx_in[i];
        const float vy = vy_in[i];
        bool take = whole_within(vx, VELOCITY_LIMIT_FAST) & whole_within(vy, VELOCITY_LIMIT_FAST);
        const float root_sum = __builtin_sqrtf(__builtin_fabsf(vx)) + __builtin_sqrtf(__builtin_fabsf(vy));
        const float q = (root_sum * root_sum) * inverse_n;
        const float k = round_even(q);
        take = take & (q < LEVEL_LIMIT) & (__builtin_fabsf(q - k) + q * LEVEL_BAND < 0.5f);
        const auto level = static_cast<std::uint32_t>(static_cast<std::int32_t>(take ? k : 0.0f));
        colour_out[i] = level | 0xFF000000u;
        if constexpr (Positions) {
            const float px = px_in[i];
            const float py = py_in[i];
            const bool position_ok =
                whole_within(px, POSITION_LIMIT) & whole_within(py, POSITION_LIMIT) & (px >= 0.0f) & (py >= 0.0f);
            sx_out[i] = screen_of<SCREEN_WIDTH, WORLD_WIDTH>(position_ok ? px : 0.0f);
            sy_out[i] = screen_of<SCREEN_HEIGHT, WORLD_HEIGHT>(position_ok ? py : 0.0f);
            take = take & position_ok;
        }
        redo_out[i] = static_cast<std::uint8_t>(!take);
        redo_count += static_cast<std::int32_t>(!take);
    }
    return redo_count;
}

VZ_INLINE std::int32_t frame_any(const StepArrays& a, float n, bool positions, const FrameOutput& out,
                                 std::int32_t begin, std::int32_t end) {
    return positions ? frame_lanes<true>(a, n, out, begin, end) : frame_lanes<false>(a, n, out, begin, end);
}

}  // namespace

#if VZ_FAST_KERNELS

namespace {

// The build's baseline instruction set: SSE2 on x86, Advanced SIMD (NEON) on
// AArch64, WebAssembly's SIMD128, all of which the lane loops vectorise to.
StepResult step_baseline(const StepArrays& a, const Attractor& at, const StepOutput& out, std::int32_t begin,
                         std::int32_t end) {
    return step_lanes(a, at, out, begin, end);
}
std::int32_t frame_baseline(const StepArrays& a, float n, bool positions, const FrameOutput& out, std::int32_t begin,
                            std::int32_t end) {
    return frame_any(a, n, positions, out, begin, end);
}

}  // namespace

#endif

#if VZ_FAST_KERNELS && (defined(__i386__) || defined(__x86_64__))

namespace {

__attribute__((target("avx2"))) StepResult step_avx2(const StepArrays& a, const Attractor& at, const StepOutput& out,
                                                     std::int32_t begin, std::int32_t end) {
    return step_lanes(a, at, out, begin, end);
}
__attribute__((target("avx2"))) std::int32_t frame_avx2(const StepArrays& a, float n, bool positions,
                                                        const FrameOutput& out, std::int32_t begin, std::int32_t end) {
    return frame_any(a, n, positions, out, begin, end);
}

// GCC keeps 256-bit vectors on AVX-512 unless told otherwise; clang takes no
// vector-width choice in the attribute.
#if defined(__clang__)
#define VZ_AVX512 target("avx512f,avx512dq,avx512vl,avx512bw")
#else
#define VZ_AVX512 target("avx512f,avx512dq,avx512vl,avx512bw,prefer-vector-width=512")
#endif
__attribute__((VZ_AVX512)) StepResult step_avx512(const StepArrays& a, const Attractor& at, const StepOutput& out,
                                                  std::int32_t begin, std::int32_t end) {
    return step_lanes(a, at, out, begin, end);
}
__attribute__((VZ_AVX512)) std::int32_t frame_avx512(const StepArrays& a, float n, bool positions,
                                                     const FrameOutput& out, std::int32_t begin, std::int32_t end) {
    return frame_any(a, n, positions, out, begin, end);
}

}  // namespace

Kernels sse2_kernels() { return {step_baseline, frame_baseline}; }
Kernels avx2_kernels() { return {step_avx2, frame_avx2}; }
Kernels avx512_kernels() { return {step_avx512, frame_avx512}; }
Kernels neon_kernels() { return {nullptr, nullptr}; }
Kernels simd128_kernels() { return {nullptr, nullptr}; }

#elif VZ_FAST_KERNELS && defined(__aarch64__)

Kernels sse2_kernels() { return {nullptr, nullptr}; }
Kernels avx2_kernels() { return {nullptr, nullptr}; }
Kernels avx512_kernels() { return {nullptr, nullptr}; }
Kernels neon_kernels() { return {step_baseline, frame_baseline}; }
Kernels simd128_kernels() { return {nullptr, nullptr}; }

#elif VZ_FAST_KERNELS && defined(__EMSCRIPTEN__)

Kernels sse2_kernels() { return {nullptr, nullptr}; }
Kernels avx2_kernels() { return {nullptr, nullptr}; }
Kernels avx512_kernels() { return {nullptr, nullptr}; }
Kernels neon_kernels() { return {nullptr, nullptr}; }
Kernels simd128_kernels() { return {step_baseline, frame_baseline}; }

#else

Kernels sse2_kernels() { return {nullptr, nullptr}; }
Kernels avx2_kernels() { return {nullptr, nullptr}; }
Kernels avx512_kernels() { return {nullptr, nullptr}; }
Kernels neon_kernels() { return {nullptr, nullptr}; }
Kernels simd128_kernels() { return {nullptr, nullptr}; }

#endif

}  // namespace vz::fast
