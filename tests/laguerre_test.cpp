// LaguerreFilter on inputs where the cascade can be worked out by hand.
#include "test_support.hpp"

using namespace testing_support;

namespace {

Series laguerre(const Series& x, float gamma, std::int32_t period = 10) {
    return filtered([=](const float* a, std::int32_t n, float* b) { LaguerreFilter(a, gamma, period, n, b); }, x);
}

TEST(LaguerreFilter, GammaZeroIsAWeightedSumOfDelays) {
    // Four samples: the smoother passes them through, and each stage is a
    // one-sample delay, so output[i] = (x[i] + 4x[i-1] + 6x[i-2] + 4x[i-3]) / 16.
    const Series y = laguerre({3, 5, 7, 11}, 0.0f);
    EXPECT_TRUE(isSentinel(y[0]));
    EXPECT_EQ(y[1], 1.0625f);
    EXPECT_EQ(y[2], 2.8125f);
    EXPECT_EQ(y[3], 5.0625f);
}

TEST(LaguerreFilter, GammaZeroOnAConstantSkipsTheFourthStage) {
    // A constant 16 smooths to exactly 16 (all gains at period 2 keep it), so
    // the weights accumulate 1+4, +6, +4, then nothing for L4, then 1 for L5.
    Series x(8, 16.0f), s(8);
    reference::ultimateSmoother(x.data(), 2, 8, s.data());
    ASSERT_EQ(s, x);
    const Series y = laguerre(x, 0.0f, 2);
    const Series expected = {kSentinel, 5, 11, 15, 15, 16, 16, 16};
    EXPECT_SAME_SERIES(y, expected);
}

TEST(LaguerreFilter, GammaOneHoldsEveryStageAtZero) {
    const Series x = randomWalk(300, 7);
    Series s(300);
    reference::ultimateSmoother(x.data(), 10, 300, s.data());
    const Series y = laguerre(x, 1.0f);
    EXPECT_TRUE(isSentinel(y[0]));
    for (int i = 1; i < 300; ++i) ASSERT_EQ(y[i], s[i] * 0.0625f) << i;
}

TEST(LaguerreFilter, NeverWritesSlotZeroAndSettlesOnAConstant) {
    for (std::int32_t n : {1, 2, 5}) {
        Series y(6, kSentinel);
        const Series x(6, 3.0f);
        LaguerreFilter(x.data(), 0.5f, 10, n, y.data());
        for (std::int32_t i = 0; i < 6; ++i)
            EXPECT_EQ(isSentinel(y[i]), i == 0 || i >= n) << n << " " << i;
    }
    const Series y = laguerre(Series(400, 50.0f), 0.8f);
    EXPECT_NEAR(y.back(), 50.0f, 50.0f * 1e-6f);
}

}  // namespace
