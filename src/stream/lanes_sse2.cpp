// The lane kernels for SSE2: 2 doubles per vector, 4 vectors in flight, for
// a chain of two filters too: it runs one filter at a time over a tile, so
// only one filter's values need the 16 registers at once.
#define TSF_LANES_NS sse2
#define TSF_LANES_WIDTH 2
#define TSF_LANES_IN_FLIGHT 4
#define TSF_LANES_CHAINED_IN_FLIGHT 4
#include "stream/lane_kernels.hpp"
