// The staged yardstick: each filter computed the straightforward way by the
// tests' plain reference, composites through heap scratch series, with the
// feedback read back from the output array. Compiled on its own (see
// CMakeLists.txt).
#pragma once

#include <cstdint>

#include "filter_table.h"

namespace yardstick {

#define TSF_DECLARE_STAGED(Export, python, SHAPE, ...) void Export(TSF_ARGUMENTS_##SHAPE);
TSF_FILTER_TABLE(TSF_DECLARE_STAGED)
#undef TSF_DECLARE_STAGED

}  // namespace yardstick
