/* The periods of a coefficient dump and the text of one line, shared by
 * every program that writes one, so that dumps from different builds can
 * be compared with cmp.
 *
 * Periods: every one from -100,000 to 100,000, then 10,000 pseudo-random
 * int32 periods drawn by splitmix64 from a fixed seed (integer arithmetic
 * only: the same sequence on every platform). A line holds the period and
 * the raw bits of a1, c1 in form A, c1 in form B, c2 and c3. */
#ifndef TSFILTERS_DUMP_FORMAT_H
#define TSFILTERS_DUMP_FORMAT_H

#include <inttypes.h>
#include <stdint.h>
#include <stdio.h>

#define DUMP_FIRST_PERIOD (-100000)
#define DUMP_LAST_PERIOD 100000
#define DUMP_RANDOM_PERIODS 10000
#define DUMP_PERIOD_COUNT (DUMP_LAST_PERIOD - DUMP_FIRST_PERIOD + 1 + DUMP_RANDOM_PERIODS)

/* Period number `index` of the dump, index from 0 to DUMP_PERIOD_COUNT - 1. */
static inline int32_t dumpPeriod(int32_t index, uint64_t* randomState) {
    if (index <= DUMP_LAST_PERIOD - DUMP_FIRST_PERIOD) return DUMP_FIRST_PERIOD + index;
    uint64_t z = (*randomState += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return (int32_t)(uint32_t)z;
}

static inline uint64_t dumpRandomSeed(void) { return 20261208u; }

/* bits: a1, c1 (form A), c1 (form B), c2, c3. */
static inline int writeDumpLine(FILE* out, int32_t period, const uint64_t bits[5]) {
    return fprintf(out, "%" PRId32 " %016" PRIx64 " %016" PRIx64 " %016" PRIx64 " %016" PRIx64
                        " %016" PRIx64 "\n",
                   period, bits[0], bits[1], bits[2], bits[3], bits[4]);
}

/* Writes the whole dump to `path`, asking `coefficients` for each period.
 * Returns 0, or 1 with a message on stderr. */
typedef void (*CoefficientBitsFn)(int32_t period, uint64_t bits[5]);

static inline int writeDump(const char* path, CoefficientBitsFn coefficients) {
    FILE* out = fopen(path, "wb");  /* "\n" on every platform */
    if (!out) {
        fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    uint64_t state = dumpRandomSeed();
    int ok = 1;
    for (int32_t i = 0; i < DUMP_PERIOD_COUNT && ok; ++i) {
        const int32_t period = dumpPeriod(i, &state);
        uint64_t bits[5];
        coefficients(period, bits);
        ok = writeDumpLine(out, period, bits) > 0;
    }
    if (fclose(out) != 0) ok = 0;
    if (!ok) fprintf(stderr, "error writing %s\n", path);
    return ok ? 0 : 1;
}

#endif
