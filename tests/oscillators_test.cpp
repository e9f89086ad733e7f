// The two oscillators' scaling by the RMS of the window of samples 0..99,
// and the Laguerre oscillator's response to cycles.
#include <algorithm>
#include <complex>

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

// Past its warm-up the oscillator is linear, so its output for an impulse,
// transformed, is its frequency response: UltimateSmoother's transfer
// function times (1 - one Laguerre stage), both worked out here from the
// coefficients' derivation, up to the window's scale. Outputs rounded to
// float and fed back differ from the exact response by a few 1e-6 of its
// peak.
TEST(LaguerreOscillator, FrequencyResponseIsTheSmootherMinusItsFirstStage) {
    using Complex = std::complex<double>;
    const float gamma = 0.8f;
    const double period = 20, warmup = 4;
    const double a1 = std::exp(-1.414 * 3.14159 / period);
    const double c2 = std::cos((1.414 * 180 / period) * (3.1415926535 / 180)) * (a1 + a1);
    const double c3 = -a1 * a1, c1 = ((c2 + 1) - c3) * 0.25;
    auto theory = [&](Complex z) {
        const Complex smoother = ((1 - c1) + (2 * c1 - c2) / z - (c1 + c3) / (z * z)) /
                                 (1.0 - c2 / z - c3 / (z * z));
        const Complex stage = (1.0 - double(gamma)) / z / (1.0 - double(gamma) / z);
        return smoother * (1.0 - stage);
    };
    Series impulse(1 << 14, 0.0f);
    impulse[size_t(warmup)] = 1.0f;
    Series h(impulse.size());
    LaguerreOscillator(impulse.data(), gamma, std::int32_t(period), std::int32_t(h.size()), h.data());
    std::vector<Complex> measured, expected;
    for (double p = 2.0; p <= 300.0; p *= 1.01) {
        const double omega = 2 * 3.14159265358979323846 / p;
        Complex sum = 0;
        for (size_t n = size_t(warmup); n < h.size(); ++n) sum += double(h[n]) * std::polar(1.0, -omega * double(n - size_t(warmup)));
        measured.push_back(sum);
        expected.push_back(theory(std::polar(1.0, omega)));
    }
    auto peak = [](const std::vector<Complex>& v) {
        double m = 0;
        for (const Complex& c : v) m = std::max(m, std::abs(c));
        return m;
    };
    const double measuredPeak = peak(measured), expectedPeak = peak(expected);
    for (size_t k = 0; k < measured.size(); ++k)
        ASSERT_LT(std::abs(measured[k] / measuredPeak - expected[k] / expectedPeak), 1e-5) << k;
}

TEST(Oscillators, NaNInTheWindowMakesEveryOutputNaN) {
    Series x = randomWalk(200, 2);
    x[50] = std::nanf("");
    for (const Series& y : {cybernetic(x), laguerreOsc(x)})
        for (float v : y) ASSERT_TRUE(std::isnan(v) && !isSentinel(v));
}

}  // namespace
