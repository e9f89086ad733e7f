/* Stand-ins for the few KERNEL32.dll and msvcrt.dll functions a MinGW-w64
 * DLL's start-up code imports, for a single-threaded 32-bit Linux host.
 * KERNEL32 functions are stdcall (the callee pops its arguments), msvcrt
 * functions cdecl. Windows code calls with a 4-byte aligned stack, so every
 * stub realigns before it runs code compiled for Linux. */
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "pe_image.h"

#define WINAPI __attribute__((stdcall, force_align_arg_pointer))
#define CRTAPI __attribute__((cdecl, force_align_arg_pointer))

/* ---- KERNEL32.dll: one thread, nothing to lock, no other modules -------- */
static void WINAPI criticalSection(void* section) { (void)section; }
static int WINAPI disableThreadLibraryCalls(void* module) { (void)module; return 1; }
static uint32_t WINAPI getLastError(void) { return 0; }
static void WINAPI sleepMs(uint32_t ms) { (void)ms; }
static void* WINAPI tlsGetValue(uint32_t index) { (void)index; return NULL; }
static void* WINAPI noModule(const char* name) { (void)name; return NULL; }
static int WINAPI freeLibrary(void* module) { (void)module; return 1; }
static void* WINAPI getProcAddress(void* module, const char* name) {
    (void)module, (void)name;
    return NULL;
}

/* The image is mapped read-write-execute as a whole: report exactly that,
 * so the runtime's pseudo-relocation code finds every page writable. */
enum { kPageExecuteReadWrite = 0x40, kMemCommit = 0x1000, kMemImage = 0x1000000 };
static int WINAPI virtualProtect(void* address, uint32_t size, uint32_t protect, uint32_t* old) {
    (void)address, (void)size, (void)protect;
    if (old) *old = kPageExecuteReadWrite;
    return 1;
}
static uint32_t WINAPI virtualQuery(void* address, uint32_t* info, uint32_t size) {
    if (!info || size < 28) return 0;
    const uint32_t page = (uint32_t)(uintptr_t)address & ~0xFFFu;
    /* MEMORY_BASIC_INFORMATION: BaseAddress, AllocationBase,
     * AllocationProtect, RegionSize, State, Protect, Type. */
    const uint32_t fields[7] = {page, page, kPageExecuteReadWrite, 0x1000, kMemCommit,
                                kPageExecuteReadWrite, kMemImage};
    memcpy(info, fields, sizeof fields);
    return 28;
}

/* ---- msvcrt.dll -------------------------------------------------------- */
typedef void (*Initializer)(void);
static void CRTAPI initTerm(Initializer* begin, Initializer* end) {
    for (; begin < end; ++begin)
        if (*begin) (*begin)();
}
static void CRTAPI lockUnlock(int which) { (void)which; }
static void CRTAPI abortNow(void) { abort(); }
static void CRTAPI amsgExit(int code) {
    fprintf(stderr, "DLL runtime error %d\n", code);
    abort();
}
static void* CRTAPI callocStub(size_t n, size_t size) { return calloc(n, size); }
static void* CRTAPI mallocStub(size_t size) { return malloc(size); }
static void* CRTAPI reallocStub(void* p, size_t size) { return realloc(p, size); }
static void CRTAPI freeStub(void* p) { free(p); }
static size_t CRTAPI strlenStub(const char* s) { return strlen(s); }
static int CRTAPI strncmpStub(const char* a, const char* b, size_t n) { return strncmp(a, b, n); }
/* The runtime writes only error messages; they go to stderr whatever
 * stream it names. */
static size_t CRTAPI fwriteStub(const void* p, size_t size, size_t n, void* stream) {
    (void)stream;
    return fwrite(p, size, n, stderr);
}
static int CRTAPI vfprintfStub(void* stream, const char* format, va_list args) {
    (void)stream;
    return vfprintf(stderr, format, args);
}
/* A math library linked into the DLL registers its error hook here. */
static void CRTAPI setUserMathErr(void* handler) { (void)handler; }
static int errnoValue;
static int* CRTAPI errnoLocation(void) { return &errnoValue; }
static unsigned char iobData[3 * 32];  /* stdin, stdout, stderr as FILE records */
static void* CRTAPI iobFunc(void) { return iobData; }

typedef struct {
    const char* dll;
    const char* name;
    void* address;
} Stub;

static const Stub kStubs[] = {
    {"kernel32.dll", "DeleteCriticalSection", (void*)criticalSection},
    {"kernel32.dll", "EnterCriticalSection", (void*)criticalSection},
    {"kernel32.dll", "InitializeCriticalSection", (void*)criticalSection},
    {"kernel32.dll", "LeaveCriticalSection", (void*)criticalSection},
    {"kernel32.dll", "DisableThreadLibraryCalls", (void*)disableThreadLibraryCalls},
    {"kernel32.dll", "GetLastError", (void*)getLastError},
    {"kernel32.dll", "Sleep", (void*)sleepMs},
    {"kernel32.dll", "TlsGetValue", (void*)tlsGetValue},
    {"kernel32.dll", "GetModuleHandleA", (void*)noModule},
    {"kernel32.dll", "LoadLibraryA", (void*)noModule},
    {"kernel32.dll", "FreeLibrary", (void*)freeLibrary},
    {"kernel32.dll", "GetProcAddress", (void*)getProcAddress},
    {"kernel32.dll", "VirtualProtect", (void*)virtualProtect},
    {"kernel32.dll", "VirtualQuery", (void*)virtualQuery},
    {"msvcrt.dll", "_initterm", (void*)initTerm},
    {"msvcrt.dll", "_lock", (void*)lockUnlock},
    {"msvcrt.dll", "_unlock", (void*)lockUnlock},
    {"msvcrt.dll", "abort", (void*)abortNow},
    {"msvcrt.dll", "_amsg_exit", (void*)amsgExit},
    {"msvcrt.dll", "calloc", (void*)callocStub},
    {"msvcrt.dll", "malloc", (void*)mallocStub},
    {"msvcrt.dll", "realloc", (void*)reallocStub},
    {"msvcrt.dll", "free", (void*)freeStub},
    {"msvcrt.dll", "strlen", (void*)strlenStub},
    {"msvcrt.dll", "strncmp", (void*)strncmpStub},
    {"msvcrt.dll", "fwrite", (void*)fwriteStub},
    {"msvcrt.dll", "vfprintf", (void*)vfprintfStub},
    {"msvcrt.dll", "__setusermatherr", (void*)setUserMathErr},
    {"msvcrt.dll", "_errno", (void*)errnoLocation},
    {"msvcrt.dll", "__iob_func", (void*)iobFunc},
    {"msvcrt.dll", "_iob", (void*)iobData},  /* data: the IAT slot holds its address */
};

void* win32Stub(const char* dll, const char* name) {
    for (size_t i = 0; i < sizeof kStubs / sizeof kStubs[0]; ++i)
        if (strcasecmp(kStubs[i].dll, dll) == 0 && strcmp(kStubs[i].name, name) == 0)
            return kStubs[i].address;
    return NULL;
}
