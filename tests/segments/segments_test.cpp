// tsf_segments_run: every segment of a long table gets the batch call's bits
// on that segment alone (NaN where the batch call writes nothing), whatever
// its length, neighbours, split into calls or in place; every refusal
// writes nothing.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "../stream/stream_test_support.hpp"
#include "tsfilters_stream.h"

namespace {

using stream_testing::KindCase;
using stream_testing::kNaN;
using testing_support::kSentinel;
using testing_support::Series;

// A long table: segment lengths around every boundary the call has (the
// warm-ups, the oscillators' window of 100, the rows a vector lane needs),
// long ones that outlast their neighbours, and many of one length, shuffled.
struct Table {
    std::vector<std::int64_t> starts;
    std::int64_t total = 0;
    Series values;
};

Table longTable(unsigned seed, std::int64_t offset = 0) {
    std::vector<std::int64_t> lengths = {0, 1, 2, 3, 4, 5, 34, 35, 36, 37, 50, 52, 99, 100, 101, 115,
                                         116, 131, 132, 133, 148, 150, 700, 1500, 2600};
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::int64_t> any(0, 400);
    for (int i = 0; i < 40; ++i) lengths.push_back(any(rng));
    for (int i = 0; i < 24; ++i) lengths.push_back(136);
    std::shuffle(lengths.begin(), lengths.end(), rng);
    Table t;
    t.values.assign(size_t(offset), kSentinel);  // rows before the first segment
    for (size_t i = 0; i < lengths.size(); ++i) {
        t.starts.push_back(std::int64_t(t.values.size()));
        Series x = testing_support::randomWalk(size_t(lengths[i]), seed * 977u + unsigned(i));
        if (i % 11 == 3) std::fill(x.begin(), x.end(), 0.0f);  // an oscillator's RMS of 0
        if (i % 7 == 2 && x.size() > 120) x[120] = kNaN;
        if (i % 9 == 4 && x.size() > 60) x[x.size() / 2] = std::numeric_limits<float>::infinity();
        if (i % 5 == 1 && x.size() > 300) std::fill(x.begin() + 150, x.end(), x[150]);  // halted
        if (!x.empty() && i % 2 == 0) x.back() = -0.0f;
        t.values.insert(t.values.end(), x.begin(), x.end());
    }
    t.total = std::int64_t(t.values.size());
    return t;
}

// What each segment must get: the batch call on it alone into a
// NaN-filled output; rows outside the segments keep the sentinel.
Series expected(const KindCase& k, const Table& t) {
    Series y(t.values.size(), kSentinel);
    for (size_t i = 0; i < t.starts.size(); ++i) {
        const std::int64_t end = i + 1 < t.starts.size() ? t.starts[i + 1] : t.total;
        const Series one(t.values.begin() + t.starts[i], t.values.begin() + end);
        const Series batch = stream_testing::expectedBatch(k, one);
        std::copy(batch.begin(), batch.end(), y.begin() + t.starts[i]);
    }
    return y;
}

// The call's outputs; the slots past total must keep the sentinel.
Series run(const KindCase& k, const Table& t) {
    Series y(t.values.size() + 3, kSentinel);
    EXPECT_EQ(tsf_segments_run(k.kind, &k.params, t.values.data(), t.starts.data(),
                               std::int32_t(t.starts.size()), t.total, y.data()),
              t.total - t.starts[0]);
    for (size_t i = t.values.size(); i < y.size(); ++i) EXPECT_TRUE(testing_support::isSentinel(y[i]));
    y.resize(t.values.size());
    return y;
}

std::vector<KindCase> variedKinds() {
    std::vector<KindCase> all;
    for (const auto& [period, smooth, gamma] :
         {std::tuple{20, 10, 0.8f}, {3, 2, 0.2f}, {90, 30, 0.95f}, {48, 5, 0.0f}, {0, 0, 0.5f},
          {-7, -3, 1.5f}}) {
        for (const KindCase& k : stream_testing::allKinds(period, smooth, gamma)) all.push_back(k);
    }
    return all;
}

TEST(Segments, EachGetsTheBatchCallOnItAlone) {
    const Table t = longTable(1, 7);
    for (const KindCase& k : variedKinds()) {
        SCOPED_TRACE(k.filter.name + " period " + std::to_string(k.params.period));
        EXPECT_SAME_SERIES(run(k, t), expected(k, t));
    }
}

// Many segments of one length one after another, the layout of a table
// with one row per symbol and day; and one segment alone.
TEST(Segments, EqualLengthsAndASingleSegment) {
    for (std::int64_t length : {50, 136, 400}) {
        Table t;
        for (int i = 0; i < 70; ++i) {
            t.starts.push_back(std::int64_t(t.values.size()));
            const Series x = testing_support::randomWalk(size_t(length), unsigned(i) + 5);
            t.values.insert(t.values.end(), x.begin(), x.end());
        }
        t.total = std::int64_t(t.values.size());
        Table one = t;
        one.starts = {0};
        for (const KindCase& k : stream_testing::defaultKinds()) {
            SCOPED_TRACE(k.filter.name + " length " + std::to_string(length));
            EXPECT_SAME_SERIES(run(k, t), expected(k, t));
            EXPECT_SAME_SERIES(run(k, one), expected(k, one));
        }
    }
}

TEST(Segments, InPlaceGivesTheSameBits) {
    const Table t = longTable(2);
    for (const KindCase& k : stream_testing::allKinds(14, 6, 0.6f)) {
        SCOPED_TRACE(k.filter.name);
        Series y = t.values;
        EXPECT_EQ(tsf_segments_run(k.kind, &k.params, y.data(), t.starts.data(),
                                   std::int32_t(t.starts.size()), t.total, y.data()),
                  t.total);
        EXPECT_SAME_SERIES(y, expected(k, t));
    }
}

// Threads each take a range of the segments: calls over starts[0 .. s-1]
// with total starts[s], and over starts[s ..] with the table's total.
TEST(Segments, SplitIntoCallsAsThreadsWould) {
    const Table t = longTable(3, 5);
    const auto n = std::int32_t(t.starts.size());
    for (const KindCase& k : stream_testing::allKinds(25, 8, 0.7f)) {
        const Series whole = run(k, t);
        for (std::int32_t split : {1, 9, n / 2, n - 1}) {
            SCOPED_TRACE(k.filter.name + " split at " + std::to_string(split));
            Series y(t.values.size(), kSentinel);
            const std::int64_t middle = t.starts[size_t(split)];
            EXPECT_EQ(tsf_segments_run(k.kind, &k.params, t.values.data(), t.starts.data() + split,
                                       n - split, t.total, y.data()),
                      t.total - middle);
            EXPECT_EQ(tsf_segments_run(k.kind, &k.params, t.values.data(), t.starts.data(), split,
                                       middle, y.data()),
                      middle - t.starts[0]);
            EXPECT_SAME_SERIES(y, whole);
            // The same two calls at once, on two threads.
            Series z(t.values.size(), kSentinel);
            std::thread later([&] {
                tsf_segments_run(k.kind, &k.params, t.values.data(), t.starts.data() + split, n - split,
                                 t.total, z.data());
            });
            tsf_segments_run(k.kind, &k.params, t.values.data(), t.starts.data(), split, middle, z.data());
            later.join();
            EXPECT_SAME_SERIES(z, whole);
        }
    }
}

TEST(Segments, NothingToFilter) {
    const tsf_params p = {20, 10, 0.8f};
    EXPECT_EQ(tsf_segments_run(TSF_HIGH_PASS, &p, nullptr, nullptr, 0, 0, nullptr), 0);
    const std::int64_t empty[] = {3, 3, 3};
    EXPECT_EQ(tsf_segments_run(TSF_LAGUERRE_FILTER, &p, nullptr, empty, 3, 3, nullptr), 0);
}

// Every refusal returns its code and leaves input and output as they were.
TEST(Segments, RefusalsWriteNothing) {
    const Table t = longTable(4);
    const auto n = std::int32_t(t.starts.size());
    const tsf_params p = {20, 10, 0.8f};
    Series buffer(t.values.size() + 1, kSentinel);
    std::copy(t.values.begin(), t.values.end(), buffer.begin());
    const Series given = buffer;
    Series out(t.values.size(), kSentinel);
    const float* in = t.values.data();
    const std::int64_t* s = t.starts.data();
    std::vector<std::int64_t> decreasing = t.starts;
    std::swap(decreasing[20], decreasing[21]);
    ASSERT_NE(decreasing[20], decreasing[21]);
    std::vector<std::int64_t> negative = t.starts;
    negative[0] = -1;
    std::vector<std::int64_t> past = t.starts;
    past[size_t(n) - 1] = t.total + 1;
    const std::int64_t tooLong[] = {0};
    // Starts whose own bytes are (the first part of) the output.
    std::vector<std::int64_t> overStarts(size_t(t.total), 0);
    std::copy(t.starts.begin(), t.starts.end(), overStarts.begin());
    const std::vector<std::int64_t> startsGiven = overStarts;
    struct Case {
        std::int64_t code;
        std::int64_t got;
    };
    for (tsf_kind kind : {TSF_SUPER_SMOOTHER, TSF_LAGUERRE_OSCILLATOR}) {
        const Case cases[] = {
            {TSF_E_NULL, tsf_segments_run(kind, nullptr, in, s, n, t.total, out.data())},
            {TSF_E_KIND, tsf_segments_run(tsf_kind(0), &p, in, s, n, t.total, out.data())},
            {TSF_E_KIND, tsf_segments_run(tsf_kind(8), &p, in, s, n, t.total, out.data())},
            {TSF_E_SEGMENTS, tsf_segments_run(kind, &p, in, s, -1, t.total, out.data())},
            {TSF_E_SEGMENTS, tsf_segments_run(kind, &p, in, s, n, -1, out.data())},
            {TSF_E_SEGMENTS, tsf_segments_run(kind, &p, in, s, n, t.starts.back() - 1, out.data())},
            {TSF_E_SEGMENTS, tsf_segments_run(kind, &p, in, decreasing.data(), n, t.total, out.data())},
            {TSF_E_SEGMENTS, tsf_segments_run(kind, &p, in, negative.data(), n, t.total, out.data())},
            {TSF_E_SEGMENTS, tsf_segments_run(kind, &p, in, past.data(), n, t.total, out.data())},
            {TSF_E_NULL, tsf_segments_run(kind, &p, in, nullptr, n, t.total, out.data())},
            {TSF_E_NULL, tsf_segments_run(kind, &p, nullptr, s, n, t.total, out.data())},
            {TSF_E_NULL, tsf_segments_run(kind, &p, in, s, n, t.total, nullptr)},
            // Output one slot past input: each write would land on a sample
            // not read yet.
            {TSF_E_SEGMENTS, tsf_segments_run(kind, &p, buffer.data(), s, n, t.total, buffer.data() + 1)},
            {TSF_E_SEGMENTS, tsf_segments_run(kind, &p, buffer.data() + 1, s, n, t.total, buffer.data())},
            // Outputs written over the starts would move later segments.
            {TSF_E_SEGMENTS, tsf_segments_run(kind, &p, in, overStarts.data(), n, t.total,
                                              reinterpret_cast<float*>(overStarts.data()))},
            // Checked before a sample is read: the input is far shorter.
            {TSF_E_FULL, tsf_segments_run(kind, &p, in, tooLong, 1, TSF_MAX_SAMPLES + 1, out.data())},
        };
        for (size_t c = 0; c < std::size(cases); ++c) EXPECT_EQ(cases[c].got, cases[c].code) << "case " << c;
    }
    for (float v : out) ASSERT_TRUE(testing_support::isSentinel(v));
    EXPECT_SAME_SERIES(buffer, given);
    EXPECT_EQ(overStarts, startsGiven);
    EXPECT_STRNE(tsf_strerror(TSF_E_SEGMENTS), tsf_strerror(TSF_E_ARGUMENT));
}

}  // namespace
