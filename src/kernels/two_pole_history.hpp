// The two earlier inputs and outputs a two-pole kernel feeds back on, kept
// in locals so that nothing is read back from the caller's arrays.
#pragma once

namespace tsfilters {

// Input is float for kernels that do single-precision arithmetic on their
// inputs and double for those that only widen them. Outputs are kept as the
// stored single-precision value widened once: the same value the feedback
// would read back from the output array, without converting it again on
// every later use.
template <class Input>
struct TwoPoleHistory {
    Input x1 = 0, x2 = 0;    // input[i-1], input[i-2]
    double y1 = 0, y2 = 0;   // output[i-1], output[i-2], as stored

    // Records sample i (input x, stored output y) and returns y.
    float push(Input x, float y) {
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = static_cast<double>(y);
        return y;
    }
};

}  // namespace tsfilters
