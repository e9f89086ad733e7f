// How long a period the smoothers can take before single precision stops
// them following a price.
//
// Each output is rounded to float32 before it feeds back. At a long period
// a sample moves the output by less than half a float32 step near the
// price, the correction rounds away, and the output freezes short of the
// price (or past it) for good. The error is relative to the price level,
// since float32 steps are, so one test holds at any level:
//
//   the input is 50 through the warm-up (the recursion starts exactly on
//   it), then 70 for 10 periods, and at least 1,000 samples (at short
//   periods a Laguerre cascade with gamma near 1 needs longer than 10
//   periods to settle, which is not a matter of precision); the last
//   output must be within 0.1% of 70 (0.07).
//
// A filter's limit is the largest period P such that every period from 2
// to P passes. The filters that remove the level (the high-pass and
// band-pass, the oscillators) have none: their recursions run near zero,
// where float32 steps are fine, and the one price-level recursion inside
// the Laguerre oscillator cancels against its own first stage.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "filter_table.h"
#include "tsfilters.h"

namespace tsfilters_precision {

constexpr float kFrom = 50.0f;
constexpr float kTo = 70.0f;
constexpr double kTolerance = 0.001 * kTo;
constexpr std::int32_t kHeldPeriods = 10;
constexpr std::int64_t kHeldAtLeast = 1000;
// No period this long passes; the scan stops there if one somehow did.
constexpr std::int32_t kLongest = 1 << 16;

struct Row {
    const char* name;
    int shape;
    std::int32_t warmup;
    std::int32_t defaultPeriod, defaultSmoothPeriod;
    float defaultGamma;
    std::int32_t precisionLimit;  // 0: none
    void (*run)(const float*, std::int32_t period, float gamma, std::int32_t smoothPeriod,
                std::int32_t count, float*);
};

#define TSF_PRECISION_CALL_PERIOD(Export) Export(in, p, n, out)
#define TSF_PRECISION_CALL_TWO_PERIODS(Export) Export(in, p, sp, n, out)
#define TSF_PRECISION_CALL_GAMMA_PERIOD(Export) Export(in, g, p, n, out)
#define TSF_PRECISION_ROW(Export, python, SHAPE, first, warmup, rms, period, smooth, gamma,    \
                          limit)                                                               \
    Row{#python, TSF_SHAPE_##SHAPE, warmup, period, smooth, gamma, limit,                     \
        [](const float* in, std::int32_t p, float g, std::int32_t sp, std::int32_t n,          \
           float* out) {                                                                       \
            (void)g, (void)sp;                                                                 \
            TSF_PRECISION_CALL_##SHAPE(Export);                                                \
        }},

inline std::vector<Row> rows() { return {TSF_FILTER_TABLE(TSF_PRECISION_ROW)}; }

// The outputs after the step from kFrom to kTo, held for `held` samples, with
// `period` as the filter's (first) period and its other parameters at `gamma`
// and the defaults.
inline std::vector<float> stepResponse(const Row& row, std::int32_t period, float gamma,
                                       std::int64_t held) {
    const std::int64_t count = row.warmup + held;
    std::vector<float> in(static_cast<std::size_t>(count), kTo);
    for (std::int32_t i = 0; i < row.warmup; ++i) in[static_cast<std::size_t>(i)] = kFrom;
    std::vector<float> out(in.size(), 0.0f);
    row.run(in.data(), period, gamma, row.defaultSmoothPeriod, static_cast<std::int32_t>(count),
            out.data());
    return out;
}

inline double lastAfterStep(const Row& row, std::int32_t period, float gamma) {
    const std::int64_t held = std::max(std::int64_t{kHeldPeriods} * period, kHeldAtLeast);
    return stepResponse(row, period, gamma, held).back();
}

// Whether the filter follows a level (a smoother) rather than removing it.
inline bool followsItsInput(const Row& row) {
    return std::fabs(lastAfterStep(row, row.defaultPeriod, row.defaultGamma) - kTo) < 1.0;
}

inline bool tracks(const Row& row, std::int32_t period, float gamma) {
    return std::fabs(lastAfterStep(row, period, gamma) - kTo) <= kTolerance;
}

// The limit as defined above, for a smoother; 0 for a filter that removes
// the level.
inline std::int32_t measureLimit(const Row& row, float gamma) {
    if (!followsItsInput(row)) return 0;
    for (std::int32_t period = 2; period <= kLongest; ++period)
        if (!tracks(row, period, gamma)) return period - 1;
    return kLongest;
}

}  // namespace tsfilters_precision
