// A book where some symbols halt: their streams copy the output of a state
// that a repeated price no longer changes, while the lanes compute every
// row. A lane must still be its stream alone to the bit, outputs and final
// state, fed one row at a time as a live book is or in longer calls; and a
// stream fed one sample per call must end where one call over the whole
// series ends.
#include <gtest/gtest.h>

#include "lanes_test_support.hpp"

namespace {

using namespace lanes_testing;

constexpr std::int32_t kLanes = 37;
constexpr size_t kSamples = 3000;  // past the slowest lane's decay to its resting state

// Lane j: halted for good from a sample of its own, halting for 200 samples
// between 50 that move, or moving; a few halt on NaN.
Series bookSeries(std::int32_t j) {
    Series x = testing_support::randomWalk(kSamples, unsigned(j) + 100);
    if (j % 3 == 0) {
        const size_t from = 250 + size_t(j) * 7;
        const float held = j % 9 == 3 ? stream_testing::kNaN : x[from - 1];
        for (size_t i = from; i < kSamples; ++i) x[i] = held;
    } else if (j % 3 == 1) {
        for (size_t start = 120 + size_t(j); start < kSamples; start += 250)
            for (size_t i = start; i < std::min(kSamples, start + 200); ++i) x[i] = x[start - 1];
    }
    return x;
}

TEST(HaltedBook, EachLaneIsItsStreamAloneRowByRowAndInLongCalls) {
    std::vector<Series> series;
    for (std::int32_t j = 0; j < kLanes; ++j) series.push_back(bookSeries(j));
    const Layout timeMajor = allLayouts(kLanes, kSamples)[0];
    for (int number = TSF_HIGH_PASS; number <= TSF_FILTER_COUNT; ++number) {
        const auto kind = tsf_kind(number);
        SCOPED_TRACE(number);
        std::vector<tsf_stream> alone = startedLanes(kind, kLanes), oneByOne = alone;
        std::vector<Series> expected;
        for (std::int32_t j = 0; j < kLanes; ++j) {
            const Series& x = series[size_t(j)];
            Series y(kSamples), perSample(kSamples);
            ASSERT_EQ(tsf_stream_update(&alone[size_t(j)], x.data(), std::int32_t(kSamples), y.data()),
                      std::int32_t(kSamples));
            for (size_t t = 0; t < kSamples; ++t)
                ASSERT_EQ(tsf_stream_update(&oneByOne[size_t(j)], &x[t], 1, &perSample[t]), 1);
            EXPECT_EQ(firstBitDifference(perSample, y), -1) << "lane " << j;
            EXPECT_TRUE(sameBytes(oneByOne[size_t(j)], alone[size_t(j)])) << "lane " << j;
            expected.push_back(y);
        }
        for (const std::vector<std::int32_t>& rows : {std::vector<std::int32_t>{1}, {64, 7, 300}}) {
            std::vector<tsf_stream> lanes = startedLanes(kind, kLanes);
            const std::vector<Series> got = runLanes(lanes, timeMajor, laidOut(timeMajor, series, kLanes),
                                                     kSamples, rows);
            for (std::int32_t j = 0; j < kLanes; ++j) {
                EXPECT_EQ(firstBitDifference(got[size_t(j)], expected[size_t(j)]), -1)
                    << "lane " << j << ", rows per call " << rows[0];
                EXPECT_TRUE(sameBytes(lanes[size_t(j)], alone[size_t(j)])) << "lane " << j;
            }
        }
    }
}

}  // namespace
