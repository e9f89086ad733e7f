/* Saved stream state crosses platforms: one build saves, another loads the
 * same bytes and continues, and both must write the same outputs.
 *
 *   stream_continuation LIBRARY save     STATES OUTPUTS [LANES]
 *   stream_continuation LIBRARY continue STATES OUTPUTS [LANES]
 *
 * `save` runs every kind, with several parameter sets, over fixed inputs,
 * stops at a range of cut points (inside and past every warm-up and the
 * oscillators' 100-sample window), and writes each saved state to STATES
 * as one line of hex. Both modes then load every state of STATES, continue
 * the stream to the end of its input and write the outputs and the window,
 * as binary32 hex, to OUTPUTS. The OUTPUTS of a `continue` run on another
 * platform must equal the saving platform's byte for byte.
 *
 * The library is loaded at run time by file name, as hosts do. The inputs
 * are built from integers only, the same on every platform. Computed NaNs
 * are written as `nan`: IEEE 754 gives their sign and payload no meaning,
 * and math libraries differ in them. */
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "continuation.h"
#include "tsfilters_stream.h"

enum { kLength = 300, kMaxState = 1024, kInputCount = 3, kMaxLines = 4096 };

typedef int(HOST_CALL* InitFn)(tsf_stream*, tsf_kind, const tsf_params*);
typedef int32_t(HOST_CALL* UpdateFn)(tsf_stream*, const float*, int32_t, float*);
typedef int32_t(HOST_CALL* WindowFn)(const tsf_stream*, float*);
typedef int64_t(HOST_CALL* SamplesFn)(const tsf_stream*);
typedef int32_t(HOST_CALL* SaveFn)(const tsf_stream*, void*, int32_t);
typedef int(HOST_CALL* LoadFn)(tsf_stream*, const void*, int32_t);
typedef int(HOST_CALL* PeekFn)(const tsf_stream*, float, float*);
typedef int(HOST_CALL* LanesUpdateFn)(tsf_stream*, int32_t, const float*, int64_t, int64_t, int32_t, float*,
                                      int64_t, int64_t);
typedef int(HOST_CALL* LanesPeekFn)(const tsf_stream*, int32_t, const float*, int64_t, float*, int64_t);

static struct {
    InitFn init;
    UpdateFn update;
    WindowFn window;
    SamplesFn samples;
    SaveFn save;
    LoadFn load;
    PeekFn peek;
    LanesUpdateFn lanesUpdate;
    LanesPeekFn lanesPeek;
} api;

static int loadStreamLibrary(const char* path) {
    Library lib = openNamedLibrary(path);
    if (lib == NULL) return 0;
    int missing = 0;
    lookUpFunction(lib, "tsf_stream_init", &api.init, &missing);
    lookUpFunction(lib, "tsf_stream_update", &api.update, &missing);
    lookUpFunction(lib, "tsf_stream_window", &api.window, &missing);
    lookUpFunction(lib, "tsf_stream_samples", &api.samples, &missing);
    lookUpFunction(lib, "tsf_stream_save", &api.save, &missing);
    lookUpFunction(lib, "tsf_stream_load", &api.load, &missing);
    lookUpFunction(lib, "tsf_stream_peek", &api.peek, &missing);
    lookUpFunction(lib, "tsf_lanes_update", &api.lanesUpdate, &missing);
    lookUpFunction(lib, "tsf_lanes_peek", &api.lanesPeek, &missing);
    return !missing;
}

/* ---- inputs: a walk, the walk with non-finite samples, a walk whose
 * first 100 samples are flat (zero RMS for the oscillators) ---- */

static float inputs[kInputCount][kLength];

static void makeInputs(void) {
    makeWalk(inputs[0], kLength);
    memcpy(inputs[1], inputs[0], sizeof inputs[1]);
    memcpy(inputs[2], inputs[0], sizeof inputs[2]);
    for (int i = 0; i < 100; ++i) inputs[2][i] = 42.5f;
    inputs[1][60] = NAN;
    inputs[1][200] = INFINITY;
    inputs[1][201] = -INFINITY;
}

static const tsf_params kParams[] = {
    {20, 10, 0.8f}, {48, 10, 0.5f}, {2, 3, 0.0f}, {1, 1, 1.0f}, {0, -4, -0.25f}, {600, 40, 2.0f},
};
static const int kCuts[] = {0, 1, 2, 3, 4, 5, 17, 98, 99, 100, 101, 150, 299, 300};

/* ---- files ---- */

/* Writes every state: input number, then the saved bytes in hex. */
static int saveStates(FILE* states) {
    for (int kind = TSF_HIGH_PASS; kind <= TSF_FILTER_COUNT; ++kind)
        for (size_t p = 0; p < sizeof kParams / sizeof kParams[0]; ++p)
            for (int in = 0; in < kInputCount; ++in)
                for (size_t c = 0; c < sizeof kCuts / sizeof kCuts[0]; ++c) {
                    tsf_stream s;
                    float out[kLength];
                    unsigned char bytes[kMaxState];
                    if (api.init(&s, (tsf_kind)kind, &kParams[p]) != 0) return 0;
                    if (api.update(&s, inputs[in], kCuts[c], out) != kCuts[c]) return 0;
                    const int32_t size = api.save(&s, bytes, kMaxState);
                    if (size <= 0 || size > kMaxState) return 0;
                    fprintf(states, "%d ", in);
                    writeHex(states, bytes, size);
                    fputc('\n', states);
                }
    return 1;
}

/* The states of a STATES file, as read. */
static struct {
    int input;
    int32_t size;
    unsigned char bytes[kMaxState];
} saved[kMaxLines];
static int savedCount;

static int readStates(FILE* states) {
    static char line[2 * kMaxState + 64];
    savedCount = 0;
    while (fgets(line, sizeof line, states) != NULL) {
        int in = -1, used = 0;
        if (savedCount == kMaxLines) return 0;
        if (sscanf(line, "%d %n", &in, &used) != 1 || in < 0 || in >= kInputCount) return 0;
        const int64_t size = readHex(line + used, saved[savedCount].bytes, kMaxState);
        if (size < 0) return 0;
        saved[savedCount].input = in;
        saved[savedCount++].size = (int32_t)size;
    }
    return savedCount > 0;
}

static int loadState(int line, tsf_stream* s) {
    const int rc = api.load(s, saved[line].bytes, saved[line].size);
    if (rc != 0) fprintf(stderr, "state %d does not load: code %d\n", line + 1, rc);
    return rc == 0;
}

/* What a stream is asked to peek at: its next sample, or a price past the
 * end of its input. */
static float peekInput(int in, int64_t samples) { return samples < kLength ? inputs[in][samples] : 42.5f; }

/* The peek and the saved state, every double of it, of a stream. A stream
 * that peeks NaN holds NaNs, whose bits differ between processors (and
 * between a vector and a scalar instruction) without meaning: its state
 * is written as `nan`, as its outputs are. */
static int writePeekAndState(FILE* f, const tsf_stream* s, float x) {
    float y;
    unsigned char bytes[kMaxState];
    const int32_t size = api.save(s, bytes, kMaxState);
    if (api.peek(s, x, &y) != 0 || size <= 0 || size > kMaxState) return 0;
    fputs(" peek:", f);
    writeValue(f, y);
    fputs(" saved: ", f);
    if (isnan(y)) fputs("nan", f);
    else writeHex(f, bytes, size);
    return 1;
}

/* Loads every state, continues it over the rest of its input and writes
 * the outputs, the window, a peek and the final state. */
static int continueStates(FILE* outputs) {
    for (int line = 0; line < savedCount; ++line) {
        tsf_stream s;
        const int in = saved[line].input;
        if (!loadState(line, &s)) return 0;
        const int64_t cut = api.samples(&s);
        float out[kLength], window[100];
        const int32_t rest = (int32_t)(kLength - cut);
        if (cut < 0 || cut > kLength || api.update(&s, inputs[in] + cut, rest, out) != (rest > 0 ? rest : 0))
            return 0;
        fprintf(outputs, "state %d input %d samples %ld:", line + 1, in, (long)cut);
        for (int32_t i = 0; i < rest; ++i) writeValue(outputs, out[i]);
        if (api.window(&s, window) == 100) {
            fputs(" window:", outputs);
            for (int i = 0; i < 100; ++i) writeValue(outputs, window[i]);
        }
        if (!writePeekAndState(outputs, &s, peekInput(in, kLength))) return 0;
        fputc('\n', outputs);
    }
    return 1;
}

/* The states `save` writes, continued as lanes: every parameter set and
 * input of one kind and cut side by side, fed from a table of dates x
 * lanes in two calls (the second starting mid-block), then peeked. */
enum { kParamCount = sizeof kParams / sizeof kParams[0], kCutCount = sizeof kCuts / sizeof kCuts[0] };
enum { kLanes = kParamCount * kInputCount };

static int continueAsLanes(FILE* f) {
    static float table[kLength][kLanes], out[kLength][kLanes];
    if (savedCount != TSF_FILTER_COUNT * kLanes * kCutCount) {
        fprintf(stderr, "%d states: lanes need the %d that save writes\n", savedCount,
                TSF_FILTER_COUNT * kLanes * kCutCount);
        return 0;
    }
    for (int kind = 0; kind < TSF_FILTER_COUNT; ++kind)
        for (int c = 0; c < kCutCount; ++c) {
            static tsf_stream lanes[kLanes];
            float next[kLanes], peeked[kLanes];
            const int cut = kCuts[c], rest = kLength - cut, first = rest / 3;
            for (int j = 0; j < kLanes; ++j) {
                /* save's order: kind, parameter set, input, cut. */
                const int line = (kind * kLanes + j) * kCutCount + c;
                if (!loadState(line, &lanes[j])) return 0;
                for (int t = 0; t < rest; ++t) table[t][j] = inputs[saved[line].input][cut + t];
                next[j] = peekInput(saved[line].input, kLength);
            }
            if (api.lanesUpdate(lanes, kLanes, &table[0][0], kLanes, 1, first, &out[0][0], kLanes, 1) != first ||
                api.lanesUpdate(lanes, kLanes, &table[first][0], kLanes, 1, rest - first, &out[first][0], kLanes,
                                1) != rest - first ||
                api.lanesPeek(lanes, kLanes, next, 1, peeked, 1) != 0)
                return 0;
            for (int j = 0; j < kLanes; ++j) {
                fprintf(f, "kind %d cut %d lane %d:", kind + 1, cut, j);
                for (int t = 0; t < rest; ++t) writeValue(f, out[t][j]);
                fputs(" lanes peek:", f);
                writeValue(f, peeked[j]);
                if (!writePeekAndState(f, &lanes[j], next[j])) return 0;
                fputc('\n', f);
            }
        }
    return 1;
}

int main(int argc, char** argv) {
    if ((argc != 5 && argc != 6) || (strcmp(argv[2], "save") != 0 && strcmp(argv[2], "continue") != 0)) {
        fprintf(stderr, "usage: %s LIBRARY save|continue STATES OUTPUTS [LANES]\n", argv[0]);
        return 2;
    }
    if (!loadStreamLibrary(argv[1])) return 1;
    makeInputs();
    /* Binary mode: Windows must not turn the line ends into CR LF. */
    if (strcmp(argv[2], "save") == 0 && !writeFile(argv[3], saveStates, "states")) return 1;
    FILE* states = fopen(argv[3], "rb");
    const int read = states != NULL && readStates(states);
    if (states != NULL) fclose(states);
    if (!read) {
        fprintf(stderr, "cannot read the states of %s\n", argv[3]);
        return 1;
    }
    FILE* outputs = fopen(argv[4], "wb");
    const int ok = outputs != NULL && continueStates(outputs);
    if (outputs == NULL || fclose(outputs) != 0 || !ok) {
        fprintf(stderr, "cannot continue the states of %s into %s\n", argv[3], argv[4]);
        return 1;
    }
    if (argc == 6) {
        FILE* lanes = fopen(argv[5], "wb");
        const int lanesOk = lanes != NULL && continueAsLanes(lanes);
        if (lanes == NULL || fclose(lanes) != 0 || !lanesOk) {
            fprintf(stderr, "cannot continue the states of %s as lanes into %s\n", argv[3], argv[5]);
            return 1;
        }
    }
    return 0;
}
