// The seven exported functions: each runs its filter as one pass of
// one-sample steps over the caller's series.
#include "tsfilters.h"

#include "indicators/band_pass.hpp"
#include "indicators/laguerre_filter.hpp"
#include "indicators/laguerre_oscillator.hpp"
#include "indicators/rms_normalization.hpp"
#include "kernels/high_pass.hpp"
#include "kernels/super_smoother.hpp"
#include "kernels/ultimate_smoother.hpp"
#include "series_step.hpp"

using namespace tsfilters;

extern "C" {

TSF_API void TSF_CALL HighPass(const float* input, int32_t period, int32_t count,
                               float* output) {
    runSeries(HighPassStep(period), input, count, output);
}

TSF_API void TSF_CALL SuperSmoother(const float* input, int32_t period, int32_t count,
                                    float* output) {
    runSeries(SuperSmootherStep(period), input, count, output);
}

TSF_API void TSF_CALL UltimateSmoother(const float* input, int32_t period, int32_t count,
                                       float* output) {
    runSeries(UltimateSmootherStep(period), input, count, output);
}

TSF_API void TSF_CALL BandPass(const float* input, int32_t highPassPeriod,
                               int32_t smoothPeriod, int32_t count, float* output) {
    runSeries(makeBandPass(highPassPeriod, smoothPeriod), input, count, output);
}

TSF_API void TSF_CALL CyberneticOscillator(const float* input, int32_t highPassPeriod,
                                           int32_t smoothPeriod, int32_t count,
                                           float* output) {
    normalizeByRms(makeBandPass(highPassPeriod, smoothPeriod), input, count, output);
}

// Slot 0 is never written: the cascade has no value for the first sample.
TSF_API void TSF_CALL LaguerreFilter(const float* input, float gamma, int32_t period,
                                     int32_t count, float* output) {
    runSeries<1>(makeLaguerreFilter(gamma, period), input, count, output);
}

TSF_API void TSF_CALL LaguerreOscillator(const float* input, float gamma, int32_t period,
                                         int32_t count, float* output) {
    normalizeByRms(makeLaguerreOscillator(gamma, period), input, count, output);
}

}  // extern "C"
