// The exported functions, one per row of the filter table: each builds its
// filter's step from its arguments and runs it as one pass over the
// caller's series.
#include "tsfilters.h"

#include "filter_table.h"
#include "rms_window.hpp"
#include "series.hpp"

namespace tsfilters {
namespace {

// The table's facts about a filter decide how its step is run.
template <std::int32_t kFirstWritten, std::int32_t kWarmup, bool kRmsWindow, class Step>
void runFilter(Step step, const float* input, std::int32_t count, float* output) {
    static_assert(Step::kWarmup == kWarmup, "the filter table's warm-up is the step's");
    if constexpr (kRmsWindow) {
        static_assert(kFirstWritten == 0, "a scaled output is written whole or not at all");
        normalizeByRms(step, input, count, output);
    } else {
        runSeries<kFirstWritten>(step, input, count, output);
    }
}

}  // namespace
}  // namespace tsfilters

// Each shape's arguments, gathered into the one parameter set.
#define TSF_PARAMETERS_PERIOD tsfilters::Parameters{period, 0, 0.0f}
#define TSF_PARAMETERS_TWO_PERIODS tsfilters::Parameters{highPassPeriod, smoothPeriod, 0.0f}
#define TSF_PARAMETERS_GAMMA_PERIOD tsfilters::Parameters{period, 0, gamma}

#define TSF_DEFINE_EXPORT(Export, python, SHAPE, firstWritten, warmup, rmsWindow, ...) \
    TSF_API void TSF_CALL Export(TSF_ARGUMENTS_##SHAPE) {                               \
        tsfilters::runFilter<firstWritten, warmup, rmsWindow != 0>(                     \
            tsfilters::make##Export(TSF_PARAMETERS_##SHAPE), input, count, output);     \
    }

extern "C" {
TSF_FILTER_TABLE(TSF_DEFINE_EXPORT)
}
