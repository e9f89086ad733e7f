// Two-pole high-pass filter of the second difference, one sample at a time.
#pragma once

#include <cstdint>

#include "kernels/two_pole_coefficients.hpp"
#include "kernels/two_pole_history.hpp"

namespace tsfilters {

class HighPassStep {
public:
    // The first four outputs are +0 whatever the input; they are also the
    // feedback of the first computed samples.
    static constexpr std::int32_t kWarmup = 4;

    explicit HighPassStep(std::int32_t period) {
        const TwoPoleCoefficients k = twoPoleFormA(period);
        c1_ = k.c1;
        c2_ = k.c2;
        c3_ = k.c3;
    }

    float warm(float x, std::int32_t) { return h_.push(x, 0.0f); }

    float next(float x) {
        // The second difference is taken in single precision, each of the
        // three operations rounded; only then does double precision start.
        const float d = (x - (h_.x1 + h_.x1)) + h_.x2;
        double t = static_cast<double>(d) * c1_;
        t = t + c2_ * h_.y1;
        t = t + c3_ * h_.y2;
        return h_.push(x, static_cast<float>(t));
    }

private:
    double c1_, c2_, c3_;
    TwoPoleHistory<float> h_;
};

}  // namespace tsfilters
