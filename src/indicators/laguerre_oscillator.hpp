// The low-lag smoother minus its first Laguerre stage, before normalisation.
#pragma once

#include <cstdint>

#include "indicators/laguerre_stage.hpp"
#include "kernels/ultimate_smoother.hpp"
#include "series_step.hpp"

namespace tsfilters {

class LaguerreDifferenceStep {
public:
    static constexpr std::int32_t kWarmup = 1;

    explicit LaguerreDifferenceStep(float gamma) : g_(static_cast<double>(gamma)) {}

    // Sample 0: the stage is still at 0, so the difference is the sample.
    float warm(float smoothed, std::int32_t) {
        prevL0_ = static_cast<double>(smoothed);
        return static_cast<float>(prevL0_ - l1_);
    }

    float next(float smoothed) {
        const double l0 = static_cast<double>(smoothed);
        l1_ = laguerreStage(g_, prevL0_, l1_);
        prevL0_ = l0;
        // The difference is taken in double precision and rounded once.
        return static_cast<float>(l0 - l1_);
    }

private:
    double g_;
    double prevL0_ = 0, l1_ = 0;
};

using LaguerreOscillatorStep = Chain<UltimateSmootherStep, LaguerreDifferenceStep>;

inline LaguerreOscillatorStep makeLaguerreOscillator(float gamma, std::int32_t period) {
    return {UltimateSmootherStep(period), LaguerreDifferenceStep(gamma)};
}

}  // namespace tsfilters
