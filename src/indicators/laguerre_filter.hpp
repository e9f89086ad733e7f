// The low-lag smoother followed by a cascade of five Laguerre stages,
// weighted 1, 4, 6, 4, 1.
#pragma once

#include <cstdint>

#include "indicators/laguerre_stage.hpp"
#include "kernels/ultimate_smoother.hpp"
#include "series_step.hpp"

namespace tsfilters {

// The cascade on an already smoothed series. Sample 0 only records L0: the
// stages start empty at 0 and produce no value for it.
class LaguerreCascadeStep {
public:
    static constexpr std::int32_t kWarmup = 1;

    explicit LaguerreCascadeStep(float gamma) : g_(static_cast<double>(gamma)) {}

    float warm(float smoothed, std::int32_t) {
        prevL0_ = static_cast<double>(smoothed);
        return 0.0f;  // not a value: sample 0 has no output
    }

    float next(float smoothed) {
        const double l0 = static_cast<double>(smoothed);
        // Every new stage is computed from the values before this sample.
        const double l1 = laguerreStage(g_, prevL0_, l1_);
        const double l2 = laguerreStage(g_, l1_, l2_);
        const double l3 = laguerreStage(g_, l2_, l3_);
        const double l4 = laguerreStage(g_, l3_, l4_);
        const double l5 = laguerreStage(g_, l4_, l5_);
        // L4 only feeds L5; the fifth weight goes to L5.
        const double sum = (((l0 + 4.0 * l1) + 6.0 * l2) + 4.0 * l3) + l5;
        l1_ = l1;
        l2_ = l2;
        l3_ = l3;
        l4_ = l4;
        l5_ = l5;
        prevL0_ = l0;
        // Rounded to single precision first, then scaled in single precision.
        return static_cast<float>(sum) * 0.0625f;
    }

private:
    double g_;
    double prevL0_ = 0, l1_ = 0, l2_ = 0, l3_ = 0, l4_ = 0, l5_ = 0;
};

using LaguerreFilterStep = Chain<UltimateSmootherStep, LaguerreCascadeStep>;

inline LaguerreFilterStep makeLaguerreFilter(float gamma, std::int32_t period) {
    return {UltimateSmootherStep(period), LaguerreCascadeStep(gamma)};
}

}  // namespace tsfilters
