// A double rounded to the nearest float, as the processor's conversion
// rounds it: a value past the largest float by half a unit in the last
// place or more becomes an infinity of its sign, which a book then treats
// as a missing sample. Written out because C++ leaves the conversion of an
// out-of-range value undefined, which a compiler may exploit; the vector
// kernels convert with the instruction itself, which gives these results.
#pragma once

#include <limits>

namespace tsfilters::stream {

inline float toFloat(double x) {
    // Halfway between the largest float and 2^128: ties go to the even
    // neighbour, 2^128, which as a float is infinity.
    constexpr double kOverflow = 0x1.ffffffp127;
    if (x >= kOverflow) return std::numeric_limits<float>::infinity();
    if (x <= -kOverflow) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(x);
}

}  // namespace tsfilters::stream
