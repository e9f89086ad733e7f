// The lane kernels for SSE2: 2 doubles per vector, 4 vectors in flight.
#define TSF_LANES_NS sse2
#define TSF_LANES_WIDTH 2
#define TSF_LANES_IN_FLIGHT 4
#include "stream/lane_kernels.hpp"
