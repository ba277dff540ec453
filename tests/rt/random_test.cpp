// Random numbers: exact draws of every generator, the first-use choice by
// compatibility mode, the argument rules and the conversion of seeds that do
// not fit.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#include "rt/random.h"
#include "rt/runtime.h"
#include "rt/testing.h"

namespace vz {
namespace {

class RandomTest : public testing::Test {
protected:
    void SetUp() override {
        saved_compat_ = compat_mode();
        saved_argc_ = program_argc();
        saved_argv_ = program_argv();
        use_compat_mode(0);
        random_reset_for_test();
    }
    void TearDown() override {
        record_arguments(saved_argc_, saved_argv_, saved_compat_);
        random_reset_for_test();
    }
    void use_compat_mode(std::int32_t mode) { record_arguments(program_argc(), program_argv(), mode); }

    template <std::size_t N>
    static std::array<double, N> draws() {
        std::array<double, N> out{};
        for (auto& v : out) v = random_next(1.0f);
        return out;
    }

private:
    std::int32_t saved_compat_ = 0;
    int saved_argc_ = 0;
    char** saved_argv_ = nullptr;
};

constexpr std::array<double, 3> kMtDrawsFor52231 = {0.20732368133030832, 0.04745869990438223, 0.5531368765514344};

TEST_F(RandomTest, MersenneTwisterDrawsAreBitExact) {
    random_seed(52231.78125, RANDOM_ALG_DEFAULT);
    const auto got = draws<3>();
    EXPECT_EQ(got[0], kMtDrawsFor52231[0]);
    EXPECT_EQ(got[1], kMtDrawsFor52231[1]);
    EXPECT_EQ(got[2], kMtDrawsFor52231[2]);
    EXPECT_EQ(got[0], 0x35132A2Fu * 0x1p-32);
    EXPECT_EQ(got[1], 0x0C2640DCu * 0x1p-32);
    EXPECT_EQ(got[2], 0x8D9A60DBu * 0x1p-32);
}

TEST_F(RandomTest, MersenneTwisterRegeneratesEvery624Draws) {
    // Draws 623 ... 625, 1247, 1248 and 1999 (0-based) cross the first three
    // regenerations of the state.
    random_seed(52231.78125, RANDOM_ALG_MT);
    std::array<std::uint32_t, 2000> words{};
    for (auto& w : words) {
        const double v = random_next(1.0f);
        ASSERT_GE(v, 0.0);
        ASSERT_LT(v, 1.0);
        w = static_cast<std::uint32_t>(v * 0x1p32);
    }
    EXPECT_EQ(words[623], 0x24717492u);
    EXPECT_EQ(words[624], 0xAE018F82u);
    EXPECT_EQ(words[625], 0xC7424D1Du);
    EXPECT_EQ(words[1247], 0x79137B8Au);
    EXPECT_EQ(words[1248], 0x5CCF48F0u);
    EXPECT_EQ(words[1999], 0x3A6F471Du);
    // Reseeding restarts the sequence.
    random_seed(52231.0, RANDOM_ALG_MT);
    EXPECT_EQ(random_next(1.0f), kMtDrawsFor52231[0]);
}

TEST_F(RandomTest, OtherAlgorithmNumbersBehaveAsMersenneTwister) {
    for (std::int32_t algorithm : {3, 5, 99, -1, std::numeric_limits<std::int32_t>::min()}) {
        random_seed(52231.78125, algorithm);
        EXPECT_EQ(random_next(2.5f), kMtDrawsFor52231[0]) << "algorithm " << algorithm;
    }
}

TEST_F(RandomTest, ZeroArgumentRepeatsTheLastValue) {
    EXPECT_EQ(random_next(0.0f), 0.0) << "nothing drawn yet";
    random_seed(52231.78125, RANDOM_ALG_MT);
    EXPECT_EQ(random_next(0.0f), 0.0) << "seeding does not draw";
    EXPECT_EQ(random_next(-0.0f), 0.0);
    const double first = random_next(1.0f);
    EXPECT_EQ(random_next(0.0f), first);
    // A NaN argument is not 0: it draws.
    EXPECT_EQ(random_next(std::numeric_limits<float>::quiet_NaN()), kMtDrawsFor52231[1]);

    random_seed(77.0, RANDOM_ALG_PLATFORM);
    EXPECT_EQ(random_next(0.0f), kMtDrawsFor52231[1]) << "platform draw keeps last_value too";
}

TEST_F(RandomTest, FastGeneratorDrawsAndZeroArgumentShowsTheState) {
    random_seed(327680.0, RANDOM_ALG_FAST);
    EXPECT_EQ(random_next(0.0f), 327680 * 0x1p-32) << "current state, not advanced";
    EXPECT_EQ(random_next(1.0f), 0.22924729413352907);
    EXPECT_EQ(random_next(1.0f), ((984609631ull * 1664525 + 1013904223) % (1ull << 32)) * 0x1p-32);
}

TEST_F(RandomTest, NegativeSeedsTruncateTowardZero) {
    random_seed(-7.9, RANDOM_ALG_FAST);
    EXPECT_EQ(random_next(0.0f), 0xFFFFFFF9u * 0x1p-32);
    random_seed(123456.999, RANDOM_ALG_FAST);
    EXPECT_EQ(random_next(0.0f), 123456 * 0x1p-32);
}

TEST_F(RandomTest, SeedsOutsideSixtyFourBitsGiveTheIndefiniteValue) {
    const double seeds[] = {1e30,
                            -1e30,
                            0x1p63,
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
    for (double seed : seeds) {
        random_seed(5.0, RANDOM_ALG_FAST);
        random_seed(seed, RANDOM_ALG_FAST);
        EXPECT_EQ(random_next(0.0f), 0.0) << "seed " << seed;
    }
    // The largest double below 2^63 still fits: its low 32 bits are kept.
    random_seed(0x1p63 - 1024.0, RANDOM_ALG_FAST);
    EXPECT_EQ(random_next(0.0f), 0xFFFFFC00u * 0x1p-32);
    // The Mersenne Twister takes the same indefinite value (0) as its seed.
    random_seed(0.0, RANDOM_ALG_MT);
    const auto from_zero = draws<2>();
    random_seed(1e30, RANDOM_ALG_MT);
    EXPECT_EQ(draws<2>(), from_zero);
    random_seed(std::numeric_limits<double>::quiet_NaN(), RANDOM_ALG_MT);
    EXPECT_EQ(draws<2>(), from_zero);
}

TEST_F(RandomTest, PlatformGeneratorIsRepeatableAndFifteenBits) {
    random_seed(12345.0, RANDOM_ALG_PLATFORM);
    const auto first = draws<64>();
    random_seed(12345.0, RANDOM_ALG_PLATFORM);
    EXPECT_EQ(draws<64>(), first);
    for (double v : first) {
        ASSERT_GE(v, 0.0);
        ASSERT_LT(v, 1.0);
        EXPECT_EQ(v * 32768.0, std::floor(v * 32768.0)) << "a multiple of 2^-15";
    }
    random_seed(12346.0, RANDOM_ALG_PLATFORM);
    EXPECT_NE(draws<64>(), first);
}

TEST_F(RandomTest, PlatformSeedsOutsideThirtyTwoBitsGiveTheIndefiniteValue) {
    random_seed(-2147483648.0, RANDOM_ALG_PLATFORM);
    const auto indefinite = draws<8>();
    for (double seed : {3e9, 2147483648.0, -2147483649.0, 1e30, -1e30, std::numeric_limits<double>::quiet_NaN()}) {
        random_seed(seed, RANDOM_ALG_PLATFORM);
        EXPECT_EQ(draws<8>(), indefinite) << "seed " << seed;
    }
    // Just inside the range the seed truncates normally.
    random_seed(2147483647.0, RANDOM_ALG_PLATFORM);
    const auto largest = draws<8>();
    EXPECT_NE(largest, indefinite);
    random_seed(2147483647.75, RANDOM_ALG_PLATFORM);
    EXPECT_EQ(draws<8>(), largest);
    random_seed(-2147483648.75, RANDOM_ALG_PLATFORM);
    EXPECT_EQ(draws<8>(), indefinite);
}

TEST_F(RandomTest, TwentyFourBitGeneratorSeedingKeepsTheOldLowByte) {
    random_seed(double(0xAB), RANDOM_ALG_FAST);  // state 0x000000AB
    random_seed(1.0, RANDOM_ALG_24BIT);          // high word 0x3FF00000
    EXPECT_EQ(random_next(0.0f), 0x3FF0AB * 0x1p-24);
    EXPECT_EQ(random_next(1.0f), double((0x3FF0ABull * 16598013 + 12820163) & 0xFFFFFF) * 0x1p-24);
}

TEST_F(RandomTest, TwentyFourBitNegativeArgumentReseedsFromItsBits) {
    random_seed(1.0, RANDOM_ALG_24BIT);
    random_next(1.0f);
    // -1.0f is 0xBF800000: state 0xBF + 0x800000, then one step.
    EXPECT_EQ(random_next(-1.0f), 3758214 * 0x1p-24);
    EXPECT_EQ(random_next(-1.0f), 3758214 * 0x1p-24) << "the same argument reseeds the same way";
}

TEST_F(RandomTest, FirstUseChoosesByCompatibilityMode) {
    use_compat_mode(3);
    random_reset_for_test();
    EXPECT_EQ(random_next(1.0f), 0.7055475115776062);
    EXPECT_EQ(random_next(0.0f), 0.7055475115776062) << "the first draw is stored as last_value";

    // Modes below 1 and above 3 seed the Mersenne Twister with 0.
    random_seed(0.0, RANDOM_ALG_MT);
    const auto from_zero = draws<3>();
    for (std::int32_t mode : {0, -5, 4, 100}) {
        use_compat_mode(mode);
        random_reset_for_test();
        EXPECT_EQ(draws<3>(), from_zero) << "compat mode " << mode;
    }

    // Modes 1 and 2 use the platform generator from its start state without
    // seeding it; seeding with that same state discards one number first.
    for (std::int32_t mode : {1, 2}) {
        use_compat_mode(mode);
        random_reset_for_test();
        const auto unseeded = draws<3>();
        random_seed(1.0, RANDOM_ALG_PLATFORM);
        EXPECT_EQ(random_next(1.0f), unseeded[1]) << "compat mode " << mode;
        EXPECT_EQ(random_next(1.0f), unseeded[2]) << "compat mode " << mode;
    }
}

TEST_F(RandomTest, DefaultAlgorithmFollowsCompatibilityMode) {
    use_compat_mode(3);
    random_seed(1.0, RANDOM_ALG_DEFAULT);  // the 24-bit generator
    EXPECT_EQ(random_next(0.0f), double(0x3FF000 | (327680 & 0xFF)) * 0x1p-24);
    use_compat_mode(2);
    random_seed(12345.0, RANDOM_ALG_DEFAULT);
    const auto platform = draws<4>();
    random_seed(12345.0, RANDOM_ALG_PLATFORM);
    EXPECT_EQ(draws<4>(), platform);
}

TEST_F(RandomTest, MinusOneSeedsFromTheClock) {
    random_seed(-1.0, RANDOM_ALG_FAST);
    const double first_state = random_next(0.0f);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    random_seed(-1.0, RANDOM_ALG_FAST);
    const double second_state = random_next(0.0f);
    EXPECT_NE(first_state, second_state);
    // Not the plain truncation of -1.0.
    EXPECT_NE(first_state, 0xFFFFFFFFu * 0x1p-32);

    random_seed(-1.0, RANDOM_ALG_MT);
    const auto first_run = draws<3>();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    random_seed(-1.0, RANDOM_ALG_MT);
    EXPECT_NE(draws<3>(), first_run);
}

}  // namespace
}  // namespace vz
