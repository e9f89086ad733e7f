// A book's rows on WebAssembly's 128-bit vectors: 2 doubles per vector.
#define TSF_LANES_NS simd128
#define TSF_LANES_WIDTH 2
// Rows of a book advance every series once: nothing is kept in flight.
#define TSF_LANES_IN_FLIGHT 1
#define TSF_LANES_CHAINED_IN_FLIGHT 1
#include "stream/book_kernels.hpp"
