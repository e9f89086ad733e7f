// The coefficient derivation against hand-worked values.
#include <gtest/gtest.h>

#include <climits>

#include "filters/two_pole.hpp"
#include "reference.hpp"

using namespace tsfilters;

namespace {

TwoPoleCoefficients highPassForm(int period) {
    return computeTwoPoleCoefficients(period, InputGain::UnitAtNyquist);
}
TwoPoleCoefficients lowPassForm(int period) {
    return computeTwoPoleCoefficients(period, InputGain::UnitAtDc);
}

void expectClose(double actual, double expected) {
    EXPECT_NEAR(actual, expected, std::abs(expected) * 5e-15);
}

TEST(Coefficients, MatchWorkedValuesForPeriods10And20) {
    struct Row { int period; double a1, c2, c3, formA, formB; };
    const Row rows[] = {
        {10, 0.641323784223398, 1.15816101895461, -0.41129619621062, 0.642364303791307,
         0.253135177256011},
        {20, 0.800826937748349, 1.56230873626227, -0.641323784223398, 0.800908130121416,
         0.0790150479611301},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.period);
        const TwoPoleCoefficients a = highPassForm(r.period), b = lowPassForm(r.period);
        expectClose(a.a1, r.a1);
        expectClose(a.c2, r.c2);
        expectClose(a.c3, r.c3);
        expectClose(a.c1, r.formA);
        expectClose(b.c1, r.formB);
    }
}

TEST(Coefficients, MatchTheReferenceDerivationToTheBit) {
    // A one-ulp slip in a coefficient almost never reaches a single-precision
    // output, so the outputs cannot prove the grouping; the bits can.
    auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
    for (int period = -300; period <= 3000; ++period) {
        const reference::Coefficients r = reference::coefficients(period);
        const TwoPoleCoefficients a = highPassForm(period), b = lowPassForm(period);
        if (period == 0) continue;  // NaN bits are not the point there
        ASSERT_EQ(bits(a.a1), bits(r.a1)) << period;
        ASSERT_EQ(bits(a.c2), bits(r.c2)) << period;
        ASSERT_EQ(bits(a.c3), bits(r.c3)) << period;
        ASSERT_EQ(bits(a.c1), bits(r.formA())) << period;
        ASSERT_EQ(bits(b.c1), bits(r.formB())) << period;
    }
    for (int period : {INT_MIN, INT_MAX}) {
        EXPECT_EQ(bits(highPassForm(period).c2), bits(reference::coefficients(period).c2));
    }
}

TEST(Coefficients, UnitDcGainFormPassesAConstant) {
    for (int period : {2, 3, 10, 48, 1000}) {
        const TwoPoleCoefficients b = lowPassForm(period);
        EXPECT_NEAR(b.c1 + b.c2 + b.c3, 1.0, 1e-15) << period;
    }
}

TEST(Coefficients, PeriodZeroGivesNaNFeedback) {
    const TwoPoleCoefficients k = highPassForm(0);
    EXPECT_EQ(k.a1, 0.0);
    EXPECT_TRUE(std::isnan(k.c2));
}

}  // namespace
