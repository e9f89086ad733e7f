/* What a host needs to load the library at run time and call it: open it by
 * file name and look every function of the filter table up by name. Shared
 * by the example host and the output dump used by the platform checks. */
#ifndef TSFILTERS_RUNTIME_LIBRARY_H
#define TSFILTERS_RUNTIME_LIBRARY_H

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "filter_table.h"

#if defined(_WIN32)
#include <windows.h>
typedef HMODULE Library;
static Library openLibrary(const char* path) { return LoadLibraryA(path); }
static void* findFunction(Library lib, const char* name) {
    return (void*)GetProcAddress(lib, name);
}
/* What a Windows host declares: the C calling convention, caller cleans up.
 * On 64-bit Windows there is one convention and the keyword is ignored.
 * (windows.h has its own CDECL; this name is the host's.) */
#define HOST_CALL __cdecl
#else
#include <dlfcn.h>
typedef void* Library;
static Library openLibrary(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
static void* findFunction(Library lib, const char* name) { return dlsym(lib, name); }
#define HOST_CALL
#endif

typedef void(HOST_CALL* PeriodFn)(const float*, int32_t, int32_t, float*);
typedef void(HOST_CALL* TwoPeriodFn)(const float*, int32_t, int32_t, int32_t, float*);
typedef void(HOST_CALL* GammaFn)(const float*, float, int32_t, int32_t, float*);

/* One row of the filter table with its function looked up. */
typedef struct {
    const char* name;
    int shape; /* TSF_SHAPE_... */
    int firstWritten, warmup, rmsWindow;
    int32_t defaultPeriod, defaultSmoothPeriod;
    float defaultGamma;
    void* address;
} Filter;

typedef struct {
    Filter at[TSF_FILTER_COUNT];
} Filters;

/* Calls `f` with the arguments its shape takes: `a` is the period (or the
 * high-pass period), `b` the smoothing period. The address becomes a
 * function pointer through memcpy: ISO C has no conversion from void*. */
static void callFilter(const Filter* f, const float* input, int32_t a, int32_t b, float gamma,
                       int32_t count, float* output) {
    PeriodFn period;
    TwoPeriodFn twoPeriods;
    GammaFn gammaPeriod;
    switch (f->shape) {
    case TSF_SHAPE_PERIOD:
        memcpy(&period, &f->address, sizeof period);
        period(input, a, count, output);
        break;
    case TSF_SHAPE_TWO_PERIODS:
        memcpy(&twoPeriods, &f->address, sizeof twoPeriods);
        twoPeriods(input, a, b, count, output);
        break;
    default:
        memcpy(&gammaPeriod, &f->address, sizeof gammaPeriod);
        gammaPeriod(input, gamma, a, count, output);
        break;
    }
}

/* Looks `name` up and stores its address into the function pointer at
 * `target` (through memcpy: ISO C has no conversion from void* to a function
 * pointer); says so on stderr and sets *missing when it is not there. */
static void* lookUpFunction(Library lib, const char* name, void* target, int* missing) {
    void* fn = findFunction(lib, name);
    if (fn == NULL) {
        fprintf(stderr, "the library has no function %s\n", name);
        *missing = 1;
    }
    memcpy(target, &fn, sizeof fn);
    return fn;
}

/* Loads the library at `path` and finds every function of the table; says
 * what is wrong on stderr and returns 0 when it cannot. */
static int loadFilters(const char* path, Filters* filters) {
    Library lib = openLibrary(path);
    if (lib == NULL) {
        fprintf(stderr, "cannot load %s\n", path);
        return 0;
    }
    static const Filter rows[TSF_FILTER_COUNT] = {
#define TSF_HOST_ROW(Export, python, SHAPE, first, warmup, rms, period, smooth, gamma, ...) \
    {#Export, TSF_SHAPE_##SHAPE, first, warmup, rms, period, smooth, gamma, NULL},
        TSF_FILTER_TABLE(TSF_HOST_ROW)
#undef TSF_HOST_ROW
    };
    int missing = 0;
    for (int i = 0; i < TSF_FILTER_COUNT; ++i) {
        filters->at[i] = rows[i];
        lookUpFunction(lib, rows[i].name, &filters->at[i].address, &missing);
    }
    return !missing;
}

#endif /* TSFILTERS_RUNTIME_LIBRARY_H */
