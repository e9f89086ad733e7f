// Double-double arithmetic: a value held as the unevaluated sum hi + lo of
// two doubles, |lo| <= ulp(hi)/2, good to about 106 bits. Only IEEE double
// operations in round-to-nearest are used, each written out in the order
// the error-free transformations need, so a compiler that keeps to IEEE
// semantics (no contraction into fused multiply-add, no reassociation)
// gives the same bits everywhere.
#pragma once

namespace tsfilters::math {

struct DoubleDouble {
    double hi;
    double lo;
};

// a + b exactly, for any a and b (s = fl(a + b), e = the rounding error).
constexpr DoubleDouble twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    const double e = (a - (s - bb)) + (b - bb);
    return {s, e};
}

// a + b exactly, when |a| >= |b| or a is 0.
constexpr DoubleDouble fastTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// Splits a into two halves of at most 26 significant bits each, so that
// products of halves are exact.
constexpr DoubleDouble split(double a) {
    const double c = 134217729.0 * a;  // 2^27 + 1
    const double hi = c - (c - a);
    return {hi, a - hi};
}

// a * b exactly, without a fused multiply-add.
constexpr DoubleDouble twoProd(double a, double b) {
    const double p = a * b;
    const DoubleDouble as = split(a), bs = split(b);
    const double e = ((as.hi * bs.hi - p) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo;
    return {p, e};
}

// Sum with a relative error below 2^-104 even when a and b nearly cancel.
constexpr DoubleDouble add(DoubleDouble a, DoubleDouble b) {
    DoubleDouble s = twoSum(a.hi, b.hi);
    const DoubleDouble t = twoSum(a.lo, b.lo);
    s = fastTwoSum(s.hi, s.lo + t.hi);
    return fastTwoSum(s.hi, s.lo + t.lo);
}

constexpr DoubleDouble negate(DoubleDouble a) { return {-a.hi, -a.lo}; }

constexpr DoubleDouble sub(DoubleDouble a, DoubleDouble b) { return add(a, negate(b)); }

// Product with a relative error below 2^-102.
constexpr DoubleDouble mul(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble p = twoProd(a.hi, b.hi);
    return fastTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

}  // namespace tsfilters::math
