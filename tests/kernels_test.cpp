// Impulse, step, constant and ramp responses of the filters, worked out by
// hand, and which slots each writes during its warm-up.
#include "test_support.hpp"

using namespace testing_support;

namespace {

// c1 of form A for period 10, and so of HighPass and UltimateSmoother.
constexpr double kFormA10 = 0.642364303791307;

Series pulse(size_t n, size_t at, bool step) {
    Series s(n, 0.0f);
    for (size_t i = at; i < (step ? n : at + 1); ++i) s[i] = 1.0f;
    return s;
}

TEST(UltimateSmoother, CopiesTheFirstFourSamples) {
    const Series x = {3.5f, -2.0f, 1e30f, 7.25f, 9.0f};
    for (std::int32_t n = 1; n <= 4; ++n) {
        Series y(5, kSentinel);
        UltimateSmoother(x.data(), 10, n, y.data());
        for (std::int32_t i = 0; i < 5; ++i)
            EXPECT_TRUE(sameBits(y[i], i < n ? x[i] : kSentinel)) << n << " " << i;
    }
}

TEST(UltimateSmoother, StepGivesOneMinusC1AtItsStart) {
    Series y(20, kSentinel);
    const Series x = pulse(20, 10, true);
    UltimateSmoother(x.data(), 10, 20, y.data());
    for (int i = 0; i < 10; ++i) EXPECT_EQ(y[i], 0.0f);
    EXPECT_EQ(y[10], float(1.0 - kFormA10));
}

TEST(UltimateSmoother, FirstComputedValueFeedsBackOnCopiedSamples) {
    // Only the feedback terms are non-zero at sample 4: output = c2*x3 + c3*x2.
    const Series x = {0.0f, 0.0f, 2.0f, 3.0f, 0.0f};
    Series y(5);
    UltimateSmoother(x.data(), 10, 5, y.data());
    const double a1 = 0.641323784223398, c2 = 1.15816101895461, c3 = -(a1 * a1);
    const double c1 = kFormA10;
    const double expected = ((2 * c1 - c2) * 3.0 - (c1 + c3) * 2.0) + c2 * 3.0 + c3 * 2.0;
    EXPECT_NEAR(y[4], expected, 1e-6);
}

TEST(HighPass, WarmUpIsPositiveZeroAndImpulseGivesC1) {
    const Series x = pulse(20, 10, false);
    Series y(20, kSentinel);
    HighPass(x.data(), 10, 20, y.data());
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(sameBits(y[i], 0.0f)) << i;
    EXPECT_EQ(y[10], float(kFormA10));

    const Series busy = {-5.0f, 7.0f, -9.0f, 11.0f};
    HighPass(busy.data(), 10, 4, y.data());
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(sameBits(y[i], 0.0f)) << i;  // not -0
}

TEST(HighPass, ConstantsAndIntegerRampsVanishExactly) {
    Series constant(300, 123.25f), ramp(300);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = float(i);
    for (const Series* x : {&constant, &ramp}) {
        const Series y = filtered([](const float* a, std::int32_t n, float* b) { HighPass(a, 30, n, b); }, *x);
        for (float v : y) ASSERT_TRUE(sameBits(v, 0.0f));
    }
}

TEST(SuperSmoother, CopiesTwoSamplesAndKeepsLeadingZeros) {
    Series x(40, 0.0f);
    x[0] = 4.0f;
    x[1] = -1.0f;
    Series y(40, kSentinel);
    SuperSmoother(x.data(), 10, 2, y.data());
    EXPECT_EQ(y[0], 4.0f);
    EXPECT_EQ(y[1], -1.0f);
    EXPECT_TRUE(isSentinel(y[2]));

    Series zeros(40, 0.0f);
    zeros[30] = 1.0f;
    SuperSmoother(zeros.data(), 10, 40, y.data());
    for (int i = 0; i < 30; ++i) EXPECT_TRUE(sameBits(y[i], 0.0f)) << i;
    EXPECT_EQ(y[30], float((0.253135177256011 * 1.0) * 0.5));
}

TEST(Smoothers, SettleOnAConstant) {
    const Series x(500, 42.5f);
    for (auto f : {SuperSmoother, UltimateSmoother}) {
        const Series y = filtered([f](const float* a, std::int32_t n, float* b) { f(a, 20, n, b); }, x);
        for (float v : y) ASSERT_NEAR(v, 42.5f, 42.5f * 1e-6f);
    }
}

TEST(BandPass, StartsWithFourZerosAndRemovesAConstant) {
    const Series walk = randomWalk(50, 1);
    Series y(50, kSentinel);
    BandPass(walk.data(), 20, 10, 50, y.data());
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(sameBits(y[i], 0.0f)) << i;
    const Series flat = filtered([](const float* a, std::int32_t n, float* b) { BandPass(a, 20, 10, n, b); },
                              Series(200, -17.0f));
    for (float v : flat) ASSERT_TRUE(sameBits(v, 0.0f));
}

}  // namespace
