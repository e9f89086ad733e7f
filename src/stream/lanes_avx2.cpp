// The lane kernels for AVX2: 4 doubles per vector, 4 vectors in flight.
#define TSF_LANES_NS avx2
#define TSF_LANES_WIDTH 4
#define TSF_LANES_IN_FLIGHT 4
#define TSF_LANES_CHAINED_IN_FLIGHT 4
#include "stream/lane_kernels.hpp"
