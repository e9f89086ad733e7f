/* Loads the 32-bit Windows coefficient probe DLL into this 32-bit Linux
 * process (under qemu-i386 on a 64-bit machine), sets the x87 precision
 * control the way a host might have it, and writes the coefficient dump.
 *   pe_coefficient_dump PROBE_DLL OUTPUT 64|53
 * 64: extended precision, what a MinGW-built program sets; 53: double
 * precision, the default of a Windows thread. Code that computes in SSE2
 * gives the same dump under both; code on the x87 may not.
 *   pe_coefficient_dump --exports DLL
 * lists the DLL's named exports, one a line, after running its start-up. */
#include <stdio.h>
#include <string.h>

#include "dump_format.h"
#include "pe_image.h"

typedef void(__attribute__((cdecl)) * ProbeFn)(int32_t period, uint64_t bits[5]);

static ProbeFn probe;

/* Called from Linux code with Linux alignment: nothing to adjust. */
static void probeBits(int32_t period, uint64_t bits[5]) { probe(period, bits); }

static void setX87Precision(unsigned bits) {
    /* All exceptions masked, round to nearest, precision 64 (11) or 53 (10). */
    const unsigned short control = bits == 64 ? 0x037F : 0x027F;
    __asm__ volatile("fldcw %0" : : "m"(control));
}

static unsigned short x87Control(void) {
    unsigned short control;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    return control;
}

static void printName(const char* name) { printf("%s\n", name); }

static int load(const char* path, PeImage* image) {
    if (peLoad(path, image) != 0) return -1;
    if (peAttach(image) != 0) {
        fprintf(stderr, "%s: the entry point reported failure\n", path);
        return -1;
    }
    return 0;
}

int main(int argc, char** argv) {
    PeImage image;
    if (argc == 3 && strcmp(argv[1], "--exports") == 0) {
        if (load(argv[2], &image) != 0) return 1;
        peForEachExport(&image, printName);
        return 0;
    }
    if (argc != 4 || (strcmp(argv[3], "64") != 0 && strcmp(argv[3], "53") != 0)) {
        fprintf(stderr, "usage: pe_coefficient_dump PROBE_DLL OUTPUT 64|53\n"
                        "       pe_coefficient_dump --exports DLL\n");
        return 2;
    }
    const unsigned precision = argv[3][0] == '6' ? 64 : 53;
    setX87Precision(precision);  /* before start-up: the DLL sees it throughout */
    if (load(argv[1], &image) != 0) return 1;
    probe = (ProbeFn)peExport(&image, "TwoPoleCoefficientBits");
    if (!probe) {
        fprintf(stderr, "%s: no export TwoPoleCoefficientBits\n", argv[1]);
        return 1;
    }
    setX87Precision(precision);
    const int rc = writeDump(argv[2], probeBits);
    if ((x87Control() & 0x300) != (precision == 64 ? 0x300 : 0x200)) {
        fprintf(stderr, "the x87 precision control changed during the run\n");
        return 1;
    }
    return rc;
}
