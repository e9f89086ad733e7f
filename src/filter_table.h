/* The seven filters, one row each. Everything that has to list the filters
 * expands this table: the exports, the export map, the hosts, the tests,
 * the fuzzer, the benchmarks and the Python package's generated table.
 * Adding a filter means one row here, its file src/filters/<python_name>.hpp,
 * and that file's include line at the end of this one.
 *
 * Valid C and C++. A user defines X and writes TSF_FILTER_TABLE(X); each row
 * becomes
 *   X(Export, python_name, SHAPE, firstWritten, warmup, rmsWindow,
 *     defaultPeriod, defaultSmoothPeriod, defaultGamma, precisionLimit)
 *
 *   Export       the exported C name, also the Python package's C name
 *   python_name  the name in Python and on the command line
 *   SHAPE        the arguments between `input` and `count`:
 *                  PERIOD        int32 period
 *                  TWO_PERIODS   int32 highPassPeriod, int32 smoothPeriod
 *                  GAMMA_PERIOD  float gamma, int32 period
 *   firstWritten the first output slot a call writes (slots before it keep
 *                whatever the caller stored)
 *   warmup       samples before the recursion proper starts: their outputs
 *                are copies of the input, zeros, or (Laguerre) the cascade
 *                filling from empty
 *   rmsWindow    1: the output is divided by the RMS of its first 100 values,
 *                so a call needs 100 samples and writes all slots or none
 *   defaults     the parameters the tools use when none are given, in the
 *                order period (or highPassPeriod), smoothPeriod, gamma;
 *                a filter ignores the ones its shape does not take
 *   precisionLimit  the longest period at which the filter still follows a
 *                price in single precision (a step from 50 to 70, held for
 *                10 periods, ends within 0.1% of 70), or 0 for a filter
 *                that removes the level and has no such limit; measured by
 *                tools/precision_limits.cpp, checked by a unit test
 *
 * The row order is fixed: a filter's kind number in the stream library is
 * its row number counting from 1. */
#ifndef TSFILTERS_FILTER_TABLE_H
#define TSFILTERS_FILTER_TABLE_H

#define TSF_FILTER_TABLE(X)                                                              \
    X(HighPass,             high_pass,             PERIOD,       0, 4, 0, 20, 0,  0.0f,     0)  \
    X(SuperSmoother,        super_smoother,        PERIOD,       0, 2, 0, 20, 0,  0.0f,   857)  \
    X(UltimateSmoother,     ultimate_smoother,     PERIOD,       0, 4, 0, 20, 0,  0.0f,   857)  \
    X(BandPass,             band_pass,             TWO_PERIODS,  0, 4, 0, 48, 10, 0.0f,     0)  \
    X(CyberneticOscillator, cybernetic_oscillator, TWO_PERIODS,  0, 4, 1, 48, 10, 0.0f,     0)  \
    X(LaguerreFilter,       laguerre_filter,       GAMMA_PERIOD, 1, 4, 0, 20, 0,  0.8f,   857)  \
    X(LaguerreOscillator,   laguerre_oscillator,   GAMMA_PERIOD, 0, 4, 1, 20, 0,  0.8f,     0)

/* The shapes as numbers, for code that dispatches on them at run time. */
#define TSF_SHAPE_PERIOD 0
#define TSF_SHAPE_TWO_PERIODS 1
#define TSF_SHAPE_GAMMA_PERIOD 2

/* The number of rows. */
#define TSF_FILTER_COUNT_ROW_(...) +1
#define TSF_FILTER_COUNT (0 TSF_FILTER_TABLE(TSF_FILTER_COUNT_ROW_))

/* The full argument list of each shape, as the exports declare it, and the
 * names that list gives the parameters. */
#define TSF_ARGUMENTS_PERIOD \
    const float *input, int32_t period, int32_t count, float *output
#define TSF_ARGUMENTS_TWO_PERIODS \
    const float *input, int32_t highPassPeriod, int32_t smoothPeriod, int32_t count, float *output
#define TSF_ARGUMENTS_GAMMA_PERIOD \
    const float *input, float gamma, int32_t period, int32_t count, float *output
#define TSF_ARGUMENT_NAMES_PERIOD input, period, count, output
#define TSF_ARGUMENT_NAMES_TWO_PERIODS input, highPassPeriod, smoothPeriod, count, output
#define TSF_ARGUMENT_NAMES_GAMMA_PERIOD input, gamma, period, count, output

/* C++ gets every row's step with the table, for code that expands it with
 * them: one file per row, named by its python_name. */
#ifdef __cplusplus
#include "filters/high_pass.hpp"
#include "filters/super_smoother.hpp"
#include "filters/ultimate_smoother.hpp"
#include "filters/band_pass.hpp"
#include "filters/cybernetic_oscillator.hpp"
#include "filters/laguerre_filter.hpp"
#include "filters/laguerre_oscillator.hpp"
#endif

#endif /* TSFILTERS_FILTER_TABLE_H */
