/* The one export of the coefficient probe: a test library, never shipped,
 * built from the library's own sources with the library's flags, that
 * hands out the coefficient set of a period as raw bits. */
#ifndef TSFILTERS_COEFFICIENT_PROBE_H
#define TSFILTERS_COEFFICIENT_PROBE_H

#include <stdint.h>

#if defined(_WIN32) && defined(COEFFICIENT_PROBE_BUILDING)
#define COEFFICIENT_PROBE_API __declspec(dllexport)
#elif defined(_WIN32)
#define COEFFICIENT_PROBE_API __declspec(dllimport)
#else
#define COEFFICIENT_PROBE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* bits: a1, c1 (form A), c1 (form B), c2, c3. cdecl, as the library's own
 * exports. */
COEFFICIENT_PROBE_API void TwoPoleCoefficientBits(int32_t period, uint64_t bits[5]);

#ifdef __cplusplus
}
#endif

#endif
