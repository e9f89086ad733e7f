// Which instruction set's bounds to measure: the one the library runs on.
#include "lane_bounds.hpp"

#include <cstring>

namespace tsfilters::stream::lanes {
#define TSF_BOUNDS_SET(set) \
    namespace bench_##set { extern const lane_bounds::Kernels kBounds; }
#if defined(TSFILTERS_BOUNDS_SSE2)
TSF_BOUNDS_SET(sse2)
#endif
#if defined(TSFILTERS_BOUNDS_AVX2)
TSF_BOUNDS_SET(avx2)
#endif
#if defined(TSFILTERS_BOUNDS_AVX512)
TSF_BOUNDS_SET(avx512)
#endif
#undef TSF_BOUNDS_SET
}  // namespace tsfilters::stream::lanes

namespace lane_bounds {

const Kernels* kernelsFor(const char* target) {
    namespace lanes = tsfilters::stream::lanes;
    static_cast<void>(target);
#if defined(TSFILTERS_BOUNDS_SSE2)
    if (std::strcmp(target, "sse2") == 0) return &lanes::bench_sse2::kBounds;
#endif
#if defined(TSFILTERS_BOUNDS_AVX2)
    if (std::strcmp(target, "avx2") == 0) return &lanes::bench_avx2::kBounds;
#endif
#if defined(TSFILTERS_BOUNDS_AVX512)
    if (std::strcmp(target, "avx512") == 0) return &lanes::bench_avx512::kBounds;
#endif
    return nullptr;
}

}  // namespace lane_bounds
