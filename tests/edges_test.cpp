// The rows of docs/c-api.md's table of bad inputs that the fuzzer does not
// already prove: what odd periods, odd gammas and non-finite samples give.
#include <limits>

#include "test_support.hpp"

using namespace testing_support;

namespace {

const float kInf = std::numeric_limits<float>::infinity();

bool allNaNFrom(const Series& y, size_t first, size_t end) {
    for (size_t i = first; i < end; ++i)
        if (!std::isnan(y[i]) || isSentinel(y[i])) return false;
    return true;
}

bool explodes(float v) { return !std::isfinite(v) || std::fabs(v) > 1e12f; }

TEST(Edges, PeriodZeroGivesNaNAfterTheWarmUp) {
    const Series x = randomWalk(200, 21);
    for (const Filter& f : allFilters({0, 0, 0, 0.8f})) {
        SCOPED_TRACE(f.name);
        const Series y = filtered(f.library, x);
        // Warm-up slots keep their usual values; the oscillators' window
        // then holds NaN, which scales every slot to NaN.
        // (BandPass's smoother copies only two samples, and they are zeros.)
        size_t firstNaN = f.oscillator ? 0 : f.name == "BandPass" ? 2 : size_t(f.warmup);
        EXPECT_TRUE(allNaNFrom(y, firstNaN, y.size()));
        for (size_t i = size_t(f.firstWritten); i < firstNaN; ++i) EXPECT_TRUE(std::isfinite(y[i])) << i;
    }
    // Only the high-pass period 0: BandPass's smoother still passes its two
    // warm-up slots, and NaN starts where the high-pass computes.
    Series y(200, kSentinel);
    BandPass(x.data(), 0, 10, 200, y.data());
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(std::bit_cast<std::uint32_t>(y[i]), 0u) << i;
    EXPECT_TRUE(allNaNFrom(y, 4, y.size()));
}

TEST(Edges, NegativePeriodsMakeTheRecursionGrowWithoutBound) {
    const Series x = randomWalk(400, 22);
    for (std::int32_t p : {-1, -20}) {
        for (const Filter& f : allFilters({p, p, p, 0.8f})) {
            if (f.oscillator) continue;  // scaled by a window that grew as well
            SCOPED_TRACE(f.name + " period " + std::to_string(p));
            EXPECT_TRUE(explodes(filtered(f.library, x).back()));
        }
    }
}

TEST(Edges, GammaIsAppliedUnchanged) {
    const Series x = randomWalk(300, 23);
    auto laguerre = [&](float g) {
        return filtered([g](const float* a, std::int32_t n, float* b) { LaguerreFilter(a, g, 20, n, b); }, x);
    };
    // Above 1 the stages feed back more than they take in and grow.
    EXPECT_TRUE(explodes(laguerre(1.5f).back()));
    EXPECT_TRUE(explodes(laguerre(-1.5f).back()));
    // Between -1 and 0 they alternate but stay bounded.
    for (float v : laguerre(-0.5f)) EXPECT_TRUE(isSentinel(v) || std::isfinite(v));
    // NaN or infinite gamma, in every filter that takes one: NaN from the
    // first cascade value on, and an oscillator whose window holds NaN is
    // NaN throughout. Slots before the first written one stay untouched.
    for (float g : {std::nanf(""), kInf, -kInf}) {
        for (const Filter& f : allFilters({20, 20, 10, g})) {
            if (f.shape != TSF_SHAPE_GAMMA_PERIOD) continue;
            SCOPED_TRACE(f.name + " gamma " + std::to_string(g));
            const Series y = filtered(f.library, x);
            for (size_t i = 0; i < size_t(f.firstWritten); ++i) EXPECT_TRUE(isSentinel(y[i])) << i;
            EXPECT_TRUE(allNaNFrom(y, size_t(f.firstWritten), y.size()));
        }
    }
}

TEST(Edges, NonFiniteSampleSpoilsItsSlotAndEveryLaterOne) {
    const Series clean = randomWalk(300, 24);
    for (float bad : {std::nanf(""), kInf, -kInf}) {
        Series x = clean;
        x[150] = bad;
        for (const Filter& f : allFilters()) {
            SCOPED_TRACE(f.name + " sample " + std::to_string(bad));
            const Series y = filtered(f.library, x), before = filtered(f.library, clean);
            // The filters feed back on their own outputs, so nothing recovers.
            for (size_t i = 150; i < y.size(); ++i) ASSERT_FALSE(std::isfinite(y[i])) << i;
            EXPECT_SAME_SERIES(Series(y.begin(), y.begin() + 150), Series(before.begin(), before.begin() + 150));
        }
    }
}

TEST(Edges, NonFiniteSampleInTheOscillatorWindowMakesEverySlotNaN) {
    // An infinity turns into NaN in the feedback (inf - inf) a sample or two
    // later, still inside the window, so the window's RMS is NaN.
    for (float bad : {std::nanf(""), kInf, -kInf}) {
        Series x = randomWalk(200, 25);
        x[50] = bad;
        for (const Filter& f : allFilters()) {
            if (!f.oscillator) continue;
            SCOPED_TRACE(f.name + " sample " + std::to_string(bad));
            EXPECT_TRUE(allNaNFrom(filtered(f.library, x), 0, x.size()));
        }
    }
}

}  // namespace
