// The staged yardstick: each composite computed the straightforward way,
// its kernels run into heap scratch series with the feedback read back from
// the output array. Compiled on its own (see CMakeLists.txt).
#pragma once

#include <cstdint>

namespace staged {

void bandPass(const float* x, std::int32_t n, float* y);
void cyberneticOscillator(const float* x, std::int32_t n, float* y);
void laguerreFilter(const float* x, std::int32_t n, float* y);
void laguerreOscillator(const float* x, std::int32_t n, float* y);

}  // namespace staged
