/* What the continuation programs share: the walk they feed, the way they
 * write outputs and saved bytes as text and read the bytes back, and the
 * file handling of their `save` mode. One build writes those files and
 * another reads them, so both programs must agree with themselves across
 * platforms, to the character. */
#ifndef TSFILTERS_CONTINUATION_H
#define TSFILTERS_CONTINUATION_H

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "runtime_library.h"

/* The library at `path`, or NULL after saying so. */
static Library openNamedLibrary(const char* path) {
    Library lib = openLibrary(path);
    if (lib == NULL) fprintf(stderr, "cannot load %s\n", path);
    return lib;
}

/* A price walk from integers only, the same on every platform: steps in
 * [-1, 1) with 24 significant bits, exact in a float. */
static void makeWalk(float* walk, int length) {
    uint32_t state = 2463534242u;
    float v = 100.0f;
    for (int i = 0; i < length; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        v += (float)((int32_t)(state >> 8) - 0x800000) / 8388608.0f;
        walk[i] = v;
    }
}

/* An output as the hex of its binary32 bits. A computed NaN is `nan`:
 * IEEE 754 gives its sign and payload no meaning, and processors and math
 * libraries differ in them. */
static void writeValue(FILE* f, float v) {
    uint32_t bits;
    memcpy(&bits, &v, sizeof bits);
    if (isnan(v)) fputs(" nan", f);
    else fprintf(f, " %08lx", (unsigned long)bits);
}

static void writeHex(FILE* f, const unsigned char* bytes, int64_t size) {
    for (int64_t i = 0; i < size; ++i) fprintf(f, "%02x", bytes[i]);
}

/* The hex at `h`, up to the line's end, into `bytes` (at most `most`):
 * its length, or -1 for a line longer than that or not hex. */
static int64_t readHex(const char* h, unsigned char* bytes, int64_t most) {
    int64_t size = 0;
    for (; h[0] && h[1] && h[0] != '\n' && h[0] != '\r'; h += 2) {
        unsigned int b;
        if (size == most || sscanf(h, "%2x", &b) != 1) return -1;
        bytes[size++] = (unsigned char)b;
    }
    return size;
}

/* `save` mode: `write` fills the file at `path` (opened in binary mode, so
 * that Windows does not turn line ends into CR LF). 1 when all went. */
static int writeFile(const char* path, int (*write)(FILE*), const char* what) {
    FILE* f = fopen(path, "wb");
    const int ok = f != NULL && write(f);
    if (f == NULL || fclose(f) != 0 || !ok) {
        fprintf(stderr, "cannot write the %s to %s\n", what, path);
        return 0;
    }
    return 1;
}

#endif
