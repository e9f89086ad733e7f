// High-pass then low-pass: keeps the cycles between two lengths.
#pragma once

#include <cstdint>

#include "kernels/high_pass.hpp"
#include "kernels/super_smoother.hpp"
#include "series_step.hpp"

namespace tsfilters {

using BandPassStep = Chain<HighPassStep, SuperSmootherStep>;

inline BandPassStep makeBandPass(std::int32_t highPassPeriod, std::int32_t smoothPeriod) {
    return {HighPassStep(highPassPeriod), SuperSmootherStep(smoothPeriod)};
}

}  // namespace tsfilters
