// BandPass: HighPass then SuperSmoother, keeping the cycles between the two
// periods. It has no arithmetic of its own.
#pragma once

#include "filters/high_pass.hpp"
#include "filters/parameters.hpp"
#include "filters/super_smoother.hpp"
#include "series.hpp"

namespace tsfilters {

using BandPassStep = Chain<HighPassStep, SuperSmootherStep>;

// `period` is the high-pass period, `smoothPeriod` the low-pass one.
inline BandPassStep makeBandPass(const Parameters& p) {
    return {HighPassStep(p.period), SuperSmootherStep(p.smoothPeriod)};
}

}  // namespace tsfilters
