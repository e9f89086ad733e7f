// Every lane of a lanes call against the same stream run alone: outputs
// and final state identical to the bit, for every kind, lane count, memory
// layout and chunking, on whichever instruction set TSFILTERS_SIMD leaves
// in use (ctest runs this program once per set).
#include <gtest/gtest.h>

#include "lanes_test_support.hpp"

namespace {

using namespace lanes_testing;

constexpr size_t kSamples = 300;

// Past every warm-up and window, then one sample per call to the end.
std::vector<std::int32_t> live() {
    std::vector<std::int32_t> chunks = {230};
    chunks.resize(kSamples - 230 + 1, 1);
    return chunks;
}

const std::vector<std::vector<std::int32_t>>& chunkings() {
    static const std::vector<std::vector<std::int32_t>> all = {
        {std::int32_t(kSamples)}, {1, 2, 3, 7, 99, 100, 101}, {40}, live()};
    return all;
}

struct Expected {
    std::vector<Series> outputs;
    std::vector<tsf_stream> finals;
};

// Each lane's stream alone, fed its whole series in one call.
Expected alone(tsf_kind kind, const std::vector<Series>& series, std::int32_t lanes, bool broadcast) {
    Expected e;
    std::vector<tsf_stream> s = startedLanes(kind, lanes);
    for (std::int32_t j = 0; j < lanes; ++j) {
        const Series& x = series[broadcast ? 0 : size_t(j)];
        Series y(x.size());
        EXPECT_EQ(tsf_stream_update(&s[size_t(j)], x.data(), std::int32_t(x.size()), y.data()),
                  std::int32_t(x.size()));
        e.outputs.push_back(y);
    }
    e.finals = s;
    return e;
}

class EveryLaneCount : public testing::TestWithParam<std::int32_t> {};

TEST_P(EveryLaneCount, EachLaneIsItsStreamAloneInEveryLayoutAndChunking) {
    const std::int32_t lanes = GetParam();
    std::vector<Series> series;
    for (std::int32_t j = 0; j < lanes; ++j) series.push_back(laneSeries(j, kSamples));
    for (int kind = TSF_HIGH_PASS; kind <= TSF_FILTER_COUNT; ++kind) {
        const Expected separate = alone(tsf_kind(kind), series, lanes, false);
        const Expected shared = alone(tsf_kind(kind), series, lanes, true);
        for (const Layout& layout : allLayouts(lanes, kSamples)) {
            const Expected& e = layout.broadcast() ? shared : separate;
            const std::vector<float> in = laidOut(layout, series, lanes);
            for (const auto& chunks : chunkings()) {
                SCOPED_TRACE("kind " + std::to_string(kind) + ", " + layout.name + ", first chunk " +
                             std::to_string(chunks[0]) + ", target " + tsf_simd_target());
                std::vector<tsf_stream> streams = startedLanes(tsf_kind(kind), lanes);
                const std::vector<Series> y = runLanes(streams, layout, in, kSamples, chunks);
                for (std::int32_t j = 0; j < lanes; ++j) {
                    ASSERT_EQ(firstBitDifference(y[size_t(j)], e.outputs[size_t(j)]), -1) << "lane " << j;
                    ASSERT_TRUE(sameBytes(streams[size_t(j)], e.finals[size_t(j)])) << "state of lane " << j;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Lanes, EveryLaneCount, testing::Values(1, 3, 7, 8, 9, 17, 64, 1000));

// Lanes of different ages in one call, in one long call and one sample at
// a time (a live host's bars): some lanes still in their warm-up or window,
// others past it, each continuing its own stream. A live row steps whole
// blocks of lanes past their warm-ups together and the others one by one,
// so one sample at a time runs in every layout.
TEST(MixedAges, LanesOfDifferentAgesEachContinueTheirOwnStream) {
    const std::int32_t lanes = 40;
    const std::vector<Layout> layouts = allLayouts(lanes, kSamples);
    for (const std::vector<std::int32_t>& chunks : {std::vector<std::int32_t>{kSamples}, {1}}) {
        for (const Layout& layout : layouts) {
            if (chunks[0] != 1 && layout.name != layouts[0].name) continue;
            for (int kind = TSF_HIGH_PASS; kind <= TSF_FILTER_COUNT; ++kind) {
                SCOPED_TRACE("kind " + std::to_string(kind) + ", " + layout.name + ", chunk " +
                             std::to_string(chunks[0]) + ", target " + tsf_simd_target());
                std::vector<tsf_stream> streams = startedLanes(tsf_kind(kind), lanes);
                std::vector<Series> series;
                for (std::int32_t j = 0; j < lanes; ++j) {
                    series.push_back(laneSeries(j, kSamples));
                    const std::int32_t age = (j * 29) % 160;  // 0 .. 159 samples already seen
                    Series head(size_t(age) + 1);
                    if (age > 0)
                        ASSERT_EQ(tsf_stream_update(&streams[size_t(j)], series.back().data(), age, head.data()), age);
                    // The samples fed here are fed again below: they are just more samples.
                }
                std::vector<tsf_stream> alone = streams;
                const std::vector<Series> y =
                    runLanes(streams, layout, laidOut(layout, series, lanes), kSamples, chunks);
                for (std::int32_t j = 0; j < lanes; ++j) {
                    Series expected(kSamples);
                    const Series& x = series[layout.broadcast() ? 0 : size_t(j)];
                    tsf_stream_update(&alone[size_t(j)], x.data(), std::int32_t(kSamples), expected.data());
                    ASSERT_EQ(firstBitDifference(y[size_t(j)], expected), -1) << "lane " << j;
                    ASSERT_TRUE(sameBytes(streams[size_t(j)], alone[size_t(j)])) << "state of lane " << j;
                }
            }
        }
    }
}

// The lanes against the batch functions themselves, window patched in.
TEST(AgainstBatch, EachLaneIsTheBatchCallOfItsParameters) {
    const std::int32_t lanes = 33;
    std::vector<Series> series;
    for (std::int32_t j = 0; j < lanes; ++j) series.push_back(laneSeries(j, kSamples));
    for (int kind = TSF_HIGH_PASS; kind <= TSF_FILTER_COUNT; ++kind) {
        std::vector<tsf_stream> streams = startedLanes(tsf_kind(kind), lanes);
        const Layout layout = allLayouts(lanes, kSamples)[0];
        const std::vector<Series> y = runLanes(streams, layout, laidOut(layout, series, lanes), kSamples, {150, 150});
        for (std::int32_t j = 0; j < lanes; ++j) {
            const tsf_params p = laneParams(j);
            const KindCase k = stream_testing::allKinds(p.period, p.smooth_period, p.gamma)[size_t(kind - 1)];
            const Series batch = stream_testing::expectedBatch(k, series[size_t(j)]);
            SCOPED_TRACE(stream_testing::describe(k));
            EXPECT_SAME_SERIES(stream_testing::withWindow(streams[size_t(j)], y[size_t(j)]), batch);
        }
    }
}

}  // namespace
