// A plain reference for every filter, written the straightforward way: the
// kernels read their feedback back from the output array, the composites run
// kernels into scratch vectors and finish with their own loop. It shares no
// code with the library but exp and cos, so agreement to the bit means
// something. Those two are the library's correctly rounded ones, which
// tests/math proves equal to MPFR's for every argument the coefficients
// take; any other exp or cos differs from them in the last bit at some
// periods.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

// By path: the benchmarks include this file without the library's sources
// on their include path.
#include "../src/math/correctly_rounded.hpp"

namespace reference {

using Kernel = void (*)(const float*, std::int32_t, std::int32_t, float*);

struct Coefficients {
    double a1, c2, c3;
    double formA() const { return ((c2 + 1.0) - c3) * 0.25; }
    double formB() const { return (1.0 - c2) - c3; }
};

inline Coefficients coefficients(std::int32_t period) {
    const double k1 = std::bit_cast<double>(0xC011C4D23DFAE25EULL);
    const double k2 = std::bit_cast<double>(0x406FD0A3D70A3D70ULL);
    const double k3 = std::bit_cast<double>(0x3F91DF46A2506B91ULL);
    const double p = period;
    const double a1 = tsfilters::correctlyRoundedExp(k1 / p);
    return {a1, tsfilters::correctlyRoundedCos((k2 / p) * k3) * (a1 + a1), (-a1) * a1};
}

inline void ultimateSmoother(const float* x, std::int32_t period, std::int32_t n, float* y) {
    const Coefficients k = coefficients(period);
    const double c1 = k.formA();
    for (std::int32_t i = 0; i < n; ++i) {
        if (i < 4) {
            y[i] = x[i];
            continue;
        }
        double t = ((c1 + c1) - k.c2) * double(x[i - 1]);
        t = t + (1.0 - c1) * double(x[i]);
        t = t - (k.c3 + c1) * double(x[i - 2]);
        t = t + k.c2 * double(y[i - 1]);
        t = t + k.c3 * double(y[i - 2]);
        y[i] = float(t);
    }
}

inline void highPass(const float* x, std::int32_t period, std::int32_t n, float* y) {
    const Coefficients k = coefficients(period);
    const double c1 = k.formA();
    for (std::int32_t i = 0; i < n; ++i) {
        if (i < 4) {
            y[i] = 0.0f;
            continue;
        }
        const float twice = x[i - 1] + x[i - 1];
        const float diff = x[i] - twice;
        const float d = diff + x[i - 2];
        double t = double(d) * c1;
        t = t + k.c2 * double(y[i - 1]);
        t = t + k.c3 * double(y[i - 2]);
        y[i] = float(t);
    }
}

inline void superSmoother(const float* x, std::int32_t period, std::int32_t n, float* y) {
    const Coefficients k = coefficients(period);
    const double c1 = k.formB();
    for (std::int32_t i = 0; i < n; ++i) {
        if (i < 2) {
            y[i] = x[i];
            continue;
        }
        const float s = x[i - 1] + x[i];
        double t = (double(s) * c1) * 0.5;
        t = t + k.c2 * double(y[i - 1]);
        t = t + k.c3 * double(y[i - 2]);
        y[i] = float(t);
    }
}

// Divides v by the RMS of v[0..99]; writes nothing for a zero RMS.
inline void normalizeByRms(const std::vector<float>& v, std::int32_t n, float* out) {
    double sumSquares = 0;
    for (int k = 0; k < 100; ++k) {
        const float q = v[k] * v[k];
        sumSquares = sumSquares + q;
    }
    const double rms = sumSquares == 0 ? 0.0 : std::sqrt(sumSquares / 100);
    if (rms == 0 || n <= 0) return;
    const float r = float(rms);
    for (std::int32_t i = 0; i < n; ++i) out[i] = v[i] / r;
}

inline std::vector<float> scratch(std::int32_t n) { return std::vector<float>(n > 0 ? n : 0); }

inline void bandPass(Kernel hp, Kernel ss, const float* x, std::int32_t hpPeriod,
                     std::int32_t ssPeriod, std::int32_t n, float* y) {
    std::vector<float> h = scratch(n);
    hp(x, hpPeriod, n, h.data());
    ss(h.data(), ssPeriod, n, y);
}

inline void cyberneticOscillator(Kernel hp, Kernel ss, const float* x, std::int32_t hpPeriod,
                                 std::int32_t ssPeriod, std::int32_t n, float* y) {
    if (n < 100) return;  // the library's choice for a short series
    std::vector<float> v = scratch(n);
    bandPass(hp, ss, x, hpPeriod, ssPeriod, n, v.data());
    normalizeByRms(v, n, y);
}

inline void laguerreFilter(Kernel us, const float* x, float gamma, std::int32_t period,
                           std::int32_t n, float* y) {
    std::vector<float> s = scratch(n);
    us(x, period, n, s.data());
    const double g = gamma;
    double l[6] = {0, 0, 0, 0, 0, 0}, prevL0 = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        l[0] = s[i];
        if (i >= 1) {
            const double n1 = (prevL0 - g * prevL0) + g * l[1];
            const double n2 = (l[1] - g * l[1]) + g * l[2];
            const double n3 = (l[2] - g * l[2]) + g * l[3];
            const double n4 = (l[3] - g * l[3]) + g * l[4];
            const double n5 = (l[4] - g * l[4]) + g * l[5];
            l[1] = n1, l[2] = n2, l[3] = n3, l[4] = n4, l[5] = n5;
            const double sum = (((l[0] + 4 * l[1]) + 6 * l[2]) + 4 * l[3]) + l[5];
            y[i] = float(sum) * 0.0625f;
        }
        prevL0 = l[0];
    }
}

inline void laguerreOscillator(Kernel us, const float* x, float gamma, std::int32_t period,
                               std::int32_t n, float* y) {
    if (n < 100) return;  // the library's choice for a short series
    std::vector<float> s = scratch(n), v = scratch(n);
    us(x, period, n, s.data());
    const double g = gamma;
    double l1 = 0, prevL0 = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        const double l0 = s[i];
        if (i >= 1) l1 = (prevL0 - g * prevL0) + g * l1;
        v[i] = float(l0 - l1);
        prevL0 = l0;
    }
    normalizeByRms(v, n, y);
}

}  // namespace reference
