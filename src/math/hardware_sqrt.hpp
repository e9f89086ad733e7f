// Square root by the processor's IEEE instruction, correctly rounded like
// every basic operation, and never through a C library call: such a call
// may run on the x87 unit (rounding twice through extended precision) and
// sets errno for negative arguments.
#pragma once

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#else
#include <cmath>
#endif

namespace tsfilters {

inline double hardwareSqrt(double x) {
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
    // sqrtsd on both x86 targets.
    const __m128d v = _mm_set_sd(x);
    return _mm_cvtsd_f64(_mm_sqrt_sd(v, v));
#else
    // Other processors: the standard function, which is correctly rounded
    // wherever IEEE 754 is followed.
    return std::sqrt(x);
#endif
}

}  // namespace tsfilters
