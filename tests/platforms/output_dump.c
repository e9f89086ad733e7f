/* Runs all seven filters of a library loaded at run time over fixed inputs
 * and writes every output slot as the hex of its binary32 bits, one line per
 * call. The same source is built for Linux (dlopen), 32-bit x86 Linux and
 * Windows (LoadLibrary); the dumps of all builds must match byte for byte,
 * which shows that every build computes the same bits.
 *
 *   output_dump LIBRARY OUTFILE
 *
 * Outputs are prefilled with a sentinel NaN and have guard slots past
 * `count`, so the dump also shows which slots a call writes. The inputs are
 * made from integers only: no parsing, no math library.
 *
 * Every computed NaN is written as `nan`. IEEE 754 gives a NaN's sign and
 * payload no meaning, and they do vary: cos(inf) is -NaN in one math library
 * and +NaN in another, and which operand's NaN an addition passes on depends
 * on the operand order the compiler picked. The sentinel keeps its bits,
 * since it marks the slots a call did not write. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "runtime_library.h"

enum { kLength = 300, kGuard = 4, kSlots = kLength + kGuard, kSweepLength = 48 };

static const uint32_t kSentinelBits = 0x7FC5A5A5u;

static float fromBits(uint32_t bits) {
    float f;
    memcpy(&f, &bits, sizeof f);
    return f;
}

static uint32_t toBits(float f) {
    uint32_t bits;
    memcpy(&bits, &f, sizeof bits);
    return bits;
}

/* ---- the library's functions, looked up by name --------------------- */

static Filters fns;

/* ---- inputs ----------------------------------------------------------- */

static float walk[kLength], walkNonFinite[kLength], nanInWindow[kLength], flat[kLength],
    zeros[kLength], tiny[kLength], huge[kLength], extremes[kLength];

/* xorshift32: the same integers everywhere. */
static uint32_t nextRandom(uint32_t* state) {
    uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return *state = x;
}

static void makeInputs(void) {
    uint32_t state = 2463534242u;
    float v = 100.0f;
    for (int i = 0; i < kLength; ++i) {
        /* A step in [-1, 1) with 24 significant bits: exact in a float. */
        const int32_t step = (int32_t)(nextRandom(&state) >> 8) - 0x800000;
        v += (float)step / 8388608.0f;
        walk[i] = v;
        flat[i] = 42.5f;
        zeros[i] = 0.0f;
        tiny[i] = v * 1e-30f;
        huge[i] = v * 1e35f;
        extremes[i] = (i % 3 ? 1.0f : -1.0f) * 3.40282347e38f;
    }
    memcpy(walkNonFinite, walk, sizeof walk);
    walkNonFinite[180] = fromBits(0x7FC00000u);  /* NaN */
    walkNonFinite[220] = fromBits(0x7F800000u);  /* +inf */
    walkNonFinite[221] = fromBits(0xFF800000u);  /* -inf */
    memcpy(nanInWindow, walk, sizeof walk);
    nanInWindow[30] = fromBits(0x7FC00000u);
}

static const struct {
    const char* name;
    const float* data;
} kInputs[] = {
    {"walk", walk},   {"nonfinite", walkNonFinite}, {"nan_in_rms_window", nanInWindow},
    {"flat", flat},   {"zeros", zeros},             {"tiny", tiny},
    {"huge", huge},   {"extremes", extremes},
};
enum { kInputCount = sizeof kInputs / sizeof kInputs[0] };

/* ---- calls and the dump ----------------------------------------------- */

/* One call: which function (its row in the filter table), its arguments,
 * and how many samples. */
typedef struct {
    int function;
    int32_t a, b; /* period, or highPassPeriod and smoothPeriod */
    float gamma;
    int32_t count;
} Call;

static int shapeOf(int fn) { return fns.at[fn].shape; }

static void invoke(const Call* c, const float* in, float* out) {
    callFilter(&fns.at[c->function], in, c->a, c->b, c->gamma, c->count, out);
}

static void writeSlot(FILE* f, float v) {
    const uint32_t bits = toBits(v);
    const int isNan = (bits & 0x7F800000u) == 0x7F800000u && (bits & 0x007FFFFFu) != 0;
    if (isNan && bits != kSentinelBits) fputs(" nan", f);
    else fprintf(f, " %08lx", (unsigned long)bits);
}

static void writeLine(FILE* f, const char* label, const Call* c, const float* out, int slots) {
    fprintf(f, "%s %s a=%ld b=%ld gamma=%08lx count=%ld:", fns.at[c->function].name, label,
            (long)c->a, (long)c->b, (unsigned long)toBits(c->gamma), (long)c->count);
    for (int i = 0; i < slots; ++i) writeSlot(f, out[i]);
    fputc('\n', f);
}

/* Separate arrays: output prefilled with the sentinel, guards past count. */
static void run(FILE* f, const char* label, const Call* c, const float* in) {
    float out[kSlots];
    for (int i = 0; i < kSlots; ++i) out[i] = fromBits(kSentinelBits);
    invoke(c, in, out);
    writeLine(f, label, c, out, kSlots);
}

/* input == output. */
static void runInPlace(FILE* f, const char* label, const Call* c, const float* in) {
    float buffer[kSlots];
    for (int i = 0; i < kSlots; ++i) buffer[i] = i < kLength ? in[i] : fromBits(kSentinelBits);
    invoke(c, buffer, buffer);
    writeLine(f, label, c, buffer, kSlots);
}

/* The default arguments of function `fn` over `count` samples. */
static Call usual(int fn, int32_t count) {
    const Filter* f = &fns.at[fn];
    Call c = {fn, f->defaultPeriod, f->defaultSmoothPeriod, f->defaultGamma, count};
    return c;
}

static void dumpAll(FILE* f) {
    /* Every function over every input, and in place. */
    for (int fn = 0; fn < TSF_FILTER_COUNT; ++fn)
        for (int k = 0; k < kInputCount; ++k) {
            Call c = usual(fn, kLength);
            run(f, kInputs[k].name, &c, kInputs[k].data);
            runInPlace(f, kInputs[k].name, &c, kInputs[k].data);
        }

    /* Counts around the warm-up and the oscillators' 100-sample window. */
    static const int32_t counts[] = {-3, 0, 1, 2, 4, 5, 99, 100, 101};
    for (int fn = 0; fn < TSF_FILTER_COUNT; ++fn)
        for (size_t k = 0; k < sizeof counts / sizeof counts[0]; ++k) {
            Call c = usual(fn, counts[k]);
            run(f, "walk", &c, walk);
        }

    /* Null input or output writes nothing. */
    for (int fn = 0; fn < TSF_FILTER_COUNT; ++fn) {
        Call c = usual(fn, kLength);
        float out[kSlots];
        for (int i = 0; i < kSlots; ++i) out[i] = fromBits(kSentinelBits);
        invoke(&c, NULL, out);
        writeLine(f, "null_input", &c, out, kSlots);
        invoke(&c, walk, NULL);
    }

    /* Odd periods: 0, negative, 1, the largest. */
    static const int32_t periods[] = {0, -7, 1, 2, 3, 2147483647, -2147483647 - 1};
    for (size_t k = 0; k < sizeof periods / sizeof periods[0]; ++k)
        for (int fn = 0; fn < TSF_FILTER_COUNT; ++fn) {
            Call c = usual(fn, kLength);
            c.a = periods[k];
            run(f, "walk", &c, walk);
            if (shapeOf(fn) == TSF_SHAPE_TWO_PERIODS) {
                c = usual(fn, kLength);
                c.b = periods[k];
                run(f, "walk", &c, walk);
            }
        }

    /* Odd gammas: the ends of the useful range, outside it, NaN, infinite. */
    static const uint32_t gammas[] = {0x00000000u, 0x3F800000u, 0x7FC00000u, 0xBF000000u,
                                      0x3FC00000u, 0x7F800000u, 0x80000000u};
    for (size_t k = 0; k < sizeof gammas / sizeof gammas[0]; ++k)
        for (int fn = 0; fn < TSF_FILTER_COUNT; ++fn) {
            if (shapeOf(fn) != TSF_SHAPE_GAMMA_PERIOD) continue;
            Call c = usual(fn, kLength);
            c.gamma = fromBits(gammas[k]);
            run(f, "walk", &c, walk);
        }

    /* Every period from 1 to 600 and a few large ones through the kernels:
     * their coefficients come from exp() and cos(), the one place where
     * math libraries could differ in the last bit. */
    for (int32_t p = 1; p <= 640; ++p)
        for (int fn = 0; fn < TSF_FILTER_COUNT; ++fn) {
            if (shapeOf(fn) != TSF_SHAPE_PERIOD) continue;
            const int32_t period = p <= 600 ? p : (p - 600) * 53687091;
            Call c = {fn, period, 0, 0.0f, kSweepLength};
            float out[kSweepLength];
            invoke(&c, walk, out);
            writeLine(f, "sweep", &c, out, kSweepLength);
        }
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s LIBRARY OUTFILE\n", argv[0]);
        return 2;
    }
    if (!loadFilters(argv[1], &fns)) return 1;
    makeInputs();
    /* Binary mode: the same bytes on every system, no CR before LF. */
    FILE* f = fopen(argv[2], "wb");
    if (f == NULL) {
        fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    dumpAll(f);
    if (fclose(f) != 0) {
        fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
