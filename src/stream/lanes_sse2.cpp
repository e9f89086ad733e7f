// The lane kernels for SSE2: 2 doubles per vector, 4 vectors in flight (2
// for a chain of two filters, whose values would spill the 16 registers).
#define TSF_LANES_NS sse2
#define TSF_LANES_WIDTH 2
#define TSF_LANES_IN_FLIGHT 4
#define TSF_LANES_CHAINED_IN_FLIGHT 2
#include "stream/lane_kernels.hpp"
