// Input and output sharing memory. Where a lane's output could land on a
// sample another lane reads (or a later one of its own), the result would
// follow the order in which the instruction set visits lanes and rows, so
// the call is refused with nothing written and no stream changed; ctest
// runs this program on every instruction set. The layouts that stay allowed
// must give each lane exactly its stream alone.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <set>

#include <gtest/gtest.h>

#include "lanes_test_support.hpp"
#include "stream/lanes_overlap.hpp"

namespace {

using namespace lanes_testing;
using tsfilters::stream::lanes::orderWouldShow;
using tsfilters::stream::lanes::Slots;

constexpr std::int32_t kLanes = 37;  // blocks of 2, 4, 8 and 16 lanes, and some over
constexpr std::int32_t kRows = 300;
constexpr std::int64_t kBig = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kSmall = std::numeric_limits<std::int64_t>::min();

// Offsets are elements from the middle of one shared array, so that
// negative strides stay inside it.
struct Overlap {
    const char* name;
    std::int64_t in, inTime, inLane, out, outTime, outLane;
};

constexpr std::int64_t kMiddle = std::int64_t(kLanes) * kRows;

std::vector<unsigned char> bytes(const std::vector<tsf_stream>& s) {
    std::vector<unsigned char> b(s.size() * sizeof(tsf_stream));
    std::memcpy(b.data(), s.data(), b.size());
    return b;
}

// Streams of every age: some lanes past every warm-up, some inside one, so
// that an accepted call would have taken both the vector and the lane by
// lane paths.
std::vector<tsf_stream> agedLanes(tsf_kind kind) {
    std::vector<tsf_stream> s = startedLanes(kind, kLanes);
    for (std::int32_t j = 0; j < kLanes; ++j) {
        Series x = laneSeries(j, size_t(j % 3 == 0 ? 20 : 250)), y(x.size());
        EXPECT_EQ(tsf_stream_update(&s[size_t(j)], x.data(), std::int32_t(x.size()), y.data()),
                  std::int32_t(x.size()));
    }
    return s;
}

TEST(Overlapping, InPlaceLayoutsWhereLanesMeetAreRefusedTouchingNothing) {
    const std::int64_t L = kLanes, n = kRows;
    const Overlap cases[] = {
        {"lanes and rows both one element apart", 0, 1, 1, 0, 1, 1},
        {"output one row later than the input", 0, L, 1, L, L, 1},
        {"output one lane over", 0, L, 1, 1, L, 1},
        {"series after series in, a table out", 0, 1, n, 0, L, 1},
        {"output from the middle of the input", 0, 1, n, L * n / 2, 1, n},
        {"time stride 0 in place", 0, 0, 1, 0, 0, 1},
        {"one series for every lane, outputs after it", 0, 1, 0, 0, 1, n},
        {"input read backwards in time", (n - 1) * L, -L, 1, 0, L, 1},
        {"negative lane strides crossing", (L - 1) * n, 1, -n, 0, 1, n - 1},
    };
    for (int kind = TSF_HIGH_PASS; kind <= TSF_FILTER_COUNT; ++kind)
        for (const Overlap& c : cases) {
            std::vector<float> memory(size_t(3 * kMiddle), testing_support::kSentinel);
            for (size_t i = size_t(kMiddle) - 5000; i < size_t(2 * kMiddle) + 5000; ++i)
                memory[i] = 50.0f + float(i % 11);
            const std::vector<float> given = memory;
            std::vector<tsf_stream> s = agedLanes(tsf_kind(kind));
            const std::vector<unsigned char> before = bytes(s);
            float* base = memory.data() + kMiddle;
            EXPECT_EQ(tsf_lanes_update(s.data(), kLanes, base + c.in, c.inTime, c.inLane, kRows,
                                       base + c.out, c.outTime, c.outLane),
                      TSF_E_ARGUMENT)
                << c.name << ", kind " << kind << ", " << tsf_simd_target();
            EXPECT_EQ(bytes(s), before) << c.name;
            EXPECT_EQ(std::memcmp(memory.data(), given.data(), memory.size() * sizeof(float)), 0) << c.name;
        }
}

// Out of place too, two lanes on one output element would leave whichever
// lane the instruction set visits last.
TEST(Overlapping, LanesSharingAnOutputElementAreRefused) {
    std::vector<tsf_stream> s = agedLanes(TSF_SUPER_SMOOTHER);
    const std::vector<unsigned char> before = bytes(s);
    std::vector<float> in(size_t(kLanes) * kRows, 60.0f), out(in.size(), testing_support::kSentinel);
    // Row t of lane j + 1 is row t + 1 of lane j; then rows 20 apart, lanes 1.
    EXPECT_EQ(tsf_lanes_update(s.data(), kLanes, in.data(), kLanes, 1, kRows, out.data(), 1, 1), TSF_E_ARGUMENT);
    EXPECT_EQ(tsf_lanes_update(s.data(), kLanes, in.data(), kLanes, 1, kRows, out.data(), 20, 1), TSF_E_ARGUMENT);
    EXPECT_EQ(bytes(s), before);
    for (float v : out) ASSERT_TRUE(testing_support::isSentinel(v));
    // Rows as far apart as there are lanes: every element its own.
    EXPECT_EQ(tsf_lanes_update(s.data(), kLanes, in.data(), kLanes, 1, kRows, out.data(), kLanes, 1), kRows);
}

// Each lane alone over its series: the outputs and final states an allowed
// layout must reproduce.
struct Alone {
    std::vector<Series> series, outputs;
    std::vector<tsf_stream> finals;
};

Alone alone(tsf_kind kind, std::int32_t lanes) {
    Alone a;
    a.finals = startedLanes(kind, lanes);
    for (std::int32_t j = 0; j < lanes; ++j) {
        a.series.push_back(laneSeries(j, kRows));
        a.outputs.emplace_back(size_t(kRows));
        EXPECT_EQ(tsf_stream_update(&a.finals[size_t(j)], a.series.back().data(), kRows,
                                    a.outputs.back().data()),
                  kRows);
    }
    return a;
}

// Runs the lanes in place over `memory` in the given calls of rows and
// checks every lane against its stream alone.
void expectAlone(tsf_kind kind, std::int32_t lanes, const Overlap& c, const std::vector<std::int32_t>& calls) {
    const Alone a = alone(kind, lanes);
    std::vector<float> memory(size_t(3 * kMiddle), testing_support::kSentinel);
    float* base = memory.data() + kMiddle;
    for (std::int32_t j = 0; j < lanes; ++j)
        for (std::int64_t t = 0; t < kRows; ++t) base[c.in + t * c.inTime + j * c.inLane] = a.series[size_t(j)][size_t(t)];
    std::vector<tsf_stream> s = startedLanes(kind, lanes);
    std::int64_t t0 = 0;
    for (std::int32_t rows : calls) {
        ASSERT_EQ(tsf_lanes_update(s.data(), lanes, base + c.in + t0 * c.inTime, c.inTime, c.inLane, rows,
                                   base + c.out + t0 * c.outTime, c.outTime, c.outLane),
                  rows)
            << c.name;
        t0 += rows;
    }
    ASSERT_EQ(t0, kRows);
    for (std::int32_t j = 0; j < lanes; ++j) {
        Series y(static_cast<size_t>(kRows));
        for (std::int64_t t = 0; t < kRows; ++t) y[size_t(t)] = base[c.out + t * c.outTime + j * c.outLane];
        EXPECT_EQ(firstBitDifference(y, a.outputs[size_t(j)]), -1)
            << c.name << ", kind " << kind << ", lane " << j << ", " << tsf_simd_target();
        EXPECT_TRUE(sameBytes(s[size_t(j)], a.finals[size_t(j)])) << c.name << ", lane " << j;
    }
}

TEST(Overlapping, InPlaceLayoutsWithEveryElementItsOwnGiveEachStreamAlone) {
    const std::int64_t L = kLanes, n = kRows;
    const Overlap cases[] = {
        {"table wider than the lanes", 0, L + 5, 1, 0, L + 5, 1},
        {"table, latest row first", (n - 1) * L, -L, 1, (n - 1) * L, -L, 1},
        {"series after series, last lane first", (L - 1) * n, 1, -n, (L - 1) * n, 1, -n},
        {"interleaved columns, output beside input", 0, 2 * L, 2, 1, 2 * L, 2},
    };
    // Warm-ups lane by lane, then rows enough for the vector kernels.
    for (int kind = TSF_HIGH_PASS; kind <= TSF_FILTER_COUNT; ++kind)
        for (const Overlap& c : cases) expectAlone(tsf_kind(kind), kLanes, c, {120, 180});
}

// Strides that a call does not use play no part: the time strides of a
// live row, the lane strides of a single lane.
TEST(Overlapping, UnusedStridesDoNotMatter) {
    for (tsf_kind kind : {TSF_ULTIMATE_SMOOTHER, TSF_LAGUERRE_OSCILLATOR}) {
        const std::int64_t L = kLanes;
        // One row per call over a table, in place, time strides unlike.
        const Alone a = alone(kind, kLanes);
        std::vector<tsf_stream> s = startedLanes(kind, kLanes);
        std::vector<float> table(size_t(kLanes) * kRows);
        for (std::int32_t j = 0; j < kLanes; ++j)
            for (std::int32_t t = 0; t < kRows; ++t) table[size_t(t * L + j)] = a.series[size_t(j)][size_t(t)];
        for (std::int32_t t = 0; t < kRows; ++t)
            ASSERT_EQ(tsf_lanes_update(s.data(), kLanes, &table[size_t(t * L)], 7, 1, 1, &table[size_t(t * L)], kSmall, 1), 1);
        for (std::int32_t j = 0; j < kLanes; ++j) {
            Series y(static_cast<size_t>(kRows));
            for (std::int32_t t = 0; t < kRows; ++t) y[size_t(t)] = table[size_t(t * L + j)];
            EXPECT_EQ(firstBitDifference(y, a.outputs[size_t(j)]), -1) << j;
            EXPECT_TRUE(sameBytes(s[size_t(j)], a.finals[size_t(j)])) << j;
        }
        // One lane in place, lane strides unlike and absurd.
        Series x = a.series[3];
        std::vector<tsf_stream> one = startedLanes(kind, 4);
        ASSERT_EQ(tsf_lanes_update(&one[3], 1, x.data(), 1, kBig, kRows, x.data(), 1, -5), kRows);
        EXPECT_EQ(firstBitDifference(x, a.outputs[3]), -1);
        EXPECT_TRUE(sameBytes(one[3], a.finals[3]));
    }
}

// Strides whose elements no address space holds are refused before any
// address is formed, in place or not.
TEST(Overlapping, StridesPastTheAddressSpaceAreRefused) {
    std::vector<tsf_stream> s = agedLanes(TSF_BAND_PASS);
    const std::vector<unsigned char> before = bytes(s);
    std::vector<float> a(64, 1.0f), b(64, testing_support::kSentinel);
    const std::int64_t strides[][4] = {
        {kBig, 1, kBig, 1}, {1, kBig, 1, kBig}, {kSmall, 1, kSmall, 1}, {1, 1, kBig / 4, 1},
        {kBig / 8, kBig / 8, kBig / 8, kBig / 8}, {1, 2, kSmall / 2, 1},
    };
    for (const auto& st : strides) {
        EXPECT_EQ(tsf_lanes_update(s.data(), 2, a.data(), st[0], st[1], 2, a.data(), st[2], st[3]), TSF_E_ARGUMENT);
        EXPECT_EQ(tsf_lanes_update(s.data(), 2, a.data(), st[0], st[1], 2, b.data(), st[2], st[3]), TSF_E_ARGUMENT);
    }
    EXPECT_EQ(bytes(s), before);
    for (float v : a) ASSERT_EQ(v, 1.0f);
    for (float v : b) ASSERT_TRUE(testing_support::isSentinel(v));
}

// The rule itself, over addresses that are never touched, against every
// pair of elements counted out. Sound everywhere: a layout it allows has no
// output on another (lane, row)'s sample and no output two lanes write.
// Exact where both sides have the same strides and whole elements apart.
TEST(OverlapRule, AgreesWithEveryPairOfElements) {
    std::mt19937_64 random(39);
    const auto pick = [&](std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random);
    };
    long allowed = 0, exactChecks = 0;
    for (int trial = 0; trial < 60000; ++trial) {
        const auto rows = std::int32_t(pick(1, 5)), lanes = std::int32_t(pick(1, 5));
        Slots in{nullptr, pick(-6, 6), pick(-6, 6)}, out{nullptr, in.time, in.lane};
        if (pick(0, 2) == 0) out.time = pick(-6, 6), out.lane = pick(-6, 6);
        const std::int64_t apartBytes = pick(0, 3) == 0 ? pick(-150, 150) : 4 * pick(-40, 40);
        const std::uintptr_t inAt = 0x100000;
        in.base = reinterpret_cast<const void*>(inAt);
        out.base = reinterpret_cast<const void*>(inAt + std::uintptr_t(apartBytes));

        bool clash = false;
        for (std::int64_t t = 0; t < rows; ++t)
            for (std::int64_t j = 0; j < lanes; ++j) {
                const std::int64_t o = apartBytes + 4 * (t * out.time + j * out.lane);
                for (std::int64_t u = 0; u < rows; ++u)
                    for (std::int64_t k = 0; k < lanes; ++k) {
                        const std::int64_t i = 4 * (u * in.time + k * in.lane);
                        const std::int64_t o2 = apartBytes + 4 * (u * out.time + k * out.lane);
                        if ((u != t || k != j) && o - i < 4 && i - o < 4) clash = true;
                        if (k != j && o == o2) clash = true;
                    }
            }
        const bool refused = orderWouldShow(in, out, rows, lanes);
        if (!refused) {
            ++allowed;
            ASSERT_FALSE(clash) << "allowed a clash: rows " << rows << " lanes " << lanes << " in " << in.time
                                << "," << in.lane << " out " << out.time << "," << out.lane << " apart "
                                << apartBytes;
        }
        const bool sameStrides = (rows == 1 || in.time == out.time) && (lanes == 1 || in.lane == out.lane);
        if (sameStrides && apartBytes % 4 == 0) {
            ++exactChecks;
            ASSERT_EQ(refused, clash) << "rows " << rows << " lanes " << lanes << " strides " << in.time << ","
                                      << in.lane << " apart " << apartBytes;
        }
    }
    EXPECT_GT(allowed, 10000);
    EXPECT_GT(exactChecks, 10000);
}

TEST(OverlapRule, CheckedArithmeticAtTheEdges) {
    using namespace tsfilters::stream::lanes::overlap;
    std::int64_t r = 0;
    EXPECT_TRUE(times(kSmall / 2, 2, r) && r == kSmall);
    EXPECT_TRUE(times(kSmall, 1, r) && r == kSmall);
    EXPECT_TRUE(times(-1, kBig, r) && r == -kBig);
    EXPECT_TRUE(times(kBig / 2, 2, r) && r == kBig - 1);
    EXPECT_TRUE(times(0, kSmall, r) && r == 0);
    EXPECT_TRUE(times(3037000499, -3037000499, r) && r == -3037000499 * 3037000499);
    EXPECT_FALSE(times(-1, kSmall, r));
    EXPECT_FALSE(times(kBig / 2 + 1, 2, r));
    EXPECT_FALSE(times(kSmall, kSmall, r));
    EXPECT_FALSE(times(3037000500, 3037000500, r));  // just past the root of 2^63
    EXPECT_TRUE(plus(kBig, kSmall, r) && r == -1);
    EXPECT_TRUE(plus(kSmall, 0, r) && r == kSmall);
    EXPECT_FALSE(plus(kBig, 1, r));
    EXPECT_FALSE(plus(kSmall, -1, r));
#if defined(__SIZEOF_INT128__)
    // Against 128-bit arithmetic, over operands of every size.
    std::mt19937_64 random(64);
    for (int i = 0; i < 200000; ++i) {
        const auto operand = [&] { return std::int64_t(random()) >> (random() % 64); };
        const std::int64_t a = operand(), b = operand();
        const __int128 product = __int128(a) * b, sum = __int128(a) + b;
        const bool fits = product >= kSmall && product <= kBig, sumFits = sum >= kSmall && sum <= kBig;
        ASSERT_EQ(times(a, b, r), fits) << a << " * " << b;
        if (fits) ASSERT_EQ(r, std::int64_t(product));
        ASSERT_EQ(plus(a, b, r), sumFits) << a << " + " << b;
        if (sumFits) ASSERT_EQ(r, std::int64_t(sum));
    }
#endif
}

TEST(OverlapRule, ExtentsThatOverflowOnlyWhenShiftedAreRefused) {
    const auto at = [](std::uintptr_t a) { return reinterpret_cast<const void*>(a); };
    // Each side fits in 64 bits; counted from the input's base the output does not.
    EXPECT_TRUE(orderWouldShow({at(0x1000), 1, 1}, {at(0x2000), kBig / 4 - 2, 1}, 2, 2));
    // Far apart and small: allowed, whichever comes first in memory.
    EXPECT_FALSE(orderWouldShow({at(0x1000), 4, 1}, {at(0x1000 + 4 * 8), 4, 1}, 2, 4));
    EXPECT_FALSE(orderWouldShow({at(0x1000 + 4 * 8), 4, 1}, {at(0x1000), 4, 1}, 2, 4));
    // Half an element apart and overlapping.
    EXPECT_TRUE(orderWouldShow({at(0x1000), 1, 100}, {at(0x1002), 1, 100}, 50, 3));
}

}  // namespace
