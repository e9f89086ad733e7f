// A stream's arithmetic: the batch loops of series.hpp and rms_window.hpp cut
// at any sample, with the same step calls in the same order, so every chunk
// gives the bits of one uninterrupted call.
#pragma once

#include <cstdint>

#include "rms_window.hpp"
#include "series.hpp"
#include "stream/stream_state.hpp"

namespace tsfilters::stream {

// What an oscillator carries through its first 100 samples.
struct WindowProgress {
    RmsWindow sum;
    float scale;
};

// The divisor that a completed window gives. A zero RMS, for which the batch
// call writes nothing, becomes NaN, so that every output is NaN.
inline float scaleOf(const RmsWindow& sum) {
    const double rms = sum.rms();
    return rms == 0.0 ? kNoValue : static_cast<float>(rms);
}

// The output of sample i before the step reaches its steady state: the
// warm-up of any filter, and the whole window of an oscillator. `value`
// receives the unscaled value, which an oscillator keeps for its window.
// Sample 99 completes the window: its RMS fixes the scale (NaN for an RMS
// of 0, the batch call then writing nothing), and that sample is the first
// whose output is known.
template <class Kind>
float advanceEarly(typename Kind::Step& step, WindowProgress& w, std::int64_t i, float x,
                   float& value) {
    value = stepAt(step, x, static_cast<std::int32_t>(i));
    if constexpr (Kind::kRmsWindow) {
        w.sum.add(value);
        if (i < RmsWindow::kLength - 1) return kNoValue;
        w.scale = scaleOf(w.sum);
        return scaledBy(value, w.scale);
    } else {
        return i < Kind::kFirstWritten ? kNoValue : value;
    }
}

// Samples before this index go through advanceEarly.
template <class Kind>
constexpr std::int64_t kEarlySamples = Kind::kRmsWindow ? RmsWindow::kLength : Kind::Step::kWarmup;

// The steady state: one step and, for an oscillator, the scale.
template <class Kind>
float advanceSteady(typename Kind::Step& step, float scale, float x) {
    if constexpr (Kind::kRmsWindow) {
        return scaledBy(step.next(x), scale);
    } else {
        static_cast<void>(scale);
        return step.next(x);
    }
}

// Consumes input[0 .. count-1] with `step`, which is the stream's own step
// or a copy of it. Each sample is read before its own slot is written, so
// input may be output.
template <class Kind>
void run(typename Kind::Step& step, StreamState& s, const float* input, std::int32_t count,
         float* output) {
    WindowProgress w{s.sum, s.scale};
    std::int32_t k = 0;
    for (std::int64_t i = s.samples; k < count && i < kEarlySamples<Kind>; ++k, ++i) {
        float value;
        output[k] = advanceEarly<Kind>(step, w, i, input[k], value);
        if constexpr (Kind::kRmsWindow) s.window[i] = value;
    }
    const float scale = w.scale;
    if constexpr (Kind::kRmsWindow) {
        runSteady(step, input, k, count, output, [scale](float y) { return scaledBy(y, scale); });
    } else {
        runSteady(step, input, k, count, output, [](float y) { return y; });
    }
    s.sum = w.sum;
    s.scale = w.scale;
    s.samples += count;
}

// A long chunk runs on a local copy of the step, which the compiler keeps
// in registers; a few samples run on the stored step itself, which saves
// copying the whole step out and back (whose wide moves, read back at once
// by the next call, would stall the processor's store forwarding).
inline constexpr std::int32_t kCopyStepFrom = 16;

template <class Kind>
void update(StreamState& s, const float* input, std::int32_t count, float* output) {
    if (count < kCopyStepFrom) {
        run<Kind>(s.step<Kind>(), s, input, count, output);
        return;
    }
    typename Kind::Step step = s.step<Kind>();
    run<Kind>(step, s, input, count, output);
    s.step<Kind>() = step;
}

// The output the next sample would get if it were x, on copies.
template <class Kind>
float peek(const StreamState& s, float x) {
    typename Kind::Step step = s.step<Kind>();
    if (s.samples >= kEarlySamples<Kind>) return advanceSteady<Kind>(step, s.scale, x);
    WindowProgress w{s.sum, s.scale};
    float value;
    return advanceEarly<Kind>(step, w, s.samples, x, value);
}

// The outputs of samples 0..99 of an oscillator, as the batch call scales
// them. False when there is no such window (yet).
template <class Kind>
bool window(const StreamState& s, float* output100) {
    if (!Kind::kRmsWindow || s.samples < RmsWindow::kLength) return false;
    for (std::int32_t i = 0; i < RmsWindow::kLength; ++i) output100[i] = scaledBy(s.window[i], s.scale);
    return true;
}

}  // namespace tsfilters::stream
