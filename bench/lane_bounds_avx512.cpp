// The bounds of the avx512 kernels (lane_bounds.hpp).
#define TSF_LANES_NS bench_avx512
#define TSF_LANES_WIDTH 8
// Only the steps are used here, never the kernels' visits.
#define TSF_LANES_IN_FLIGHT 1
#define TSF_LANES_CHAINED_IN_FLIGHT 1
#include "lane_bounds_kernels.hpp"
