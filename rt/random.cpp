// The runtime's random numbers: one process-wide service with four
// generators. All state is process-wide and belongs to the program's thread.

#include "rt/random.h"

#include <array>
#include <bit>
#include <cmath>

#include "rt/runtime.h"
#include "rt/testing.h"
#include "rt/timer.h"

namespace vz {
namespace {

using Generator = double (*)(float argument);

constexpr std::uint32_t INITIAL_LCG_STATE = 327680;  // 0x50000
constexpr int MT_WORDS = 624;
constexpr int MT_OFFSET = 397;
constexpr std::uint32_t MT_UPPER_MASK = 0x80000000u;
constexpr std::uint32_t MT_LOWER_MASK = 0x7FFFFFFFu;
constexpr std::uint32_t MT_MATRIX = 0x9908B0DFu;

constexpr double TWO_POW_MINUS_15 = 0x1p-15;
constexpr double TWO_POW_MINUS_24 = 0x1p-24;
constexpr double TWO_POW_MINUS_32 = 0x1p-32;

double choose_on_first_use(float argument);

Generator g_generator = choose_on_first_use;
std::uint32_t g_lcg_state = INITIAL_LCG_STATE;  // shared by the fast and 24-bit draws
std::array<std::uint32_t, MT_WORDS> g_mt_state{};
int g_mt_next = MT_WORDS;
double g_last_value = 0.0;

// The 15-bit generator behind algorithm 1. It is our own rather than the C
// library's rand so that a seed gives the same sequence on every platform: a
// 32-bit linear congruential step (multiplier 1103515245, increment 12345)
// whose bits 16 ... 30 are the result, 0 ... 32767. Seeding sets the state to
// the seed's 32-bit pattern, so the same seed restarts the same sequence.
std::uint32_t g_platform_state = 1;

void platform_srand(std::int32_t seed) { g_platform_state = static_cast<std::uint32_t>(seed); }

std::int32_t platform_rand() {
    g_platform_state = g_platform_state * 1103515245u + 12345u;
    return static_cast<std::int32_t>((g_platform_state >> 16) & 0x7FFFu);
}

bool asks_for_new_number(float argument) {
    // Compared exactly; a NaN argument is not 0 and so asks for a new number.
    return !(argument == 0.0f);
}

// Truncation toward zero to 32 bits; a value that does not fit (NaN included)
// gives the integer-indefinite value -2147483648.
std::int32_t truncate_to_int32(double seed) {
    if (seed > -2147483649.0 && seed < 2147483648.0) return static_cast<std::int32_t>(seed);
    return INT32_MIN;
}

// Truncation toward zero to 64 bits, low 32 bits kept; a value that does not
// fit (NaN included) is the integer-indefinite value, whose low 32 bits are 0.
std::uint32_t truncate_to_low32_of_int64(double seed) {
    if (seed >= -0x1p63 && seed < 0x1p63) {
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(seed)));
    }
    return 0;
}

double platform_draw(float argument) {
    if (!asks_for_new_number(argument)) return g_last_value;
    return platform_rand() * TWO_POW_MINUS_15;
}

double fast_draw(float argument) {
    if (asks_for_new_number(argument)) g_lcg_state = g_lcg_state * 1664525u + 1013904223u;
    return g_lcg_state * TWO_POW_MINUS_32;
}

double draw_24bit(float argument) {
    if (asks_for_new_number(argument)) {
        if (argument < 0.0f) {
            const auto bits = std::bit_cast<std::uint32_t>(argument);
            g_lcg_state = (bits >> 24) + (bits & 0xFFFFFFu);
        }
        g_lcg_state = (g_lcg_state * 16598013u + 12820163u) & 0xFFFFFFu;
    }
    return g_lcg_state * TWO_POW_MINUS_24;
}

std::uint32_t mt_twist(std::uint32_t upper_from, std::uint32_t lower_from, std::uint32_t far) {
    const std::uint32_t y = (upper_from & MT_UPPER_MASK) | (lower_from & MT_LOWER_MASK);
    return far ^ (y >> 1) ^ ((y & 1u) != 0 ? MT_MATRIX : 0u);
}

void mt_regenerate() {
    int k = 0;
    for (; k < MT_WORDS - MT_OFFSET; ++k) {
        g_mt_state[k] = mt_twist(g_mt_state[k], g_mt_state[k + 1], g_mt_state[k + MT_OFFSET]);
    }
    for (; k < MT_WORDS - 1; ++k) {
        g_mt_state[k] = mt_twist(g_mt_state[k], g_mt_state[k + 1], g_mt_state[k + MT_OFFSET - MT_WORDS]);
    }
    g_mt_state[MT_WORDS - 1] = mt_twist(g_mt_state[MT_WORDS - 1], g_mt_state[0], g_mt_state[MT_OFFSET - 1]);
    g_mt_next = 0;
}

double mt_draw(float argument) {
    if (!asks_for_new_number(argument)) return g_last_value;
    if (g_mt_next >= MT_WORDS) mt_regenerate();
    std::uint32_t y = g_mt_state[g_mt_next++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y * TWO_POW_MINUS_32;
}

// This seeding fills the Mersenne Twister state with a linear congruential
// sequence, not the reference initialisation; only generation and tempering
// follow MT19937.
void mt_seed(std::uint32_t first_word) {
    g_mt_state[0] = first_word;
    for (int i = 1; i < MT_WORDS; ++i) g_mt_state[i] = g_mt_state[i - 1] * 1664525u + 1013904223u;
    g_mt_next = MT_WORDS;
}

std::int32_t default_algorithm() {
    const std::int32_t mode = compat_mode();
    if (mode == 1 || mode == 2) return RANDOM_ALG_PLATFORM;
    if (mode == 3) return RANDOM_ALG_24BIT;
    return RANDOM_ALG_MT;
}

// The initial generator: installs the one the compatibility mode asks for,
// then answers this first draw through it.
double choose_on_first_use(float argument) {
    switch (default_algorithm()) {
    case RANDOM_ALG_PLATFORM:
        g_generator = platform_draw;  // the platform generator keeps its own start
        break;
    case RANDOM_ALG_24BIT:
        g_generator = draw_24bit;
        g_lcg_state = INITIAL_LCG_STATE;
        break;
    default:
        random_seed(0.0, RANDOM_ALG_MT);
        break;
    }
    return random_next(argument);
}

}  // namespace

void random_seed(double seed, std::int32_t algorithm) {
    if (algorithm == RANDOM_ALG_DEFAULT) algorithm = default_algorithm();
    if (seed == -1.0) {
        const auto bits = std::bit_cast<std::uint64_t>(timer_seconds());
        seed = static_cast<double>(static_cast<std::uint32_t>(bits >> 32) ^ static_cast<std::uint32_t>(bits));
    }
    switch (algorithm) {
    case RANDOM_ALG_PLATFORM:
        g_generator = platform_draw;
        platform_srand(truncate_to_int32(seed));
        platform_rand();
        break;
    case RANDOM_ALG_FAST:
        g_generator = fast_draw;
        g_lcg_state = truncate_to_low32_of_int64(seed);
        break;
    case RANDOM_ALG_24BIT: {
        g_generator = draw_24bit;
        const auto hi = static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(seed) >> 32);
        g_lcg_state = (((hi ^ (hi >> 16)) & 0xFFFFu) << 8) | (g_lcg_state & 0xFFu);
        break;
    }
    default:
        g_generator = mt_draw;
        mt_seed(truncate_to_low32_of_int64(seed));
        break;
    }
}

double random_next(float argument) {
    const double value = g_generator(argument);
    g_last_value = value;
    return value;
}

void random_reset_for_test() {
    g_generator = choose_on_first_use;
    g_lcg_state = INITIAL_LCG_STATE;
    g_mt_state.fill(0);
    g_mt_next = MT_WORDS;
    g_last_value = 0.0;
    g_platform_state = 1;
}

}  // namespace vz
