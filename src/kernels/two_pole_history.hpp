// The two earlier inputs and outputs a two-pole kernel feeds back on, kept
// in locals so that nothing is read back from the caller's arrays.
#pragma once

namespace tsfilters {

struct TwoPoleHistory {
    float x1 = 0, x2 = 0;  // input[i-1], input[i-2]
    float y1 = 0, y2 = 0;  // output[i-1], output[i-2], as stored

    // Records sample i (input x, output y) and returns y.
    float push(float x, float y) {
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

}  // namespace tsfilters
