// LaguerreFilter: UltimateSmoother followed by a cascade of five
// first-order Laguerre stages, whose values are weighted 1, 4, 6, 4, 1.
#pragma once

#include <cstdint>

#include "filters/parameters.hpp"
#include "filters/ultimate_smoother.hpp"
#include "series.hpp"

namespace tsfilters {

// One Laguerre stage: the new value mixes the previous value of the stage
// before it (weight 1 - gamma) with its own previous value (weight gamma).
// The grouping (prev - g*prev) + g*own is part of the result: 1 - g is never
// formed on its own. Stages carry double precision from sample to sample and
// are never rounded to single precision.
inline double laguerreStage(double gamma, double previousOfStageBefore, double own) {
    return (previousOfStageBefore - gamma * previousOfStageBefore) + gamma * own;
}

// The cascade on an already smoothed series. Sample 0 only records L0: the
// stages start empty at 0 and produce no value for it.
class LaguerreCascadeStep {
public:
    static constexpr std::int32_t kWarmup = 1;

    struct Stages {
        double l1 = 0, l2 = 0, l3 = 0, l4 = 0, l5 = 0;
    };

    explicit LaguerreCascadeStep(float gamma) : gamma_(static_cast<double>(gamma)) {}

    float warm(float smoothed, std::int32_t) {
        previousL0_ = static_cast<double>(smoothed);
        return 0.0f;  // not a value: sample 0 has no output
    }

    // The stages after the next sample. Every new stage is computed from the
    // values before that sample.
    Stages advanced() const {
        const Stages& s = stages_;
        return {laguerreStage(gamma_, previousL0_, s.l1), laguerreStage(gamma_, s.l1, s.l2),
                laguerreStage(gamma_, s.l2, s.l3), laguerreStage(gamma_, s.l3, s.l4),
                laguerreStage(gamma_, s.l4, s.l5)};
    }

    // The weighted sum, left to right. L4 only feeds L5: the fifth weight
    // goes to L5.
    static double weightedSum(double l0, const Stages& s) {
        return (((l0 + 4.0 * s.l1) + 6.0 * s.l2) + 4.0 * s.l3) + s.l5;
    }

    // The sum sample `smoothed` would give, before its rounding.
    double unrounded(float smoothed) const {
        return weightedSum(static_cast<double>(smoothed), advanced());
    }

    float next(float smoothed) {
        const double l0 = static_cast<double>(smoothed);
        stages_ = advanced();
        previousL0_ = l0;
        // Rounded to single precision first, then scaled in single precision.
        return static_cast<float>(weightedSum(l0, stages_)) * 0.0625f;
    }

    template <class Visit>
    void forEachState(Visit&& visit) {
        visit(previousL0_), visit(stages_.l1), visit(stages_.l2), visit(stages_.l3),
            visit(stages_.l4), visit(stages_.l5);
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
    double previousL0_ = 0;
    Stages stages_;
};

using LaguerreFilterStep = Chain<UltimateSmootherStep, LaguerreCascadeStep>;

inline LaguerreFilterStep makeLaguerreFilter(const Parameters& p) {
    return {UltimateSmootherStep(p.period), LaguerreCascadeStep(p.gamma)};
}

}  // namespace tsfilters
