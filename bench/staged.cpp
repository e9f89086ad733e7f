// The tests' plain reference of each composite, with the benchmark's fixed
// arguments. This file is compiled without predictive commoning: at -O3 GCC
// would otherwise keep the kernels' feedback in registers, and the point of
// the yardstick is the computation as written, reading each earlier output
// back from the array.
#include "staged.hpp"

#include "reference.hpp"

namespace staged {

using namespace reference;

void bandPass(const float* x, std::int32_t n, float* y) {
    reference::bandPass(highPass, superSmoother, x, 48, 10, n, y);
}

void cyberneticOscillator(const float* x, std::int32_t n, float* y) {
    reference::cyberneticOscillator(highPass, superSmoother, x, 48, 10, n, y);
}

void laguerreFilter(const float* x, std::int32_t n, float* y) {
    reference::laguerreFilter(ultimateSmoother, x, 0.8f, 20, n, y);
}

void laguerreOscillator(const float* x, std::int32_t n, float* y) {
    reference::laguerreOscillator(ultimateSmoother, x, 0.8f, 20, n, y);
}

}  // namespace staged
