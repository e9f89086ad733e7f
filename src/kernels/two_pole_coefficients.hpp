// Coefficients shared by the three second-order kernels, derived from one
// integer period: a pole radius from exp() and a pole angle from cos().
// Both are the library's own, correctly rounded, so the coefficients are the
// same bits whichever platform, compiler or processor computes them.
#pragma once

#include <bit>
#include <cstdint>

#include "math/correctly_rounded.hpp"

namespace tsfilters {

// The constants are the shortened decimal values the filters were designed
// with, not -sqrt(2)*pi and pi/180: results depend on these exact bits.
inline constexpr double K1 = -1.414 * 3.14159;
inline constexpr double K2 = 1.414 * 180;
inline constexpr double K3 = 3.1415926535 / 180;
static_assert(std::bit_cast<std::uint64_t>(K1) == 0xC011C4D23DFAE25EULL);
static_assert(std::bit_cast<std::uint64_t>(K2) == 0x406FD0A3D70A3D70ULL);
static_assert(std::bit_cast<std::uint64_t>(K3) == 0x3F91DF46A2506B91ULL);

struct TwoPoleCoefficients {
    double a1;  // pole radius
    double c1;  // gain of the input terms (form A or B, set by the kernel)
    double c2;  // gain of the previous output
    double c3;  // gain of the output two samples back
};

// a1, c2 and c3 for `period`; c1 is left 0 for the kernel to choose its form.
// Periods are not validated: 0 gives NaN gains, negative ones an unstable
// recursion, and the arithmetic carries that through unchanged.
inline TwoPoleCoefficients computeTwoPoleCoefficients(std::int32_t period) {
    const double p = static_cast<double>(period);
    const double a1 = correctlyRoundedExp(K1 / p);
    const double angle = (K2 / p) * K3;  // degrees, then radians
    const double cs = correctlyRoundedCos(angle);
    return {a1, 0.0, cs * (a1 + a1), (-a1) * a1};
}

// Form A, for the high-pass and the low-lag smoother.
inline double inputGainFormA(const TwoPoleCoefficients& k) {
    return ((k.c2 + 1.0) - k.c3) * 0.25;
}

// Form B, for the low-pass smoother: unit gain for a constant series.
inline double inputGainFormB(const TwoPoleCoefficients& k) {
    return (1.0 - k.c2) - k.c3;
}

inline TwoPoleCoefficients twoPoleFormA(std::int32_t period) {
    TwoPoleCoefficients k = computeTwoPoleCoefficients(period);
    k.c1 = inputGainFormA(k);
    return k;
}

inline TwoPoleCoefficients twoPoleFormB(std::int32_t period) {
    TwoPoleCoefficients k = computeTwoPoleCoefficients(period);
    k.c1 = inputGainFormB(k);
    return k;
}

}  // namespace tsfilters
