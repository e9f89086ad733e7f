// How the filters run: each is a one-sample step, and these loops run a
// step, or two steps back to back, over a caller's series.
//
// A step is a small value type holding its coefficients and the few earlier
// values it needs. It offers
//   static constexpr std::int32_t kWarmup;  // samples handled by warm()
//   float warm(float x, std::int32_t i);    // sample i, for i < kWarmup
//   float next(float x);                    // any later sample
//   void forEachState(visit);               // every value carried between
//                                           // samples, in a fixed order
//   void forEachValue(visit);               // the coefficients, then the
//                                           // same state: what the lanes'
//                                           // vector kernels load
// Keeping the history inside the step, rather than reading it back from the
// arrays, is what makes in-place calls (input == output) safe, lets
// composites chain several filters in one pass with no scratch series, and
// lets a stream carry a filter from one call to the next.
#pragma once

#include <algorithm>
#include <cstdint>

#include "steady_loop.hpp"

namespace tsfilters {

// Sample i of a series through `step`.
template <class Step>
inline float stepAt(Step& step, float x, std::int32_t i) {
    return i < Step::kWarmup ? step.warm(x, i) : step.next(x);
}

// Two steps run back to back: the output of `first` feeds `second`.
template <class First, class Second>
struct Chain {
    First first;
    Second second;

    static constexpr std::int32_t kWarmup = std::max(First::kWarmup, Second::kWarmup);

    float warm(float x, std::int32_t i) { return stepAt(second, stepAt(first, x, i), i); }
    float next(float x) { return second.next(first.next(x)); }

    template <class Visit>
    void forEachState(Visit&& visit) {
        first.forEachState(visit);
        second.forEachState(visit);
    }

    template <class Visit>
    void forEachValue(Visit&& visit) {
        first.forEachValue(visit);
        second.forEachValue(visit);
    }
};

// Runs `step` over input[0 .. count-1] and stores its result in output[i]
// for i >= kFirstWritten. The samples before kFirstWritten still go
// through the step (they prime its history) but their slots are not touched.
// Each input sample is read before its own slot is written, so input and
// output may be the same array.
template <std::int32_t kFirstWritten, class Step>
inline void runSeries(Step step, const float* input, std::int32_t count, float* output) {
    // Unwritten slots can only sit in the warm-up, which keeps the
    // steady-state loop free of the test.
    static_assert(kFirstWritten <= Step::kWarmup);
    if (input == nullptr || output == nullptr) return;
    std::int32_t i = 0;
    for (; i < count && i < Step::kWarmup; ++i) {
        const float y = step.warm(input[i], i);
        if (i >= kFirstWritten) output[i] = y;
    }
    runSteady(step, input, i, count, output, [](float y) { return y; });
}

}  // namespace tsfilters
