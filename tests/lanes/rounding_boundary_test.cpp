// Lanes whose next output lies on a float rounding boundary. A lane's sum
// is a double rounded to float, so a vector step that does its operations
// in another order than the scalar step (one double ulp apart) shows in the
// output only about once in 2^29 samples of ordinary data. Here the last
// carried output y2 of a saved state is moved, by bisection over the
// doubles, to where the next output flips between two floats: there the
// smallest difference in the vector step's arithmetic shows.
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "lanes_test_support.hpp"

namespace {

using namespace lanes_testing;
using Bytes = std::vector<unsigned char>;

// Where y2, the last value a two-pole step carries, sits in its saved
// state: after the 32-byte header, x1 and x2 (floats for HighPass and
// SuperSmoother, doubles for UltimateSmoother) and y1.
struct BoundaryKind {
    tsf_kind kind;
    size_t y2At;
};
constexpr BoundaryKind kKinds[] = {
    {TSF_HIGH_PASS, 48}, {TSF_SUPER_SMOOTHER, 48}, {TSF_ULTIMATE_SMOOTHER, 56}};

Bytes withY2(Bytes b, size_t at, double y2) {
    const auto u = std::bit_cast<std::uint64_t>(y2);
    for (size_t i = 0; i < 8; ++i) b[at + i] = static_cast<unsigned char>(u >> (8 * i));
    return stream_testing::resealed(b);
}

tsf_stream loaded(const Bytes& b) {
    tsf_stream s;
    EXPECT_EQ(tsf_stream_load(&s, b.data(), std::int32_t(b.size())), TSF_OK);
    return s;
}

std::uint32_t peekBits(const Bytes& b, float x) {
    const tsf_stream s = loaded(b);
    float y = 0;
    EXPECT_EQ(tsf_stream_peek(&s, x, &y), TSF_OK);
    return std::bit_cast<std::uint32_t>(y);
}

// The state `b` with y2 moved to one of the two neighbouring doubles
// between which the output for x flips (`above`: the second).
Bytes onBoundary(const Bytes& b, size_t at, float x, bool above) {
    std::uint64_t saved = 0;
    for (size_t i = 0; i < 8; ++i) saved |= std::uint64_t(b[at + i]) << (8 * i);
    double lo = std::bit_cast<double>(saved);
    const std::uint32_t atLo = peekBits(b, x);
    double hi = lo;
    for (double step = std::fmax(std::abs(lo), 1.0) * 0x1p-30; peekBits(withY2(b, at, hi), x) == atLo; step *= 2)
        hi = lo + step;
    for (;;) {
        const double mid = lo + (hi - lo) / 2;
        if (mid == lo || mid == hi) break;
        (peekBits(withY2(b, at, mid), x) == atLo ? lo : hi) = mid;
    }
    return withY2(b, at, above ? hi : lo);
}

TEST(RoundingBoundary, EveryLaneMatchesItsStreamWhereOneUlpFlipsTheOutput) {
    constexpr std::int32_t kLanes = 16, kRows = 40, kWarm = 50;
    for (const BoundaryKind& k : kKinds) {
        for (unsigned round = 0; round < 16; ++round) {
            std::vector<tsf_stream> streams;
            std::vector<Series> x, expected;
            for (std::int32_t j = 0; j < kLanes; ++j) {
                const unsigned seed = round * kLanes + unsigned(j) + 1;
                const Series warm = testing_support::randomWalk(kWarm + kRows, seed);
                const tsf_params p = laneParams(std::int32_t(seed));
                tsf_stream s;
                ASSERT_EQ(tsf_stream_init(&s, k.kind, &p), TSF_OK);
                Series y(kWarm);
                tsf_stream_update(&s, warm.data(), kWarm, y.data());
                x.emplace_back(warm.begin() + kWarm, warm.end());
                s = loaded(onBoundary(stream_testing::saved(s), k.y2At, x.back()[0], j % 2 == 1));
                streams.push_back(s);
                expected.emplace_back(kRows);
                tsf_stream alone = s;
                tsf_stream_update(&alone, x.back().data(), kRows, expected.back().data());
            }
            Series in(size_t(kLanes * kRows)), out(in.size(), testing_support::kSentinel);
            for (std::int32_t t = 0; t < kRows; ++t)
                for (std::int32_t j = 0; j < kLanes; ++j) in[size_t(t * kLanes + j)] = x[size_t(j)][size_t(t)];
            ASSERT_EQ(tsf_lanes_update(streams.data(), kLanes, in.data(), kLanes, 1, kRows, out.data(), kLanes, 1), kRows);
            for (std::int32_t j = 0; j < kLanes; ++j) {
                Series y(kRows);
                for (std::int32_t t = 0; t < kRows; ++t) y[size_t(t)] = out[size_t(t * kLanes + j)];
                ASSERT_EQ(firstBitDifference(y, expected[size_t(j)]), -1)
                    << "kind " << k.kind << ", round " << round << ", lane " << j << ", target " << tsf_simd_target();
            }
        }
    }
}

}  // namespace
