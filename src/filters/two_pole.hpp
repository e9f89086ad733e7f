// What the three second-order kernels share: the coefficient set derived
// from one integer period (a pole radius from exp(), a pole angle from
// cos()), and the two earlier inputs and outputs each kernel feeds back on.
// exp and cos are the library's own, correctly rounded, so the coefficients
// are the same bits whichever platform, compiler or processor computes them.
#pragma once

#include <bit>
#include <cstdint>

#include "math/correctly_rounded.hpp"

namespace tsfilters {

// The design constants, kept as the shortened decimals the filters were
// designed with rather than -sqrt(2)*pi and pi/180: every result depends on
// these exact bits.
inline constexpr double K1 = -1.414 * 3.14159;     // pole radius: exp(K1 / period)
inline constexpr double K2 = 1.414 * 180;          // pole angle in degrees: K2 / period
inline constexpr double K3 = 3.1415926535 / 180;   // degrees to radians
static_assert(std::bit_cast<std::uint64_t>(K1) == 0xC011C4D23DFAE25EULL);
static_assert(std::bit_cast<std::uint64_t>(K2) == 0x406FD0A3D70A3D70ULL);
static_assert(std::bit_cast<std::uint64_t>(K3) == 0x3F91DF46A2506B91ULL);

struct TwoPoleCoefficients {
    double a1;  // pole radius
    double c1;  // gain of the input terms
    double c2;  // gain of the previous output
    double c3;  // gain of the output two samples back
};

// How a kernel scales its input terms.
enum class InputGain {
    // c1 = ((c2 + 1) - c3) * 0.25: the high-pass of the second difference
    // passes the Nyquist frequency at unit gain. The low-lag smoother uses
    // the same c1, being the input minus that high-pass.
    UnitAtNyquist,
    // c1 = (1 - c2) - c3: the low-pass passes a constant at unit gain.
    UnitAtDc,
};

// The full coefficient set for `period`. Periods are not validated: 0 gives
// NaN gains, negative ones an unstable recursion, and the arithmetic carries
// that through unchanged.
inline TwoPoleCoefficients computeTwoPoleCoefficients(std::int32_t period, InputGain form) {
    const double p = static_cast<double>(period);
    const double a1 = correctlyRoundedExp(K1 / p);
    const double angle = (K2 / p) * K3;  // degrees, then radians
    const double c2 = correctlyRoundedCos(angle) * (a1 + a1);
    const double c3 = (-a1) * a1;
    const double c1 = form == InputGain::UnitAtNyquist ? ((c2 + 1.0) - c3) * 0.25
                                                       : (1.0 - c2) - c3;
    return {a1, c1, c2, c3};
}

// Input is float for kernels that do single-precision arithmetic on their
// inputs and double for those that only widen them. Outputs are kept as the
// stored single-precision value widened once: the same value the feedback
// would read back from the output array, without converting it again on
// every later use.
template <class Input>
struct TwoPoleHistory {
    Input x1 = 0, x2 = 0;   // input[i-1], input[i-2]
    double y1 = 0, y2 = 0;  // output[i-1], output[i-2], as stored

    // Records sample i (input x, stored output y) and returns y.
    float push(Input x, float y) {
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = static_cast<double>(y);
        return y;
    }

    template <class Visit>
    void forEachState(Visit&& visit) {
        visit(x1), visit(x2), visit(y1), visit(y2);
    }
};

}  // namespace tsfilters
