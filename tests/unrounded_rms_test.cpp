// The oscillators' window RMS to the bit, before its rounding to single
// precision. One RMS scales a whole series, and a one-ulp slip in the double
// reaches the float scale only when the RMS lies next to a rounding
// boundary; so the sum of squares and the RMS are compared as doubles, over
// windows of every kind.
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "awkward_numbers.hpp"
#include "reference.hpp"
#include "rms_window.hpp"
#include "step_state.hpp"

using namespace testing_support;

namespace {

TEST(UnroundedRms, SumOfSquaresAndRmsOfAnyWindow) {
    AwkwardNumbers rnd(21);
    Mismatches bad;
    std::vector<float> v(100);
    for (int c = 0; c < 100000; ++c) {
        // Values of one magnitude, often around the float's denormals (whose
        // squares vanish) or its overflow, or values of any class.
        const bool anyClass = rnd.chance(10);
        const int e = rnd.familyExponent() / 2;
        for (float& x : v) x = anyClass ? rnd.anyFloat() : rnd.floatAround(e);
        tsfilters::RmsWindow window;
        for (float x : v) window.add(x);
        const double sumSquares = reference::windowSumOfSquares(v);
        auto describe = [&] { return "window starting " + describeValues(v[0], v[1], v[2]); };
        bad.check(window.sumSquares, sumSquares, "sum of squares", describe);
        bad.check(window.rms(), reference::windowRms(sumSquares), "rms", describe);
    }
    EXPECT_NO_MISMATCHES(bad);
}

// The oscillators divide by their scale in double and round once; that must
// be the single-precision quotient itself, subnormal dividends (a halted
// price) and every class of value included.
TEST(UnroundedRms, ScaledByIsTheSinglePrecisionQuotient) {
    AwkwardNumbers rnd(22);
    long differing = 0, checked = 0;
    for (int c = 0; c < 2000000; ++c) {
        const float value = rnd.chance(40) ? rnd.floatAround(-152 + c % 30) : rnd.anyFloat();
        const float scale = rnd.chance(50) ? rnd.floatAround(c % 40 - 20) : rnd.anyFloat();
        const volatile float divisor = scale;  // a single-precision divide, whatever the optimizer knows
        const float expected = value / divisor;
        const float got = tsfilters::scaledBy(value, scale);
        if (std::isnan(expected) && std::isnan(got)) continue;
        ++checked;
        if (std::bit_cast<std::uint32_t>(expected) != std::bit_cast<std::uint32_t>(got) && differing++ < 5)
            ADD_FAILURE() << describeValues(value, scale, expected) << " gives " << got;
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(checked, 1000000);
}

}  // namespace
