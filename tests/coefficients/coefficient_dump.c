/* Writes the coefficient dump of the probe library it is linked with.
 *   coefficient_dump OUTPUT */
#include "coefficient_probe.h"
#include "dump_format.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: coefficient_dump OUTPUT\n");
        return 2;
    }
    return writeDump(argv[1], TwoPoleCoefficientBits);
}
