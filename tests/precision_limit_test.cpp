// The precision limits the filter table carries are what the library
// measures (tools/precision_limit.hpp says how): a smoother follows a step
// at every period up to its limit and not one period beyond it, and the
// filters without a limit do return to zero at long periods.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "precision_limit.hpp"

using namespace tsfilters_precision;

TEST(PrecisionLimit, TheTableHoldsWhatTheLibraryMeasures) {
    for (const Row& row : rows()) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(measureLimit(row, row.defaultGamma), row.precisionLimit);
        if (row.precisionLimit == 0) continue;
        EXPECT_TRUE(tracks(row, row.precisionLimit, row.defaultGamma));
        EXPECT_FALSE(tracks(row, row.precisionLimit + 1, row.defaultGamma));
        // Well past the limit the output freezes visibly off the price.
        EXPECT_GT(std::fabs(lastAfterStep(row, 5000, row.defaultGamma) - kTo), 1.0);
    }
}

TEST(PrecisionLimit, FiltersThatRemoveTheLevelEndNearZeroAtLongPeriods) {
    for (const Row& row : rows()) {
        if (row.precisionLimit != 0) continue;
        SCOPED_TRACE(row.name);
        for (std::int32_t period : {1000, 20000}) {
            const auto out = stepResponse(row, period, row.defaultGamma, 10 * period);
            double peak = 0.0;
            for (float y : out) peak = std::max(peak, std::fabs(double(y)));
            ASSERT_GT(peak, 0.0);
            EXPECT_LE(std::fabs(out.back()), 1e-3 * peak) << "period " << period;
        }
    }
}
