// Which memory layouts a lanes call may run without its results depending
// on the order in which it visits lanes and rows.
//
// That order differs between instruction sets: a vector kernel reads a row
// of a whole block of lanes before writing any of it, the scalar path runs
// one lane over a chunk of rows, and the lanes left over after the blocks
// come last. So where one lane's output lands on a sample another lane
// reads, or on a later sample of its own, the outputs and final states
// would change with the processor. Such a call is refused before anything
// is touched. Allowed are:
//   - input and output that share no byte;
//   - the same strides from the same pointer, no two (lane, row) pairs on
//     one element: each output overwrites exactly the sample it came
//     from, which every path reads first;
//   - the same strides from another pointer, no output on any sample
//     (the columns of one table interleaved, say).
// Every other overlap is refused, and so is one output element written by
// two lanes. Strides a call does not use (the time strides for one row,
// the lane strides for one lane) play no part.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>

namespace tsfilters::stream::lanes {

// Where one side of a call lives: element (row t, lane j) is the float at
// base + t * time + j * lane.
struct Slots {
    const void* base;
    std::int64_t time, lane;
};

namespace overlap {

inline std::uint64_t magnitude(std::int64_t v) {
    return v < 0 ? 0 - std::uint64_t(v) : std::uint64_t(v);
}

// Checked arithmetic: false where the exact result does not fit. Offsets
// that do not fit in 64 bits lie outside every address space anyway.
// Written out rather than with the compilers' overflow built-ins, which on
// 32-bit targets may call a runtime helper the toolchain does not link.
inline bool times(std::int64_t a, std::int64_t b, std::int64_t& r) {
    const std::uint64_t ma = magnitude(a), mb = magnitude(b);
    const bool negative = (a < 0) != (b < 0);
    const std::uint64_t most = (std::uint64_t(1) << 63) - (negative ? 0 : 1);
    if (mb != 0 && ma > most / mb) return false;
    const std::uint64_t m = ma * mb;
    r = std::int64_t(negative ? 0 - m : m);
    return true;
}
inline bool plus(std::int64_t a, std::int64_t b, std::int64_t& r) {
    constexpr std::int64_t kMost = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kLeast = std::numeric_limits<std::int64_t>::min();
    if (b > 0 ? a > kMost - b : a < kLeast - b) return false;
    r = a + b;
    return true;
}

// Bytes [low, high) that one side touches, from its base. False when they
// cannot be counted in 64 bits.
inline bool byteExtent(const Slots& s, std::int32_t rows, std::int32_t lanes,
                       std::int64_t& low, std::int64_t& high) {
    std::int64_t alongTime, acrossLanes;
    if (!times(rows - 1, s.time, alongTime) || !times(lanes - 1, s.lane, acrossLanes)) return false;
    std::int64_t first, last;
    if (!plus(std::min<std::int64_t>(alongTime, 0), std::min<std::int64_t>(acrossLanes, 0), first) ||
        !plus(std::max<std::int64_t>(alongTime, 0), std::max<std::int64_t>(acrossLanes, 0), last))
        return false;
    return times(first, 4, low) && times(last, 4, high) && plus(high, 4, high);
}

// Whether two different lanes write one output element: j * lane ==
// -t * time for some 0 < j < lanes, |t| < rows. The smallest such j is
// |time| / gcd, with |t| = |lane| / gcd.
inline bool lanesShareAnOutput(const Slots& out, std::int32_t rows, std::int32_t lanes) {
    if (lanes == 1) return false;
    if (out.lane == 0) return true;
    if (out.time == 0) return false;
    const std::uint64_t time = magnitude(out.time), lane = magnitude(out.lane);
    const std::uint64_t g = std::gcd(time, lane);
    return time / g < std::uint64_t(lanes) && lane / g < std::uint64_t(rows);
}

// Whether dt * time + dj * lane == d for some |dt| < rows, |dj| < lanes:
// whether a layout shifted by d elements meets itself. The caller has
// checked that the layout's extent fits, so no product here overflows;
// the loop runs over the shorter of the two ranges.
inline bool reaches(std::int64_t d, const Slots& s, std::int32_t rows, std::int32_t lanes) {
    const bool overLanes = lanes <= rows;
    const std::int64_t step = overLanes ? s.lane : s.time, other = overLanes ? s.time : s.lane;
    const std::int64_t n = overLanes ? lanes : rows, bound = overLanes ? rows : lanes;
    for (std::int64_t k = -(n - 1); k < n; ++k) {
        const std::int64_t rest = d - k * step;
        if (other == 0 ? rest == 0 : rest % other == 0 && magnitude(rest / other) < std::uint64_t(bound))
            return true;
    }
    return false;
}

}  // namespace overlap

// Whether a call of `lanes` lanes over `rows` rows (both at least 1) would
// give results that depend on the order of visits, or names elements no
// address space holds: such a call must be refused.
inline bool orderWouldShow(Slots in, Slots out, std::int32_t rows, std::int32_t lanes) {
    using namespace overlap;
    if (rows == 1) in.time = out.time = 0;
    if (lanes == 1) in.lane = out.lane = 0;
    if (lanesShareAnOutput(out, rows, lanes)) return true;

    std::int64_t inLow, inHigh, outLow, outHigh;
    if (!byteExtent(in, rows, lanes, inLow, inHigh) || !byteExtent(out, rows, lanes, outLow, outHigh))
        return true;
    // Output bytes counted from the input's base; the difference of two
    // addresses in one process fits in 63 bits.
    const auto apart = std::int64_t(std::uint64_t(reinterpret_cast<std::uintptr_t>(out.base)) -
                                    std::uint64_t(reinterpret_cast<std::uintptr_t>(in.base)));
    if (!plus(outLow, apart, outLow) || !plus(outHigh, apart, outHigh)) return true;
    if (outHigh <= inLow || inHigh <= outLow) return false;

    if (in.time != out.time || in.lane != out.lane || apart % 4 != 0) return true;
    // One layout over itself: only a row that comes back to one element
    // (a time stride of 0) makes a lane read its own output; two lanes on
    // one element were refused above.
    if (apart == 0) return in.time == 0 && rows > 1;
    return reaches(apart / 4, in, rows, lanes);
}

}  // namespace tsfilters::stream::lanes
