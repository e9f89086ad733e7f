// Square root by the processor's IEEE instruction, correctly rounded like
// every basic operation, and never through a C library call: such a call
// may run on the x87 unit (rounding twice through extended precision),
// sets errno for negative arguments, and makes the library import the
// platform's math, which the export check forbids on every processor.
#pragma once

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TSFILTERS_SQRT_SSE2 1
#include <emmintrin.h>
#elif defined(__aarch64__) || defined(_M_ARM64)
#define TSFILTERS_SQRT_ARM64 1
#include <arm_neon.h>
#else
#include <cmath>
#endif

namespace tsfilters {

inline double hardwareSqrt(double x) {
#if defined(TSFILTERS_SQRT_SSE2)
    // sqrtsd on both x86 targets.
    const __m128d v = _mm_set_sd(x);
    return _mm_cvtsd_f64(_mm_sqrt_sd(v, v));
#elif defined(TSFILTERS_SQRT_ARM64)
    // fsqrt on 64-bit ARM. The intrinsic is the instruction itself: unlike
    // std::sqrt, it keeps no call to the C library for the errno of a
    // negative argument.
    return vget_lane_f64(vsqrt_f64(vdup_n_f64(x)), 0);
#else
    // Other processors: the standard function, which is correctly rounded
    // wherever IEEE 754 is followed (the export check reports the import).
    return std::sqrt(x);
#endif
}

}  // namespace tsfilters

#undef TSFILTERS_SQRT_SSE2
#undef TSFILTERS_SQRT_ARM64
