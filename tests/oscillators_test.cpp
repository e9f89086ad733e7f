// The two oscillators' scaling by the RMS of the window of samples 0..99.
#include "test_support.hpp"

using namespace testing_support;

namespace {

Series cybernetic(const Series& x, std::int32_t count) {
    return filtered([](const float* a, std::int32_t n, float* b) { CyberneticOscillator(a, 20, 10, n, b); },
                 x, count);
}

Series cybernetic(const Series& x) { return cybernetic(x, std::int32_t(x.size())); }

Series laguerreOsc(const Series& x, float gamma, std::int32_t count) {
    return filtered([=](const float* a, std::int32_t n, float* b) { LaguerreOscillator(a, gamma, 10, n, b); },
                 x, count);
}

Series laguerreOsc(const Series& x, float gamma = 0.8f) {
    return laguerreOsc(x, gamma, std::int32_t(x.size()));
}

bool untouched(const Series& y) {
    for (float v : y)
        if (!isSentinel(v)) return false;
    return true;
}

TEST(Oscillators, WriteNothingForFewerThan100Samples) {
    const Series x = randomWalk(120, 3);
    for (std::int32_t n : {-1, 0, 1, 4, 99}) {
        EXPECT_TRUE(untouched(cybernetic(x, n))) << n;
        EXPECT_TRUE(untouched(laguerreOsc(x, 0.8f, n))) << n;
    }
    EXPECT_FALSE(untouched(cybernetic(x, 100)));
}

TEST(Oscillators, ZeroWindowLeavesOutputUntouchedEvenWithLaterSignal) {
    Series x(300, 0.0f);
    for (size_t i = 100; i < x.size(); ++i) x[i] = float(i % 7);
    EXPECT_TRUE(untouched(laguerreOsc(x)));
    // A constant has no band-pass content at all.
    EXPECT_TRUE(untouched(cybernetic(Series(300, 5.0f))));
}

TEST(Oscillators, SquaresThatUnderflowCountAsZero) {
    // |v| <= 2^-75 squares to 0 in single precision.
    Series x(200, std::ldexp(1.0f, -76));
    for (size_t i = 0; i < x.size(); i += 2) x[i] = -x[i];
    EXPECT_TRUE(untouched(laguerreOsc(x, 1.0f)));
}

TEST(Oscillators, WindowOfTwosScalesByExactlyTwo) {
    // gamma = 1 keeps the Laguerre stage at 0, so the oscillator is the
    // smoothed input over the RMS. A constant 2 smooths to exactly 2, so the
    // window's RMS is exactly 2 and every output is the smoothed value / 2.
    for (float sign : {1.0f, -1.0f}) {
        Series x = randomWalk(300, 6);
        for (int i = 0; i < 100; ++i) x[i] = 2.0f * sign;
        Series s(300);
        reference::ultimateSmoother(x.data(), 10, 300, s.data());
        for (int i = 0; i < 100; ++i) ASSERT_EQ(s[i], 2.0f * sign);
        const Series y = laguerreOsc(x, 1.0f);
        for (size_t i = 0; i < x.size(); ++i) ASSERT_EQ(y[i], s[i] / 2.0f) << i;
    }
}

TEST(Oscillators, ScaleComesOnlyFromTheFirst100Samples) {
    const Series x = randomWalk(200, 11);
    Series later = x;
    for (size_t i = 150; i < later.size(); ++i) later[i] *= 3.0f;
    for (auto run : {+[](const Series& s) { return cybernetic(s); }, +[](const Series& s) { return laguerreOsc(s); }}) {
        const Series a = run(x), b = run(later);
        EXPECT_SAME_SERIES(Series(a.begin(), a.begin() + 150), Series(b.begin(), b.begin() + 150));
    }
}

TEST(CyberneticOscillator, IsBandPassOverItsWindowRms) {
    const Series x = randomWalk(400, 5);
    Series band(400);
    reference::BandPass(x.data(), 20, 10, 400, band.data());
    double sum = 0;
    for (int i = 0; i < 100; ++i) sum += double(band[i] * band[i]);
    const float r = float(std::sqrt(sum / 100));
    Series expected(400);
    for (size_t i = 0; i < band.size(); ++i) expected[i] = band[i] / r;
    EXPECT_SAME_SERIES(cybernetic(x), expected);
}

TEST(LaguerreOscillator, GammaZeroIsTheSmoothedDifference) {
    const Series x = randomWalk(300, 9);
    Series s(300), v(300);
    reference::ultimateSmoother(x.data(), 10, 300, s.data());
    v[0] = s[0];
    for (size_t i = 1; i < s.size(); ++i) v[i] = float(double(s[i]) - double(s[i - 1]));
    double sum = 0;
    for (int i = 0; i < 100; ++i) sum += double(v[i] * v[i]);
    const float r = float(std::sqrt(sum / 100));
    const Series y = laguerreOsc(x, 0.0f);
    EXPECT_EQ(y[0], s[0] / r);
    for (size_t i = 0; i < y.size(); ++i) ASSERT_EQ(y[i], v[i] / r) << i;
}

TEST(Oscillators, NaNInTheWindowMakesEveryOutputNaN) {
    Series x = randomWalk(200, 2);
    x[50] = std::nanf("");
    for (const Series& y : {cybernetic(x), laguerreOsc(x)})
        for (float v : y) ASSERT_TRUE(std::isnan(v) && !isSentinel(v));
}

}  // namespace
