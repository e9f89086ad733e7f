// What a tsf_stream holds: the kind, its parameters, how many samples it has
// consumed, the step of its kind, and for an oscillator its first 100 values
// and their scale. Everything lives inside the caller's tsf_stream, so a
// byte copy is a complete snapshot.
//
// The step sits at a fixed place (StreamState::stepBytes) as the very object
// the kind's factory built: code that advances many streams together reads
// and writes it there through step<Kind>().
#pragma once

#include <algorithm>
#include <cstring>
#include <cstdint>
#include <limits>
#include <new>
#include <type_traits>

#include "rms_window.hpp"
#include "stream/stream_kinds.hpp"
#include "tsfilters_stream.h"

namespace tsfilters::stream {

// Large enough for the step of any kind.
inline constexpr std::size_t kStepBytes = std::max({
#define TSF_STREAM_STEP_SIZE(Export, ...) sizeof(Export##Kind::Step),
    TSF_FILTER_TABLE(TSF_STREAM_STEP_SIZE)
#undef TSF_STREAM_STEP_SIZE
});

// As strict as the strictest step, and no stricter: on 32-bit x86 a double
// member is aligned to 4, and so is the caller's tsf_stream.
inline constexpr std::size_t kStepAlignment = std::max({
#define TSF_STREAM_STEP_ALIGNMENT(Export, ...) alignof(Export##Kind::Step),
    TSF_FILTER_TABLE(TSF_STREAM_STEP_ALIGNMENT)
#undef TSF_STREAM_STEP_ALIGNMENT
});

// The most samples a stream consumes (TSF_MAX_SAMPLES): far beyond any
// series, and a bound on the count that every index into the window is
// computed from.
inline constexpr std::int64_t kMaxSamples = std::int64_t{1} << 53;
static_assert(kMaxSamples == TSF_MAX_SAMPLES);

// A stream's outputs where the batch call has no value (yet).
inline constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

struct StreamState {
    // Set by init, so that a stream never initialised (or overwritten) is
    // refused instead of being run with garbage.
    static constexpr std::uint32_t kInitialised = 0x53465354u;

    std::uint32_t tag;
    std::int32_t kind;
    Parameters params;
    std::int64_t samples;  // consumed so far
    alignas(kStepAlignment) unsigned char stepBytes[kStepBytes];

    // Oscillators only.
    RmsWindow sum;                          // of window[0 .. min(samples, 100) - 1]
    float scale;                            // the divisor once known, NaN before and
                                            // when the window's RMS is 0
    float window[RmsWindow::kLength];       // the first 100 values, unscaled

    template <class Kind>
    typename Kind::Step& step() {
        return *std::launder(reinterpret_cast<typename Kind::Step*>(stepBytes));
    }
    template <class Kind>
    const typename Kind::Step& step() const {
        return *std::launder(reinterpret_cast<const typename Kind::Step*>(stepBytes));
    }

    // The sample count is checked too: it decides which slot of the window
    // a sample is written to, and a tsf_stream is caller memory that could
    // hold anything.
    bool initialised() const {
        return tag == kInitialised && isKnownKind(kind) && samples >= 0 && samples <= kMaxSamples;
    }
};

static_assert(std::is_trivially_copyable_v<StreamState>);
static_assert(sizeof(StreamState) <= sizeof(tsf_stream), "TSF_STREAM_WORDS is too small");
static_assert(alignof(StreamState) <= alignof(tsf_stream));

// A fresh state of kind `Kind`, no sample consumed. Every byte is set, so
// two streams started alike compare equal byte for byte.
template <class Kind>
void start(StreamState& s, const Parameters& p) {
    static_assert(std::is_trivially_copyable_v<typename Kind::Step>);
    std::memset(static_cast<void*>(&s), 0, sizeof s);
    s.tag = StreamState::kInitialised;
    s.kind = Kind::kNumber;
    s.params = p;
    s.scale = kNoValue;
    new (s.stepBytes) typename Kind::Step(Kind::make(p));
}

inline StreamState& stateOf(tsf_stream* s) { return *reinterpret_cast<StreamState*>(s); }
inline const StreamState& stateOf(const tsf_stream* s) {
    return *reinterpret_cast<const StreamState*>(s);
}

}  // namespace tsfilters::stream
