// Rounding rules that money and layout code depend on.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/numbers.h"

namespace rtl {
namespace {

TEST(Round, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(3.5), 4);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(-3.5), -4);
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(2.5000001), 3);
  EXPECT_EQ(Round(-0.4), 0);
  EXPECT_EQ(Round(1e15 + 0.5), 1000000000000000);
}

TEST(Round, TruncFracAndInt) {
  EXPECT_EQ(Trunc(2.9), 2);
  EXPECT_EQ(Trunc(-2.9), -2);
  EXPECT_DOUBLE_EQ(Frac(2.75), 0.75);
  EXPECT_DOUBLE_EQ(Frac(-2.75), -0.75);
  EXPECT_DOUBLE_EQ(Int(-2.75), -2);
  EXPECT_EQ(Ceil(1.1), 2);
  EXPECT_EQ(Floor(-1.1), -2);
}

TEST(Round, ValuesWithoutAnIntegerRaise) {
  EXPECT_THROW(Round(std::nan("")), EInvalidOp);
  EXPECT_THROW(Round(std::numeric_limits<double>::infinity()), EInvalidOp);
  EXPECT_THROW(Trunc(1e19), EInvalidOp);
  EXPECT_THROW(Round(-1e19), EInvalidOp);
}

TEST(MulDiv, RoundsToNearestAndFlagsZeroDivisor) {
  EXPECT_EQ(MulDiv(10, 3, 4), 8);  // 7.5 -> 8
  EXPECT_EQ(MulDiv(10, 1, 4), 3);  // 2.5 -> 3
  EXPECT_EQ(MulDiv(-10, 1, 4), -3);
  EXPECT_EQ(MulDiv(10, -1, 4), -3);
  EXPECT_EQ(MulDiv(7, 2, 5), 3);                      // 2.8
  EXPECT_EQ(MulDiv(7, 1, 5), 1);                      // 1.4
  EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);  // no 32-bit overflow
  EXPECT_EQ(MulDiv(5, 7, 0), -1);
  EXPECT_EQ(MulDiv(2147483647, 2, 1), -1);  // result out of range
}

TEST(RoundTo, DecimalRoundingOfAmounts) {
  EXPECT_DOUBLE_EQ(RoundTo(1.235, -2), 1.24);
  EXPECT_DOUBLE_EQ(RoundTo(1.245, -2), 1.24);  // half to even
  EXPECT_DOUBLE_EQ(RoundTo(1234.5, 1), 1230);
  EXPECT_DOUBLE_EQ(RoundTo(1250, 2), 1200);
  EXPECT_DOUBLE_EQ(SimpleRoundTo(1.245, -2), 1.25);
  EXPECT_DOUBLE_EQ(SimpleRoundTo(1.005), 1.01);
  EXPECT_DOUBLE_EQ(SimpleRoundTo(-1.005), -1.01);
  EXPECT_DOUBLE_EQ(SimpleRoundTo(1000000 / 1936.27, -2), 516.46);
  EXPECT_THROW(RoundTo(1, 40), ERangeError);
}

TEST(Compare, SameValueWithinTolerance) {
  EXPECT_TRUE(SameValue(0.1 + 0.2, 0.3));
  EXPECT_FALSE(SameValue(1.0, 1.001));
  EXPECT_TRUE(SameValue(1.0, 1.001, 0.01));
  EXPECT_TRUE(IsZero(1e-13));
}

}  // namespace
}  // namespace rtl
