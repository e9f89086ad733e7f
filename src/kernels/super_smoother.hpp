// Two-pole low-pass filter fed by the mean of the two newest samples, one
// sample at a time.
#pragma once

#include <cstdint>

#include "kernels/two_pole_coefficients.hpp"
#include "kernels/two_pole_history.hpp"

namespace tsfilters {

class SuperSmootherStep {
public:
    // The first two samples pass through unchanged and seed the feedback.
    static constexpr std::int32_t kWarmup = 2;

    explicit SuperSmootherStep(std::int32_t period) {
        const TwoPoleCoefficients k = twoPoleFormB(period);
        c1_ = k.c1;
        c2_ = k.c2;
        c3_ = k.c3;
    }

    float warm(float x, std::int32_t) { return h_.push(x, x); }

    float next(float x) {
        // The pair sum is rounded to single precision; the halving comes
        // after the multiplication by c1.
        const float s = h_.x1 + x;
        double t = (static_cast<double>(s) * c1_) * 0.5;
        t = t + c2_ * h_.y1;
        t = t + c3_ * h_.y2;
        return h_.push(x, static_cast<float>(t));
    }

private:
    double c1_, c2_, c3_;
    TwoPoleHistory<float> h_;
};

}  // namespace tsfilters
