/* A program built the way Microsoft's toolchain builds one: compiled for
 * the MSVC ABI and linked by an MSVC-compatible linker against the zip's
 * tsfilters.lib, with no C runtime at all. Its exit code is the verdict:
 * 0 when a flat series comes back flat through the DLL, 3 otherwise. */
#include <tsfilters.h>

/* The MSVC ABI's marker that floating point is used, normally from the C
 * runtime that this program does without. */
int _fltused = 0;

int mainCRTStartup(void) {
    float flat[120], smooth[120], high[120];
    for (int i = 0; i < 120; ++i) flat[i] = 42.5f;
    UltimateSmoother(flat, 20, 120, smooth);
    HighPass(flat, 48, 120, high);
    int ok = 1;
    for (int i = 0; i < 120; ++i) ok &= smooth[i] == 42.5f && high[i] == 0.0f;
    return ok ? 0 : 3;
}
