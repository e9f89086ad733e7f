// UltimateSmoother: a low-lag two-pole smoother, the input minus the
// high-pass of the same period.
//   y[i] = (1-c1)*x[i] + (2c1-c2)*x[i-1] - (c1+c3)*x[i-2] + c2*y[i-1] + c3*y[i-2]
// summed in exactly the order of unrounded() below.
#pragma once

#include <cstdint>

#include "filters/parameters.hpp"
#include "filters/two_pole.hpp"

namespace tsfilters {

// The three input gains, formed once from the coefficient set.
struct LowLagInputGains {
    double x0, x1, x2;  // of x[i], x[i-1] and (subtracted) x[i-2]

    explicit LowLagInputGains(const TwoPoleCoefficients& k)
        : x0(1.0 - k.c1), x1((k.c1 + k.c1) - k.c2), x2(k.c3 + k.c1) {}
};

class UltimateSmootherStep {
public:
    // The first four samples pass through unchanged and seed the feedback.
    static constexpr std::int32_t kWarmup = 4;

    explicit UltimateSmootherStep(std::int32_t period)
        : k_(computeTwoPoleCoefficients(period, InputGain::UnitAtNyquist)), gain_(k_) {}

    float warm(float x, std::int32_t) { return history_.push(x, x); }

    // The value sample x would get, before its rounding to single precision.
    // The feedback uses the outputs as stored, already rounded.
    double unrounded(float x) const {
        double t = gain_.x1 * history_.x1;
        t = t + gain_.x0 * static_cast<double>(x);
        t = t - gain_.x2 * history_.x2;
        t = t + k_.c2 * history_.y1;
        t = t + k_.c3 * history_.y2;
        return t;
    }

    float next(float x) { return history_.push(x, static_cast<float>(unrounded(x))); }

    const LowLagInputGains& inputGains() const { return gain_; }

    template <class Visit>
    void forEachState(Visit&& visit) { history_.forEachState(visit); }

    // Every value a sample reads: the coefficients, then the carried state
    // in forEachState order. Code that runs many steps side by side in
    // vector lanes loads them in this order.
    template <class Visit>
    void forEachValue(Visit&& visit) {
        visit(gain_.x0), visit(gain_.x1), visit(gain_.x2), visit(k_.c2), visit(k_.c3);
        forEachState(visit);
    }

private:
    TwoPoleCoefficients k_;
    LowLagInputGains gain_;
    TwoPoleHistory<double> history_;
};

inline UltimateSmootherStep makeUltimateSmoother(const Parameters& p) {
    return UltimateSmootherStep(p.period);
}

}  // namespace tsfilters
