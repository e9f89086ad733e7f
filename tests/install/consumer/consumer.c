/* A program built against an installed tsfilters, the way a user's project
 * would be: linked with -ltsfilters, headers from the install tree. It prints
 * the version and a verdict for check_install.cmake. */
#include <stdio.h>
#include <string.h>

#include <tsfilters.h>
#include <tsfilters_version.h>

enum { kCount = 120 };

int main(void) {
    float flat[kCount], high[kCount], smooth[kCount];
    for (int i = 0; i < kCount; ++i) flat[i] = 42.5f;
    memset(high, 0xFF, sizeof high);
    memset(smooth, 0xFF, sizeof smooth);

    /* A flat series has no second difference: the high-pass is all +0.
     * The smoother's four warm-up slots copy the input. */
    HighPass(flat, 20, kCount, high);
    UltimateSmoother(flat, 20, kCount, smooth);
    int ok = 1;
    for (int i = 0; i < kCount; ++i) {
        const float zero = 0.0f;
        ok &= memcmp(&high[i], &zero, sizeof zero) == 0;
        ok &= smooth[i] == smooth[i]; /* written, and not NaN */
    }
    for (int i = 0; i < 4; ++i) ok &= smooth[i] == flat[i];

    printf("tsfilters %s (%d.%d.%d): %s\n", TSFILTERS_VERSION_STRING, TSFILTERS_VERSION_MAJOR,
           TSFILTERS_VERSION_MINOR, TSFILTERS_VERSION_PATCH, ok ? "ok" : "WRONG");
    return ok ? 0 : 1;
}
