#pragma once
// The one type the simulation's and the graphics core's exact arithmetic
// computes in: x87 extended precision (64-bit significand, round to nearest
// even, the 80-bit format's exponent range). On x86 that is the processor's
// own `long double`; elsewhere, and on x86 when the build sets
// VZ_SOFT_EXTENDED, it is SoftExtended, which gives the same results with
// integer arithmetic.
//
// Code that computes in `extended` uses only +, -, *, /, the comparisons,
// conversions from and to float, double and integers, and the functions
// below, so that it reads the same with either type.

#include <cmath>
#include <cstdint>
#include <limits>

#if defined(VZ_SOFT_EXTENDED) || !(defined(__i386__) || defined(__x86_64__))
#define VZ_EXTENDED_IN_SOFTWARE 1
#include "rt/soft_extended.h"
#else
#define VZ_EXTENDED_IN_SOFTWARE 0
#include <cfloat>
#include <cmath>
#endif

namespace vz {

// True when `extended` is the software type.
inline constexpr bool EXTENDED_IN_SOFTWARE = VZ_EXTENDED_IN_SOFTWARE != 0;

// A long double rounded to a whole number, halves away from zero, exactly:
// the fraction v - trunc(v) is exact, so only truncation is asked of the C
// library. Its own roundl is not used: mingw-w64's rounds the long double
// just below 1/2 up to 1 (it compares ceil(v) - v, which rounds to 1/2, with
// 1/2), so the Windows builds would draw otherwise than the others.
inline long double round_half_away(long double v) {
    const long double whole = std::trunc(v);
    const long double fraction = v - whole;
    if (fraction >= 0.5L) return whole + 1.0L;
    if (fraction <= -0.5L) return whole - 1.0L;
    return whole;
}

#if VZ_EXTENDED_IN_SOFTWARE

using extended = SoftExtended;

inline extended extended_sqrt(extended v) { return soft_sqrt(v); }
inline extended extended_abs(extended v) { return soft_abs(v); }
inline bool extended_isnan(extended v) { return v.is_nan(); }
// Whole numbers: truncation, floor, half away from zero, ties to even.
inline extended extended_trunc(extended v) { return soft_round_whole(v, WholeRounding::toward_zero); }
inline extended extended_floor(extended v) { return soft_round_whole(v, WholeRounding::down); }
inline extended extended_round(extended v) { return soft_round_whole(v, WholeRounding::half_away); }
inline extended extended_nearest(extended v) { return soft_round_whole(v, WholeRounding::nearest_even); }
// Truncation to 64 bits; outside the range, and for NaN, INT64_MIN (the
// x87's integer-indefinite value).
inline std::int64_t extended_to_i64(extended v) { return soft_to_i64(v); }

#else

static_assert(LDBL_MANT_DIG == 64, "the x86 build computes in the x87 80-bit long double");

using extended = long double;

inline extended extended_sqrt(extended v) { return std::sqrt(v); }
inline extended extended_abs(extended v) { return std::fabs(v); }
inline bool extended_isnan(extended v) { return std::isnan(v); }
inline extended extended_trunc(extended v) { return std::trunc(v); }
inline extended extended_floor(extended v) { return std::floor(v); }
inline extended extended_round(extended v) { return round_half_away(v); }
// The x87's own rounding mode, which the runtime sets to nearest at start.
inline extended extended_nearest(extended v) { return std::nearbyint(v); }
inline std::int64_t extended_to_i64(extended v) {
    if (!(v >= -0x1p63L && v < 0x1p63L)) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(v);
}

#endif

// Round to nearest, ties to even, into 64 bits for a value whose rounded
// result is known to lie in the 64-bit range.
inline std::int64_t extended_nearest_to_i64(extended v) {
#if VZ_EXTENDED_IN_SOFTWARE
    return extended_to_i64(extended_nearest(v));
#else
    return std::llrint(v);
#endif
}

}  // namespace vz
