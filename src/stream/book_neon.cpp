// A book's rows on 64-bit ARM's Advanced SIMD: 2 doubles per vector; the
// multiplies and adds stay separate instructions, as in the lanes.
#define TSF_LANES_NS neon
#define TSF_LANES_WIDTH 2
// Rows of a book advance every series once: nothing is kept in flight.
#define TSF_LANES_IN_FLIGHT 1
#define TSF_LANES_CHAINED_IN_FLIGHT 1
#include "stream/book_kernels.hpp"
