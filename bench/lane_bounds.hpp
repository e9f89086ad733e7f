// The two bounds a lanes kernel is measured against, per instruction set,
// in the benchmark program only:
//   arithmetic  the kind's own vector step over inputs and outputs that stay
//               in the first-level cache, with a given number of independent
//               vectors side by side: what the vector units allow (a chain
//               of two filters run as the kernels run it, each filter over
//               a tile of rows in turn);
//   memory      a copy of a table of the same size with the same width of
//               loads and the same kind of stores (plain ones, which read
//               each line before writing it): the fastest any lanes code
//               could stream the table through.
// The step is the library's own (src/stream/lane_kernels.hpp), compiled
// again here for each instruction set.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lane_bounds {

// Rows of the cached tile the arithmetic bound runs over, and the most
// vectors it advances side by side.
constexpr int kTileRows = 32;
constexpr int kMaxInFlight = 8;
constexpr int kMaxWidth = 8;
constexpr std::size_t kTileFloats = std::size_t(kTileRows) * kMaxInFlight * kMaxWidth;

struct Kernels {
    int width;  // lanes per vector
    // Runs `inFlight` (1 .. kMaxInFlight) vectors of kind `kind` over
    // `tile`, writing `sink`; returns the lane-samples done.
    std::int64_t (*arithmetic)(int kind, int inFlight, const float* tile, float* sink);
    // out[0 .. n-1] = in[0 .. n-1].
    void (*copy)(const float* in, float* out, std::size_t n);
    // The same copy of a time-major table of `rows` x `lanes`, in the order
    // the kernels of kind `kind` visit it (a diagnostic, not a bound).
    void (*copyInVisits)(int kind, const float* in, float* out, std::int32_t rows, std::int32_t lanes);
};

// The kernels for the target tsf_simd_target() names, or null (scalar, or a
// set this build does not carry).
const Kernels* kernelsFor(const char* target);

}  // namespace lane_bounds
