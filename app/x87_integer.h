#pragma once
// Conversions and integer arithmetic with the results the x87 unit gives the
// simulation: float-to-integer conversion rounds to nearest with ties to even,
// a value that does not fit (or NaN) becomes the "integer indefinite" value
// (the most negative integer of the width), and 32-bit division truncates.
// Every case is computed explicitly so that no conversion is left undefined.

#include <cstdint>
#include <limits>

#include "rt/extended.h"

namespace vz {

// The integer-indefinite values a failed conversion produces.
inline constexpr std::int32_t INDEFINITE_I32 = std::numeric_limits<std::int32_t>::min();
inline constexpr std::int64_t INDEFINITE_I64 = std::numeric_limits<std::int64_t>::min();

// Round to nearest, ties to even, into 32 bits. Values that round outside
// the 32-bit range and NaN give INDEFINITE_I32. Relies on the default
// round-to-nearest mode, which the runtime sets at start.
inline std::int32_t round_to_i32(extended value) {
    // -2147483648.5 rounds (to even) to -2147483648, still in range;
    // 2147483647.5 rounds to 2147483648, out of range. Both are exact.
    if (!(value >= -2147483648.5 && value < 2147483647.5)) return INDEFINITE_I32;
    return static_cast<std::int32_t>(extended_nearest_to_i64(value));
}

// Round to nearest, ties to even, into 64 bits; INDEFINITE_I64 when out of
// range or NaN.
inline std::int64_t round_to_i64(extended value) {
    // Just below 2^63 the spacing of extended values is 0.5: 2^63 - 0.5 is
    // exact and rounds (to even) up to 2^63, out of range. Below -2^63 the
    // spacing is 1, so -2^63 is the lowest value in range.
#if VZ_EXTENDED_IN_SOFTWARE
    constexpr extended BELOW_TOP = SoftExtended::from_bits(0x403D, ~std::uint64_t{0});  // 2^63 - 0.5
#else
    constexpr extended BELOW_TOP = 0x1p63L - 0.5L;
#endif
    if (!(value >= -0x1p63 && value < BELOW_TOP)) return INDEFINITE_I64;
    return extended_nearest_to_i64(value);
}

// 32-bit signed division truncating toward zero. The one overflowing case,
// INT32_MIN / -1, wraps to INT32_MIN; a zero divisor gives 0 (the caller's
// pull is then nothing) instead of a fault.
inline std::int32_t div_i32(std::int32_t dividend, std::int32_t divisor) {
    if (divisor == 0) return 0;
    if (divisor == -1) return static_cast<std::int32_t>(-static_cast<std::int64_t>(dividend));
    return dividend / divisor;
}

// 32-bit product keeping the low 32 bits, as the processor's multiply does.
inline std::int32_t mul_i32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(a) * b);
}

}  // namespace vz
