// Which vector instructions the lanes run on: the widest the processor has
// among those this build carries, or a narrower one named in the
// environment variable TSFILTERS_SIMD (scalar, sse2, avx2, avx512, neon),
// so that every target can be exercised on one machine. A wider one than
// the processor has is never taken. A WebAssembly build has simd128 (the
// engine that loads the module runs its vectors) or scalar, a 64-bit ARM
// one neon (Advanced SIMD, which every such processor has) or scalar.
#pragma once

#include <cstdint>

#include "stream/lanes_job.hpp"

namespace tsfilters::stream::lanes {

enum class SimdTarget : int { Scalar = 0, Sse2 = 1, Avx2 = 2, Avx512 = 3, Simd128 = 4, Neon = 5 };

struct TargetCode {
    const char* name;
    std::int32_t blockLanes;  // lanes per vector, the unit the kernels transpose; 0 for scalar
    Kernel run;               // null for scalar
};

// Decided on the first call and kept: later changes to the environment do
// not move a running process to another target.
const TargetCode& simdTarget();

}  // namespace tsfilters::stream::lanes
