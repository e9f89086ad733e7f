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

#include "math/correctly_rounded.hpp"
#include "tsfilters.h"

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

// One computed sample of each kernel before its rounding to single
// precision, from the values it reads: x = input[i], x1 = input[i-1],
// x2 = input[i-2], y1 = output[i-1], y2 = output[i-2] as stored.

// UltimateSmoother's three input gains, of x, x1 and (subtracted) x2.
struct InputGains {
    double x0, x1, x2;
};

inline InputGains ultimateSmootherGains(const Coefficients& k) {
    const double c1 = k.formA();
    return {1.0 - c1, (c1 + c1) - k.c2, k.c3 + c1};
}

inline double ultimateSmootherSample(const Coefficients& k, const InputGains& g, float x,
                                     float x1, float x2, float y1, float y2) {
    double t = g.x1 * double(x1);
    t = t + g.x0 * double(x);
    t = t - g.x2 * double(x2);
    t = t + k.c2 * double(y1);
    t = t + k.c3 * double(y2);
    return t;
}

inline double highPassSample(const Coefficients& k, double c1, float x, float x1, float x2,
                             float y1, float y2) {
    const float twice = x1 + x1;
    const float diff = x - twice;
    const float d = diff + x2;
    double t = double(d) * c1;
    t = t + k.c2 * double(y1);
    t = t + k.c3 * double(y2);
    return t;
}

inline double superSmootherSample(const Coefficients& k, double c1, float x, float x1, float y1,
                                  float y2) {
    const float s = x1 + x;
    double t = (double(s) * c1) * 0.5;
    t = t + k.c2 * double(y1);
    t = t + k.c3 * double(y2);
    return t;
}

inline void ultimateSmoother(const float* x, std::int32_t period, std::int32_t n, float* y) {
    const Coefficients k = coefficients(period);
    const InputGains g = ultimateSmootherGains(k);
    for (std::int32_t i = 0; i < n; ++i)
        y[i] = i < 4 ? x[i]
                     : float(ultimateSmootherSample(k, g, x[i], x[i - 1], x[i - 2], y[i - 1], y[i - 2]));
}

inline void highPass(const float* x, std::int32_t period, std::int32_t n, float* y) {
    const Coefficients k = coefficients(period);
    const double c1 = k.formA();
    for (std::int32_t i = 0; i < n; ++i)
        y[i] = i < 4 ? 0.0f : float(highPassSample(k, c1, x[i], x[i - 1], x[i - 2], y[i - 1], y[i - 2]));
}

inline void superSmoother(const float* x, std::int32_t period, std::int32_t n, float* y) {
    const Coefficients k = coefficients(period);
    const double c1 = k.formB();
    for (std::int32_t i = 0; i < n; ++i)
        y[i] = i < 2 ? x[i] : float(superSmootherSample(k, c1, x[i], x[i - 1], y[i - 1], y[i - 2]));
}

// One Laguerre stage from the previous value of the stage before it and its
// own previous value, and the filter's weighted sum of L0, L1, L2, L3 and L5.
inline double laguerreStage(double g, double previousOfStageBefore, double own) {
    return (previousOfStageBefore - g * previousOfStageBefore) + g * own;
}

inline double laguerreSum(double l0, double l1, double l2, double l3, double l5) {
    return (((l0 + 4 * l1) + 6 * l2) + 4 * l3) + l5;
}

// The sum of the single-precision squares of v[0..99], in index order.
inline double windowSumOfSquares(const std::vector<float>& v) {
    double sumSquares = 0;
    for (int k = 0; k < 100; ++k) {
        const float q = v[k] * v[k];
        sumSquares = sumSquares + q;
    }
    return sumSquares;
}

// The RMS of a window from its sum of squares; 0 for a zero sum.
inline double windowRms(double sumSquares) {
    return sumSquares == 0 ? 0.0 : std::sqrt(sumSquares / 100);
}

// Divides v by the RMS of v[0..99]; writes nothing for a zero RMS.
inline void normalizeByRms(const std::vector<float>& v, std::int32_t n, float* out) {
    const double rms = windowRms(windowSumOfSquares(v));
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

// The band-pass the cybernetic oscillator scales.
inline std::vector<float> cyberneticUnscaled(Kernel hp, Kernel ss, const float* x,
                                             std::int32_t hpPeriod, std::int32_t ssPeriod,
                                             std::int32_t n) {
    std::vector<float> v = scratch(n);
    bandPass(hp, ss, x, hpPeriod, ssPeriod, n, v.data());
    return v;
}

inline void cyberneticOscillator(Kernel hp, Kernel ss, const float* x, std::int32_t hpPeriod,
                                 std::int32_t ssPeriod, std::int32_t n, float* y) {
    if (n < 100) return;  // the library's choice for a short series
    normalizeByRms(cyberneticUnscaled(hp, ss, x, hpPeriod, ssPeriod, n), n, y);
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
            const double n1 = laguerreStage(g, prevL0, l[1]);
            const double n2 = laguerreStage(g, l[1], l[2]);
            const double n3 = laguerreStage(g, l[2], l[3]);
            const double n4 = laguerreStage(g, l[3], l[4]);
            const double n5 = laguerreStage(g, l[4], l[5]);
            l[1] = n1, l[2] = n2, l[3] = n3, l[4] = n4, l[5] = n5;
            y[i] = float(laguerreSum(l[0], l[1], l[2], l[3], l[5])) * 0.0625f;
        }
        prevL0 = l[0];
    }
}

// The difference between the smoothed series and its first Laguerre stage,
// which the Laguerre oscillator scales.
inline std::vector<float> laguerreUnscaled(Kernel us, const float* x, float gamma,
                                           std::int32_t period, std::int32_t n) {
    std::vector<float> s = scratch(n), v = scratch(n);
    us(x, period, n, s.data());
    const double g = gamma;
    double l1 = 0, prevL0 = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        const double l0 = s[i];
        if (i >= 1) l1 = laguerreStage(g, prevL0, l1);
        v[i] = float(l0 - l1);
        prevL0 = l0;
    }
    return v;
}

inline void laguerreOscillator(Kernel us, const float* x, float gamma, std::int32_t period,
                               std::int32_t n, float* y) {
    if (n < 100) return;  // the library's choice for a short series
    normalizeByRms(laguerreUnscaled(us, x, gamma, period, n), n, y);
}

// The same computations under the exported names and signatures, so that
// code expanding the filter table can find each filter's reference by name.
inline void HighPass(const float* x, std::int32_t p, std::int32_t n, float* y) { highPass(x, p, n, y); }
inline void SuperSmoother(const float* x, std::int32_t p, std::int32_t n, float* y) { superSmoother(x, p, n, y); }
inline void UltimateSmoother(const float* x, std::int32_t p, std::int32_t n, float* y) { ultimateSmoother(x, p, n, y); }
inline void BandPass(const float* x, std::int32_t hp, std::int32_t sp, std::int32_t n, float* y) {
    bandPass(highPass, superSmoother, x, hp, sp, n, y);
}
inline void CyberneticOscillator(const float* x, std::int32_t hp, std::int32_t sp, std::int32_t n, float* y) {
    cyberneticOscillator(highPass, superSmoother, x, hp, sp, n, y);
}
inline void LaguerreFilter(const float* x, float g, std::int32_t p, std::int32_t n, float* y) {
    laguerreFilter(ultimateSmoother, x, g, p, n, y);
}
inline void LaguerreOscillator(const float* x, float g, std::int32_t p, std::int32_t n, float* y) {
    laguerreOscillator(ultimateSmoother, x, g, p, n, y);
}

// What each scaled filter divides by the RMS of its first 100 values.
inline std::vector<float> CyberneticOscillatorUnscaled(const float* x, std::int32_t hp, std::int32_t sp, std::int32_t n) {
    return cyberneticUnscaled(highPass, superSmoother, x, hp, sp, n);
}
inline std::vector<float> LaguerreOscillatorUnscaled(const float* x, float g, std::int32_t p, std::int32_t n) {
    return laguerreUnscaled(ultimateSmoother, x, g, p, n);
}

}  // namespace reference

// Each filter staged as a host would build it from the exported kernels: the
// composites run the library's kernels into scratch series and finish with
// the reference's own loop. A kernel has nothing to stage, so it is its plain
// reference; no filter is ever compared with itself.
namespace staged {

using reference::HighPass;
using reference::SuperSmoother;
using reference::UltimateSmoother;
inline void BandPass(const float* x, std::int32_t hp, std::int32_t sp, std::int32_t n, float* y) {
    reference::bandPass(::HighPass, ::SuperSmoother, x, hp, sp, n, y);
}
inline void CyberneticOscillator(const float* x, std::int32_t hp, std::int32_t sp, std::int32_t n, float* y) {
    reference::cyberneticOscillator(::HighPass, ::SuperSmoother, x, hp, sp, n, y);
}
inline void LaguerreFilter(const float* x, float g, std::int32_t p, std::int32_t n, float* y) {
    reference::laguerreFilter(::UltimateSmoother, x, g, p, n, y);
}
inline void LaguerreOscillator(const float* x, float g, std::int32_t p, std::int32_t n, float* y) {
    reference::laguerreOscillator(::UltimateSmoother, x, g, p, n, y);
}

}  // namespace staged
