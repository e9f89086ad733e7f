// HighPass: a two-pole high-pass filter of the series' second difference.
//   y[i] = c1*(x[i] - 2x[i-1] + x[i-2]) + c2*y[i-1] + c3*y[i-2]
// with the difference in single precision and the rest in double.
#pragma once

#include <cstdint>

#include "filters/parameters.hpp"
#include "filters/two_pole.hpp"

namespace tsfilters {

class HighPassStep {
public:
    // The first four outputs are +0 whatever the input; they are also the
    // feedback of the first computed samples.
    static constexpr std::int32_t kWarmup = 4;

    explicit HighPassStep(std::int32_t period)
        : k_(computeTwoPoleCoefficients(period, InputGain::UnitAtNyquist)) {}

    float warm(float x, std::int32_t) { return history_.push(x, 0.0f); }

    // The value sample x would get, before its rounding to single precision.
    double unrounded(float x) const {
        // The second difference is taken in single precision, each of the
        // three operations rounded; only then does double precision start.
        const float d = (x - (history_.x1 + history_.x1)) + history_.x2;
        double t = static_cast<double>(d) * k_.c1;
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

inline HighPassStep makeHighPass(const Parameters& p) { return HighPassStep(p.period); }

}  // namespace tsfilters
