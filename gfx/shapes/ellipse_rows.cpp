// The closed-form whole-ellipse walk (see ellipse_rows.h).

#include "gfx/shapes/ellipse_rows.h"

#include <algorithm>
#include <cmath>

namespace vz {

EllipseInt EllipseInt::from(std::int64_t value) {
    return EllipseInt{static_cast<std::uint64_t>(value), value < 0 ? ~std::uint64_t{0} : 0};
}

EllipseInt EllipseInt::truncated(extended value) {
    // Both halves are exact: the value has at most 64 significant bits, the
    // split is by a power of two, and the low half is below 2^64. The low
    // half is converted in two steps, since a signed conversion stops at
    // 2^63; the high half is a small signed whole number, kept in two's
    // complement.
    constexpr double TWO_63 = 9223372036854775808.0;
    constexpr double TWO_64 = 18446744073709551616.0;
    const extended whole = extended_trunc(value);
    const extended high = extended_floor(whole / TWO_64);
    const extended low = whole - high * TWO_64;
    const std::uint64_t low_bits =
        low >= TWO_63 ? static_cast<std::uint64_t>(extended_to_i64(low - TWO_63)) + (std::uint64_t{1} << 63)
                      : static_cast<std::uint64_t>(extended_to_i64(low));
    return EllipseInt{low_bits, static_cast<std::uint64_t>(extended_to_i64(high))};
}

EllipseInt EllipseInt::operator+(const EllipseInt& other) const {
    const std::uint64_t sum = low + other.low;
    return EllipseInt{sum, high + other.high + (sum < low ? 1u : 0u)};
}

EllipseInt EllipseInt::operator-(const EllipseInt& other) const {
    return EllipseInt{low - other.low, high - other.high - (low < other.low ? 1u : 0u)};
}

EllipseInt EllipseInt::times(std::uint64_t factor) const {
    // The full 128-bit product of the low half, from 32-bit pieces.
    const std::uint64_t a0 = low & 0xFFFFFFFFu, a1 = low >> 32;
    const std::uint64_t b0 = factor & 0xFFFFFFFFu, b1 = factor >> 32;
    const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const std::uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
    const std::uint64_t product_low = (middle << 32) | (p00 & 0xFFFFFFFFu);
    const std::uint64_t product_high = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
    return EllipseInt{product_low, product_high + high * factor};
}

namespace {

// Rows beyond this never reach a view (coordinates stay within +-2^31), and
// every decision up to it fits 128 bits.
constexpr std::int64_t ROW_SEARCH_LIMIT = std::int64_t{1} << 32;

}  // namespace

EllipseRows::EllipseRows(float rx, float ry) {
    // The squares of floats below 2^31 are exact in double precision.
    a2_ = static_cast<std::int64_t>(static_cast<double>(rx) * static_cast<double>(rx));
    b2_ = static_cast<std::int64_t>(static_cast<double>(ry) * static_cast<double>(ry));
    // trunc(b2 * rx) with the product formed as the row-by-row walk forms
    // it: in double precision while that is exact, otherwise in extended
    // precision.
    if (b2_ < (std::int64_t{1} << 29)) {
        d0_ = EllipseInt::truncated(static_cast<double>(b2_) * static_cast<double>(rx));
    } else {
        d0_ = EllipseInt::truncated(static_cast<extended>(b2_) * static_cast<extended>(rx));
    }
    n_ = static_cast<std::int64_t>(rx);

    // The walk ends on the first row it leaves with all n column steps taken:
    // the first j where even n - 1 steps leave d <= 0.
    if (n_ <= 0) {
        last_row_ = 0;
        return;
    }
    std::int64_t low = 0;
    std::int64_t high = ROW_SEARCH_LIMIT;
    while (low < high) {
        const std::int64_t mid = low + (high - low) / 2;
        if (!decision(n_ - 1, mid).positive()) {
            high = mid;
        } else {
            low = mid + 1;
        }
    }
    last_row_ = low;
}

EllipseInt EllipseRows::decision(std::int64_t i, std::int64_t j) const {
    // Every factor is non-negative: a2, b2 and d0 are squares and their
    // products, i and j count steps.
    const auto u = [](std::int64_t v) { return static_cast<std::uint64_t>(v); };
    const EllipseInt row_part = EllipseInt::from(a2_).times(u(j)).times(u(j + 1));
    const EllipseInt column_part = d0_.times(2 * u(i)) - EllipseInt::from(b2_).times(u(i)).times(u(i + 1));
    return d0_ - row_part + column_part;
}

std::int64_t EllipseRows::leave(std::int64_t j) const {
    // The first i in 0 ... n with d(i, j) > 0, or n when there is none.
    std::int64_t low = 0;
    std::int64_t high = n_;
    while (low < high) {
        const std::int64_t mid = low + (high - low) / 2;
        if (decision(mid, j).positive()) {
            high = mid;
        } else {
            low = mid + 1;
        }
    }
    return low;
}

std::int64_t EllipseRows::enter(std::int64_t j) const {
    if (j == 0) return 0;
    // The walk arrives from row j - 1 with its column steps; it takes one
    // more at once unless d is still positive on the new row.
    const std::int64_t before = leave(j - 1);
    return std::min(before + 1, leave(j));
}

}  // namespace vz
