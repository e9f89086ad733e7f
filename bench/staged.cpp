// The tests' plain reference of each filter, as the staged yardstick. This
// file is compiled without predictive commoning: at -O3 GCC would otherwise
// keep the kernels' feedback in registers, and the point of the yardstick is
// the computation as written, reading each earlier output back from the
// array.
#include "staged.hpp"

#include "reference.hpp"

namespace yardstick {

#define TSF_DEFINE_STAGED(Export, python, SHAPE, ...) \
    void Export(TSF_ARGUMENTS_##SHAPE) { reference::Export(TSF_ARGUMENT_NAMES_##SHAPE); }
TSF_FILTER_TABLE(TSF_DEFINE_STAGED)

}  // namespace yardstick
