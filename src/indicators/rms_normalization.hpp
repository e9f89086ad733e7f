// Scaling of an oscillator by the RMS of its 100 oldest values.
#pragma once

#include <cstdint>

#include "math/hardware_sqrt.hpp"
#include "series_step.hpp"

namespace tsfilters {

// The RMS window is always samples 0..99, whatever the length of the series.
inline constexpr std::int32_t kRmsWindow = 100;

// Runs `step` once over the series. The first kRmsWindow values are held in
// a fixed local window until their RMS is known; then they are written
// divided by it, and the step goes on from where it stopped, writing
// value / rms for every later sample. Stack use is the same for any count.
//
// A series shorter than the window, or a zero RMS, writes nothing. Input
// and output may be the same array: nothing is written before the whole
// window has been read.
template <class Step>
inline void normalizeByRms(Step step, const float* input, std::int32_t count, float* output) {
    static_assert(Step::kWarmup <= kRmsWindow);
    if (input == nullptr || output == nullptr || count < kRmsWindow) return;

    float window[kRmsWindow];
    double sumSquares = 0.0;
    for (std::int32_t i = 0; i < kRmsWindow; ++i) {
        window[i] = stepAt(step, input[i], i);
        const float q = window[i] * window[i];  // squared in single precision
        sumSquares = sumSquares + static_cast<double>(q);
    }
    const double rms = sumSquares == 0.0 ? 0.0 : hardwareSqrt(sumSquares / kRmsWindow);
    if (rms == 0.0) return;  // NaN is not 0: a NaN window scales to NaN

    const float r = static_cast<float>(rms);
    for (std::int32_t i = 0; i < kRmsWindow; ++i) output[i] = window[i] / r;
    for (std::int32_t i = kRmsWindow; i < count; ++i) output[i] = step.next(input[i]) / r;
}

}  // namespace tsfilters
