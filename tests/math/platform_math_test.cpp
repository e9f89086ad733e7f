// The square root of the RMS is the processor's correctly rounded one, and
// no call of the library touches errno (the C library's cos(inf) used to
// set EDOM for a period of 0).
#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include <mpfr.h>

#include "math/hardware_sqrt.hpp"
#include "mpfr_reference.hpp"
#include "test_support.hpp"
#include "tsfilters.h"

namespace {

double mpfrSqrt(double x) { return mpfr_reference::roundedOnce(x, mpfr_sqrt); }

TEST(HardwareSqrt, CorrectlyRounded) {
    // Random bit patterns over all positive doubles, and sums of squares of
    // floats divided by 100 as the RMS forms them.
    std::mt19937_64 engine(3);
    std::uniform_real_distribution<float> sample(-1e4f, 1e4f);
    for (int i = 0; i < 200000; ++i) {
        const double any = std::bit_cast<double>(engine() >> 1);  // positive
        if (std::isnan(any)) continue;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(tsfilters::hardwareSqrt(any)),
                  std::bit_cast<std::uint64_t>(mpfrSqrt(any))) << any;
        double sumSquares = 0.0;
        for (int k = 0; k < 100; ++k) {
            const float v = sample(engine);
            sumSquares = sumSquares + static_cast<double>(v * v);
        }
        const double meanSquare = sumSquares / 100;
        ASSERT_EQ(tsfilters::hardwareSqrt(meanSquare), mpfrSqrt(meanSquare)) << meanSquare;
    }
}

TEST(PlatformMath, NoCallSetsErrno) {
    std::vector<float> x(300), y(300);
    for (size_t i = 0; i < x.size(); ++i) x[i] = static_cast<float>(i % 17) - 8.0f;
    x[150] = -1e30f;
    for (std::int32_t p : {0, -1, 1, 10, INT_MIN, INT_MAX}) {
        errno = 0;
        // Every filter with the period in each place it can take one.
        for (const testing_support::Arguments& a :
             {testing_support::Arguments{p, p, p, 0.8f}, testing_support::Arguments{p, 48, p, 0.8f},
              testing_support::Arguments{p, p, 10, 0.8f}})
            for (const testing_support::Filter& f : testing_support::allFilters(a))
                f.library(x.data(), 300, y.data());
        EXPECT_EQ(errno, 0) << "period " << p;
    }
}

}  // namespace
