// The lane kernels for AVX2: 4 doubles per vector. A single filter keeps 3
// vectors in flight: with its gains and history that is as many as the 16
// registers hold (a 4th spills its history to the stack, onto the chain of
// every row). A chain of two runs one filter at a time over a tile, so it
// keeps 4.
#define TSF_LANES_NS avx2
#define TSF_LANES_WIDTH 4
#define TSF_LANES_IN_FLIGHT 3
#define TSF_LANES_CHAINED_IN_FLIGHT 4
#include "stream/lane_kernels.hpp"
