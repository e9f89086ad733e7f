// Correctly rounded exp and cos worked out by MPFR, the yardstick for the
// library's own: 53-bit results with the double exponent range, so that
// subnormal results are rounded once, as a double is.
#pragma once

#include <mpfr.h>

namespace mpfr_reference {

// MPFR's exponent range is global; every entry point sets it to that of
// double before rounding to it.
inline void useDoubleRange() {
    mpfr_set_emin(-1073);
    mpfr_set_emax(1024);
}

template <class Function>
inline double roundedOnce(double x, Function f) {
    useDoubleRange();
    mpfr_t v;
    mpfr_init2(v, 53);
    mpfr_set_d(v, x, MPFR_RNDN);
    const int ternary = f(v, v, MPFR_RNDN);
    mpfr_subnormalize(v, ternary, MPFR_RNDN);
    const double result = mpfr_get_d(v, MPFR_RNDN);
    mpfr_clear(v);
    return result;
}

inline double exp(double x) { return roundedOnce(x, mpfr_exp); }
inline double cos(double x) { return roundedOnce(x, mpfr_cos); }

}  // namespace mpfr_reference
