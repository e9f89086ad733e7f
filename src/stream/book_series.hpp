// One series of a book through the stream's own code: its columns gathered
// into a step or a whole stream state, advanced or peeked by advance.hpp,
// and scattered back. This is what every slot the vector kernels leave
// takes, what a scalar target runs throughout, and how a series goes to and
// from a tsf_stream.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "stream/advance.hpp"
#include "stream/book_layout.hpp"
#include "stream/stream_state.hpp"

namespace tsfilters::stream::book {

// Samples before this count need the stream's special handling.
template <class Kind>
constexpr std::int64_t kEarly = kEarlySamples<Kind>;

// The stream state of the series at `slot`, exactly what a tsf_stream fed
// the same samples holds. `withWindow`: an oscillator's first 100 values
// too (what update of a series in its window, save and window need).
template <class Kind>
void stateOf(const View& v, std::int64_t slot, StreamState& s, bool fresh) {
    if (fresh) {
        start<Kind>(s, v.params[slot]);
    } else {
        s.tag = StreamState::kInitialised;
        s.kind = Kind::kNumber;
        s.params = v.params[slot];
        new (s.stepBytes) typename Kind::Step(blankStep<typename Kind::Step>());
    }
    s.samples = v.samples[slot];
    Cursor at(v.columns, slot);
    stepFrom(s.step<Kind>(), at);
    if constexpr (Kind::kRmsWindow) {
        s.scale = v.scale[slot];
        s.sum.sumSquares = v.sum[slot];
        std::memmove(s.window, v.window + slot * RmsWindow::kLength, sizeof s.window);  // not memcpy: see book_api.cpp
    }
}

// What a step changed, back to the columns; `sample` is the index of the
// sample just consumed, whose window slot an oscillator fills.
template <class Kind>
void carriedBack(StreamState& s, const View& v, std::int64_t slot) {
    v.samples[slot] = s.samples;
    Cursor at(v.columns, slot);
    stepCarriedTo(s.step<Kind>(), at);
    if constexpr (Kind::kRmsWindow) {
        v.scale[slot] = s.scale;
        v.sum[slot] = s.sum.sumSquares;
    }
}

// A whole stream state into `slot`: parameters, coefficients computed from
// them as tsf_stream_init computes them, carried values, window. False,
// changing nothing, when a float-valued double of the state does not hold
// a float (no update leaves that; tsf_stream_load takes any bits).
template <class Kind>
bool putState(StreamState& s, const View& v, std::int64_t slot) {
    if (!stepFits(s.step<Kind>())) return false;
    v.params[slot] = s.params;
    typename Kind::Step made = Kind::make(s.params);
    Cursor constants(v.columns, slot);
    stepTo(made, s.params, constants);
    carriedBack<Kind>(s, v, slot);
    if constexpr (Kind::kRmsWindow) {
        float* window = v.window + slot * RmsWindow::kLength;
        for (std::int64_t i = 0; i < RmsWindow::kLength; ++i) window[i] = i < s.samples ? s.window[i] : 0.0f;
    }
    return true;
}

// A fresh series of `p` in `slot`.
template <class Kind>
void startSeries(const View& v, std::int64_t slot, const Parameters& p) {
    StreamState s;
    start<Kind>(s, p);
    putState<Kind>(s, v, slot);
}

// Sample x of the live series at `slot`: its output, and with `commit` the
// series advanced. The series is past its warm-up and window or not.
template <class Kind>
float stepSeries(const View& v, std::int64_t slot, float x, bool commit) {
    if (v.samples[slot] >= kEarly<Kind>) {
        typename Kind::Step step = blankStep<typename Kind::Step>();
        Cursor at(v.columns, slot);
        stepFrom(step, at);
        const float scale = Kind::kRmsWindow ? v.scale[slot] : 0.0f;
        const float y = advanceSteady<Kind>(step, scale, x);
        if (commit) {
            Cursor back(v.columns, slot);
            stepCarriedTo(step, back);
            v.samples[slot] += 1;
        }
        return y;
    }
    StreamState s;
    stateOf<Kind>(v, slot, s, false);
    if (!commit) return peek<Kind>(s, x);
    float y;
    const std::int64_t i = s.samples;
    update<Kind>(s, &x, 1, &y);
    carriedBack<Kind>(s, v, slot);
    if constexpr (Kind::kRmsWindow) v.window[slot * RmsWindow::kLength + i] = s.window[i];
    return y;
}

inline bool isMissing(float x) { return !std::isfinite(x); }

}  // namespace tsfilters::stream::book

namespace tsfilters::stream::book {

template <class Kind>
bool stateFits(StreamState& s) {
    return stepFits(s.step<Kind>());
}

// Whether a stream state of `kind` can become a series of a book.
inline bool stepFitsOf(std::int32_t kind, StreamState& s) {
    switch (kind) {
#define TSF_BOOK_FITS(Export, ...) \
    case Export##Kind::kNumber: return stateFits<Export##Kind>(s);
        TSF_FILTER_TABLE(TSF_BOOK_FITS)
#undef TSF_BOOK_FITS
        default: return false;
    }
}

}  // namespace tsfilters::stream::book
