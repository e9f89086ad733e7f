// A stream fed in any chunks gives the batch call's bits, sample for sample.
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "stream_test_support.hpp"

namespace {

using namespace stream_testing;
using testing_support::sameBits;

const std::vector<std::int32_t> kChunkSizes = {1, 2, 3, 7, 99, 100, 101, 1000};

// Every chunking of `x` against the batch call, and the window patched in.
void expectEveryChunkingMatches(const KindCase& k, const Series& x) {
    SCOPED_TRACE(describe(k));
    const Series stream = expectedStream(k, x), batch = expectedBatch(k, x);
    std::vector<std::vector<std::int32_t>> splits;
    for (std::int32_t n : kChunkSizes) splits.push_back({n});
    splits.push_back(randomSplit(7, 20));
    splits.push_back(randomSplit(11, 300, 8));
    splits.push_back({std::int32_t(x.size())});
    for (const auto& split : splits) {
        SCOPED_TRACE("first chunk " + std::to_string(split[0]));
        tsf_stream s = started(k);
        const Series y = fedInChunks(s, x, split);
        EXPECT_SAME_SERIES(y, stream);
        EXPECT_SAME_SERIES(withWindow(s, y), batch);
        EXPECT_EQ(tsf_stream_samples(&s), std::int64_t(x.size()));
    }
}

TEST(StreamChunks, RealSeriesMatchBatchForAnySplit) {
    const struct { std::int32_t period, smooth; float gamma; } sets[] = {
        {20, 10, 0.8f}, {48, 10, 0.5f}, {5, 3, 0.2f}};
    for (const char* file : {"wti_daily.csv", "henry_hub_daily.csv", "tsp_c_fund_daily.csv"}) {
        const Series x = testing_support::loadCloses(file);
        ASSERT_GT(x.size(), 5000u) << file;
        for (const auto& p : sets)
            for (const KindCase& k : allKinds(p.period, p.smooth, p.gamma)) expectEveryChunkingMatches(k, x);
    }
}

// Series a live feed can carry: non-finite samples, extremes, denormals,
// flat stretches that give an oscillator a zero RMS.
std::vector<Series> oddSeries() {
    const size_t n = 420;
    Series walk = testing_support::randomWalk(n, 3);
    Series nonFinite = walk;
    nonFinite[150] = std::numeric_limits<float>::quiet_NaN();
    nonFinite[200] = std::numeric_limits<float>::infinity();
    nonFinite[201] = -std::numeric_limits<float>::infinity();
    Series nanInWindow = walk;
    nanInWindow[40] = std::numeric_limits<float>::quiet_NaN();
    Series huge(n), denormal(n), zerosThenWalk(n, 0.0f);
    for (size_t i = 0; i < n; ++i) {
        huge[i] = (i % 3 ? 1.0f : -1.0f) * 3.4e38f;
        denormal[i] = float(i % 7) * std::numeric_limits<float>::denorm_min();
        if (i >= 100) zerosThenWalk[i] = walk[i];
    }
    return {walk, nonFinite, nanInWindow, huge, denormal, zerosThenWalk};
}

TEST(StreamChunks, OddParametersAndInputsMatchBatch) {
    const float inf = std::numeric_limits<float>::infinity();
    const struct { std::int32_t period, smooth; float gamma; } sets[] = {
        {0, 0, 0.0f},   {-5, 10, 1.0f},   {1, 1, -0.5f},  {2, 2, 2.0f},
        {std::numeric_limits<std::int32_t>::max(), 3, inf},
        {std::numeric_limits<std::int32_t>::min(), -1, std::numeric_limits<float>::quiet_NaN()},
        {600, 40, std::numeric_limits<float>::denorm_min()}};
    for (const Series& x : oddSeries())
        for (const auto& p : sets)
            for (const KindCase& k : allKinds(p.period, p.smooth, p.gamma)) expectEveryChunkingMatches(k, x);
}

TEST(StreamChunks, InPlaceUpdatesMatchSeparateArrays) {
    const Series x = testing_support::randomWalk(500, 5);
    for (const KindCase& k : defaultKinds()) {
        SCOPED_TRACE(describe(k));
        tsf_stream s = started(k);
        Series buffer = x;
        for (size_t at = 0; at < buffer.size(); at += 7) {
            const auto n = std::int32_t(std::min<size_t>(7, buffer.size() - at));
            ASSERT_EQ(tsf_stream_update(&s, buffer.data() + at, n, buffer.data() + at), n);
        }
        EXPECT_SAME_SERIES(buffer, expectedStream(k, x));
    }
}

// Sample 99 completes the window: a call that consumes only that sample
// already returns its scaled value, and the window is complete.
TEST(StreamChunks, OscillatorSample99IsTheFirstKnownOutput) {
    const Series x = testing_support::randomWalk(101, 9);
    for (const KindCase& k : defaultKinds()) {
        if (!k.filter.oscillator) continue;
        SCOPED_TRACE(describe(k));
        const Series batch = expectedBatch(k, x);
        tsf_stream s = started(k);
        Series y(99);
        ASSERT_EQ(tsf_stream_update(&s, x.data(), 99, y.data()), 99);
        for (float v : y) EXPECT_TRUE(std::isnan(v));
        Series window(100, testing_support::kSentinel);
        EXPECT_EQ(tsf_stream_window(&s, window.data()), 0);
        for (float v : window) EXPECT_TRUE(testing_support::isSentinel(v));
        float at99 = 0, at100 = 0;
        ASSERT_EQ(tsf_stream_update(&s, &x[99], 1, &at99), 1);
        EXPECT_TRUE(sameBits(at99, batch[99])) << at99 << " vs " << batch[99];
        EXPECT_EQ(tsf_stream_window(&s, window.data()), 100);
        EXPECT_SAME_SERIES(window, Series(batch.begin(), batch.begin() + 100));
        ASSERT_EQ(tsf_stream_update(&s, &x[100], 1, &at100), 1);
        EXPECT_TRUE(sameBits(at100, batch[100]));
    }
}

// A window of zeros: the batch call writes nothing, so a stream has no
// value anywhere, window included.
TEST(StreamChunks, ZeroRmsOscillatorIsNaNEverywhere) {
    Series x(300, 0.0f);
    for (size_t i = 100; i < x.size(); ++i) x[i] = float(i);
    for (const KindCase& k : defaultKinds()) {
        if (!k.filter.oscillator) continue;
        tsf_stream s = started(k);
        Series y(x.size()), window(100);
        ASSERT_EQ(tsf_stream_update(&s, x.data(), std::int32_t(x.size()), y.data()), 300);
        for (float v : y) EXPECT_TRUE(std::isnan(v) && !testing_support::isSentinel(v));
        EXPECT_EQ(tsf_stream_window(&s, window.data()), 100);
        for (float v : window) EXPECT_TRUE(std::isnan(v));
    }
}

TEST(StreamChunks, WindowIsOnlyAnOscillatorsAndNothingElseIsWritten) {
    const Series x = testing_support::randomWalk(150, 2);
    for (const KindCase& k : defaultKinds()) {
        if (k.filter.oscillator) continue;
        tsf_stream s = started(k);
        Series y(x.size()), window(100, testing_support::kSentinel);
        tsf_stream_update(&s, x.data(), std::int32_t(x.size()), y.data());
        EXPECT_EQ(tsf_stream_window(&s, window.data()), 0);
        for (float v : window) EXPECT_TRUE(testing_support::isSentinel(v));
    }
}

TEST(StreamChunks, EmptyAndNegativeCountsChangeNothing) {
    const Series x = testing_support::randomWalk(10, 4);
    for (const KindCase& k : defaultKinds()) {
        tsf_stream s = started(k);
        tsf_stream_update(&s, x.data(), 5, Series(5).data());
        const auto before = bytesOf(s);
        Series y(5, testing_support::kSentinel);
        EXPECT_EQ(tsf_stream_update(&s, x.data(), 0, y.data()), 0);
        EXPECT_EQ(tsf_stream_update(&s, x.data(), -3, y.data()), 0);
        EXPECT_EQ(tsf_stream_update(&s, nullptr, 0, nullptr), 0);
        EXPECT_EQ(bytesOf(s), before);
        for (float v : y) EXPECT_TRUE(testing_support::isSentinel(v));
    }
}

}  // namespace
