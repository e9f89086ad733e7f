// The three kernels' arithmetic to the bit, before its rounding to single
// precision. A float output hides most one-ulp slips of the double sum it is
// rounded from (a regrouped sum can run for millions of samples before an
// output differs), so the double itself is compared with the plain
// reference, from states of every kind: values of one magnitude whose sums
// round at every step, terms that cancel, denormals, the edges of the float
// range, infinities and NaN. The input gains are compared the same way, for
// every period that rounds them differently.
#include <array>
#include <climits>
#include <cstdint>

#include "awkward_numbers.hpp"
#include "filter_table.h"
#include "reference.hpp"
#include "step_state.hpp"
#include "test_support.hpp"

using namespace testing_support;

namespace {

// What a kernel reads for one sample: the new input and the history.
struct KernelSample {
    float x, x1, x2, y1, y2;
    std::string describe() const { return "x, x1, x2, y1, y2 = " + describeValues(x, x1, x2, y1, y2); }
};

// Each kernel's step beside its reference computation for one period.
struct UltimateSmootherKernel {
    using Step = tsfilters::UltimateSmootherStep;
    static constexpr reference::Kernel run = reference::ultimateSmoother;
    reference::Coefficients k;
    reference::InputGains g;
    explicit UltimateSmootherKernel(std::int32_t period)
        : k(reference::coefficients(period)), g(reference::ultimateSmootherGains(k)) {}
    double operator()(const KernelSample& s) const {
        return reference::ultimateSmootherSample(k, g, s.x, s.x1, s.x2, s.y1, s.y2);
    }
};

struct HighPassKernel {
    using Step = tsfilters::HighPassStep;
    static constexpr reference::Kernel run = reference::highPass;
    reference::Coefficients k;
    explicit HighPassKernel(std::int32_t period) : k(reference::coefficients(period)) {}
    double operator()(const KernelSample& s) const {
        return reference::highPassSample(k, k.formA(), s.x, s.x1, s.x2, s.y1, s.y2);
    }
};

struct SuperSmootherKernel {
    using Step = tsfilters::SuperSmootherStep;
    static constexpr reference::Kernel run = reference::superSmoother;
    reference::Coefficients k;
    explicit SuperSmootherKernel(std::int32_t period) : k(reference::coefficients(period)) {}
    double operator()(const KernelSample& s) const {
        return reference::superSmootherSample(k, k.formB(), s.x, s.x1, s.y1, s.y2);
    }
};

// A sample and history of one of three kinds: values of one magnitude;
// values of any class; or values of one magnitude where the feedback terms
// nearly cancel and the new input is chosen to cancel the rest, leaving a
// result far smaller than its terms.
template <class Kernel>
KernelSample awkwardSample(AwkwardNumbers& rnd, const Kernel& kernel) {
    const std::uint32_t kind = rnd.below(100);
    if (kind < 20)
        return {rnd.anyFloat(), rnd.anyFloat(), rnd.anyFloat(), rnd.anyFloat(), rnd.anyFloat()};
    const int e = rnd.familyExponent();
    KernelSample s{rnd.floatAround(e), rnd.floatAround(e), rnd.floatAround(e), rnd.floatAround(e),
                   rnd.floatAround(e)};
    if (kind < 65) return s;
    if (rnd.chance(50)) s.y1 = float(-(kernel.k.c3 * double(s.y2)) / kernel.k.c2);
    // Each kernel's result is close to affine in x: solve for the x that
    // brings it to 0, then step a few float ulps away.
    KernelSample at0 = s, at1 = s;
    at0.x = 0.0f;
    at1.x = 1.0f;
    const double r0 = kernel(at0), slope = kernel(at1) - r0;
    s.x = float(-r0 / slope);
    for (std::uint32_t n = rnd.below(4); n > 0; --n) s.x = std::nextafter(s.x, rnd.chance(50) ? INFINITY : -INFINITY);
    return s;
}

// For many periods and many states per period: the step's unrounded value,
// its stored output and its whole state after the sample.
template <class Kernel>
void expectStepsMatchTheReference(std::uint64_t seed) {
    AwkwardNumbers rnd(seed);
    Mismatches bad;
    for (int p = 0; p < 20000; ++p) {
        const std::int32_t period = rnd.period();
        const Kernel kernel(period);
        typename Kernel::Step step(period);
        for (int c = 0; c < 50; ++c) {
            const KernelSample s = awkwardSample(rnd, kernel);
            auto describe = [&] { return "period " + std::to_string(period) + ", " + s.describe(); };
            setState(step, std::array<double, 4>{s.x1, s.x2, s.y1, s.y2});
            const double expected = kernel(s);
            bad.check(step.unrounded(s.x), expected, "unrounded", describe);
            bad.check(step.next(s.x), float(expected), "stored output", describe);
            // The history moves on by one sample, the output as stored.
            bad.checkAll(stateOf<4>(step), std::array<double, 4>{s.x, s.x1, float(expected), s.y1},
                         "state after the sample", describe);
        }
    }
    EXPECT_NO_MISMATCHES(bad);
}

TEST(UnroundedKernels, UltimateSmootherFromAnyState) {
    expectStepsMatchTheReference<UltimateSmootherKernel>(1);
}

TEST(UnroundedKernels, HighPassFromAnyState) { expectStepsMatchTheReference<HighPassKernel>(2); }

TEST(UnroundedKernels, SuperSmootherFromAnyState) {
    expectStepsMatchTheReference<SuperSmootherKernel>(3);
}

// The states a step reaches by running over a series are the ones the
// reference reads back from its arrays, sample for sample.
template <class Kernel>
void expectFedStepMatchesTheArrays(const Series& x, std::int32_t period) {
    const Kernel kernel(period);
    typename Kernel::Step step(period);
    const std::int32_t n = std::int32_t(x.size());
    Series y(x.size());
    Kernel::run(x.data(), period, n, y.data());
    Mismatches bad;
    for (std::int32_t i = 0; i < n; ++i) {
        if (i < Kernel::Step::kWarmup) {
            step.warm(x[i], i);
            continue;
        }
        const KernelSample s{x[i], x[i - 1], x[i - 2], y[i - 1], y[i - 2]};
        bad.check(step.unrounded(x[i]), kernel(s), "unrounded", [&] { return "sample " + std::to_string(i); });
        step.next(x[i]);
    }
    EXPECT_NO_MISMATCHES(bad);
}

TEST(UnroundedKernels, StepsRunOverASeriesReadWhatTheArraysHold) {
    const Series walk = randomWalk(20000, 5);
    for (std::int32_t period : {1, 2, 3, 10, 48}) {
        SCOPED_TRACE(period);
        expectFedStepMatchesTheArrays<UltimateSmootherKernel>(walk, period);
        expectFedStepMatchesTheArrays<HighPassKernel>(walk, period);
        expectFedStepMatchesTheArrays<SuperSmootherKernel>(walk, period);
    }
}

// UltimateSmoother's three gains and both forms of c1, for every period in
// a wide range and random ones beyond. Only the shortest and the negative
// periods round some groupings differently, so none may be skipped.
TEST(UnroundedKernels, InputGainsOfEveryKernel) {
    AwkwardNumbers rnd(4);
    Mismatches bad;
    auto check = [&](std::int32_t period) {
        const reference::Coefficients r = reference::coefficients(period);
        const reference::InputGains g = reference::ultimateSmootherGains(r);
        const tsfilters::UltimateSmootherStep step(period);
        const tsfilters::LowLagInputGains& lib = step.inputGains();
        auto describe = [&] { return "period " + std::to_string(period); };
        bad.check(lib.x0, g.x0, "gain of x[i]", describe);
        bad.check(lib.x1, g.x1, "gain of x[i-1]", describe);
        bad.check(lib.x2, g.x2, "gain of x[i-2]", describe);
        using tsfilters::InputGain;
        bad.check(tsfilters::computeTwoPoleCoefficients(period, InputGain::UnitAtNyquist).c1,
                  r.formA(), "c1 of HighPass and UltimateSmoother", describe);
        bad.check(tsfilters::computeTwoPoleCoefficients(period, InputGain::UnitAtDc).c1, r.formB(),
                  "c1 of SuperSmoother", describe);
    };
    for (std::int32_t period = -100000; period <= 300000; ++period) check(period);
    for (int i = 0; i < 300000; ++i) check(std::int32_t(rnd.below(UINT32_MAX)));
    check(INT_MIN);
    check(INT_MAX);
    EXPECT_NO_MISMATCHES(bad);
}

}  // namespace
