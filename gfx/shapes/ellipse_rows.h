#pragma once
// The whole-ellipse midpoint walk in closed form, for radii too large to walk
// row by row.
//
// The walk starts on the centre row with decision d0 = trunc(b2 * rx) and
// takes row steps (outward by one row) and column steps (the span narrows by
// one pixel at each end). After j row steps and i column steps its decision
// is
//     d(i, j) = d0 - a2 * j * (j + 1) + 2 * i * d0 - b2 * i * (i + 1),
// which never falls as i grows (up to the walk's n = trunc(rx) steps) and
// never rises as j grows. So the walk leaves row j at the first i whose d is
// positive, and the spans of any row follow from two searches, in 128-bit
// integers, without walking the rows before it. The results are those of the
// row-by-row walk, with every sum exact.

#include <cstdint>

#include "rt/extended.h"

namespace vz {

// A 128-bit two's-complement integer of our own: 32-bit targets have no
// native one, and every build must draw the same pixels. Only what the
// decision needs: sums, differences and products with non-negative 64-bit
// factors (all modulo 2^128, exact while the true value fits), and the sign.
struct EllipseInt {
    std::uint64_t low = 0;
    std::uint64_t high = 0;  // the top 64 bits; bit 63 is the sign

    static EllipseInt from(std::int64_t value);
    // trunc(value) of a non-negative value below 2^127.
    static EllipseInt truncated(extended value);

    EllipseInt operator+(const EllipseInt& other) const;
    EllipseInt operator-(const EllipseInt& other) const;
    EllipseInt times(std::uint64_t factor) const;
    bool positive() const { return static_cast<std::int64_t>(high) >= 0 && (high != 0 || low != 0); }
};

class EllipseRows {
public:
    // Radii as the caller's floats; rx at most 2^31 - 128 and |ry| below 2^31.
    EllipseRows(float rx, float ry);

    // trunc(rx): the walk's number of column steps.
    std::int64_t columns() const { return n_; }
    // The column steps taken when the walk leaves row j (its last span on
    // that row), at most columns().
    std::int64_t leave(std::int64_t j) const;
    // The column steps of the first span on row j (row 0: 0).
    std::int64_t enter(std::int64_t j) const;
    // The last row the walk reaches: the first j it leaves with every
    // column step taken.
    std::int64_t last_row() const { return last_row_; }

private:
    EllipseInt decision(std::int64_t i, std::int64_t j) const;

    std::int64_t a2_ = 0;
    std::int64_t b2_ = 0;
    EllipseInt d0_;
    std::int64_t n_ = 0;
    std::int64_t last_row_ = 0;
};

}  // namespace vz
