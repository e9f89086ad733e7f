// cos(x) correctly rounded to nearest, from IEEE double operations alone,
// so that every compiler, platform and processor gives the same bits.
//
// Fast path: x = (32q + j) pi/64 + r with |r| <= pi/128 (Cody-Waite
// reduction with pi/64 in four parts), cos(x) = +-cos or +-sin of
// j pi/64 + r by the angle-sum formulas, the table entries and the
// polynomials of cos r and sin r in double-double. The relative error stays
// below 2^-94 (the angle-sum step can cancel at most a factor 41); the
// result is accepted when a margin of 2^-80 around it cannot reach a
// rounding boundary. Otherwise the slow path recomputes cos with 320-bit
// fixed-point arithmetic.
#pragma once

#include <bit>
#include <cstdint>
#include <limits>

#include "correctly_rounded_exp.hpp"
#include "double_double.hpp"
#include "math_constants.hpp"
#include "rounding.hpp"
#include "wide_fixed.hpp"

namespace tsfilters::math {

// The largest |x| of the fast path: kd * pi/64 part stays exact below it.
inline constexpr double kCosFastLimit = 0x1p19;
// The largest |x| of the slow path: x and k pi/2 fit its 32 integer bits.
inline constexpr double kCosWideLimit = 0x1p30;

// Sum over i < terms of (-1)^i r2^i / (firstFactorial + 2i)!, by Horner's
// rule; the `doubleTerms` highest terms are small enough for plain doubles.
inline DoubleDouble evenSeries(DoubleDouble r2, int firstFactorial, int terms, int doubleTerms) {
    auto sign = [](int i) { return (i % 2) != 0 ? -1.0 : 1.0; };
    int i = terms - 1;
    double tail = sign(i) * kInverseFactorial[firstFactorial + 2 * i][0];
    for (--i; i >= terms - doubleTerms; --i)
        tail = tail * r2.hi + sign(i) * kInverseFactorial[firstFactorial + 2 * i][0];
    DoubleDouble s{tail, 0.0};
    for (; i >= 0; --i) {
        const double* c = kInverseFactorial[firstFactorial + 2 * i];
        s = add(mul(s, r2), DoubleDouble{sign(i) * c[0], sign(i) * c[1]});
    }
    return s;
}

// r = x - kd pi/64, kd the nearest integer to x 64/pi, for |x| < 2^19.
inline DoubleDouble reduceByPiBy64(double x, double& kd) {
    kd = nearestInteger(x * k64ByPi);  // |kd| < 2^24
    DoubleDouble r = twoSum(x, -(kd * kPiBy64Part1));
    r = add(r, DoubleDouble{-(kd * kPiBy64Part2), 0.0});
    r = sub(r, twoProd(kd, kPiBy64Part3));
    return add(r, DoubleDouble{-(kd * kPiBy64Part4), 0.0});
}

// For 2^-27 <= |x| < 2^19. Returns false, leaving `result` alone, when it
// cannot decide the rounding.
inline bool cosFast(double x, double& result) {
    double kd;
    const DoubleDouble r = reduceByPiBy64(x, kd);
    // A reduced argument this small means x nearly hits a multiple of
    // pi/64; its relative error could then exceed the bound above.
    if (r.hi > -0x1p-30 && r.hi < 0x1p-30) return false;

    const DoubleDouble r2 = mul(r, r);  // |r| <= 0.0246: 12 terms are plenty
    const DoubleDouble cosR = evenSeries(r2, 0, 7, 3);  // 1 - r^2/2! + ... + r^12/12!
    const DoubleDouble sinR = mul(r, evenSeries(r2, 1, 7, 3));  // r - r^3/3! + ... + r^13/13!

    const std::int32_t k = static_cast<std::int32_t>(kd);
    const std::int32_t j = k & 31, quadrant = (k >> 5) & 3;  // k = 32q + j
    const DoubleDouble cj{kCosTable[j][0], kCosTable[j][1]};
    const DoubleDouble sj{kSinTable[j][0], kSinTable[j][1]};
    // b = j pi/64 + r lies in [-pi/128, pi/2 - pi/128]: cos b and sin b
    // are at least sin(pi/128) unless j = 0, where they are cos r and sin r.
    DoubleDouble y;
    if (quadrant == 0 || quadrant == 2) y = sub(mul(cj, cosR), mul(sj, sinR));  // cos b
    else y = add(mul(sj, cosR), mul(cj, sinR));                                 // sin b
    if (quadrant == 1 || quadrant == 2) y = negate(y);
    if (!roundsToHi(y, kFastPathMargin)) return false;
    result = y.hi;
    return true;
}

// cos(x) by 320-bit fixed point: x = k pi/2 + r, then +-cos r or +-sin r by
// their Taylor series. For |x| < 2^30.
inline WideRounded cosWide(double x) {
    const double kd = nearestInteger(x * k2ByPi);
    const std::int64_t k = static_cast<std::int64_t>(kd);
    // |r| <= pi/4 + a little
    const WideFixed r = sub(wideFromDouble(x), multipleOf(wideFromLimbs(kWidePiBy2), k));
    const WideFixed r2 = mul(r, r);

    const std::int64_t quadrant = k & 3;
    const bool useSin = (quadrant & 1) != 0;
    WideFixed term{};
    if (useSin) term = r;
    else term.limb[0] = 1;
    WideFixed sum = term;
    for (std::uint32_t n = useSin ? 2 : 1; !isZero(term); n += 2) {
        term = negate(divSmall(mul(term, r2), n * (n + 1)));  // next power, next sign
        sum = add(sum, term);
    }
    bool negative = isNegative(sum);
    if (quadrant == 1 || quadrant == 2) negative = !negative;
    return roundWide(magnitude(sum), 0, negative);
}

}  // namespace tsfilters::math

namespace tsfilters {

// cos(x) rounded to nearest, for |x| < 2^30; NaN for +-inf and NaN.
// Larger finite arguments give NaN too: their reduction would need far
// more digits of pi than this code holds, and the library never needs it.
// The NaN is always the same positive quiet NaN, whatever the processor's
// default NaN. Never touches errno.
inline double correctlyRoundedCos(double x) {
    const double a = x < 0.0 ? -x : x;
    if (!(a < math::kCosWideLimit)) return std::numeric_limits<double>::quiet_NaN();
    if (a < 0x1p-27) return 1.0;  // 1 - x^2/2 is within 2^-55 of 1
    double result;
    if (a < math::kCosFastLimit && math::cosFast(x, result)) return result;
    return math::cosWide(x).value;
}

}  // namespace tsfilters
