// A book's rows on AVX-512: 8 doubles per vector.
#define TSF_LANES_NS avx512
#define TSF_LANES_WIDTH 8
// Rows of a book advance every series once: nothing is kept in flight.
#define TSF_LANES_IN_FLIGHT 1
#define TSF_LANES_CHAINED_IN_FLIGHT 1
#include "stream/book_kernels.hpp"
