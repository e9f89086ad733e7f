// Calls whose lengths fall on and around the kernels' tile of 32 rows (a
// chain of two filters runs its first filter over a tile, then its second):
// after every call each lane's outputs and whole state, its unrounded
// doubles included, are the bytes of the same stream run alone.
#include <gtest/gtest.h>

#include "lanes_test_support.hpp"

namespace {

using namespace lanes_testing;

// 37 lanes: whole groups of blocks, a block alone and lanes outside any
// block, on every instruction set.
constexpr std::int32_t kLanes = 37;

// Past every warm-up and window in the first call (which leaves 900 vector
// rows, not a whole number of tiles), then lengths around one tile.
const std::vector<std::int32_t> kCalls = {1000, 1, 31, 32, 33, 1000, 33, 32};

size_t total() {
    size_t n = 0;
    for (std::int32_t c : kCalls) n += size_t(c);
    return n;
}

void expectEveryCallIsTheStreamsAlone(tsf_kind kind, const Layout& layout) {
    const size_t n = total();
    std::vector<Series> series;
    for (std::int32_t j = 0; j < kLanes; ++j) series.push_back(laneSeries(j, n));
    std::vector<float> in = laidOut(layout, series, kLanes);
    std::vector<float> separate(layout.outputSize(kLanes, n), testing_support::kSentinel);
    std::vector<float>& out = layout.inPlace ? in : separate;
    std::vector<tsf_stream> lanes = startedLanes(kind, kLanes), alone = lanes;
    size_t t0 = 0;
    for (std::int32_t count : kCalls) {
        SCOPED_TRACE("kind " + std::to_string(kind) + ", " + layout.name + ", call of " +
                     std::to_string(count) + " from row " + std::to_string(t0) + ", target " +
                     tsf_simd_target());
        ASSERT_EQ(tsf_lanes_update(lanes.data(), kLanes, in.data() + std::int64_t(t0) * layout.inTime,
                                   layout.inTime, layout.inLane, count,
                                   out.data() + std::int64_t(t0) * layout.outTime, layout.outTime,
                                   layout.outLane),
                  count);
        for (std::int32_t j = 0; j < kLanes; ++j) {
            const Series& x = series[size_t(j)];
            Series expected(static_cast<size_t>(count));
            ASSERT_EQ(tsf_stream_update(&alone[size_t(j)], x.data() + t0, count, expected.data()), count);
            Series got(static_cast<size_t>(count));
            for (size_t t = 0; t < size_t(count); ++t)
                got[t] = out[size_t(std::int64_t(t0 + t) * layout.outTime + j * layout.outLane)];
            ASSERT_EQ(firstBitDifference(got, expected), -1) << "lane " << j;
            ASSERT_TRUE(sameBytes(lanes[size_t(j)], alone[size_t(j)])) << "state of lane " << j;
        }
        t0 += size_t(count);
    }
}

TEST(Tiles, CallsAroundOneTileLeaveEveryLaneItsStreamAlone) {
    const size_t n = total();
    for (const Layout& layout : allLayouts(kLanes, std::int64_t(n))) {
        if (layout.broadcast()) continue;  // the sweeps test covers one shared series
        for (int kind = TSF_HIGH_PASS; kind <= TSF_FILTER_COUNT; ++kind)
            expectEveryCallIsTheStreamsAlone(tsf_kind(kind), layout);
    }
}

}  // namespace
