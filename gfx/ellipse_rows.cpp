// The closed-form whole-ellipse walk (see ellipse_rows.h).

#include "gfx/ellipse_rows.h"

#include <algorithm>

namespace vz {

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
        d0_ = static_cast<EllipseInt>(static_cast<double>(b2_) * static_cast<double>(rx));
    } else {
        d0_ = static_cast<EllipseInt>(static_cast<long double>(b2_) * static_cast<long double>(rx));
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
        if (decision(n_ - 1, mid) <= 0) {
            high = mid;
        } else {
            low = mid + 1;
        }
    }
    last_row_ = low;
}

EllipseInt EllipseRows::decision(std::int64_t i, std::int64_t j) const {
    const EllipseInt row_part = static_cast<EllipseInt>(a2_) * j * (j + 1);
    const EllipseInt column_part = 2 * static_cast<EllipseInt>(i) * d0_ - static_cast<EllipseInt>(b2_) * i * (i + 1);
    return d0_ - row_part + column_part;
}

std::int64_t EllipseRows::leave(std::int64_t j) const {
    // The first i in 0 ... n with d(i, j) > 0, or n when there is none.
    std::int64_t low = 0;
    std::int64_t high = n_;
    while (low < high) {
        const std::int64_t mid = low + (high - low) / 2;
        if (decision(mid, j) > 0) {
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
