// The coefficient set of a period as raw bits, from the library's own
// derivation.
#define COEFFICIENT_PROBE_BUILDING
#include "coefficient_probe.h"

#include <bit>

#include "filters/two_pole.hpp"

extern "C" void TwoPoleCoefficientBits(int32_t period, uint64_t bits[5]) {
    using tsfilters::InputGain;
    const tsfilters::TwoPoleCoefficients a =
        tsfilters::computeTwoPoleCoefficients(period, InputGain::UnitAtNyquist);
    const tsfilters::TwoPoleCoefficients b =
        tsfilters::computeTwoPoleCoefficients(period, InputGain::UnitAtDc);
    bits[0] = std::bit_cast<uint64_t>(a.a1);
    bits[1] = std::bit_cast<uint64_t>(a.c1);
    bits[2] = std::bit_cast<uint64_t>(b.c1);
    bits[3] = std::bit_cast<uint64_t>(a.c2);
    bits[4] = std::bit_cast<uint64_t>(a.c3);
}
