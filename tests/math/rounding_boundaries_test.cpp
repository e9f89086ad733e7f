// The tests that decide whether a result is rounded, taken on and next to
// each of their boundaries, so that every comparison's `<` against `<=` is
// settled by a case. The comparisons no double can bring to equality are
// listed at the end, with the reason.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "math/correctly_rounded.hpp"
#include "mpfr_reference.hpp"

namespace {

using tsfilters::math::DoubleDouble;
using tsfilters::math::kFastPathMargin;
using tsfilters::math::roundsToHi;
using tsfilters::math::roundWide;
using tsfilters::math::WideFixed;

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// The fast paths accept y.hi when |y.lo| plus the error bound |y.hi| 2^-80
// stays below half the gap to the neighbour on y.lo's side. Each pair of
// cases puts the sum exactly on that half gap (undecided: the midpoint may
// be the true value) and 2^-80 below it (decided).
TEST(RoundsToHi, HalfGapAwayFromZero) {
    EXPECT_FALSE(roundsToHi({1.0, 0x1p-53 - 0x1p-80}, kFastPathMargin));
    EXPECT_TRUE(roundsToHi({1.0, 0x1p-53 - 0x1p-79}, kFastPathMargin));
    EXPECT_FALSE(roundsToHi({-1.5, -(0x1p-53 - 0x1.8p-80)}, kFastPathMargin));
    EXPECT_TRUE(roundsToHi({-1.5, -(0x1p-53 - 0x1p-78)}, kFastPathMargin));
}

// Below a power of two the doubles lie twice as close: half the gap there
// is 2^-54 for 1.0, but only toward zero, for either sign.
TEST(RoundsToHi, HalfGapBelowAPowerOfTwo) {
    EXPECT_FALSE(roundsToHi({1.0, -(0x1p-54 - 0x1p-80)}, kFastPathMargin));
    EXPECT_TRUE(roundsToHi({1.0, -(0x1p-54 - 0x1p-79)}, kFastPathMargin));
    EXPECT_FALSE(roundsToHi({-1.0, 0x1p-54 - 0x1p-80}, kFastPathMargin));
    EXPECT_TRUE(roundsToHi({-1.0, 0x1p-54 - 0x1p-79}, kFastPathMargin));
    // Away from zero, or not a power of two: the full half gap.
    EXPECT_TRUE(roundsToHi({-1.0, -(0x1p-53 - 0x1p-79)}, kFastPathMargin));
    EXPECT_TRUE(roundsToHi({1.5, -(0x1p-53 - 0x1p-78)}, kFastPathMargin));
    EXPECT_FALSE(roundsToHi({1.5, -(0x1p-53 - 0x1.8p-80)}, kFastPathMargin));
}

// The bound is exact only well above underflow, and infinity is no result:
// outside biased exponents 256 .. 2046 nothing is accepted.
TEST(RoundsToHi, ExponentRange) {
    EXPECT_TRUE(roundsToHi({0x1p-767, 0.0}, kFastPathMargin));  // biased 256
    EXPECT_FALSE(roundsToHi({0x1p-768, 0.0}, kFastPathMargin));
    EXPECT_FALSE(roundsToHi({-0x1.fffffffffffffp-768, 0.0}, kFastPathMargin));
    const double largest = std::numeric_limits<double>::max();  // biased 2046
    EXPECT_TRUE(roundsToHi({largest, 0.0}, kFastPathMargin));
    EXPECT_TRUE(roundsToHi({-largest, 0.0}, kFastPathMargin));
    EXPECT_FALSE(roundsToHi({std::numeric_limits<double>::infinity(), 0.0}, kFastPathMargin));
}

// A nonnegative wide value with a bit set at each of the given weights.
WideFixed withBits(std::initializer_list<int> weights) {
    WideFixed w{};
    for (int weight : weights) {
        const int pos = WideFixed::kFractionBits + weight;
        w.limb[WideFixed::kLimbs - 1 - pos / 32] |= std::uint32_t{1} << (pos % 32);
    }
    return w;
}

// Exact ties go to the even neighbour; anything above a tie, however far
// down, rounds up.
TEST(RoundWide, TiesToEvenAndStickyBits) {
    EXPECT_EQ(roundWide(withBits({0, -53}), 0, false).value, 1.0);
    EXPECT_EQ(roundWide(withBits({0, -52, -53}), 0, false).value, 1.0 + 0x1p-51);
    EXPECT_EQ(roundWide(withBits({0, -53, -320}), 0, false).value, 1.0 + 0x1p-52);
    EXPECT_EQ(roundWide(withBits({0, -54}), 0, false).value, 1.0);
    EXPECT_EQ(roundWide(withBits({0, -53}), 0, true).value, -1.0);
}

// The slow path trusts its bits down to 2^-270: a rounding bit followed by
// nothing but zeros (or a zero by nothing but ones) that far down is
// reported undecided; one differing bit at 2^-270 decides it, one below
// does not.
TEST(RoundWide, UndecidedDownToTheTrustedWeight) {
    EXPECT_TRUE(roundWide(withBits({0, -53}), 0, false).undecided);
    EXPECT_FALSE(roundWide(withBits({0, -53, -270}), 0, false).undecided);
    EXPECT_TRUE(roundWide(withBits({0, -53, -271}), 0, false).undecided);

    WideFixed ones = withBits({0});
    for (int w = -54; w >= -270; --w) ones = tsfilters::math::add(ones, withBits({w}));
    EXPECT_TRUE(roundWide(ones, 0, false).undecided);
    EXPECT_EQ(roundWide(ones, 0, false).value, 1.0);
    const WideFixed lastZero = tsfilters::math::sub(ones, withBits({-270}));
    EXPECT_FALSE(roundWide(lastZero, 0, false).undecided);
    EXPECT_FALSE(roundWide(withBits({0, -52}), 0, false).undecided);
}

// Where the result leaves the normal range: 2^1023 is the largest power of
// two, 2^1024 and the midpoint below it overflow; 2^-1074 is the least
// subnormal, half of it is a tie that rounds to 0 (even), anything above
// half of it rounds up to it.
TEST(RoundWide, OverflowAndUnderflow) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(roundWide(withBits({0}), 1023, false).value, 0x1p1023);
    EXPECT_EQ(roundWide(withBits({0}), 1024, false).value, inf);
    EXPECT_EQ(roundWide(withBits({0}), 1024, true).value, -inf);
    EXPECT_EQ(roundWide(withBits({0, -1}), 1024, false).value, inf);
    EXPECT_EQ(roundWide(withBits({0, -1}), 1022, false).value, 0x1.8p1022);
    WideFixed justBelowTwo{};
    for (int w = 0; w >= -53; --w) justBelowTwo = tsfilters::math::add(justBelowTwo, withBits({w}));
    EXPECT_EQ(roundWide(justBelowTwo, 1023, false).value, inf);  // 2^1024 - 2^970
    EXPECT_EQ(roundWide(withBits({0}), -1074, false).value, 0x1p-1074);
    EXPECT_EQ(bits(roundWide(withBits({0}), -1075, false).value), bits(0.0));
    EXPECT_EQ(roundWide(withBits({0, -1}), -1075, false).value, 0x1p-1074);
    EXPECT_EQ(bits(roundWide(withBits({0, -1}), -1076, false).value), bits(0.0));
    EXPECT_EQ(roundWide(withBits({0, -52}), -1022, false).value, 0x1.0000000000001p-1022);
    EXPECT_EQ(roundWide(withBits({0, -52}), -1023, false).value, 0x1p-1023);  // tie, even
}

// cos's fast path also gives up when x lies within 2^-30 of a multiple of
// pi/64 (the reduced argument loses relative accuracy there): nearest to
// pi/2 it declines, and 2^-30 (1 -+ 2^-10) beyond pi/2 is on either side.
TEST(CosFastPath, GivesUpNearMultiplesOfPiBy64) {
    const double halfPi = 1.5707963267948966;
    double result = 0.0;
    EXPECT_FALSE(tsfilters::math::cosFast(halfPi, result));
    EXPECT_FALSE(tsfilters::math::cosFast(-halfPi, result));
    EXPECT_FALSE(tsfilters::math::cosFast(halfPi + 0x1p-30 * (1 - 0x1p-10), result));
    EXPECT_TRUE(tsfilters::math::cosFast(halfPi + 0x1p-30 * (1 + 0x1p-10), result));
    EXPECT_EQ(bits(result), bits(mpfr_reference::cos(halfPi + 0x1p-30 * (1 + 0x1p-10))));
    EXPECT_FALSE(tsfilters::math::cosFast(3 * 0.04908738521234052 - 0x1p-31, result));
    EXPECT_EQ(bits(tsfilters::correctlyRoundedCos(halfPi)), bits(mpfr_reference::cos(halfPi)));
}

// exp and cos near 1: below 1 the doubles are twice as dense, so the
// midpoint under 1 is 1 - 2^-54. exp(-2^-54) lies just above it and
// rounds to 1; every argument below lies under it.
TEST(NearOne, ExpRoundsAcrossTheMidpointBelowOne) {
    for (double x : {-0x1p-54, -0x1.0000000000001p-54, -0x1.8p-54, -0x1p-53, 0x1p-53, -0x1p-52}) {
        EXPECT_EQ(bits(tsfilters::correctlyRoundedExp(x)), bits(mpfr_reference::exp(x))) << x;
    }
}

// Comparisons no double can bring to equality, so that `<` and `<=` give
// the same results (each stays as the reasoning reads most naturally):
// - cosFast's |r.hi| < 2^-30: for x within 2^-27 .. 2^19 the reduced
//   argument is exactly +-2^-30 only if x lies within 2^-83 of
//   k pi/64 +- 2^-30; correctly_rounded_test enumerates every k and finds
//   no double there.
// - correctlyRoundedCos's |x| < 2^-27 and correctlyRoundedExp's |x| <
//   2^-200, -708 <= x <= 708, x > 709.79 and x < -745.14: both sides of
//   each lead to a correctly rounded result (the slow paths cover the
//   whole range), so which path takes the boundary value shows only in
//   speed.

}  // namespace
