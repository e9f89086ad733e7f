// Low-lag two-pole smoother, one sample at a time.
#pragma once

#include <cstdint>

#include "kernels/two_pole_coefficients.hpp"
#include "kernels/two_pole_history.hpp"

namespace tsfilters {

class UltimateSmootherStep {
public:
    // The first four samples pass through unchanged and seed the feedback.
    static constexpr std::int32_t kWarmup = 4;

    explicit UltimateSmootherStep(std::int32_t period) {
        const TwoPoleCoefficients k = twoPoleFormA(period);
        gainX0_ = 1.0 - k.c1;
        gainX1_ = (k.c1 + k.c1) - k.c2;
        gainX2_ = k.c3 + k.c1;
        c2_ = k.c2;
        c3_ = k.c3;
    }

    float warm(float x, std::int32_t) { return h_.push(x, x); }

    float next(float x) {
        // The sum runs in exactly this order; the feedback uses the outputs
        // as stored, i.e. already rounded to single precision.
        double t = gainX1_ * h_.x1;
        t = t + gainX0_ * static_cast<double>(x);
        t = t - gainX2_ * h_.x2;
        t = t + c2_ * h_.y1;
        t = t + c3_ * h_.y2;
        return h_.push(x, static_cast<float>(t));
    }

private:
    double gainX0_, gainX1_, gainX2_, c2_, c3_;
    TwoPoleHistory<double> h_;
};

}  // namespace tsfilters
