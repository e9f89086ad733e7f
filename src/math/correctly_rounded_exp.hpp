// exp(x) correctly rounded to nearest, from IEEE double operations alone,
// so that every compiler, platform and processor gives the same bits.
//
// Fast path: x = (64m + j) ln2/64 + r with |r| <= ln2/128, exp(x) =
// 2^m * 2^(j/64) * exp(r), the table entry and exp(r) in double-double.
// Its relative error stays below 2^-100; the result is accepted when a
// margin of 2^-80 around it cannot reach a rounding boundary, which fails
// for about one argument in 2^26. Those go to the slow path, which
// recomputes exp with 320-bit fixed-point arithmetic.
#pragma once

#include <bit>
#include <cstdint>

#include "double_double.hpp"
#include "math_constants.hpp"
#include "rounding.hpp"
#include "wide_fixed.hpp"

namespace tsfilters::math {

// Margin of the fast paths' rounding test: their error bound times 2^20.
inline constexpr double kFastPathMargin = 0x1p-80;

// Nearest integer to a, as a double, for |a| < 2^51: adding 1.5 * 2^52
// pushes the fraction bits out in round-to-nearest.
constexpr double nearestInteger(double a) {
    constexpr double shifter = 0x1.8p52;
    return (a + shifter) - shifter;
}

// The fast path for |x| <= 708, where every result is a normal number.
// Returns false, leaving `result` alone, when it cannot decide the rounding.
inline bool expFast(double x, double& result) {
    const double kd = nearestInteger(x * k64ByLn2);  // |kd| < 2^16
    // r = x - kd * ln2/64: kd times each of the first two parts is exact.
    DoubleDouble r = twoSum(x, -(kd * kLn2By64Part1));
    r = add(r, DoubleDouble{-(kd * kLn2By64Part2), 0.0});
    r = sub(r, twoProd(kd, kLn2By64Part3));

    // exp(r) - 1 = r + r^2/2! + ... + r^11/11!: the terms from r^6 on are
    // below 2^-54 and need no more than double precision.
    double tail = kInverseFactorial[11][0];
    for (int n = 10; n >= 6; --n) tail = tail * r.hi + kInverseFactorial[n][0];
    DoubleDouble p{tail, 0.0};
    for (int n = 5; n >= 1; --n) {
        p = mul(p, r);
        p = add(p, DoubleDouble{kInverseFactorial[n][0], kInverseFactorial[n][1]});
    }
    p = mul(p, r);

    const std::int32_t k = static_cast<std::int32_t>(kd);
    const std::int32_t j = k & 63, m = k >> 6;  // k = 64m + j, m rounded down
    const DoubleDouble t{kExp2Table[j][0], kExp2Table[j][1]};
    const DoubleDouble y = add(t, mul(t, p));  // 2^(j/64) * exp(r), in [0.99, 2.02)
    if (!roundsToHi(y, kFastPathMargin)) return false;
    result = y.hi * std::bit_cast<double>(static_cast<std::uint64_t>(m + 1023) << 52);
    return true;
}

// exp(x) by 320-bit fixed point: x = k ln2 + r, exp(r) by its Taylor
// series, then scaled by 2^k while rounding. For 2^-200 <= |x| < 746,
// where x converts to fixed point exactly.
inline WideRounded expWide(double x) {
    const double kd = nearestInteger(x * k1ByLn2);
    const std::int32_t k = static_cast<std::int32_t>(kd);
    const WideFixed r = sub(wideFromDouble(x), multipleOf(wideFromLimbs(kWideLn2), k));  // |r| < 0.35

    WideFixed one{};
    one.limb[0] = 1;
    WideFixed sum = one, term = one;
    for (std::uint32_t n = 1; !isZero(term); ++n) {
        term = divSmall(mul(term, r), n);
        sum = add(sum, term);
    }
    return roundWide(sum, k, false);
}

}  // namespace tsfilters::math

namespace tsfilters {

// exp(x) rounded to nearest, for every double x. Never touches errno.
inline double correctlyRoundedExp(double x) {
    if (x != x) return x + x;                 // NaN stays NaN
    if (x > 709.79) return x * 0x1p1023;      // +inf, or overflows to it
    if (x < -745.14) return 0.0;              // below half the least subnormal
    if (x > -0x1p-200 && x < 0x1p-200) return 1.0;
    double result;
    if (x >= -708.0 && x <= 708.0 && math::expFast(x, result)) return result;
    return math::expWide(x).value;
}

}  // namespace tsfilters
