// Writes the coefficient dump the library must produce: exp and cos
// correctly rounded by MPFR, then the derivation's own double steps.
//   coefficient_dump_mpfr OUTPUT
#include <bit>
#include <cstdint>
#include <limits>

#include "dump_format.h"
#include "kernels/two_pole_coefficients.hpp"
#include "mpfr_reference.hpp"

namespace {

void expectedBits(int32_t period, uint64_t bits[5]) {
    using namespace tsfilters;
    const double p = static_cast<double>(period);
    const double a1 = mpfr_reference::exp(K1 / p);
    double cs = mpfr_reference::cos((K2 / p) * K3);
    // The library's cos gives one NaN, the positive quiet one, on every
    // processor; the operations after it pass that NaN on unchanged.
    if (cs != cs) cs = std::numeric_limits<double>::quiet_NaN();
    TwoPoleCoefficients k{a1, 0.0, cs * (a1 + a1), (-a1) * a1};
    bits[0] = std::bit_cast<uint64_t>(k.a1);
    bits[1] = std::bit_cast<uint64_t>(inputGainFormA(k));
    bits[2] = std::bit_cast<uint64_t>(inputGainFormB(k));
    bits[3] = std::bit_cast<uint64_t>(k.c2);
    bits[4] = std::bit_cast<uint64_t>(k.c3);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: coefficient_dump_mpfr OUTPUT\n");
        return 2;
    }
    return writeDump(argv[1], expectedBits);
}
