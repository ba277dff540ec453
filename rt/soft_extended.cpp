// The software extended type (see soft_extended.h). A finite non-zero value
// is worked on unpacked: its sign, a significand normalised to bit 63 and an
// exponent e such that the value is significand x 2^(e - 16383 - 63). For a
// normal value e is the format's exponent field; a denormal's e lies below 1.
// Results are formed exactly, or with the bits beyond the 64th kept as a
// 64-bit "rest" whose lowest bit also records anything lost below it, and
// are then rounded once by round_pack.

#include "rt/soft_extended.h"

#include <bit>
#include <limits>
#include <utility>

namespace vz {

namespace {

__extension__ typedef unsigned __int128 u128;

constexpr std::int32_t BIAS = 16383;
constexpr std::int32_t EXPONENT_ALL_ONES = 0x7FFF;
constexpr std::uint64_t INTEGER_BIT = std::uint64_t{1} << 63;
constexpr std::uint64_t QUIET_BIT = std::uint64_t{1} << 62;
constexpr std::uint16_t SIGN_BIT = 0x8000;

// The x87's "real indefinite": what an invalid operation gives.
constexpr SoftExtended INDEFINITE = SoftExtended::from_bits(0xFFFF, 0xC000000000000000u);

enum class Kind { zero, finite, infinity, nan };

struct Unpacked {
    bool negative;
    std::int32_t exponent;
    std::uint64_t significand;  // bit 63 set
};

bool is_negative(SoftExtended v) { return (v.sign_exponent() & SIGN_BIT) != 0; }
std::int32_t exponent_field(SoftExtended v) { return v.sign_exponent() & EXPONENT_ALL_ONES; }

Kind kind_of(SoftExtended v) {
    const std::int32_t e = exponent_field(v);
    if (e == EXPONENT_ALL_ONES) return (v.significand() & ~INTEGER_BIT) == 0 ? Kind::infinity : Kind::nan;
    if (v.significand() == 0) return Kind::zero;
    return Kind::finite;
}

Unpacked unpack(SoftExtended v) {
    // A denormal (exponent field 0) has the weight of field 1.
    std::int32_t e = exponent_field(v);
    if (e == 0) e = 1;
    const int shift = std::countl_zero(v.significand());
    return {is_negative(v), e - shift, v.significand() << shift};
}

SoftExtended pack(bool negative, std::int32_t field, std::uint64_t significand) {
    return SoftExtended::from_bits(static_cast<std::uint16_t>((negative ? SIGN_BIT : 0) | field), significand);
}

SoftExtended zero(bool negative) { return pack(negative, 0, 0); }
SoftExtended infinity(bool negative) { return pack(negative, EXPONENT_ALL_ONES, INTEGER_BIT); }

SoftExtended quiet(SoftExtended v) { return SoftExtended::from_bits(v.sign_exponent(), v.significand() | QUIET_BIT); }

// The NaN an operation with at least one NaN operand gives: a quiet operand
// before a signalling one, otherwise the larger significand; of two equal
// significands, the positive one.
SoftExtended propagate_nan(SoftExtended a, SoftExtended b) {
    const bool a_nan = kind_of(a) == Kind::nan;
    const bool b_nan = kind_of(b) == Kind::nan;
    if (a_nan && b_nan) {
        const bool a_quiet = (a.significand() & QUIET_BIT) != 0;
        const bool b_quiet = (b.significand() & QUIET_BIT) != 0;
        if (a_quiet != b_quiet) return quiet(a_quiet ? a : b);
        if (a.significand() != b.significand()) return quiet(b.significand() > a.significand() ? b : a);
        return quiet(is_negative(a) ? b : a);
    }
    return quiet(a_nan ? a : b);
}

// Rounds (significand + rest / 2^64) x 2^(e - 16383 - 63) to nearest, ties
// to even, and packs it. The significand has bit 63 set; the rest's lowest
// bit is set whenever anything non-zero was dropped below it. Below the
// normal range the value is first shifted down to the denormal scale, so
// that it is rounded once, at the denormal's last place.
SoftExtended round_pack(bool negative, std::int32_t e, std::uint64_t significand, std::uint64_t rest) {
    if (e <= 0) {
        const std::int32_t shift = 1 - e;
        if (shift >= 128) {
            rest = (significand | rest) != 0 ? 1 : 0;
            significand = 0;
        } else if (shift >= 64) {
            const bool lost = rest != 0 || (shift > 64 && (significand << (128 - shift)) != 0);
            rest = (shift == 64 ? significand : significand >> (shift - 64)) | (lost ? 1 : 0);
            significand = 0;
        } else {
            const bool lost = (rest << (64 - shift)) != 0;
            rest = (rest >> shift) | (significand << (64 - shift)) | (lost ? 1 : 0);
            significand >>= shift;
        }
        e = 0;
    }
    if (rest > INTEGER_BIT || (rest == INTEGER_BIT && (significand & 1) != 0)) {
        ++significand;
        if (significand == 0) {  // carried out of bit 63
            significand = INTEGER_BIT;
            ++e;
        } else if (e == 0 && significand == INTEGER_BIT) {
            e = 1;  // a denormal rounded up to the smallest normal value
        }
    }
    if (e >= EXPONENT_ALL_ONES) return infinity(negative);
    if (significand == 0) return zero(negative);
    return pack(negative, e, significand);
}

// The exact value magnitude x 2^power (magnitude non-zero and the result
// within the normal range, as for every float, double and integer).
SoftExtended exact(bool negative, std::uint64_t magnitude, std::int32_t power) {
    const int shift = std::countl_zero(magnitude);
    return pack(negative, power - shift + BIAS + 63, magnitude << shift);
}

SoftExtended add_magnitudes(SoftExtended a, SoftExtended b, bool b_negative) {
    const Kind ka = kind_of(a);
    const Kind kb = kind_of(b);
    if (ka == Kind::nan || kb == Kind::nan) return propagate_nan(a, b);
    const bool a_negative = is_negative(a);
    if (ka == Kind::infinity) {
        if (kb == Kind::infinity && a_negative != b_negative) return INDEFINITE;
        return a;
    }
    if (kb == Kind::infinity) return infinity(b_negative);
    if (ka == Kind::zero && kb == Kind::zero) return zero(a_negative && b_negative);
    if (ka == Kind::zero) return pack(b_negative, exponent_field(b), b.significand());
    if (kb == Kind::zero) return a;

    Unpacked x = unpack(a);
    Unpacked y = unpack(b);
    y.negative = b_negative;
    if (y.exponent > x.exponent || (y.exponent == x.exponent && y.significand > x.significand)) std::swap(x, y);

    // Both significands as 128-bit fixed point; the smaller one shifted into
    // place, whatever falls off kept as a sticky lowest bit.
    const u128 big = static_cast<u128>(x.significand) << 64;
    u128 small = static_cast<u128>(y.significand) << 64;
    const std::int32_t distance = x.exponent - y.exponent;
    if (distance >= 128) {
        small = 1;
    } else if (distance > 0) {
        const bool lost = (small & ((static_cast<u128>(1) << distance) - 1)) != 0;
        small = (small >> distance) | (lost ? 1 : 0);
    }

    std::int32_t e = x.exponent;
    u128 sum;
    if (x.negative == y.negative) {
        sum = big + small;
        if (sum < big) {  // carry out of bit 127
            sum = (sum >> 1) | (sum & 1) | (static_cast<u128>(1) << 127);
            ++e;
        }
    } else {
        sum = big - small;
        if (sum == 0) return zero(false);  // exact cancellation gives +0 when rounding to nearest
        const auto high = static_cast<std::uint64_t>(sum >> 64);
        const int shift = high != 0 ? std::countl_zero(high) : 64 + std::countl_zero(static_cast<std::uint64_t>(sum));
        sum <<= shift;
        e -= shift;
    }
    return round_pack(x.negative, e, static_cast<std::uint64_t>(sum >> 64), static_cast<std::uint64_t>(sum));
}

// The float or double encoding of v: P significand bits (with the hidden
// one), EXPONENT_BITS exponent bits.
template <int P, int EXPONENT_BITS>
std::uint64_t to_binary(SoftExtended v) {
    constexpr int WIDTH = P + EXPONENT_BITS;
    constexpr std::int32_t TARGET_BIAS = (1 << (EXPONENT_BITS - 1)) - 1;
    constexpr std::int32_t MIN_EXPONENT = 1 - TARGET_BIAS;
    constexpr std::uint64_t FRACTION_MASK = (std::uint64_t{1} << (P - 1)) - 1;
    constexpr std::uint64_t EXPONENT_MASK = ((std::uint64_t{1} << EXPONENT_BITS) - 1) << (P - 1);
    const std::uint64_t sign = is_negative(v) ? std::uint64_t{1} << (WIDTH - 1) : 0;
    switch (kind_of(v)) {
    case Kind::zero:
        return sign;
    case Kind::infinity:
        return sign | EXPONENT_MASK;
    case Kind::nan:
        return sign | EXPONENT_MASK | (std::uint64_t{1} << (P - 2)) | ((v.significand() >> (64 - P)) & FRACTION_MASK);
    case Kind::finite:
        break;
    }
    const Unpacked u = unpack(v);
    const std::int32_t lead = u.exponent - BIAS;  // the leading bit's power of two
    if (lead > TARGET_BIAS) return sign | EXPONENT_MASK;
    std::int32_t shift = 64 - P;
    if (lead < MIN_EXPONENT) shift += MIN_EXPONENT - lead;
    std::uint64_t rounded;
    if (shift > 64) {
        rounded = 0;  // below half the smallest denormal
    } else if (shift == 64) {
        rounded = u.significand > INTEGER_BIT ? 1 : 0;  // exactly half rounds to the even 0
    } else {
        rounded = u.significand >> shift;
        const std::uint64_t rest = u.significand & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (rounded & 1) != 0)) ++rounded;
    }
    // A carry out of the significand moves into the exponent field; past the
    // largest exponent that gives infinity. A denormal's encoding is its
    // significand alone, and one rounded up becomes the smallest normal.
    if (lead < MIN_EXPONENT) return sign | rounded;
    return sign | ((static_cast<std::uint64_t>(lead + TARGET_BIAS - 1) << (P - 1)) + rounded);
}

// The whole part of a non-negative fixed-point square root: floor(sqrt(n))
// and the remainder n - root^2, digit by digit.
u128 integer_sqrt(u128 n, u128& remainder) {
    u128 root = 0;
    u128 bit = static_cast<u128>(1) << 126;
    while (bit != 0) {
        if (n >= root + bit) {
            n -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
        bit >>= 2;
    }
    remainder = n;
    return root;
}

}  // namespace

SoftExtended::SoftExtended(float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    const bool negative = (bits >> 31) != 0;
    const std::int32_t e = static_cast<std::int32_t>((bits >> 23) & 0xFF);
    const std::uint64_t fraction = bits & 0x7FFFFF;
    if (e == 0xFF) {
        *this = fraction == 0 ? infinity(negative)
                              : pack(negative, EXPONENT_ALL_ONES, INTEGER_BIT | QUIET_BIT | (fraction << 40));
    } else if (e == 0) {
        *this = fraction == 0 ? zero(negative) : exact(negative, fraction, -149);
    } else {
        *this = exact(negative, fraction | (std::uint64_t{1} << 23), e - 127 - 23);
    }
}

SoftExtended::SoftExtended(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const bool negative = (bits >> 63) != 0;
    const std::int32_t e = static_cast<std::int32_t>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (e == 0x7FF) {
        *this = fraction == 0 ? infinity(negative)
                              : pack(negative, EXPONENT_ALL_ONES, INTEGER_BIT | QUIET_BIT | (fraction << 11));
    } else if (e == 0) {
        *this = fraction == 0 ? zero(negative) : exact(negative, fraction, -1074);
    } else {
        *this = exact(negative, fraction | (std::uint64_t{1} << 52), e - 1023 - 52);
    }
}

SoftExtended SoftExtended::from_signed(std::int64_t value) {
    if (value == 0) return zero(false);
    const std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    return exact(value < 0, magnitude, 0);
}

SoftExtended SoftExtended::from_unsigned(std::uint64_t value) {
    return value == 0 ? zero(false) : exact(false, value, 0);
}

SoftExtended::operator float() const {
    return std::bit_cast<float>(static_cast<std::uint32_t>(to_binary<24, 8>(*this)));
}
SoftExtended::operator double() const { return std::bit_cast<double>(to_binary<53, 11>(*this)); }

bool SoftExtended::is_nan() const { return kind_of(*this) == Kind::nan; }

SoftExtended operator+(SoftExtended a, SoftExtended b) { return add_magnitudes(a, b, is_negative(b)); }
SoftExtended operator-(SoftExtended a, SoftExtended b) { return add_magnitudes(a, b, !is_negative(b)); }

SoftExtended operator*(SoftExtended a, SoftExtended b) {
    const Kind ka = kind_of(a);
    const Kind kb = kind_of(b);
    if (ka == Kind::nan || kb == Kind::nan) return propagate_nan(a, b);
    const bool negative = is_negative(a) != is_negative(b);
    if (ka == Kind::infinity || kb == Kind::infinity) {
        if (ka == Kind::zero || kb == Kind::zero) return INDEFINITE;
        return infinity(negative);
    }
    if (ka == Kind::zero || kb == Kind::zero) return zero(negative);
    const Unpacked x = unpack(a);
    const Unpacked y = unpack(b);
    u128 product = static_cast<u128>(x.significand) * y.significand;
    std::int32_t e = x.exponent + y.exponent - BIAS + 1;
    if ((product >> 127) == 0) {
        product <<= 1;
        --e;
    }
    return round_pack(negative, e, static_cast<std::uint64_t>(product >> 64), static_cast<std::uint64_t>(product));
}

SoftExtended operator/(SoftExtended a, SoftExtended b) {
    const Kind ka = kind_of(a);
    const Kind kb = kind_of(b);
    if (ka == Kind::nan || kb == Kind::nan) return propagate_nan(a, b);
    const bool negative = is_negative(a) != is_negative(b);
    if (ka == Kind::infinity) return kb == Kind::infinity ? INDEFINITE : infinity(negative);
    if (kb == Kind::infinity) return zero(negative);
    if (ka == Kind::zero) return kb == Kind::zero ? INDEFINITE : zero(negative);
    if (kb == Kind::zero) return infinity(negative);
    const Unpacked x = unpack(a);
    const Unpacked y = unpack(b);
    // The numerator placed so that the quotient has exactly 64 bits.
    const bool larger = x.significand >= y.significand;
    const u128 numerator = static_cast<u128>(x.significand) << (larger ? 63 : 64);
    const auto quotient = static_cast<std::uint64_t>(numerator / y.significand);
    const u128 remainder = numerator % y.significand;
    // The next 64 bits of the quotient, and whether it goes on beyond them.
    const u128 next = remainder << 64;
    const auto rest = static_cast<std::uint64_t>(next / y.significand);
    const bool lost = next % y.significand != 0;
    const std::int32_t e = x.exponent - y.exponent + BIAS - (larger ? 0 : 1);
    return round_pack(negative, e, quotient, rest | (lost ? 1 : 0));
}

bool operator==(SoftExtended a, SoftExtended b) {
    const Kind ka = kind_of(a);
    const Kind kb = kind_of(b);
    if (ka == Kind::nan || kb == Kind::nan) return false;
    if (ka == Kind::zero && kb == Kind::zero) return true;
    return a.sign_exponent() == b.sign_exponent() && a.significand() == b.significand();
}

namespace {

// -1, 0 or 1 as a is below, equal to or above b; neither is a NaN.
int compare_ordered(SoftExtended a, SoftExtended b) {
    const bool a_zero = kind_of(a) == Kind::zero;
    const bool b_zero = kind_of(b) == Kind::zero;
    if (a_zero && b_zero) return 0;
    const bool a_negative = !a_zero && is_negative(a);
    const bool b_negative = !b_zero && is_negative(b);
    if (a_negative != b_negative) return a_negative ? -1 : 1;
    // Same sign: the encodings of the magnitudes order as the magnitudes.
    const auto key = [](SoftExtended v) { return (static_cast<u128>(exponent_field(v)) << 64) | v.significand(); };
    const u128 ka = a_zero ? 0 : key(a);
    const u128 kb = b_zero ? 0 : key(b);
    if (ka == kb) return 0;
    return (ka < kb) != a_negative ? -1 : 1;
}

}  // namespace

bool operator<(SoftExtended a, SoftExtended b) {
    if (a.is_nan() || b.is_nan()) return false;
    return compare_ordered(a, b) < 0;
}

bool operator<=(SoftExtended a, SoftExtended b) {
    if (a.is_nan() || b.is_nan()) return false;
    return compare_ordered(a, b) <= 0;
}

SoftExtended soft_sqrt(SoftExtended v) {
    switch (kind_of(v)) {
    case Kind::nan:
        return quiet(v);
    case Kind::zero:
        return v;
    case Kind::infinity:
        return is_negative(v) ? INDEFINITE : v;
    case Kind::finite:
        break;
    }
    if (is_negative(v)) return INDEFINITE;
    const Unpacked u = unpack(v);
    // value = significand x 2^power; the significand is widened by 63 or 64
    // bits so that the power left over is even, and its 64-bit root taken.
    const std::int32_t power = u.exponent - BIAS - 63;
    const int widen = ((power - 63) & 1) == 0 ? 63 : 64;
    u128 remainder = 0;
    const auto root = static_cast<std::uint64_t>(integer_sqrt(static_cast<u128>(u.significand) << widen, remainder));
    // The exact root lies in [root, root + 1) and is never exactly halfway:
    // it is above root + 1/2 exactly when remainder > root.
    const std::uint64_t rest = remainder > root ? (INTEGER_BIT | 1) : (remainder != 0 ? 1 : 0);
    return round_pack(false, (power - widen) / 2 + BIAS + 63, root, rest);
}

SoftExtended soft_abs(SoftExtended v) {
    return SoftExtended::from_bits(static_cast<std::uint16_t>(v.sign_exponent() & ~SIGN_BIT), v.significand());
}

SoftExtended soft_round_whole(SoftExtended v, WholeRounding mode) {
    switch (kind_of(v)) {
    case Kind::nan:
        return quiet(v);
    case Kind::zero:
    case Kind::infinity:
        return v;
    case Kind::finite:
        break;
    }
    const Unpacked u = unpack(v);
    const std::int32_t lead = u.exponent - BIAS;
    if (lead >= 63) return v;  // no fraction bits
    // The whole part and the fraction as 64-bit fixed point (2^63 = one half).
    std::uint64_t whole = 0;
    std::uint64_t fraction;
    if (lead >= 0) {
        whole = u.significand >> (63 - lead);
        fraction = u.significand << (lead + 1);
    } else if (lead == -1) {
        fraction = u.significand;
    } else {
        fraction = 1;  // non-zero and below one half
    }
    bool up = false;
    switch (mode) {
    case WholeRounding::nearest_even:
        up = fraction > INTEGER_BIT || (fraction == INTEGER_BIT && (whole & 1) != 0);
        break;
    case WholeRounding::toward_zero:
        break;
    case WholeRounding::down:
        up = u.negative && fraction != 0;
        break;
    case WholeRounding::half_away:
        up = fraction >= INTEGER_BIT;
        break;
    }
    whole += up ? 1 : 0;
    return whole == 0 ? zero(u.negative) : exact(u.negative, whole, 0);
}

std::int64_t soft_to_i64(SoftExtended v) {
    constexpr std::int64_t INDEFINITE_INTEGER = std::numeric_limits<std::int64_t>::min();
    switch (kind_of(v)) {
    case Kind::nan:
    case Kind::infinity:
        return INDEFINITE_INTEGER;
    case Kind::zero:
        return 0;
    case Kind::finite:
        break;
    }
    const Unpacked u = unpack(v);
    const std::int32_t lead = u.exponent - BIAS;
    if (lead < 0) return 0;
    if (lead >= 63) return INDEFINITE_INTEGER;  // beyond the range; -2^63 itself is this value too
    const std::uint64_t magnitude = u.significand >> (63 - lead);
    return u.negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
}

}  // namespace vz
