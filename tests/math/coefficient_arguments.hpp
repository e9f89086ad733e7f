// The arguments the coefficient derivation hands to exp and cos for a
// period, with the library's own constants and grouping.
#pragma once

#include <cstdint>

#include "filters/two_pole.hpp"

namespace coefficient_arguments {

inline double ofExp(std::int32_t period) { return tsfilters::K1 / static_cast<double>(period); }

inline double ofCos(std::int32_t period) {
    return (tsfilters::K2 / static_cast<double>(period)) * tsfilters::K3;
}

}  // namespace coefficient_arguments
