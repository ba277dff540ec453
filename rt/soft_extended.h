#pragma once
// Extended precision computed with integer arithmetic: the x87 unit's 80-bit
// format (sign, 15-bit exponent biased by 16383, 64-bit significand with an
// explicit integer bit) and its results under a 64-bit precision control and
// rounding to nearest, ties to even. Every operation rounds once, at 64
// significand bits, with the format's full exponent range, gradual underflow
// to denormals and signed zeros, as the x87 does with its exceptions masked.
//
// Not-a-number results follow the x87's rules: an invalid operation (0 x inf,
// inf - inf, 0 / 0, inf / inf, the square root of a negative number) gives the
// "real indefinite" NaN (sign set, significand 0xC000000000000000); a NaN
// operand is passed on quiet; of two NaN operands a quiet one before a
// signalling one, then the larger significand, then the positive sign.
//
// Builds whose processor has no x87 compute the simulation in this type (see
// rt/extended.h); on x86 a build option selects it too, so that it can be
// compared with the hardware.

#include <cstdint>
#include <type_traits>

namespace vz {

class SoftExtended {
public:
    // +0.
    constexpr SoftExtended() = default;
    // Exact conversions (every float, double and 64-bit integer has an
    // extended value); a signalling NaN is made quiet.
    SoftExtended(float value);   // NOLINT(google-explicit-constructor): arithmetic mixes freely
    SoftExtended(double value);  // NOLINT(google-explicit-constructor)
    template <typename Int>
    requires std::is_integral_v<Int> SoftExtended(Int value)  // NOLINT(google-explicit-constructor)
        : SoftExtended(std::is_signed_v<Int> ? from_signed(static_cast<std::int64_t>(value))
                                             : from_unsigned(static_cast<std::uint64_t>(value))) {}

    // The value with these fields of the 80-bit format.
    static constexpr SoftExtended from_bits(std::uint16_t sign_exponent, std::uint64_t significand) {
        SoftExtended v;
        v.sign_exponent_ = sign_exponent;
        v.significand_ = significand;
        return v;
    }
    constexpr std::uint16_t sign_exponent() const { return sign_exponent_; }
    constexpr std::uint64_t significand() const { return significand_; }

    // Rounded to nearest, ties to even, with the target's denormals and
    // overflow to infinity; a NaN keeps its sign and the top of its
    // significand and is quiet.
    explicit operator float() const;
    explicit operator double() const;

    friend SoftExtended operator+(SoftExtended a, SoftExtended b);
    friend SoftExtended operator-(SoftExtended a, SoftExtended b);
    friend SoftExtended operator*(SoftExtended a, SoftExtended b);
    friend SoftExtended operator/(SoftExtended a, SoftExtended b);
    friend SoftExtended operator-(SoftExtended a) {
        return from_bits(static_cast<std::uint16_t>(a.sign_exponent_ ^ 0x8000u), a.significand_);
    }
    SoftExtended& operator+=(SoftExtended b) { return *this = *this + b; }
    SoftExtended& operator-=(SoftExtended b) { return *this = *this - b; }
    SoftExtended& operator*=(SoftExtended b) { return *this = *this * b; }
    SoftExtended& operator/=(SoftExtended b) { return *this = *this / b; }

    // Ordered comparisons: a NaN compares unequal to everything, itself too,
    // and +0 equals -0.
    friend bool operator==(SoftExtended a, SoftExtended b);
    friend bool operator<(SoftExtended a, SoftExtended b);
    friend bool operator<=(SoftExtended a, SoftExtended b);
    friend bool operator!=(SoftExtended a, SoftExtended b) { return !(a == b); }
    friend bool operator>(SoftExtended a, SoftExtended b) { return b < a; }
    friend bool operator>=(SoftExtended a, SoftExtended b) { return b <= a; }

    bool is_nan() const;

private:
    static SoftExtended from_signed(std::int64_t value);
    static SoftExtended from_unsigned(std::uint64_t value);

    std::uint64_t significand_ = 0;
    std::uint16_t sign_exponent_ = 0;
};

// The correctly rounded square root; sqrt(-0) is -0.
SoftExtended soft_sqrt(SoftExtended v);
// |v| (the sign cleared, a NaN too).
SoftExtended soft_abs(SoftExtended v);

// Rounding to a whole number, keeping the sign of a zero result; an infinity
// stays, a NaN is passed on quiet.
enum class WholeRounding { nearest_even, toward_zero, down, half_away };
SoftExtended soft_round_whole(SoftExtended v, WholeRounding mode);

// A whole value converted to a 64-bit integer, truncating any fraction; a
// value outside the 64-bit range and NaN give the integer-indefinite value
// INT64_MIN, as the x87's conversion does.
std::int64_t soft_to_i64(SoftExtended v);

}  // namespace vz
