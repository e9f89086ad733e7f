// What the book's vector kernels receive: one row for every slot of a book.
// Shared by the plain code and the files compiled for each instruction set,
// so it holds no vector types and calls no filter code.
#pragma once

#include <cstdint>

#include "stream/book_fields.hpp"
#include "stream/to_float.hpp"

namespace tsfilters::stream::book {

struct RowJob {
    std::int32_t kind;
    std::int32_t slots;       // row[0 .. slots-1]
    std::int64_t early;       // a series with fewer samples takes the scalar code
    const float* row;         // the row, or null when it comes as doubles
    const double* rowDoubles; // each rounded to a float as it is read
    float* out;
    bool commit;              // update (true) or peek (false)
    bool skipMissing;         // a NaN or infinite sample leaves its series as it is
    std::int64_t* samples;
    Columns columns;
    float* scale;
    const double* shared;     // the coefficients every series has, or null
    // One slot through the scalar code: a free slot, a missing sample, a
    // series in its warm-up or window, and the slots after the last whole
    // vector.
    void (*lane)(const RowJob& job, std::int32_t slot);
    void* context;            // for `lane`

    // The sample of `slot`, as a float.
    float sample(std::int32_t slot) const { return row != nullptr ? row[slot] : toFloat(rowDoubles[slot]); }
};

using RowKernel = void (*)(const RowJob&);

namespace sse2 { void bookRow(const RowJob& job); }
namespace avx2 { void bookRow(const RowJob& job); }
namespace avx512 { void bookRow(const RowJob& job); }
namespace simd128 { void bookRow(const RowJob& job); }
namespace neon { void bookRow(const RowJob& job); }

}  // namespace tsfilters::stream::book
