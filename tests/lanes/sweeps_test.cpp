// Parameter sweeps in one call: one series broadcast to every lane (lane
// stride 0), each lane with its own period or gamma, each equal to the
// batch function called with that lane's parameters.
#include <gtest/gtest.h>

#include "lanes_test_support.hpp"

namespace {

using namespace lanes_testing;

constexpr std::int32_t kSamples = 1000;

// Runs `params` over one series in a single lanes call and checks every
// lane against the batch call of its parameters.
void expectSweepIsBatch(tsf_kind kind, const std::vector<tsf_params>& params) {
    const auto lanes = std::int32_t(params.size());
    const Series x = testing_support::randomWalk(kSamples, 7);
    std::vector<tsf_stream> streams = startedLanes(kind, lanes, params);
    std::vector<float> out(size_t(lanes) * kSamples, testing_support::kSentinel);
    ASSERT_EQ(tsf_lanes_update(streams.data(), lanes, x.data(), 1, 0, kSamples, out.data(), lanes, 1), kSamples);
    for (std::int32_t j = 0; j < lanes; ++j) {
        const tsf_params& p = params[size_t(j)];
        const KindCase k = stream_testing::allKinds(p.period, p.smooth_period, p.gamma)[size_t(kind - 1)];
        Series y(kSamples);
        for (std::int32_t t = 0; t < kSamples; ++t) y[size_t(t)] = out[size_t(t) * size_t(lanes) + size_t(j)];
        SCOPED_TRACE(stream_testing::describe(k) + ", target " + tsf_simd_target());
        EXPECT_SAME_SERIES(stream_testing::withWindow(streams[size_t(j)], y), stream_testing::expectedBatch(k, x));
    }
}

TEST(Sweep, Periods2To257InOneCall) {
    std::vector<tsf_params> params;
    for (std::int32_t period = 2; period <= 257; ++period) params.push_back({period, 10, 0.8f});
    for (int kind = TSF_HIGH_PASS; kind <= TSF_FILTER_COUNT; ++kind) expectSweepIsBatch(tsf_kind(kind), params);
}

// Every kind that takes the parameter swept.
void expectSweepsAreBatch(int shape, const std::vector<tsf_params>& params) {
    for (const KindCase& k : stream_testing::defaultKinds())
        if (k.filter.shape == shape) expectSweepIsBatch(k.kind, params);
}

TEST(Sweep, SmoothingPeriodsOfTheBandPasses) {
    std::vector<tsf_params> params;
    for (std::int32_t smooth = 2; smooth <= 65; ++smooth) params.push_back({48, smooth, 0.0f});
    expectSweepsAreBatch(TSF_SHAPE_TWO_PERIODS, params);
}

TEST(Sweep, Gamma0To1InOneCall) {
    std::vector<tsf_params> params;
    for (int g = 0; g <= 100; ++g) params.push_back({20, 0, float(g) / 100.0f});
    expectSweepsAreBatch(TSF_SHAPE_GAMMA_PERIOD, params);
}

}  // namespace
