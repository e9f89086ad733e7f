/* Saved books cross platforms: one build saves, another loads the same
 * bytes and continues, and both must write the same outputs.
 *
 *   book_continuation LIBRARY save     BOOKS OUTPUTS
 *   book_continuation LIBRARY continue BOOKS OUTPUTS
 *
 * Every kind, under the drop and keep policies, runs one script over fixed
 * inputs: six series of three parameter sets, dense rows and sparse rows,
 * slot 1 removed at row 100 and a series added in its place at row 150.
 * `save` stops at a range of cut points and writes each saved book to
 * BOOKS as a line "kind policy cut hex". Both modes then load every book,
 * continue the script from its cut to the end and write each row's
 * outputs, a peek and the book saved at the end to OUTPUTS.
 *
 * A book saved with options after it (as the npm package saves a book with
 * symbols) is loaded from its first bytes: the book's own size is at its
 * offset 8. Computed NaNs are written as `nan`. */
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "continuation.h"
#include "tsfilters_stream.h"

enum { kLength = 300, kSeries = 6, kCapacity = 8, kMaxBook = 16384, kMaxLines = 256 };

typedef int64_t(HOST_CALL* BytesFn)(tsf_kind, int32_t);
typedef int(HOST_CALL* InitFn)(tsf_book*, int64_t, tsf_kind, int32_t, int);
typedef int32_t(HOST_CALL* AddFn)(tsf_book*, const tsf_params*);
typedef int(HOST_CALL* RemoveFn)(tsf_book*, int32_t);
typedef int32_t(HOST_CALL* UpdateFn)(tsf_book*, const float*, float*);
typedef int32_t(HOST_CALL* PeekFn)(const tsf_book*, const float*, float*);
typedef int32_t(HOST_CALL* SparseFn)(tsf_book*, const int32_t*, const float*, int32_t, float*);
typedef int64_t(HOST_CALL* SaveFn)(const tsf_book*, void*, int64_t);
typedef int(HOST_CALL* LoadFn)(tsf_book*, int64_t, int32_t, const void*, int64_t);

static struct {
    BytesFn bytes;
    InitFn init;
    AddFn add;
    RemoveFn remove;
    UpdateFn update;
    PeekFn peek;
    SparseFn sparse;
    SaveFn save;
    LoadFn load;
} api;

static int loadBookLibrary(const char* path) {
    Library lib = openNamedLibrary(path);
    if (lib == NULL) return 0;
    int missing = 0;
    lookUpFunction(lib, "tsf_book_bytes", &api.bytes, &missing);
    lookUpFunction(lib, "tsf_book_init", &api.init, &missing);
    lookUpFunction(lib, "tsf_book_add", &api.add, &missing);
    lookUpFunction(lib, "tsf_book_remove", &api.remove, &missing);
    lookUpFunction(lib, "tsf_book_update", &api.update, &missing);
    lookUpFunction(lib, "tsf_book_peek", &api.peek, &missing);
    lookUpFunction(lib, "tsf_book_update_sparse", &api.sparse, &missing);
    lookUpFunction(lib, "tsf_book_save", &api.save, &missing);
    lookUpFunction(lib, "tsf_book_load", &api.load, &missing);
    return !missing;
}

/* ---- the script, as js/test/platforms/book_continuation.js has it ---- */

static float inputs[2][kLength];

/* The walk of tests/platforms/stream_continuation.c, and the walk with a
 * NaN and infinities. */
static void makeInputs(void) {
    makeWalk(inputs[0], kLength);
    memcpy(inputs[1], inputs[0], sizeof inputs[1]);
    inputs[1][60] = NAN;
    inputs[1][200] = INFINITY;
    inputs[1][201] = -INFINITY;
}

static const tsf_params kParams[] = {{20, 10, 0.8f}, {48, 10, 0.5f}, {2, 3, 0.0f}};
static const int kCuts[] = {0, 1, 99, 100, 101, 150, 151, 299, 300};
static const int kPolicies[] = {TSF_MISSING_DROP, TSF_MISSING_KEEP};

/* Parameter set p as the npm package passes it: the fields the kind
 * ignores are 0 (a book keeps and saves whatever they hold). */
static tsf_params paramsFor(int kind, int p) {
    tsf_params params = kParams[p];
    if (kind != TSF_BAND_PASS && kind != TSF_CYBERNETIC_OSCILLATOR) params.smooth_period = 0;
    if (kind != TSF_LAGUERRE_FILTER && kind != TSF_LAGUERRE_OSCILLATOR) params.gamma = 0.0f;
    return params;
}

/* Slot j's sample at row t: under keep only the walk without gaps. */
static float sampleOf(int policy, int slot, int t) {
    return inputs[policy == TSF_MISSING_DROP ? slot % 2 : 0][t];
}

/* Row t of the script: its event, then a dense row or, every fifth row, a
 * sparse row of slots 0, 2 and 4. Writes the outputs when `f` is given. */
static int runRow(tsf_book* book, int kind, int policy, int t, FILE* f) {
    float row[kSeries], out[kSeries];
    if (t == 100 && api.remove(book, 1) != 0) return 0;
    const tsf_params later = paramsFor(kind, kind % 3);
    if (t == 150 && api.add(book, &later) != 1) return 0;
    if (t % 5 == 3) {
        const int32_t series[3] = {0, 2, 4};
        for (int j = 0; j < 3; ++j) row[j] = sampleOf(policy, series[j], t);
        if (api.sparse(book, series, row, 3, out) != 3) return 0;
        for (int j = 0; f != NULL && j < 3; ++j) writeValue(f, out[j]);
        return 1;
    }
    for (int j = 0; j < kSeries; ++j) row[j] = t >= 100 && t < 150 && j == 1 ? NAN : sampleOf(policy, j, t);
    if (api.update(book, row, out) != kSeries) return 0;
    for (int j = 0; f != NULL && j < kSeries; ++j) writeValue(f, out[j]);
    return 1;
}

/* A book's memory, aligned to 8 bytes as tsf_book_init asks. */
static union {
    int64_t align;
    unsigned char bytes[kMaxBook];
} bookMemory;

static int saveBooks(FILE* books) {
    for (int kind = TSF_HIGH_PASS; kind <= TSF_FILTER_COUNT; ++kind)
        for (int p = 0; p < 2; ++p)
            for (size_t c = 0; c < sizeof kCuts / sizeof kCuts[0]; ++c) {
                tsf_book* book = (tsf_book*)bookMemory.bytes;
                static unsigned char saved[kMaxBook];
                const int64_t bytes = api.bytes((tsf_kind)kind, kCapacity);
                if (bytes <= 0 || bytes > kMaxBook || api.init(book, bytes, (tsf_kind)kind, kCapacity, kPolicies[p]) != 0)
                    return 0;
                for (int j = 0; j < kSeries; ++j) {
                    const tsf_params params = paramsFor(kind, j % 3);
                    if (api.add(book, &params) != j) return 0;
                }
                for (int t = 0; t < kCuts[c]; ++t)
                    if (!runRow(book, kind, kPolicies[p], t, NULL)) return 0;
                const int64_t size = api.save(book, saved, kMaxBook);
                if (size <= 0 || size > kMaxBook) return 0;
                fprintf(books, "%d %d %d ", kind, kPolicies[p], kCuts[c]);
                writeHex(books, saved, size);
                fputc('\n', books);
            }
    return 1;
}

static int continueBooks(FILE* books, FILE* outputs) {
    static char line[2 * kMaxBook + 64];
    static unsigned char saved[kMaxBook];
    int count = 0;
    while (fgets(line, sizeof line, books) != NULL) {
        int kind, policy, cut, used = 0;
        if (sscanf(line, "%d %d %d %n", &kind, &policy, &cut, &used) != 3 || cut < 0 || cut > kLength) return 0;
        int64_t size = readHex(line + used, saved, kMaxBook);
        if (size < 0) return 0;
        /* The book's own size: options saved after it are not the library's. */
        if (size >= 16) {
            uint64_t told = 0;
            for (int i = 7; i >= 0; --i) told = told << 8 | saved[8 + i];
            if (told < (uint64_t)size) size = (int64_t)told;
        }
        tsf_book* book = (tsf_book*)bookMemory.bytes;
        const int64_t bytes = api.bytes((tsf_kind)kind, kCapacity);
        const int rc = api.load(book, bytes, kCapacity, saved, size);
        if (rc != 0) {
            fprintf(stderr, "book %d does not load: code %d\n", count + 1, rc);
            return 0;
        }
        fprintf(outputs, "book %d kind %d policy %d cut %d:", ++count, kind, policy, cut);
        for (int t = cut; t < kLength; ++t)
            if (!runRow(book, kind, policy, t, outputs)) return 0;
        float row[kSeries], peeked[kSeries];
        int nan = 0;
        for (int j = 0; j < kSeries; ++j) row[j] = 42.5f;
        if (api.peek(book, row, peeked) != kSeries) return 0;
        fputs(" peek:", outputs);
        for (int j = 0; j < kSeries; ++j) {
            writeValue(outputs, peeked[j]);
            nan |= isnan(peeked[j]);
        }
        /* A book that peeks NaN may hold NaNs, whose bits mean nothing. */
        fputs(" saved: ", outputs);
        const int64_t end = api.save(book, saved, kMaxBook);
        if (end <= 0) return 0;
        if (nan) fputs("nan", outputs);
        else writeHex(outputs, saved, end);
        fputc('\n', outputs);
    }
    return count > 0;
}

int main(int argc, char** argv) {
    if (argc != 5 || (strcmp(argv[2], "save") != 0 && strcmp(argv[2], "continue") != 0)) {
        fprintf(stderr, "usage: %s LIBRARY save|continue BOOKS OUTPUTS\n", argv[0]);
        return 2;
    }
    if (!loadBookLibrary(argv[1])) return 1;
    makeInputs();
    if (strcmp(argv[2], "save") == 0 && !writeFile(argv[3], saveBooks, "books")) return 1;
    FILE* books = fopen(argv[3], "rb");
    FILE* outputs = fopen(argv[4], "wb");
    const int ok = books != NULL && outputs != NULL && continueBooks(books, outputs);
    if (books != NULL) fclose(books);
    if (outputs == NULL || fclose(outputs) != 0 || !ok) {
        fprintf(stderr, "cannot continue the books of %s into %s\n", argv[3], argv[4]);
        return 1;
    }
    return 0;
}
