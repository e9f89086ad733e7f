// Writes the coefficient dump the library must produce: exp and cos
// correctly rounded by MPFR, then the derivation's own double steps.
//   coefficient_dump_mpfr OUTPUT
#include <bit>
#include <cstdint>
#include <limits>

#include "dump_format.h"
#include "filters/two_pole.hpp"
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
    const double c2 = cs * (a1 + a1), c3 = (-a1) * a1;
    bits[0] = std::bit_cast<uint64_t>(a1);
    bits[1] = std::bit_cast<uint64_t>(((c2 + 1.0) - c3) * 0.25);  // unit gain at Nyquist
    bits[2] = std::bit_cast<uint64_t>((1.0 - c2) - c3);           // unit gain at DC
    bits[3] = std::bit_cast<uint64_t>(c2);
    bits[4] = std::bit_cast<uint64_t>(c3);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: coefficient_dump_mpfr OUTPUT\n");
        return 2;
    }
    return writeDump(argv[1], expectedBits);
}
