// The library's exp and cos against MPFR, to the bit: every period the
// coefficients can be asked for in a wide band and a random sample of the
// rest (tools/exhaustive_periods covers all of them), then the functions'
// own domain: edge values, range limits, near-multiples of pi/2, and the
// slow paths on their own.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "coefficient_arguments.hpp"
#include "math/correctly_rounded.hpp"
#include "mpfr_reference.hpp"

using tsfilters::correctlyRoundedCos;
using tsfilters::correctlyRoundedExp;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// Checks both functions at one period; gives up after a few failures so a
// broken build does not print two million lines.
struct PeriodChecker {
    int failures = 0;
    void check(std::int32_t period) {
        const double xe = coefficient_arguments::ofExp(period);
        const double xc = coefficient_arguments::ofCos(period);
        if (bits(correctlyRoundedExp(xe)) != bits(mpfr_reference::exp(xe)) && failures++ < 5)
            ADD_FAILURE() << "exp, period " << period;
        if (bits(correctlyRoundedCos(xc)) != bits(mpfr_reference::cos(xc)) && failures++ < 5)
            ADD_FAILURE() << "cos, period " << period;
    }
};

TEST(CorrectlyRounded, EveryPeriodUpToAMillionEitherWay) {
    PeriodChecker checker;
    for (std::int32_t p = -1000000; p <= 1000000; ++p)
        if (p != 0) checker.check(p);
}

TEST(CorrectlyRounded, RandomInt32Periods) {
    std::mt19937 engine(20261208);
    std::uniform_int_distribution<std::int32_t> period(INT32_MIN, INT32_MAX);
    PeriodChecker checker;
    for (int i = 0; i < 100000; ++i) checker.check(period(engine));
    for (std::int32_t p : {INT32_MIN, INT32_MIN + 1, INT32_MAX - 1, INT32_MAX}) checker.check(p);
}

TEST(CorrectlyRounded, PeriodZeroGivesTheIeeeLimits) {
    EXPECT_EQ(bits(correctlyRoundedExp(coefficient_arguments::ofExp(0))), bits(0.0));
    EXPECT_TRUE(std::isnan(correctlyRoundedCos(coefficient_arguments::ofCos(0))));
}

TEST(CorrectlyRounded, EdgeValues) {
    EXPECT_EQ(bits(correctlyRoundedExp(-kInf)), bits(0.0));
    EXPECT_EQ(correctlyRoundedExp(kInf), kInf);
    EXPECT_TRUE(std::isnan(correctlyRoundedExp(kNaN)));
    EXPECT_EQ(correctlyRoundedExp(0.0), 1.0);
    EXPECT_EQ(correctlyRoundedExp(-0.0), 1.0);
    EXPECT_EQ(correctlyRoundedExp(std::numeric_limits<double>::denorm_min()), 1.0);
    EXPECT_EQ(correctlyRoundedExp(1e300), kInf);
    EXPECT_EQ(bits(correctlyRoundedExp(-1e300)), bits(0.0));

    // One NaN, the same bits on every processor.
    const std::uint64_t quietNaN = bits(kNaN);
    EXPECT_EQ(bits(correctlyRoundedCos(kInf)), quietNaN);
    EXPECT_EQ(bits(correctlyRoundedCos(-kInf)), quietNaN);
    EXPECT_EQ(bits(correctlyRoundedCos(kNaN)), quietNaN);
    EXPECT_EQ(bits(correctlyRoundedCos(0x1p30)), quietNaN);  // beyond the supported range
    EXPECT_EQ(correctlyRoundedCos(0.0), 1.0);
    EXPECT_EQ(correctlyRoundedCos(-0.0), 1.0);
}

// A handful of doubles on each side of x, inclusive.
template <class Check>
void aroundEach(std::initializer_list<double> points, Check check) {
    for (double x : points) {
        double y = x;
        for (int i = 0; i < 40; ++i) y = std::nextafter(y, -kInf);
        for (int i = 0; i <= 80; ++i, y = std::nextafter(y, kInf)) check(y);
    }
}

TEST(CorrectlyRounded, ExpAtTheEndsOfItsRange) {
    // Overflow, the normal/subnormal border, the last nonzero result, the
    // fast path's limits and where it changes table entry or scale.
    aroundEach({709.782712893384, -708.3964185322641, -745.1332191019411, -708.0, 708.0,
                0x1p-54, -0x1p-54, 0.6931471805599453 / 128, -0.6931471805599453 / 128},
               [](double x) {
                   ASSERT_EQ(bits(correctlyRoundedExp(x)), bits(mpfr_reference::exp(x))) << x;
               });
}

TEST(CorrectlyRounded, CosNearMultiplesOfHalfPi) {
    // The reduced argument nearly cancels there: the hardest inputs for the
    // reduction, and where the result is tiny.
    std::initializer_list<double> points = {
        1.5707963267948966, 3.141592653589793, 4.71238898038469, 6.283185307179586,
        7.853981633974483, 1e4 * 1.5707963267948966, 355.0 / 2, 0x1p-27, 0x1p19,
        -1.5707963267948966, 2.2211041299999995};
    aroundEach(points, [](double x) {
        ASSERT_EQ(bits(correctlyRoundedCos(x)), bits(mpfr_reference::cos(x))) << x;
    });
}

TEST(CorrectlyRounded, RandomArgumentsOverTheWholeDomain) {
    std::mt19937_64 engine(7);
    std::uniform_real_distribution<double> expArg(-746.0, 710.0), cosArg(-0x1p30, 0x1p30),
        smallArg(-8.0, 8.0);
    for (int i = 0; i < 100000; ++i) {
        const double e = expArg(engine);
        ASSERT_EQ(bits(correctlyRoundedExp(e)), bits(mpfr_reference::exp(e))) << e;
        const double c = (i % 2) ? cosArg(engine) : smallArg(engine);
        ASSERT_EQ(bits(correctlyRoundedCos(c)), bits(mpfr_reference::cos(c))) << c;
    }
}

// cos's fast path gives up when |r| < 2^-30, r = x - k pi/64 reduced. No
// double in its range makes |r| exactly 2^-30, which would tell `<` from
// `<=`: such an x lies within 2^-83 of k pi/64 +- 2^-30, and the doubles
// nearest to that point, for every k, reduce to something else.
TEST(CorrectlyRounded, NoCosArgumentReducesToExactlyTheNearMultipleBound) {
    using namespace tsfilters::math;
    const double lastK = std::ceil(kCosFastLimit * k64ByPi);
    for (double k = 1; k <= lastK; ++k) {
        for (double offset : {0x1p-30, -0x1p-30}) {
            // k pi/64 + offset to well within an ulp; its neighbours either way.
            double x = k * kPiBy64Part1 + (k * kPiBy64Part2 + offset);
            for (int i = 0; i < 2; ++i) x = std::nextafter(x, 0.0);
            for (int i = 0; i < 5; ++i, x = std::nextafter(x, kInf)) {
                double kd;
                const DoubleDouble r = reduceByPiBy64(x, kd);  // cos is even: -x mirrors it
                ASSERT_NE(std::abs(r.hi), 0x1p-30) << x;
            }
        }
    }
}

// The slow paths decide what the fast ones cannot, which is rare: run them
// on their own, including where the fast paths never go.
TEST(CorrectlyRounded, SlowPathsAgreeWithMpfr) {
    std::mt19937_64 engine(11);
    std::uniform_real_distribution<double> expArg(-745.0, 709.7), cosArg(-0x1p30, 0x1p30),
        smallArg(-5.0, 5.0);
    for (int i = 0; i < 20000; ++i) {
        const double e = expArg(engine);
        const tsfilters::math::WideRounded we = tsfilters::math::expWide(e);
        ASSERT_FALSE(we.undecided) << e;
        ASSERT_EQ(bits(we.value), bits(mpfr_reference::exp(e))) << e;
        const double c = (i % 2) ? cosArg(engine) : smallArg(engine);
        if (std::abs(c) < 0x1p-27) continue;
        const tsfilters::math::WideRounded wc = tsfilters::math::cosWide(c);
        ASSERT_FALSE(wc.undecided) << c;
        ASSERT_EQ(bits(wc.value), bits(mpfr_reference::cos(c))) << c;
    }
}

}  // namespace
