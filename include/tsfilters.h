/* tsfilters: digital filters and oscillators for regularly sampled series.
 *
 * Every function takes a whole series of single-precision samples, oldest
 * first, and fills an output array of the same length, aligned sample for
 * sample with the input. Calls are stateless and never allocate; any number
 * of threads may call at once as long as their output arrays do not overlap.
 * `input` and `output` may be the same array.
 *
 * Nothing is validated or reported: periods and gamma are used as given and
 * IEEE arithmetic decides what odd values produce. A null `input` or
 * `output`, or a `count` of 0 or less, writes nothing.
 */
#ifndef TSFILTERS_H
#define TSFILTERS_H

#include <stdint.h>

#if defined(_WIN32)
#  define TSF_CALL __cdecl
#  if defined(TSFILTERS_BUILDING)
#    define TSF_API __declspec(dllexport)
#  else
#    define TSF_API __declspec(dllimport)
#  endif
#else
#  define TSF_CALL
#  define TSF_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Second-order high-pass filter of the series' second difference.
 *  input  : [count] samples, only read
 *  period : cut-off length in samples, meaningful range [2, INT32_MAX]
 *  count  : number of samples, <= 0 writes nothing
 *  output : [count] slots, all written; slots 0..3 are 0 */
TSF_API void TSF_CALL HighPass(const float* input, int32_t period,
                               int32_t count, float* output);

/* Second-order low-pass filter fed by the mean of the two newest samples.
 *  input  : [count] samples, only read
 *  period : cut-off length in samples, meaningful range [2, INT32_MAX]
 *  count  : number of samples, <= 0 writes nothing
 *  output : [count] slots, all written; slots 0..1 copy the input */
TSF_API void TSF_CALL SuperSmoother(const float* input, int32_t period,
                                    int32_t count, float* output);

/* Second-order low-lag smoother.
 *  input  : [count] samples, only read
 *  period : smoothing length in samples, meaningful range [2, INT32_MAX]
 *  count  : number of samples, <= 0 writes nothing
 *  output : [count] slots, all written; slots 0..3 copy the input */
TSF_API void TSF_CALL UltimateSmoother(const float* input, int32_t period,
                                       int32_t count, float* output);

/* HighPass followed by SuperSmoother.
 *  input          : [count] samples, only read
 *  highPassPeriod : high-pass length in samples, meaningful range [2, INT32_MAX]
 *  smoothPeriod   : smoothing length in samples, meaningful range [2, INT32_MAX]
 *  count          : number of samples, <= 0 writes nothing
 *  output         : [count] slots, all written; slots 0..3 are 0 */
TSF_API void TSF_CALL BandPass(const float* input, int32_t highPassPeriod,
                               int32_t smoothPeriod, int32_t count,
                               float* output);

/* BandPass divided by its RMS over samples 0..99.
 *  input          : [count] samples, only read
 *  highPassPeriod : high-pass length in samples, meaningful range [2, INT32_MAX]
 *  smoothPeriod   : smoothing length in samples, meaningful range [2, INT32_MAX]
 *  count          : number of samples, < 100 writes nothing
 *  output         : [count] slots, all written, or none when the RMS is 0 */
TSF_API void TSF_CALL CyberneticOscillator(const float* input,
                                           int32_t highPassPeriod,
                                           int32_t smoothPeriod, int32_t count,
                                           float* output);

/* UltimateSmoother followed by a five-stage Laguerre cascade.
 *  input  : [count] samples, only read
 *  gamma  : damping of the Laguerre stages, meaningful range [0, 1]
 *  period : smoothing length in samples, meaningful range [2, INT32_MAX]
 *  count  : number of samples, <= 0 writes nothing
 *  output : [count] slots; slot 0 is never written, 1..count-1 are */
TSF_API void TSF_CALL LaguerreFilter(const float* input, float gamma,
                                     int32_t period, int32_t count,
                                     float* output);

/* UltimateSmoother minus its first Laguerre stage, divided by the RMS of
 * that difference over samples 0..99.
 *  input  : [count] samples, only read
 *  gamma  : damping of the Laguerre stage, meaningful range [0, 1]
 *  period : smoothing length in samples, meaningful range [2, INT32_MAX]
 *  count  : number of samples, < 100 writes nothing
 *  output : [count] slots, all written, or none when the RMS is 0 */
TSF_API void TSF_CALL LaguerreOscillator(const float* input, float gamma,
                                         int32_t period, int32_t count,
                                         float* output);

#ifdef __cplusplus
}
#endif

#endif /* TSFILTERS_H */
