// The parameters of any filter, in one shape: what each export passes to
// its filter's factory, and what a stream is initialised with.
#pragma once

#include <cstdint>

namespace tsfilters {

struct Parameters {
    std::int32_t period;        // period, or the high-pass period of a band-pass
    std::int32_t smoothPeriod;  // the band-pass's smoothing period
    float gamma;                // the Laguerre damping factor
};

}  // namespace tsfilters
