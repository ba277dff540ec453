#include "rt/extended.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vz {
namespace {

// The exact paths round coordinates halves away from zero; the C library's
// roundl is not trusted with it (mingw-w64's rounds the value just below 1/2
// up to 1), so every build, Windows among them, must give these.
TEST(RoundHalfAway, HalvesGoAwayFromZeroAndTheValuesBesideThemDoNot) {
    const long double below_half = std::nextafter(0.5L, 0.0L);
    EXPECT_EQ(round_half_away(below_half), 0.0L);
    EXPECT_FALSE(std::signbit(round_half_away(below_half)));
    EXPECT_EQ(round_half_away(-below_half), 0.0L);
    EXPECT_TRUE(std::signbit(round_half_away(-below_half)));
    EXPECT_EQ(round_half_away(0.5L), 1.0L);
    EXPECT_EQ(round_half_away(-0.5L), -1.0L);
    EXPECT_EQ(round_half_away(2.5L), 3.0L);
    EXPECT_EQ(round_half_away(-2.5L), -3.0L);
    EXPECT_EQ(round_half_away(std::nextafter(1.5L, 0.0L)), 1.0L);
    EXPECT_EQ(round_half_away(std::nextafter(2.5L, 3.0L)), 3.0L);
    EXPECT_TRUE(std::signbit(round_half_away(-0.25L)));
    // Whole numbers, the largest ones among them, stay as they are.
    const long double huge = std::ldexp(1.0L, std::numeric_limits<long double>::digits);
    EXPECT_EQ(round_half_away(huge + 2.0L), huge + 2.0L);
    EXPECT_EQ(round_half_away(-huge), -huge);
    EXPECT_EQ(round_half_away(std::numeric_limits<long double>::infinity()),
              std::numeric_limits<long double>::infinity());
    EXPECT_TRUE(std::isnan(round_half_away(std::numeric_limits<long double>::quiet_NaN())));
#if !VZ_EXTENDED_IN_SOFTWARE
    // On x86 it is the hardware type's extended_round.
    EXPECT_EQ(extended_round(below_half), 0.0L);
#endif
}

}  // namespace
}  // namespace vz
