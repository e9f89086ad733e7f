// The quick look at exp and cos against MPFR that `make check` runs:
// - every period whose rounding the fast path cannot decide (all of them in
//   the int32 range, found by tools/exhaustive_periods), one named case
//   each: the fast path must give up on it, and the slow path's answer must
//   be MPFR's. Without the fast paths' rounding test these cases fail;
// - a few thousand periods spread over the int32 range, and every short one;
// - the slow paths alone on arguments the fast paths never hand them
//   (every quadrant of cos, the whole range of exp).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "coefficient_arguments.hpp"
#include "fallback_periods.hpp"
#include "math/correctly_rounded.hpp"
#include "mpfr_reference.hpp"

namespace {

using tsfilters::correctlyRoundedCos;
using tsfilters::correctlyRoundedExp;

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

std::string periodName(const testing::TestParamInfo<std::int32_t>& info) {
    const std::int64_t p = info.param;
    return (p < 0 ? "minus_" : "") + std::to_string(p < 0 ? -p : p);
}

// One of the two functions, its paths and its yardstick.
struct Paths {
    double (*argument)(std::int32_t period);
    bool (*fast)(double x, double& result);
    tsfilters::math::WideRounded (*slow)(double x);
    double (*full)(double x);
    double (*mpfr)(double x);
};

const Paths kExp{coefficient_arguments::ofExp, tsfilters::math::expFast, tsfilters::math::expWide,
                 correctlyRoundedExp, mpfr_reference::exp};
const Paths kCos{coefficient_arguments::ofCos, tsfilters::math::cosFast, tsfilters::math::cosWide,
                 correctlyRoundedCos, mpfr_reference::cos};

void expectFallback(const Paths& f, std::int32_t period) {
    const double x = f.argument(period);
    double fast = -1.0;
    EXPECT_FALSE(f.fast(x, fast)) << "accepted " << fast;
    EXPECT_EQ(fast, -1.0) << "wrote its result though it gave up";
    const tsfilters::math::WideRounded slow = f.slow(x);
    EXPECT_FALSE(slow.undecided);
    EXPECT_EQ(bits(slow.value), bits(f.mpfr(x)));
    EXPECT_EQ(bits(f.full(x)), bits(f.mpfr(x)));
}

class ExpFallback : public testing::TestWithParam<std::int32_t> {};
class CosFallback : public testing::TestWithParam<std::int32_t> {};

TEST_P(ExpFallback, FastPathGivesUpAndTheResultIsMpfrs) { expectFallback(kExp, GetParam()); }
TEST_P(CosFallback, FastPathGivesUpAndTheResultIsMpfrs) { expectFallback(kCos, GetParam()); }

INSTANTIATE_TEST_SUITE_P(Period, ExpFallback, testing::ValuesIn(fallback_periods::kExp), periodName);
INSTANTIATE_TEST_SUITE_P(Period, CosFallback, testing::ValuesIn(fallback_periods::kCos), periodName);

// Periods 1 to 300 of either sign (all four quadrants of cos, the largest
// exp arguments), then 3,000 spread evenly in log scale up to 2^31 - 1.
std::vector<std::int32_t> spreadPeriods() {
    std::vector<std::int32_t> periods;
    for (std::int32_t p = 1; p <= 300; ++p) periods.insert(periods.end(), {p, -p});
    constexpr int kSteps = 1500;
    for (int i = 0; i <= kSteps; ++i) {
        const double p = std::exp2(8.0 + 23.0 * i / kSteps);  // 256 .. 2^31
        const auto period = static_cast<std::int32_t>(std::fmin(p, 2147483647.0));
        // In 64 bits: near 2^31 the offset would overflow int32.
        const std::int64_t negative = std::max<std::int64_t>(INT32_MIN, -std::int64_t{period} - i % 7);
        periods.insert(periods.end(), {period, static_cast<std::int32_t>(negative)});
    }
    periods.insert(periods.end(), {INT32_MIN, INT32_MIN + 1, INT32_MAX - 1});
    return periods;
}

TEST(CoefficientArguments, PeriodsSpreadOverInt32AgreeWithMpfr) {
    int failures = 0;  // a broken build prints ten, not thousands
    for (std::int32_t p : spreadPeriods()) {
        const double xe = coefficient_arguments::ofExp(p), xc = coefficient_arguments::ofCos(p);
        if (bits(correctlyRoundedExp(xe)) != bits(mpfr_reference::exp(xe)) && failures++ < 10)
            ADD_FAILURE() << "exp, period " << p;
        if (bits(correctlyRoundedCos(xc)) != bits(mpfr_reference::cos(xc)) && failures++ < 10)
            ADD_FAILURE() << "cos, period " << p;
    }
}

// The fallbacks above reach the slow paths only near exp(0) and cos(0).
TEST(SlowPaths, AgreeWithMpfrOverTheirWholeDomain) {
    std::mt19937_64 engine(24);
    std::uniform_real_distribution<double> expArg(-745.0, 709.7), cosArg(-7.0, 7.0),
        wideCosArg(-0x1p30, 0x1p30);
    for (int i = 0; i < 400; ++i) {
        const double e = expArg(engine);
        const tsfilters::math::WideRounded we = tsfilters::math::expWide(e);
        ASSERT_FALSE(we.undecided) << e;
        ASSERT_EQ(bits(we.value), bits(mpfr_reference::exp(e))) << e;
        const double c = i % 4 == 3 ? wideCosArg(engine) : cosArg(engine);
        const tsfilters::math::WideRounded wc = tsfilters::math::cosWide(c);
        ASSERT_FALSE(wc.undecided) << c;
        ASSERT_EQ(bits(wc.value), bits(mpfr_reference::cos(c))) << c;
    }
}

}  // namespace
