// A book's rows on AVX2: 4 doubles per vector.
#define TSF_LANES_NS avx2
#define TSF_LANES_WIDTH 4
// Rows of a book advance every series once: nothing is kept in flight.
#define TSF_LANES_IN_FLIGHT 1
#define TSF_LANES_CHAINED_IN_FLIGHT 1
#include "stream/book_kernels.hpp"
