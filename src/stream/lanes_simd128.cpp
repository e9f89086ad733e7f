// The lane kernels for WebAssembly's 128-bit vectors: 2 doubles per vector,
// as for SSE2, and the same numbers in flight (the engine maps the vectors
// onto the host's 16 vector registers).
#define TSF_LANES_NS simd128
#define TSF_LANES_WIDTH 2
#define TSF_LANES_IN_FLIGHT 4
#define TSF_LANES_CHAINED_IN_FLIGHT 2
#include "stream/lane_kernels.hpp"
