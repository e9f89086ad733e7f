// Scaling of an oscillator by the RMS of its 100 oldest values: one scale,
// taken from samples 0..99 whatever the length of the series, divides every
// output.
#pragma once

#include <cstdint>

#include "math/hardware_sqrt.hpp"
#include "series.hpp"

namespace tsfilters {

// The sum of squares over the window and the RMS it gives.
struct RmsWindow {
    static constexpr std::int32_t kLength = 100;

    double sumSquares = 0.0;

    // Values must be added in index order: the double sum is not associative.
    void add(float v) {
        const float square = v * v;  // squared in single precision
        sumSquares = sumSquares + static_cast<double>(square);
    }

    // 0 for a window of zeros, which the oscillators leave unwritten. A NaN
    // is not 0: a NaN in the window scales every output to NaN.
    double rms() const { return sumSquares == 0.0 ? 0.0 : hardwareSqrt(sumSquares / kLength); }
};

// value / scale as single precision divides them, computed in double.
// binary64 carries more than twice binary32's 24 bits plus two, so the
// double quotient rounded to a float is the float quotient, bit for bit
// (rounding twice cannot differ from rounding once at that width). The
// double form is for speed: a halted price leaves a subnormal float to
// divide, and a single-precision divide of one takes the processor's slow
// path, while the same value widened is a normal double.
//
// Compilers know the same theorem and turn the double divide back into a
// single-precision one; the empty asm hides that the dividend was a float.
inline float scaledBy(float value, float scale) {
    double wide = static_cast<double>(value);
#if defined(__x86_64__) || defined(__i386__)
    asm("" : "+x"(wide));
#elif defined(__aarch64__)
    asm("" : "+w"(wide));
#elif defined(__wasm__)
    asm("" : "+r"(wide));
#endif
    return static_cast<float>(wide / static_cast<double>(scale));
}

// Runs `step` once over the series. The first 100 values are held in a
// fixed local window until their RMS is known; then they are written
// divided by it, and the step goes on from where it stopped, writing
// value / rms for every later sample. Stack use is the same for any count.
//
// A series shorter than the window, or a zero RMS, writes nothing. Input
// and output may be the same array: nothing is written before the whole
// window has been read.
template <class Step>
inline void normalizeByRms(Step step, const float* input, std::int32_t count, float* output) {
    static_assert(Step::kWarmup <= RmsWindow::kLength);
    if (input == nullptr || output == nullptr || count < RmsWindow::kLength) return;

    float window[RmsWindow::kLength];
    RmsWindow scale;
    for (std::int32_t i = 0; i < RmsWindow::kLength; ++i) {
        window[i] = stepAt(step, input[i], i);
        scale.add(window[i]);
    }
    const double rms = scale.rms();
    if (rms == 0.0) return;

    const float r = static_cast<float>(rms);  // the division is single precision
    for (std::int32_t i = 0; i < RmsWindow::kLength; ++i) output[i] = scaledBy(window[i], r);
    runSteady(step, input, RmsWindow::kLength, count, output, [r](float y) { return scaledBy(y, r); });
}

}  // namespace tsfilters
