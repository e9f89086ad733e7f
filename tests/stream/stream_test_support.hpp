// What the stream tests share: a stream of any kind built from the same
// arguments as a batch call, the outputs the batch call implies for a
// stream, and ways to feed a series in chunks.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "tsfilters_stream.h"

namespace stream_testing {

using testing_support::Arguments;
using testing_support::Filter;
using testing_support::Series;

inline const float kNaN = std::numeric_limits<float>::quiet_NaN();

// One filter of the table with its stream kind (its row number from 1).
struct KindCase {
    Filter filter;
    tsf_kind kind;
    tsf_params params;
};

// The batch functions and the stream parameters take the same values:
// `period` stands for highPassPeriod in the two-period filters.
inline std::vector<KindCase> allKinds(std::int32_t period, std::int32_t smoothPeriod, float gamma) {
    Arguments a;
    a.period = a.highPassPeriod = period;
    a.smoothPeriod = smoothPeriod;
    a.gamma = gamma;
    std::vector<KindCase> kinds;
    int number = 1;
    for (const Filter& f : testing_support::allFilters(a))
        kinds.push_back({f, tsf_kind(number++), {period, smoothPeriod, gamma}});
    return kinds;
}

inline std::vector<KindCase> defaultKinds() { return allKinds(20, 10, 0.8f); }

inline tsf_stream started(const KindCase& k) {
    tsf_stream s;
    EXPECT_EQ(tsf_stream_init(&s, k.kind, &k.params), TSF_OK);
    return s;
}

// What a stream fed the whole series must give, worked out from one batch
// call: the batch outputs, NaN in the slots the call leaves alone, and NaN
// for an oscillator's samples 0..98, whose scale a stream cannot know yet.
inline Series expectedStream(const KindCase& k, const Series& x) {
    Series y = testing_support::filtered(k.filter.library, x);
    for (size_t i = 0; i < y.size(); ++i)
        if (testing_support::isSentinel(y[i]) || (k.filter.oscillator && i < 99)) y[i] = kNaN;
    return y;
}

// The batch call's output itself, unwritten slots as NaN.
inline Series expectedBatch(const KindCase& k, const Series& x) {
    Series y = testing_support::filtered(k.filter.library, x);
    for (float& v : y)
        if (testing_support::isSentinel(v)) v = kNaN;
    return y;
}

// Feeds x in chunks of the given sizes, cycled until the series ends.
inline Series fedInChunks(tsf_stream& s, const Series& x, const std::vector<std::int32_t>& sizes) {
    Series y(x.size(), testing_support::kSentinel);
    size_t at = 0;
    for (size_t c = 0; at < x.size(); ++c) {
        const auto n = std::int32_t(std::min<size_t>(size_t(sizes[c % sizes.size()]), x.size() - at));
        EXPECT_EQ(tsf_stream_update(&s, x.data() + at, n, y.data() + at), n);
        at += size_t(n);
    }
    return y;
}

// Random chunk sizes from 1 to `longest`.
inline std::vector<std::int32_t> randomSplit(unsigned seed, std::int32_t longest, size_t chunks = 64) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<std::int32_t> size(1, longest);
    std::vector<std::int32_t> sizes(chunks);
    for (auto& n : sizes) n = size(rng);
    return sizes;
}

// The stream's outputs with its window written over slots 0..99, which
// must then be the batch call's output.
inline Series withWindow(const tsf_stream& s, Series y) {
    const std::int32_t n = tsf_stream_window(&s, y.data());
    EXPECT_TRUE(n == 0 || n == 100);
    return y;
}

inline std::vector<unsigned char> bytesOf(const tsf_stream& s) {
    std::vector<unsigned char> b(sizeof s);
    std::memcpy(b.data(), &s, sizeof s);
    return b;
}

inline std::vector<unsigned char> saved(const tsf_stream& s) {
    std::vector<unsigned char> b(size_t(tsf_stream_save(&s, nullptr, 0)));
    EXPECT_EQ(tsf_stream_save(&s, b.data(), std::int32_t(b.size())), std::int32_t(b.size()));
    return b;
}

// A saved state of every kind at its defaults, after `samples` samples of a
// random walk (130: past an oscillator's window and any warm-up).
inline std::vector<std::vector<unsigned char>> savedStatesAfter(size_t samples, unsigned seed) {
    std::vector<std::vector<unsigned char>> states;
    const Series x = testing_support::randomWalk(samples, seed);
    for (const KindCase& k : defaultKinds()) {
        tsf_stream s = started(k);
        Series y(x.size());
        tsf_stream_update(&s, x.data(), std::int32_t(x.size()), y.data());
        states.push_back(saved(s));
    }
    return states;
}

// CRC-32 (IEEE 802.3, reflected), bit by bit: the save format's checksum.
inline std::uint32_t crc32(const unsigned char* p, size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int b = 0; b < 8; ++b) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

// A saved state whose checksum is right again after an edit.
inline std::vector<unsigned char> resealed(std::vector<unsigned char> b) {
    const std::uint32_t c = crc32(b.data(), b.size() - 4);
    for (int i = 0; i < 4; ++i) b[b.size() - 4 + size_t(i)] = static_cast<unsigned char>(c >> (8 * i));
    return b;
}

inline std::string describe(const KindCase& k) {
    return k.filter.name + " period " + std::to_string(k.params.period) + " smooth " +
           std::to_string(k.params.smooth_period) + " gamma " + std::to_string(k.params.gamma);
}

}  // namespace stream_testing
