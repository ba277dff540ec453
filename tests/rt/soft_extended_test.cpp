// The software extended type against the x87 itself: every operation the
// exact paths use, on operands drawn to hit ties, near-ties, cancellation,
// denormals, the exponent's ends and every special class, with zero
// differences in any bit of the result. A tie-free random draw would almost
// never round on the boundary, so most operands have sparse significands
// (a few set bits, or runs of ones) and exponents close to each other.
//
// The default run draws VZ_EXTENDED_OPERANDS operands per operation (1 000 000
// when unset); the long CTest run sets tens of millions and
// VZ_EXTENDED_EXHAUSTIVE=1, which sends every float through float -> extended
// -> float and -> double.

#if defined(__x86_64__)

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "rt/extended.h"
#include "rt/fpu.h"
#include "rt/soft_extended.h"

namespace vz {
namespace {

struct Bits {
    std::uint16_t sign_exponent;
    std::uint64_t significand;
    bool operator==(const Bits&) const = default;
};

Bits bits_of(long double v) {
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &v, sizeof v);
    Bits b{};
    std::memcpy(&b.significand, bytes, 8);
    std::memcpy(&b.sign_exponent, bytes + 8, 2);
    return b;
}
Bits bits_of(SoftExtended v) { return {v.sign_exponent(), v.significand()}; }

long double hardware(Bits b) {
    unsigned char bytes[sizeof(long double)] = {};
    std::memcpy(bytes, &b.significand, 8);
    std::memcpy(bytes + 8, &b.sign_exponent, 2);
    long double v;
    std::memcpy(&v, bytes, sizeof v);
    return v;
}
SoftExtended software(Bits b) { return SoftExtended::from_bits(b.sign_exponent, b.significand); }

std::string show(Bits b) {
    char text[40];
    std::snprintf(text, sizeof text, "%04x:%016llx", b.sign_exponent, static_cast<unsigned long long>(b.significand));
    return text;
}

std::uint64_t operand_count() {
    const char* text = std::getenv("VZ_EXTENDED_OPERANDS");
    return text != nullptr ? std::strtoull(text, nullptr, 10) : 1000000;
}
bool exhaustive() {
    const char* text = std::getenv("VZ_EXTENDED_EXHAUSTIVE");
    return text != nullptr && text[0] == '1';
}

// Draws operands in the 80-bit format's valid encodings (integer bit set
// exactly when the exponent field is not 0).
class Operands {
public:
    explicit Operands(std::uint64_t seed) : rng_(seed) {}

    std::uint64_t word() { return rng_(); }
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(rng_() % n); }

    // A significand of one of several shapes: random, a few set bits, a run
    // of ones, all ones, the integer bit alone, or ending in ...1000 / ...0111
    // patterns around the rounding position.
    std::uint64_t fraction_bits() {
        switch (below(8)) {
        case 0:
            return word();
        case 1: {
            std::uint64_t v = 0;
            for (std::uint32_t n = below(4) + 1; n > 0; --n) v |= std::uint64_t{1} << below(64);
            return v;
        }
        case 2: {
            const std::uint32_t start = below(64);
            const std::uint32_t length = below(64 - start) + 1;
            return (length == 64 ? ~std::uint64_t{0} : ((std::uint64_t{1} << length) - 1)) << start;
        }
        case 3:
            return ~std::uint64_t{0} << below(64);
        case 4:
            return 0;
        case 5:
            return word() & (~std::uint64_t{0} << below(64));  // random top, zero tail
        case 6:
            return word() | (~std::uint64_t{0} >> below(64));  // random top, ones tail
        default:
            return word() >> below(64);
        }
    }

    Bits finite(std::int32_t exponent_field) {
        std::uint64_t sig = fraction_bits();
        if (exponent_field == 0) {
            sig &= ~(std::uint64_t{1} << 63);
        } else {
            sig |= std::uint64_t{1} << 63;
        }
        return {static_cast<std::uint16_t>(sign() | exponent_field), sig};
    }

    std::uint16_t sign() { return below(2) != 0 ? 0x8000 : 0; }

    // One operand of any class; exponents mostly near 16383 +- 70 so that
    // sums and differences interact, otherwise anywhere, at the ends or 0.
    Bits any() {
        switch (below(20)) {
        case 0:
            return {sign(), 0};  // zero
        case 1:
            return {static_cast<std::uint16_t>(sign() | 0x7FFF), std::uint64_t{1} << 63};  // infinity
        case 2: {                                                                          // NaN, quiet or signalling
            std::uint64_t sig = (std::uint64_t{1} << 63) | (word() >> 1);
            if ((sig & ~(std::uint64_t{1} << 63)) == 0) sig |= 1;
            return {static_cast<std::uint16_t>(sign() | 0x7FFF), sig};
        }
        case 3:
            return finite(0);  // denormal
        case 4:
            return finite(static_cast<std::int32_t>(1 + below(70)));  // lowest exponents
        case 5:
            return finite(static_cast<std::int32_t>(0x7FFE - below(70)));  // highest
        case 6:
            return finite(static_cast<std::int32_t>(1 + below(0x7FFE)));
        default:
            return finite(static_cast<std::int32_t>(16383 - 70 + below(140)));
        }
    }

    // A second operand related to the first: the same exponent or a near one
    // (cancellation and ties), or unrelated.
    Bits near(Bits a) {
        const std::int32_t e = a.sign_exponent & 0x7FFF;
        if (e == 0x7FFF || below(4) == 0) return any();
        const std::int32_t shifted = e + static_cast<std::int32_t>(below(140)) - 70;
        if (shifted < 0 || shifted > 0x7FFE) return any();
        Bits b = finite(shifted);
        if (below(3) == 0 && shifted == e && e != 0) {
            b.significand = a.significand ^ (word() >> below(64));  // the same top bits
            b.significand |= std::uint64_t{1} << 63;
        }
        return b;
    }

private:
    std::mt19937_64 rng_;
};

class SoftExtendedTest : public ::testing::Test {
protected:
    void SetUp() override { set_extended_precision(); }
};

template <typename Hardware, typename Software>
void compare_binary(std::uint64_t seed, Hardware hw, Software sw) {
    Operands draw(seed);
    std::uint64_t differences = 0;
    const std::uint64_t n = operand_count();
    for (std::uint64_t i = 0; i < n; ++i) {
        const Bits a = draw.any();
        const Bits b = draw.below(2) != 0 ? draw.near(a) : draw.any();
        const Bits expected = bits_of(hw(hardware(a), hardware(b)));
        const Bits got = bits_of(sw(software(a), software(b)));
        if (!(expected == got) && ++differences <= 5) {
            ADD_FAILURE() << show(a) << " op " << show(b) << ": x87 " << show(expected) << ", software " << show(got);
        }
    }
    EXPECT_EQ(differences, 0u) << "of " << n;
}

// The x87 instructions themselves: volatile keeps the compiler from folding.
long double x87_add(long double a, long double b) {
    volatile long double r = a + b;
    return r;
}
long double x87_sub(long double a, long double b) {
    volatile long double r = a - b;
    return r;
}
long double x87_mul(long double a, long double b) {
    volatile long double r = a * b;
    return r;
}
long double x87_div(long double a, long double b) {
    volatile long double r = a / b;
    return r;
}

TEST_F(SoftExtendedTest, ArithmeticMatchesTheX87BitForBit) {
    compare_binary(1, x87_add, [](SoftExtended a, SoftExtended b) { return a + b; });
    compare_binary(2, x87_sub, [](SoftExtended a, SoftExtended b) { return a - b; });
    compare_binary(3, x87_mul, [](SoftExtended a, SoftExtended b) { return a * b; });
    compare_binary(4, x87_div, [](SoftExtended a, SoftExtended b) { return a / b; });
}

// Which NaN an operation passes on: quiet and signalling operands, equal and
// different payloads, either sign, on either side, against numbers too.
TEST_F(SoftExtendedTest, NaNOperandsArePassedOnAsByTheX87) {
    std::vector<Bits> operands;
    for (std::uint16_t sign : {std::uint16_t{0}, std::uint16_t{0x8000}}) {
        for (std::uint64_t sig : {0xC000000000000000u, 0xC000000000000001u, 0xE000000000000000u, 0x8000000000000001u,
                                  0xA000000000000000u, 0xBFFFFFFFFFFFFFFFu, 0xFFFFFFFFFFFFFFFFu}) {
            operands.push_back({static_cast<std::uint16_t>(sign | 0x7FFF), sig});
        }
        operands.push_back({static_cast<std::uint16_t>(sign | 0x7FFF), 0x8000000000000000u});  // infinity
        operands.push_back({static_cast<std::uint16_t>(sign | 0x3FFF), 0x8000000000000000u});  // one
        operands.push_back({sign, 0});                                                         // zero
    }
    std::uint64_t differences = 0;
    for (const Bits a : operands) {
        for (const Bits b : operands) {
            const long double ha = hardware(a), hb = hardware(b);
            const SoftExtended sa = software(a), sb = software(b);
            const Bits expected[4] = {bits_of(x87_add(ha, hb)), bits_of(x87_sub(ha, hb)), bits_of(x87_mul(ha, hb)),
                                      bits_of(x87_div(ha, hb))};
            const Bits got[4] = {bits_of(sa + sb), bits_of(sa - sb), bits_of(sa * sb), bits_of(sa / sb)};
            for (int op = 0; op < 4; ++op) {
                if (!(expected[op] == got[op]) && ++differences <= 10) {
                    ADD_FAILURE() << show(a) << " op" << op << " " << show(b) << ": x87 " << show(expected[op])
                                  << ", software " << show(got[op]);
                }
            }
        }
    }
    EXPECT_EQ(differences, 0u);
}

TEST_F(SoftExtendedTest, ComparisonsMatchTheX87) {
    Operands draw(5);
    std::uint64_t differences = 0;
    const std::uint64_t n = operand_count();
    for (std::uint64_t i = 0; i < n; ++i) {
        const Bits a = draw.any();
        // Equal values in different encodings' reach: the same value, its
        // negation, and near neighbours.
        Bits b = draw.below(4) == 0 ? a : draw.near(a);
        if (draw.below(8) == 0) b.sign_exponent ^= 0x8000;
        const long double ha = hardware(a), hb = hardware(b);
        const SoftExtended sa = software(a), sb = software(b);
        const int expected = (ha < hb) | (ha <= hb) << 1 | (ha == hb) << 2 | (ha != hb) << 3 | (ha > hb) << 4 |
                             (ha >= hb) << 5 | (std::isnan(ha) ? 1 : 0) << 6;
        const int got = (sa < sb) | (sa <= sb) << 1 | (sa == sb) << 2 | (sa != sb) << 3 | (sa > sb) << 4 |
                        (sa >= sb) << 5 | (sa.is_nan() ? 1 : 0) << 6;
        if (expected != got && ++differences <= 5) {
            ADD_FAILURE() << show(a) << " vs " << show(b) << ": x87 " << expected << ", software " << got;
        }
    }
    EXPECT_EQ(differences, 0u);
}

// Square roots of arbitrary operands and of squares and their neighbours,
// where the root lies closest to a rounding boundary.
TEST_F(SoftExtendedTest, SquareRootMatchesTheX87BitForBit) {
    Operands draw(6);
    std::uint64_t differences = 0;
    const std::uint64_t n = operand_count();
    for (std::uint64_t i = 0; i < n; ++i) {
        Bits a = draw.any();
        if (draw.below(2) == 0 && (a.sign_exponent & 0x7FFF) != 0x7FFF) {
            const long double r = hardware(draw.near(a));
            volatile long double square = r * r;
            a = bits_of(square);
            if (draw.below(2) == 0) a.significand += draw.below(2) != 0 ? 1 : -1;
            if ((a.sign_exponent & 0x7FFF) != 0) a.significand |= std::uint64_t{1} << 63;
        }
        volatile long double x = hardware(a);
        const Bits expected = bits_of(std::sqrt(static_cast<long double>(x)));
        const Bits got = bits_of(soft_sqrt(software(a)));
        if (!(expected == got) && ++differences <= 5) {
            ADD_FAILURE() << "sqrt " << show(a) << ": x87 " << show(expected) << ", software " << show(got);
        }
    }
    EXPECT_EQ(differences, 0u);
}

// To float and double: operands around each format's denormal range and
// overflow, and anywhere.
TEST_F(SoftExtendedTest, NarrowingMatchesTheX87) {
    Operands draw(7);
    std::uint64_t differences = 0;
    const std::uint64_t n = operand_count();
    for (std::uint64_t i = 0; i < n; ++i) {
        Bits a = draw.any();
        if (draw.below(2) == 0 && (a.sign_exponent & 0x7FFF) != 0x7FFF) {
            static constexpr std::int32_t centres[] = {16383 - 126,  16383 - 149,  16383 + 127, 16383 - 1022,
                                                       16383 - 1074, 16383 + 1023, 16383};
            const std::int32_t e = centres[draw.below(7)] + static_cast<std::int32_t>(draw.below(60)) - 30;
            a = draw.finite(e);
        }
        volatile long double x = hardware(a);
        const float hf = static_cast<float>(x);
        const double hd = static_cast<double>(x);
        const float sf = static_cast<float>(software(a));
        const double sd = static_cast<double>(software(a));
        if ((std::memcmp(&hf, &sf, 4) != 0 || std::memcmp(&hd, &sd, 8) != 0) && ++differences <= 5) {
            ADD_FAILURE() << "narrowing " << show(a) << ": x87 " << hf << " / " << hd << ", software " << sf << " / "
                          << sd;
        }
    }
    EXPECT_EQ(differences, 0u);
}

// From double and the integers: exact on both sides, signalling NaNs made
// quiet; and back to double after each.
TEST_F(SoftExtendedTest, WideningMatchesTheX87) {
    Operands draw(8);
    std::uint64_t differences = 0;
    const std::uint64_t n = operand_count();
    for (std::uint64_t i = 0; i < n; ++i) {
        const std::uint64_t w = draw.below(2) == 0 ? draw.word() : draw.fraction_bits() ^ (draw.word() << 52);
        double d;
        std::memcpy(&d, &w, 8);
        volatile double vd = d;
        const auto as_i64 = static_cast<std::int64_t>(draw.below(2) == 0 ? w : w >> draw.below(64));
        volatile std::int64_t vi = as_i64;
        volatile std::int32_t v32 = static_cast<std::int32_t>(as_i64);
        volatile std::uint64_t vu = w >> draw.below(2);
        const bool same =
            bits_of(static_cast<long double>(vd)) == bits_of(SoftExtended(d)) &&
            bits_of(static_cast<long double>(vi)) == bits_of(SoftExtended(as_i64)) &&
            bits_of(static_cast<long double>(v32)) == bits_of(SoftExtended(static_cast<std::int32_t>(as_i64))) &&
            bits_of(static_cast<long double>(vu)) == bits_of(SoftExtended(static_cast<std::uint64_t>(vu)));
        if (!same && ++differences <= 5) ADD_FAILURE() << "widening of the word " << w;
    }
    EXPECT_EQ(differences, 0u);
}

// Every float through float -> extended -> float and -> double when
// exhaustive, otherwise every 251st (a prime stride, so every exponent and
// many fraction patterns are met) and the class boundaries.
TEST_F(SoftExtendedTest, FloatsRoundTripAsOnTheX87) {
    const std::uint64_t stride = exhaustive() ? 1 : 251;
    std::uint64_t differences = 0;
    const auto check = [&](std::uint32_t w) {
        float f;
        std::memcpy(&f, &w, 4);
        volatile float vf = f;
        // volatile: the compiler would otherwise fold float -> long double ->
        // float away, and with it the x87's quieting of a signalling NaN.
        volatile long double vh = vf;
        const long double h = vh;
        const SoftExtended s(f);
        const float hf = static_cast<float>(h), sf = static_cast<float>(s);
        const double hd = static_cast<double>(h), sd = static_cast<double>(s);
        if ((!(bits_of(h) == bits_of(s)) || std::memcmp(&hf, &sf, 4) != 0 || std::memcmp(&hd, &sd, 8) != 0) &&
            ++differences <= 5) {
            ADD_FAILURE() << "float word " << w << ": x87 " << show(bits_of(h)) << ", software " << show(bits_of(s));
        }
    };
    for (std::uint64_t w = 0; w <= 0xFFFFFFFFu; w += stride) check(static_cast<std::uint32_t>(w));
    for (std::uint32_t w : {0x00000000u, 0x80000000u, 0x00000001u, 0x007FFFFFu, 0x00800000u, 0x7F7FFFFFu, 0x7F800000u,
                            0x7F800001u, 0x7FBFFFFFu, 0x7FC00000u, 0xFFFFFFFFu, 0xFF800000u}) {
        check(w);
    }
    EXPECT_EQ(differences, 0u);
}

// Whole-number rounding (ties to even, truncation, floor, half away from
// zero) and the truncating conversion to 64 bits with its indefinite value.
TEST_F(SoftExtendedTest, WholeNumberRoundingMatchesTheLibrary) {
    Operands draw(9);
    std::uint64_t differences = 0;
    const std::uint64_t n = operand_count();
    for (std::uint64_t i = 0; i < n; ++i) {
        Bits a = draw.any();
        if (draw.below(2) == 0 && (a.sign_exponent & 0x7FFF) != 0x7FFF) {
            a = draw.finite(16383 - 3 + static_cast<std::int32_t>(draw.below(70)));  // fractions and the 2^63 edge
        }
        volatile long double x = hardware(a);
        const SoftExtended s = software(a);
        const long double lx = x;
        std::int64_t truncated = std::numeric_limits<std::int64_t>::min();
        if (lx >= -0x1p63L && lx < 0x1p63L) truncated = static_cast<std::int64_t>(lx);
        const char* differs = nullptr;
        if (bits_of(std::nearbyint(lx)) != bits_of(soft_round_whole(s, WholeRounding::nearest_even))) {
            differs = "nearbyint";
        } else if (bits_of(std::trunc(lx)) != bits_of(soft_round_whole(s, WholeRounding::toward_zero))) {
            differs = "trunc";
        } else if (bits_of(std::floor(lx)) != bits_of(soft_round_whole(s, WholeRounding::down))) {
            differs = "floor";
        } else if (bits_of(round_half_away(lx)) != bits_of(soft_round_whole(s, WholeRounding::half_away))) {
            differs = "round";  // against the exact rounding: mingw-w64's roundl is off
        } else if (bits_of(std::fabs(lx)) != bits_of(soft_abs(s))) {
            differs = "fabs";
        } else if (truncated != soft_to_i64(s)) {
            differs = "conversion to a 64-bit integer";
        }
#ifndef _WIN32
        // The exact rounding is glibc's, operand for operand.
        if (differs == nullptr && bits_of(std::round(lx)) != bits_of(round_half_away(lx))) {
            differs = "round_half_away against the C library";
        }
#endif
        if (differs != nullptr && ++differences <= 5) ADD_FAILURE() << differs << " of " << show(a);
    }
    EXPECT_EQ(differences, 0u);
}

}  // namespace
}  // namespace vz

#endif
