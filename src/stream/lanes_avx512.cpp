// The lane kernels for AVX512: 8 doubles per vector, 2 vectors in flight.
#define TSF_LANES_NS avx512
#define TSF_LANES_WIDTH 8
#define TSF_LANES_IN_FLIGHT 2
#define TSF_LANES_CHAINED_IN_FLIGHT 2
#include "stream/lane_kernels.hpp"
