/* A host as a charting application would be one: it loads the library at
 * run time by file name, looks each of its functions up by name and runs
 * them, with the tools' default arguments, on a daily price series read
 * from a date,close CSV file.
 *
 *   host_demo [--full] LIBRARY CSV [ROWS]
 *
 * prints the last ROWS rows (default 15) as an aligned table. With --full
 * every number is printed with 9 significant digits, enough to recover each
 * float exactly, so other hosts can be checked against this one bit for bit. */
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "runtime_library.h"

enum { kMaxRows = 100000, kColumns = TSF_FILTER_COUNT };

static char dates[kMaxRows][11];
static float closes[kMaxRows];
static float columns[kColumns][kMaxRows];

/* Reads date,close rows after one header line; returns the row count or -1. */
static int readSeries(const char* path) {
    FILE* f = fopen(path, "r");
    if (f == NULL) {
        fprintf(stderr, "cannot open %s\n", path);
        return -1;
    }
    char line[256];
    int rows = 0, lineNo = 1;
    if (fgets(line, sizeof line, f) == NULL) rows = -1; /* header */
    while (rows >= 0 && fgets(line, sizeof line, f) != NULL) {
        ++lineNo;
        char* comma = strchr(line, ',');
        char* end = NULL;
        if (comma != NULL) closes[rows] = strtof(comma + 1, &end);
        if (comma == NULL || comma - line > 10 || end == comma + 1 || rows == kMaxRows) {
            fprintf(stderr, "%s:%d: expected date,close\n", path, lineNo);
            rows = -1;
            break;
        }
        memcpy(dates[rows], line, (size_t)(comma - line));
        dates[rows][comma - line] = '\0';
        ++rows;
    }
    fclose(f);
    return rows;
}

/* A column is as wide as its heading, and at least 11. */
static int width(const Filter* f) {
    const int n = (int)strlen(f->name);
    return n > 11 ? n : 11;
}

int main(int argc, char** argv) {
    const int full = argc > 1 && strcmp(argv[1], "--full") == 0;
    if (full) {
        --argc;
        ++argv;
    }
    if (argc < 3) {
        fprintf(stderr, "usage: %s [--full] LIBRARY CSV [ROWS]\n", argv[0]);
        return 2;
    }
    Filters f;
    if (!loadFilters(argv[1], &f)) return 1;

    const int count = readSeries(argv[2]);
    if (count < 0) return 1;
    int shown = argc > 3 ? atoi(argv[3]) : 15;
    if (shown > count) shown = count;
    if (shown < 0) shown = 0;

    /* A slot a filter leaves unwritten (the Laguerre filter's first, an
     * oscillator's on a short series) shows as nan. */
    for (int c = 0; c < kColumns; ++c) {
        for (int i = 0; i < count; ++i) columns[c][i] = NAN;
        const Filter* fc = &f.at[c];
        callFilter(fc, closes, fc->defaultPeriod, fc->defaultSmoothPeriod, fc->defaultGamma, count,
                   columns[c]);
    }

    printf("%s: %d samples, last %d\n\n%-10s %10s", argv[2], count, shown, "date", "close");
    for (int c = 0; c < kColumns; ++c) printf(" %*s", width(&f.at[c]), f.at[c].name);
    printf("\n");
    for (int i = count - shown; i < count; ++i) {
        if (full) {
            printf("%-10s %.9g", dates[i], closes[i]);
            for (int c = 0; c < kColumns; ++c) printf(" %.9g", columns[c][i]);
        } else {
            printf("%-10s %10.4f", dates[i], closes[i]);
            for (int c = 0; c < kColumns; ++c) printf(" %*.4f", width(&f.at[c]), columns[c][i]);
        }
        printf("\n");
    }
    return 0;
}
