// SuperSmoother: a two-pole low-pass filter fed by the mean of the two
// newest samples.
//   y[i] = c1*(x[i] + x[i-1])/2 + c2*y[i-1] + c3*y[i-2]
// with the pair sum in single precision and the halving after the
// multiplication by c1.
#pragma once

#include <cstdint>

#include "filters/parameters.hpp"
#include "filters/two_pole.hpp"

namespace tsfilters {

class SuperSmootherStep {
public:
    // The first two samples pass through unchanged and seed the feedback.
    static constexpr std::int32_t kWarmup = 2;

    explicit SuperSmootherStep(std::int32_t period)
        : k_(computeTwoPoleCoefficients(period, InputGain::UnitAtDc)) {}

    float warm(float x, std::int32_t) { return history_.push(x, x); }

    // The value sample x would get, before its rounding to single precision.
    double unrounded(float x) const {
        const float pairSum = history_.x1 + x;  // rounded to single precision
        double t = (static_cast<double>(pairSum) * k_.c1) * 0.5;
        t = t + k_.c2 * history_.y1;
        t = t + k_.c3 * history_.y2;
        return t;
    }

    float next(float x) { return history_.push(x, static_cast<float>(unrounded(x))); }

    template <class Visit>
    void forEachState(Visit&& visit) { history_.forEachState(visit); }

    // Every value a sample reads: the coefficients, then the carried state
    // in forEachState order. Code that runs many steps side by side in
    // vector lanes loads them in this order.
    template <class Visit>
    void forEachValue(Visit&& visit) {
        visit(k_.c1), visit(k_.c2), visit(k_.c3);
        forEachState(visit);
    }

private:
    TwoPoleCoefficients k_;
    TwoPoleHistory<float> history_;
};

inline SuperSmootherStep makeSuperSmoother(const Parameters& p) {
    return SuperSmootherStep(p.period);
}

}  // namespace tsfilters
