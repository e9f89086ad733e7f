// The lane kernels for 64-bit ARM's Advanced SIMD: 2 doubles per vector, as
// for SSE2. The 32 vector registers would hold more vectors in flight; 4
// already covers the latency of each lane's chain at two lanes per vector,
// and a chain of two runs one filter at a time over a tile, so it keeps 4
// too. The vector multiplies and adds stay separate instructions (the build
// never contracts them into fused ones, and tests/scripts/check_no_fused.py
// reads the compiled code to make sure).
#define TSF_LANES_NS neon
#define TSF_LANES_WIDTH 2
#define TSF_LANES_IN_FLIGHT 4
#define TSF_LANES_CHAINED_IN_FLIGHT 4
#include "stream/lane_kernels.hpp"
