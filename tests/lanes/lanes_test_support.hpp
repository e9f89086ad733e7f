// What the lanes tests share: lanes with their own parameters and series,
// the memory layouts a caller may use, and the single streams each lane
// must match.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../stream/stream_test_support.hpp"
#include "tsfilters_stream.h"

namespace lanes_testing {

using stream_testing::KindCase;
using testing_support::Series;

// Lane j's parameters: periods and gammas spread over their useful ranges
// so that neighbouring lanes differ.
inline tsf_params laneParams(std::int32_t j) {
    return {2 + (7 * j) % 90, 2 + (5 * j) % 30, float((37 * j) % 101) / 100.0f};
}

// Lane j's series: random walks, with a few odd lanes among them: all
// zeros (an oscillator's window with RMS 0) and a NaN after the window.
// Every series ends on -0, which the final states must keep as -0.
inline Series laneSeries(std::int32_t j, size_t n) {
    Series x = testing_support::randomWalk(n, unsigned(j) + 1);
    if (j % 13 == 5) x.assign(n, 0.0f);
    if (j % 17 == 3 && n > 150) x[150] = stream_testing::kNaN;
    x.back() = -0.0f;
    return x;
}

// Where lane j's sample t and output t live, in elements.
struct Layout {
    std::string name;
    std::int64_t inTime, inLane, outTime, outLane;
    bool inPlace = false;  // output is the input array

    bool broadcast() const { return inLane == 0; }
    size_t inputSize(std::int32_t lanes, size_t n) const {
        return size_t(std::int64_t(n - 1) * inTime + std::int64_t(lanes - 1) * inLane + 1);
    }
    size_t outputSize(std::int32_t lanes, size_t n) const {
        return size_t(std::int64_t(n - 1) * outTime + std::int64_t(lanes - 1) * outLane + 1);
    }
};

inline std::vector<Layout> allLayouts(std::int32_t lanes, std::int64_t n) {
    return {
        {"time-major", lanes, 1, lanes, 1},
        {"series-major", 1, n, 1, n},
        {"strided", 2 * lanes + 3, 2, 1, n + 3},
        {"broadcast", 1, 0, lanes, 1},
        {"in-place", lanes, 1, lanes, 1, true},
        {"in-place series-major", 1, n, 1, n, true},
    };
}

// Streams of one kind, lane j with laneParams(j) unless `params` is given.
inline std::vector<tsf_stream> startedLanes(tsf_kind kind, std::int32_t lanes,
                                            const std::vector<tsf_params>& params = {}) {
    std::vector<tsf_stream> s(static_cast<size_t>(lanes));
    for (std::int32_t j = 0; j < lanes; ++j) {
        const tsf_params p = params.empty() ? laneParams(j) : params[size_t(j)];
        EXPECT_EQ(tsf_stream_init(&s[size_t(j)], kind, &p), TSF_OK);
    }
    return s;
}

// The series as one lanes call sees them: lane j reads series[j], or
// series[0] when the layout broadcasts.
inline std::vector<float> laidOut(const Layout& l, const std::vector<Series>& series,
                                  std::int32_t lanes) {
    const size_t n = series[0].size();
    std::vector<float> in(std::max(l.inputSize(lanes, n), l.inPlace ? l.outputSize(lanes, n) : 0),
                          testing_support::kSentinel);
    for (std::int32_t j = 0; j < lanes; ++j)
        for (size_t t = 0; t < n; ++t)
            in[size_t(std::int64_t(t) * l.inTime + j * l.inLane)] =
                series[l.broadcast() ? 0 : size_t(j)][t];
    return in;
}

// Runs the streams over the laid-out input in chunks of the given sizes,
// cycled, and returns each lane's outputs.
inline std::vector<Series> runLanes(std::vector<tsf_stream>& streams, const Layout& l,
                                    std::vector<float> in, size_t n,
                                    const std::vector<std::int32_t>& chunks) {
    const auto lanes = std::int32_t(streams.size());
    std::vector<float> separate(l.outputSize(lanes, n), testing_support::kSentinel);
    std::vector<float>& out = l.inPlace ? in : separate;
    size_t t0 = 0;
    for (size_t c = 0; t0 < n; ++c) {
        const auto rows = std::int32_t(std::min<size_t>(size_t(chunks[c % chunks.size()]), n - t0));
        EXPECT_EQ(tsf_lanes_update(streams.data(), lanes, in.data() + std::int64_t(t0) * l.inTime,
                                   l.inTime, l.inLane, rows,
                                   out.data() + std::int64_t(t0) * l.outTime, l.outTime, l.outLane),
                  rows);
        t0 += size_t(rows);
    }
    std::vector<Series> y(static_cast<size_t>(lanes), Series(n));
    for (std::int32_t j = 0; j < lanes; ++j)
        for (size_t t = 0; t < n; ++t) y[size_t(j)][t] = out[size_t(std::int64_t(t) * l.outTime + j * l.outLane)];
    return y;
}

// Same bits, NaNs included: a lane must reproduce the stream's exact NaN.
inline long firstBitDifference(const Series& a, const Series& b) {
    if (a.size() != b.size()) return 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return long(i);
    return -1;
}

inline bool sameBytes(const tsf_stream& a, const tsf_stream& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace lanes_testing
