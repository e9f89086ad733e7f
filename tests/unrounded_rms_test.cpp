// The oscillators' window RMS to the bit, before its rounding to single
// precision. One RMS scales a whole series, and a one-ulp slip in the double
// reaches the float scale only when the RMS lies next to a rounding
// boundary; so the sum of squares and the RMS are compared as doubles, over
// windows of every kind.
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

}  // namespace
