// Shared pieces of the tests: bit comparison, sentinel-filled outputs, test
// series, and one table that binds each of the seven functions to its
// arguments so that a test can run "every function" in a loop.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "filter_table.h"
#include "reference.hpp"
#include "tsfilters.h"

namespace testing_support {

using Series = std::vector<float>;
using Run = std::function<void(const float*, std::int32_t, float*)>;

// A quiet NaN with a payload no computation produces: a slot that still
// holds it after a call was not written.
inline const float kSentinel = std::bit_cast<float>(0x7FC5A5A5u);

inline bool isSentinel(float v) { return std::bit_cast<std::uint32_t>(v) == 0x7FC5A5A5u; }

// Same binary32 bits, except that any two computed NaNs match.
inline bool sameBits(float a, float b) {
    if (isSentinel(a) || isSentinel(b)) return isSentinel(a) && isSentinel(b);
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

// Index of the first slot where the two differ, or -1.
inline long firstDifference(const Series& a, const Series& b) {
    if (a.size() != b.size()) return 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (!sameBits(a[i], b[i])) return long(i);
    return -1;
}

#define EXPECT_SAME_SERIES(a, b)                                                    \
    do {                                                                            \
        const long at_ = testing_support::firstDifference((a), (b));                \
        EXPECT_EQ(at_, -1) << "first difference at slot " << at_ << ": "            \
                           << ((a).size() > size_t(at_) ? (a)[at_] : 0.0f) << " vs " \
                           << ((b).size() > size_t(at_) ? (b)[at_] : 0.0f);          \
    } while (0)

// Runs `run` over the first `count` samples of `input` into a
// sentinel-filled output as long as the input.
inline Series filtered(const Run& run, const Series& input, std::int32_t count) {
    Series out(input.size(), kSentinel);
    run(input.data(), count, out.data());
    return out;
}

inline Series filtered(const Run& run, const Series& input) {
    return filtered(run, input, std::int32_t(input.size()));
}

// Runs `run` with input and output the same array.
inline Series filteredInPlace(const Run& run, const Series& input) {
    Series buffer = input;
    run(buffer.data(), std::int32_t(buffer.size()), buffer.data());
    return buffer;
}

inline Series randomWalk(size_t n, unsigned seed, float start = 100.0f, float step = 1.0f) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> move(0.0f, step);
    Series s(n);
    float v = start;
    for (auto& x : s) x = v += move(rng);
    return s;
}

// The close column of one of the bundled date,close files.
inline Series loadCloses(const std::string& file) {
    std::ifstream in(std::string(TSFILTERS_DATA_DIR) + "/" + file);
    Series closes;
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) closes.push_back(std::stof(line.substr(line.find(',') + 1)));
    return closes;
}

// The arguments a test runs a filter with; each filter takes the ones its
// shape needs.
struct Arguments {
    std::int32_t period = 20;
    std::int32_t highPassPeriod = 48;
    std::int32_t smoothPeriod = 10;
    float gamma = 0.8f;
};

// A function of one of the three shapes with its arguments bound. The
// pointer types tell the shapes apart.
inline Run bind(void (*f)(const float*, std::int32_t, std::int32_t, float*), const Arguments& a) {
    return [=](const float* x, std::int32_t n, float* y) { f(x, a.period, n, y); };
}
inline Run bind(void (*f)(const float*, std::int32_t, std::int32_t, std::int32_t, float*),
                const Arguments& a) {
    return [=](const float* x, std::int32_t n, float* y) { f(x, a.highPassPeriod, a.smoothPeriod, n, y); };
}
inline Run bind(void (*f)(const float*, float, std::int32_t, std::int32_t, float*), const Arguments& a) {
    return [=](const float* x, std::int32_t n, float* y) { f(x, a.gamma, a.period, n, y); };
}

// One filter of the library with its arguments bound, and what the filter
// table says about it.
struct Filter {
    std::string name;
    Run library;    // the exported function
    Run reference;  // the plain reference, kernels included
    Run staged;     // composites: the reference's finishing steps over the
                    // exported kernels; kernels: the plain reference
    int shape;                  // TSF_SHAPE_...: which arguments it takes
    std::int32_t firstWritten;  // slots before this one are never written
    std::int32_t warmup;        // samples before the recursion proper
    bool oscillator;            // writes all or nothing, needs 100 samples
};

inline std::vector<Filter> allFilters(const Arguments& a = {}) {
#define TSF_TEST_FILTER(Export, python, SHAPE, firstWritten, warmup, rmsWindow, ...)          \
    Filter{#Export, bind(::Export, a), bind(reference::Export, a), bind(staged::Export, a), \
           TSF_SHAPE_##SHAPE, firstWritten, warmup, rmsWindow != 0},
    return {TSF_FILTER_TABLE(TSF_TEST_FILTER)};
#undef TSF_TEST_FILTER
}

}  // namespace testing_support
