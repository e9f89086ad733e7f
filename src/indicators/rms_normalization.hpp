// Scaling of an oscillator by the RMS of its 100 oldest values.
#pragma once

#include <cmath>
#include <cstdint>

#include "series_step.hpp"

namespace tsfilters {

// The RMS window is always samples 0..99, whatever the length of the series.
inline constexpr std::int32_t kRmsWindow = 100;

// Runs `step` over the series twice, without storing the unscaled values:
// first over the window to get the RMS, then over the whole series from a
// fresh copy of the step, writing value / rms. Both passes compute the same
// values bit for bit, so nothing needs to be kept between them.
//
// A series shorter than the window, or a zero RMS, writes nothing.
template <class Step>
inline void normalizeByRms(const Step& fresh, const float* input, std::int32_t count,
                           float* output) {
    if (input == nullptr || output == nullptr || count < kRmsWindow) return;

    Step step = fresh;
    double sumSquares = 0.0;
    for (std::int32_t i = 0; i < kRmsWindow; ++i) {
        const float v = stepAt(step, input[i], i);
        const float q = v * v;  // squared in single precision
        sumSquares = sumSquares + static_cast<double>(q);
    }
    const double rms = sumSquares == 0.0 ? 0.0 : std::sqrt(sumSquares / kRmsWindow);
    if (rms == 0.0) return;  // NaN is not 0: a NaN window scales to NaN

    const float r = static_cast<float>(rms);
    runSeries(fresh, input, count, output, [r](float v) { return v / r; });
}

}  // namespace tsfilters
