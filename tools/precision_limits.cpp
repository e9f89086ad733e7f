// Prints each filter's precision limit (see precision_limit.hpp), the value
// its row of the filter table carries, and for the filters with a gamma the
// limit at a few other values of it.
//   precision_limits
#include <cstdio>

#include "precision_limit.hpp"

int main() {
    using namespace tsfilters_precision;
    std::printf("%-22s %8s  %s\n", "filter", "limit", "(in the table)");
    for (const Row& row : rows()) {
        const std::int32_t limit = measureLimit(row, row.defaultGamma);
        if (limit == 0)
            std::printf("%-22s %8s  (%d)\n", row.name, "none", row.precisionLimit);
        else
            std::printf("%-22s %8d  (%d)\n", row.name, limit, row.precisionLimit);
        if (row.shape == TSF_SHAPE_GAMMA_PERIOD && limit != 0)
            for (float gamma : {0.0f, 0.5f, 0.9f, 0.95f})
                std::printf("%-22s %8d  at gamma %g\n", "", measureLimit(row, gamma), gamma);
    }
    return 0;
}
