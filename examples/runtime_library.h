/* What a host needs to load the library at run time and call it: open it by
 * file name, look a function up by name, and the three function pointer
 * types of the seven exports. Shared by the example host and the output
 * dump used by the platform checks. */
#ifndef TSFILTERS_RUNTIME_LIBRARY_H
#define TSFILTERS_RUNTIME_LIBRARY_H

#include <stdint.h>

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

#endif /* TSFILTERS_RUNTIME_LIBRARY_H */
