// libFuzzer entry: one call of one exported function per input, checked
// against what the function promises a host whatever the arguments:
//  - it reads nothing beyond input[count-1]: the input sits in a heap block
//    of exactly max(count, 0) floats, so ASan stops any read past it;
//  - it writes nothing outside output[0 .. count-1]: the output has guard
//    slots on both sides holding a sentinel, inside a heap block of its own;
//  - it writes exactly the promised slots, with the promised warm-up values;
//  - it leaves the input alone, and an in-place call gives the same bits as
//    separate arrays, with the unwritten slots keeping the input;
//  - null pointers write nothing;
//  - CyberneticOscillator is BandPass over its window RMS, bit for bit.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "fuzz_case.hpp"
#include "tsfilters.h"

namespace {

using fuzzing::Case;

[[noreturn]] void fail(const Case& c, const char* what, long slot) {
    std::fprintf(stderr, "function %d count %d periods %d %d gamma bits %08x: %s (slot %ld)\n",
                 c.function, c.count, c.period, c.smoothPeriod, std::bit_cast<std::uint32_t>(c.gamma),
                 what, slot);
    std::abort();
}

std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

// A NaN's identity once quieted and stripped of its sign: the arithmetic may
// do either to a NaN it passes on, but never invents a payload.
std::uint32_t nanKey(std::uint32_t b) { return (b | 0x00400000u) & 0x7FFFFFFFu; }

bool isNaNBits(std::uint32_t b) { return (b & 0x7F800000u) == 0x7F800000u && (b & 0x007FFFFFu); }

// A NaN the call cannot produce: every NaN in an output comes from a NaN
// sample, from a NaN gamma or from the arithmetic's own default NaN, so the
// sentinel takes a payload none of those has. A slot holding these bits
// after the call was not written.
std::uint32_t pickSentinel(const Case& c) {
    auto taken = [&](std::uint32_t key) {
        if (key == 0x7FC00000u || (isNaNBits(bits(c.gamma)) && key == nanKey(bits(c.gamma))))
            return true;
        for (float v : c.series)
            if (isNaNBits(bits(v)) && nanKey(bits(v)) == key) return true;
        return false;
    };
    std::uint32_t s = 0x7FC5A5A5u;
    while (taken(s)) ++s;
    return s;
}

enum class Writes { All, AllButSlot0, AllOrNone };

struct Export {
    Writes writes;
    int zeroWarmup;  // leading slots that are +0
    int copyWarmup;  // leading slots that copy the input
    void (*call)(const Case&, const float*, std::int32_t, float*);
};

const Export kExports[7] = {
    {Writes::All, 4, 0, [](const Case& c, const float* x, std::int32_t n, float* y) { HighPass(x, c.period, n, y); }},
    {Writes::All, 0, 2, [](const Case& c, const float* x, std::int32_t n, float* y) { SuperSmoother(x, c.period, n, y); }},
    {Writes::All, 0, 4, [](const Case& c, const float* x, std::int32_t n, float* y) { UltimateSmoother(x, c.period, n, y); }},
    {Writes::All, 4, 0, [](const Case& c, const float* x, std::int32_t n, float* y) { BandPass(x, c.period, c.smoothPeriod, n, y); }},
    {Writes::AllOrNone, 0, 0, [](const Case& c, const float* x, std::int32_t n, float* y) { CyberneticOscillator(x, c.period, c.smoothPeriod, n, y); }},
    {Writes::AllButSlot0, 0, 0, [](const Case& c, const float* x, std::int32_t n, float* y) { LaguerreFilter(x, c.gamma, c.period, n, y); }},
    {Writes::AllOrNone, 0, 0, [](const Case& c, const float* x, std::int32_t n, float* y) { LaguerreOscillator(x, c.gamma, c.period, n, y); }},
};

constexpr long kGuard = 16;

// An output of `n` slots with sentinel-filled guards before and after.
struct GuardedOutput {
    GuardedOutput(long n, std::uint32_t sentinel)
        : size(n), block(new float[std::size_t(n + 2 * kGuard)]) {
        for (long i = 0; i < n + 2 * kGuard; ++i) block[i] = std::bit_cast<float>(sentinel);
    }
    float* slots() { return block.get() + kGuard; }
    float guard(long i) const { return i < kGuard ? block[i] : block[kGuard + size + (i - kGuard)]; }

    long size;
    std::unique_ptr<float[]> block;
};

// Exactly n floats: ASan's redzone starts right after the last one.
std::unique_ptr<float[]> exactCopy(const std::vector<float>& s) {
    std::unique_ptr<float[]> p(new float[s.size()]);
    for (std::size_t i = 0; i < s.size(); ++i) p[i] = s[i];
    return p;
}

// Checks that the call wrote exactly the promised slots.
void checkWrittenSlots(const Case& c, const Export& f, GuardedOutput& out, std::uint32_t sentinel) {
    for (long g = 0; g < 2 * kGuard; ++g)
        if (bits(out.guard(g)) != sentinel) fail(c, "wrote outside 0..count-1", g < kGuard ? g - kGuard : out.size + g - kGuard);
    const float* y = out.slots();
    for (long i = 0; i < out.size; ++i) {
        const bool written = bits(y[i]) != sentinel;
        bool promised = true;
        if (f.writes == Writes::AllButSlot0) promised = i > 0;
        if (f.writes == Writes::AllOrNone) promised = out.size >= 100 && bits(y[0]) != sentinel;
        if (written != promised) fail(c, written ? "wrote a slot it must leave" : "left a slot unwritten", i);
        // BandPass's slots 2-3 are its low-pass stage's first computed
        // values, on a zero input: +0 for any coefficients but the NaN ones
        // a smoothPeriod of 0 gives.
        const int zeroWarmup = c.function == 3 && c.smoothPeriod == 0 ? 2 : f.zeroWarmup;
        if (i < zeroWarmup && bits(y[i]) != 0) fail(c, "warm-up slot is not +0", i);
        if (i < f.copyWarmup && bits(y[i]) != bits(c.series[std::size_t(i)]))
            fail(c, "warm-up slot does not copy the input", i);
    }
}

// CyberneticOscillator is BandPass divided by its RMS over slots 0..99
// (squares in single precision, summed in double), and writes nothing when
// that sum is 0.
void checkAgainstBandPass(const Case& c, const float* y, const float* x) {
    const long n = c.count;
    std::unique_ptr<float[]> band(new float[std::size_t(n)]);
    BandPass(x, c.period, c.smoothPeriod, c.count, band.get());
    double sum = 0.0;
    for (long i = 0; i < 100; ++i) {
        const float q = band[i] * band[i];
        sum = sum + double(q);
    }
    if (sum == 0.0) return;  // checkWrittenSlots saw whether anything was written
    const float r = float(std::sqrt(sum / 100));
    for (long i = 0; i < n; ++i)
        if (bits(y[i]) != bits(band[i] / r)) fail(c, "differs from BandPass / RMS", i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Case c = fuzzing::decodeCase(data, size);
    const Export& f = kExports[c.function];
    const long n = long(c.series.size());
    const std::uint32_t sentinel = pickSentinel(c);

    // Null pointers: nothing written, no crash.
    {
        GuardedOutput out(n, sentinel);
        f.call(c, nullptr, c.count, out.slots());
        for (long i = 0; i < n; ++i)
            if (bits(out.slots()[i]) != sentinel) fail(c, "null input wrote a slot", i);
        const std::unique_ptr<float[]> x = exactCopy(c.series);
        f.call(c, x.get(), c.count, nullptr);
    }

    // Separate arrays.
    const std::unique_ptr<float[]> x = exactCopy(c.series);
    GuardedOutput out(n, sentinel);
    f.call(c, x.get(), c.count, out.slots());
    for (long i = 0; i < n; ++i)
        if (bits(x[i]) != bits(c.series[std::size_t(i)])) fail(c, "modified its input", i);
    checkWrittenSlots(c, f, out, sentinel);
    if (c.function == 4 && n >= 100) checkAgainstBandPass(c, out.slots(), x.get());

    // In place: the written slots as with separate arrays, the rest the input.
    const std::unique_ptr<float[]> buffer = exactCopy(c.series);
    f.call(c, buffer.get(), c.count, buffer.get());
    const float* y = out.slots();
    for (long i = 0; i < n; ++i) {
        const std::uint32_t expected = bits(y[i]) == sentinel ? bits(x[i]) : bits(y[i]);
        if (bits(buffer[i]) != expected) fail(c, "in-place call differs", i);
    }
    return 0;
}
