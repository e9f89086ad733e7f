/* What a host needs to load the library at run time and call it: open it by
 * file name and look each of the seven functions up by name. Shared by the
 * example host and the output dump used by the platform checks. */
#ifndef TSFILTERS_RUNTIME_LIBRARY_H
#define TSFILTERS_RUNTIME_LIBRARY_H

#include <stdint.h>
#include <stdio.h>
#include <string.h>

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

typedef struct {
    PeriodFn highPass, superSmoother, ultimateSmoother;
    TwoPeriodFn bandPass, cyberneticOscillator;
    GammaFn laguerreFilter, laguerreOscillator;
} Filters;

/* A looked-up address as a function pointer; memcpy because ISO C has no
 * conversion from void* to a function pointer. */
static void* lookUpFunction(Library lib, const char* name, void* target, int* missing) {
    void* fn = findFunction(lib, name);
    if (fn == NULL) {
        fprintf(stderr, "the library has no function %s\n", name);
        *missing = 1;
    }
    memcpy(target, &fn, sizeof fn);
    return fn;
}

/* Loads the library at `path` and finds all seven functions; says what is
 * wrong on stderr and returns 0 when it cannot. */
static int loadFilters(const char* path, Filters* f) {
    Library lib = openLibrary(path);
    if (lib == NULL) {
        fprintf(stderr, "cannot load %s\n", path);
        return 0;
    }
    int missing = 0;
    lookUpFunction(lib, "HighPass", &f->highPass, &missing);
    lookUpFunction(lib, "SuperSmoother", &f->superSmoother, &missing);
    lookUpFunction(lib, "UltimateSmoother", &f->ultimateSmoother, &missing);
    lookUpFunction(lib, "BandPass", &f->bandPass, &missing);
    lookUpFunction(lib, "CyberneticOscillator", &f->cyberneticOscillator, &missing);
    lookUpFunction(lib, "LaguerreFilter", &f->laguerreFilter, &missing);
    lookUpFunction(lib, "LaguerreOscillator", &f->laguerreOscillator, &missing);
    return !missing;
}

#endif /* TSFILTERS_RUNTIME_LIBRARY_H */
