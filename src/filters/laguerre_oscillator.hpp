// LaguerreOscillator: UltimateSmoother minus its first Laguerre stage,
// divided by the RMS of that difference over its first 100 values
// (rms_window.hpp).
#pragma once

#include <cstdint>

#include "filters/laguerre_filter.hpp"
#include "filters/parameters.hpp"
#include "filters/ultimate_smoother.hpp"
#include "series.hpp"

namespace tsfilters {

// The difference between the smoothed sample and the first stage, before
// the scaling.
class LaguerreDifferenceStep {
public:
    static constexpr std::int32_t kWarmup = 1;

    explicit LaguerreDifferenceStep(float gamma) : gamma_(static_cast<double>(gamma)) {}

    // Sample 0: the stage is still at 0, so the difference is the sample.
    float warm(float smoothed, std::int32_t) {
        previousL0_ = static_cast<double>(smoothed);
        return static_cast<float>(previousL0_ - l1_);
    }

    // The difference sample `smoothed` would give, before its rounding: taken
    // in double precision and rounded once.
    double unrounded(float smoothed) const {
        return static_cast<double>(smoothed) - laguerreStage(gamma_, previousL0_, l1_);
    }

    float next(float smoothed) {
        const double l0 = static_cast<double>(smoothed);
        l1_ = laguerreStage(gamma_, previousL0_, l1_);
        previousL0_ = l0;
        return static_cast<float>(l0 - l1_);
    }

    template <class Visit>
    void forEachState(Visit&& visit) {
        visit(previousL0_), visit(l1_);
    }

    // Every value a sample reads: the coefficients, then the carried state
    // in forEachState order. Code that runs many steps side by side in
    // vector lanes loads them in this order.
    template <class Visit>
    void forEachValue(Visit&& visit) {
        visit(gamma_);
        forEachState(visit);
    }

private:
    double gamma_;
    double previousL0_ = 0, l1_ = 0;
};

using LaguerreOscillatorStep = Chain<UltimateSmootherStep, LaguerreDifferenceStep>;

inline LaguerreOscillatorStep makeLaguerreOscillator(const Parameters& p) {
    return {UltimateSmootherStep(p.period), LaguerreDifferenceStep(p.gamma)};
}

}  // namespace tsfilters
