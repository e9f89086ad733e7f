// The two ways a result reaches a double, both in round-to-nearest-even:
// from a double-double that carries a known error bound (decided only when
// the bound keeps the true value on one side of every rounding boundary),
// and from a wide fixed-point value whose bits are read off directly.
#pragma once

#include <bit>
#include <cstdint>

#include "double_double.hpp"
#include "wide_fixed.hpp"

namespace tsfilters::math {

// True when every real value within relativeError * |y.hi| of y.hi + y.lo
// rounds to y.hi. Needs y normalized (|y.lo| <= ulp(y.hi)/2), y.hi a
// positive or negative normal number, and relativeError a power of two of
// at least 2^-150.
inline bool roundsToHi(DoubleDouble y, double relativeError) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(y.hi) & ~(std::uint64_t{1} << 63);
    const std::uint64_t biased = bits >> 52;
    // Far from underflow, so that the bound below is exact; not inf.
    if (biased < 256 || biased > 2046) return false;
    // Half the gap to the neighbour on the side of y.lo; a power of two has
    // a gap half as wide below it.
    const bool towardZero = (y.lo < 0.0) != (y.hi < 0.0);
    const bool powerOfTwo = (bits & ((std::uint64_t{1} << 52) - 1)) == 0;
    const std::uint64_t halfGapBiased = biased - 53 - (towardZero && powerOfTwo ? 1 : 0);
    const double halfGap = std::bit_cast<double>(halfGapBiased << 52);
    const double bound = std::bit_cast<double>(bits) * relativeError;
    const double lo = y.lo < 0.0 ? -y.lo : y.lo;
    // fl(lo + bound) < halfGap, a power of two, implies the exact sum is
    // below halfGap as well: the midpoint itself counts as undecided.
    return lo + bound < halfGap;
}

// The error of the wide slow path stays below 2^-280; it can only be wrong
// when the bits after the rounding bit repeat up to that weight.
inline constexpr int kWideTrustedWeight = -270;

struct WideRounded {
    double value;
    bool undecided;  // the value lies within the error bound of a midpoint
};

// Rounds magnitude * 2^shift to a double (with the sign given), gradual
// underflow and overflow to infinity included. magnitude must be positive.
inline WideRounded roundWide(const WideFixed& magnitude, int shift, bool negative) {
    int lead = 31;
    while (lead > -WideFixed::kFractionBits && bitAt(magnitude, lead) == 0) --lead;
    const int exponent = lead + shift;
    const std::uint64_t sign = negative ? std::uint64_t{1} << 63 : 0;
    if (exponent > 1023) return {std::bit_cast<double>(sign | 0x7FF0000000000000ULL), false};

    // Significant bits kept: 53, fewer for a subnormal result.
    const int precision = exponent >= -1022 ? 53 : 53 - (-1022 - exponent);
    if (precision < 0) return {std::bit_cast<double>(sign), false};
    std::uint64_t m = 0;
    for (int k = 0; k < precision; ++k) m = (m << 1) | static_cast<unsigned>(bitAt(magnitude, lead - k));
    const int roundWeight = lead - precision;
    const int roundBit = bitAt(magnitude, roundWeight);
    bool restZero = true, restOnes = true;
    for (int w = roundWeight - 1; w >= kWideTrustedWeight; --w) {
        if (bitAt(magnitude, w)) restZero = false;
        else restOnes = false;
    }
    bool sticky = false;
    for (int w = roundWeight - 1; w >= -WideFixed::kFractionBits && !sticky; --w)
        sticky = bitAt(magnitude, w) != 0;
    const bool undecided = (roundBit == 1 && restZero) || (roundBit == 0 && restOnes);
    if (roundBit == 1 && (sticky || (m & 1) != 0)) ++m;

    // A carry out of the top bit moves into the exponent field, up to the
    // bit pattern of infinity; a subnormal rounding up reaches the smallest
    // normal number the same way.
    std::uint64_t bits = m;
    if (exponent >= -1022) bits = (static_cast<std::uint64_t>(exponent + 1022) << 52) + m;
    return {std::bit_cast<double>(sign | bits), undecided};
}

}  // namespace tsfilters::math
