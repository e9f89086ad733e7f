/* A host as a charting application would be one: it loads the library at
 * run time by file name, looks each of the seven functions up by name and
 * runs them on a daily price series read from a date,close CSV file.
 *
 *   host_demo [--full] LIBRARY CSV [ROWS]
 *
 * prints the last ROWS rows (default 15) as an aligned table. With --full
 * every number is printed with 9 significant digits, enough to recover each
 * float exactly, so other hosts can be checked against this one bit for bit. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "runtime_library.h"

enum { kMaxRows = 100000, kColumns = 7 };

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

    static const char* names[kColumns] = {"Ultimate20", "Super10",   "HighPass48", "Band48_10",
                                          "Cyber48_10", "Lag.8_20", "LagOsc.8_20"};
    f.ultimateSmoother(closes, 20, count, columns[0]);
    f.superSmoother(closes, 10, count, columns[1]);
    f.highPass(closes, 48, count, columns[2]);
    f.bandPass(closes, 48, 10, count, columns[3]);
    f.cyberneticOscillator(closes, 48, 10, count, columns[4]);
    /* Slot 0 of LaguerreFilter is never written; start from the input there. */
    columns[5][0] = closes[0];
    f.laguerreFilter(closes, 0.8f, 20, count, columns[5]);
    f.laguerreOscillator(closes, 0.8f, 20, count, columns[6]);

    printf("%s: %d samples, last %d\n\n%-10s %10s", argv[2], count, shown, "date", "close");
    for (int c = 0; c < kColumns; ++c) printf(" %11s", names[c]);
    printf("\n");
    for (int i = count - shown; i < count; ++i) {
        if (full) {
            printf("%-10s %.9g", dates[i], closes[i]);
            for (int c = 0; c < kColumns; ++c) printf(" %.9g", columns[c][i]);
        } else {
            printf("%-10s %10.4f", dates[i], closes[i]);
            for (int c = 0; c < kColumns; ++c) printf(" %11.4f", columns[c][i]);
        }
        printf("\n");
    }
    return 0;
}
