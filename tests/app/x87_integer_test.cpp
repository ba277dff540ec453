#include "app/x87_integer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "rt/fpu.h"

namespace vz {
namespace {

class X87Integer : public ::testing::Test {
protected:
    void SetUp() override { set_extended_precision(); }
};

TEST_F(X87Integer, RoundsHalvesToEven) {
    EXPECT_EQ(round_to_i32(extended{2.5}), 2);
    EXPECT_EQ(round_to_i32(extended{3.5}), 4);
    EXPECT_EQ(round_to_i32(extended{-2.5}), -2);
    EXPECT_EQ(round_to_i32(extended{-3.5}), -4);
    EXPECT_EQ(round_to_i32(extended{100.5}), 100);
    EXPECT_EQ(round_to_i32(extended{101.5}), 102);
    EXPECT_EQ(round_to_i32(extended{2.5} + 0x1p-62), 3);  // one unit above the tie
    EXPECT_EQ(round_to_i32(extended{-0.4}), 0);
}

TEST_F(X87Integer, Out32BitRangeAndNaNGiveIndefinite) {
    EXPECT_EQ(round_to_i32(extended{2147483647.0}), 2147483647);
    EXPECT_EQ(round_to_i32(extended{2147483647.4999}), 2147483647);
    EXPECT_EQ(round_to_i32(extended{2147483647.5}), INDEFINITE_I32);    // rounds to 2^31
    EXPECT_EQ(round_to_i32(extended{-2147483648.5}), -2147483647 - 1);  // rounds to -2^31, in range
    EXPECT_EQ(round_to_i32(extended{1e30}), INDEFINITE_I32);
    EXPECT_EQ(round_to_i32(std::numeric_limits<double>::infinity()), INDEFINITE_I32);
    EXPECT_EQ(round_to_i32(-std::numeric_limits<double>::infinity()), INDEFINITE_I32);
    EXPECT_EQ(round_to_i32(std::nan("")), INDEFINITE_I32);
    EXPECT_EQ(static_cast<std::uint32_t>(INDEFINITE_I32), 0x80000000u);
}

TEST_F(X87Integer, Out64BitRangeAndNaNGiveIndefinite) {
    EXPECT_EQ(round_to_i64(extended{0x1p63} - 1.0), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(round_to_i64(extended{0x1p63} - 1.5), std::numeric_limits<std::int64_t>::max() - 1);  // tie to even
    EXPECT_EQ(round_to_i64(extended{0x1p63} - 0.5), INDEFINITE_I64);  // tie rounds up to 2^63
    EXPECT_EQ(round_to_i64(extended{-0x1p63}), INDEFINITE_I64);       // -2^63 itself, in range
    EXPECT_EQ(round_to_i64(extended{-0x1p63} - 1.0), INDEFINITE_I64);
    EXPECT_EQ(round_to_i64(extended{4294967296.5}), 4294967296LL);
    EXPECT_EQ(round_to_i64(std::numeric_limits<double>::infinity()), INDEFINITE_I64);
    EXPECT_EQ(round_to_i64(std::nan("")), INDEFINITE_I64);
    EXPECT_EQ(static_cast<std::uint64_t>(INDEFINITE_I64), 0x8000000000000000u);
}

TEST_F(X87Integer, DivisionTruncatesTowardZeroWithoutFaults) {
    EXPECT_EQ(div_i32(7, 2), 3);
    EXPECT_EQ(div_i32(-7, 2), -3);
    EXPECT_EQ(div_i32(7, -2), -3);
    EXPECT_EQ(div_i32(35988001, 20000), 1799);
    EXPECT_EQ(div_i32(INDEFINITE_I32, -1), INDEFINITE_I32);
    EXPECT_EQ(div_i32(INDEFINITE_I32, INDEFINITE_I32), 1);
    EXPECT_EQ(div_i32(5, 0), 0);
    // The 32-bit product keeps the low bits.
    EXPECT_EQ(mul_i32(2147483647, 2), -2);
    EXPECT_EQ(mul_i32(INDEFINITE_I32, 800), 0);
    EXPECT_EQ(mul_i32(11999, 800), 9599200);
}

}  // namespace
}  // namespace vz
