// libFuzzer entry: one call of one exported function per input, checked
// against what the function promises a host whatever the arguments:
//  - it reads nothing beyond input[count-1]: the input sits in a heap block
//    of exactly max(count, 0) floats, so ASan stops any read past it;
//  - it writes nothing outside output[0 .. count-1]: the output has guard
//    slots on both sides holding a sentinel, inside a heap block of its own;
//  - it writes exactly the slots promised by its arguments and input alone
//    (the table's first written slot; a scaled filter's 100-sample window
//    and zero window RMS, both taken from the reference), and in each the
//    plain reference's value, to the bit;
//  - it leaves the input alone, and an in-place call gives the same bits as
//    separate arrays, with the unwritten slots keeping the input;
//  - null pointers write nothing.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "filter_table.h"
#include "fuzz_case.hpp"
#include "reference.hpp"
#include "tsfilters.h"

namespace {

using fuzzing::Case;

#define TSF_FUZZ_NAME(Export, ...) #Export,
const char* const kNames[TSF_FILTER_COUNT] = {TSF_FILTER_TABLE(TSF_FUZZ_NAME)};
#undef TSF_FUZZ_NAME

[[noreturn]] void fail(const Case& c, const char* what, long slot) {
    std::fprintf(stderr, "%s count %d periods %d %d gamma bits %08x: %s (slot %ld)\n",
                 kNames[c.function], c.count, c.period, c.smoothPeriod, std::bit_cast<std::uint32_t>(c.gamma),
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

// Each row of the filter table: the export and its plain reference with the
// case's arguments, and what the table says the call writes. A scaled
// filter also names the series its reference divides by the window RMS.
struct Filter {
    long firstWritten;
    void (*call)(const Case&, const float*, std::int32_t, float*);
    void (*reference)(const Case&, const float*, std::int32_t, float*);
    std::vector<float> (*unscaled)(const Case&, const float*);  // null if not scaled
};

#define TSF_FUZZ_ARGUMENTS_PERIOD c.period
#define TSF_FUZZ_ARGUMENTS_TWO_PERIODS c.period, c.smoothPeriod
#define TSF_FUZZ_ARGUMENTS_GAMMA_PERIOD c.gamma, c.period
#define TSF_FUZZ_UNSCALED_0(Export, SHAPE) nullptr
#define TSF_FUZZ_UNSCALED_1(Export, SHAPE)                                          \
    [](const Case& c, const float* x) {                                             \
        return reference::Export##Unscaled(x, TSF_FUZZ_ARGUMENTS_##SHAPE, c.count); \
    }
#define TSF_FUZZ_FILTER(Export, python, SHAPE, firstWritten, warmup, rmsWindow, ...)        \
    {firstWritten,                                                                         \
     [](const Case& c, const float* x, std::int32_t n, float* y) {                         \
         ::Export(x, TSF_FUZZ_ARGUMENTS_##SHAPE, n, y);                                     \
     },                                                                                    \
     [](const Case& c, const float* x, std::int32_t n, float* y) {                         \
         reference::Export(x, TSF_FUZZ_ARGUMENTS_##SHAPE, n, y);                            \
     },                                                                                    \
     TSF_FUZZ_UNSCALED_##rmsWindow(Export, SHAPE)},
const Filter kFilters[TSF_FILTER_COUNT] = {TSF_FILTER_TABLE(TSF_FUZZ_FILTER)};
#undef TSF_FUZZ_FILTER

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

// The slots a call must write, decided from its arguments and input alone:
// every slot from the table's first written one on; but a scaled filter
// needs the 100 samples of its window and a window whose sum of squares,
// taken by the reference, is not 0, and then writes all slots or none.
struct Promise {
    long firstWritten;
    bool none;
    bool allNaN;  // a NaN window RMS scales every slot to NaN
};

Promise promise(const Case& c, const Filter& f, const float* x) {
    const long n = long(c.series.size());
    if (f.unscaled == nullptr) return {f.firstWritten, false, false};
    if (n < 100) return {0, true, false};
    const double sumSquares = reference::windowSumOfSquares(f.unscaled(c, x));
    return {0, sumSquares == 0.0, std::isnan(sumSquares)};
}

// Checks that the call wrote exactly the promised slots, nothing around
// them, and the reference's value in each, to the bit (any NaN for a NaN).
void checkOutput(const Case& c, const Promise& p, GuardedOutput& out,
                 const float* expected, std::uint32_t sentinel) {
    for (long g = 0; g < 2 * kGuard; ++g)
        if (bits(out.guard(g)) != sentinel) fail(c, "wrote outside 0..count-1", g < kGuard ? g - kGuard : out.size + g - kGuard);
    const float* y = out.slots();
    for (long i = 0; i < out.size; ++i) {
        const bool written = bits(y[i]) != sentinel;
        const bool promised = !p.none && i >= p.firstWritten;
        if (written != promised) fail(c, written ? "wrote a slot it must leave" : "left a slot unwritten", i);
        if (!written) continue;
        if (p.allNaN && !std::isnan(y[i])) fail(c, "a NaN window RMS left a slot not NaN", i);
        const bool same = bits(y[i]) == bits(expected[i]) || (std::isnan(y[i]) && std::isnan(expected[i]));
        if (!same) fail(c, bits(expected[i]) == sentinel ? "the reference leaves this slot" : "differs from the reference", i);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Case c = fuzzing::decodeCase(data, size);
    const Filter& f = kFilters[c.function];
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

    // Separate arrays, against the promise and the reference.
    const std::unique_ptr<float[]> x = exactCopy(c.series);
    GuardedOutput out(n, sentinel);
    f.call(c, x.get(), c.count, out.slots());
    for (long i = 0; i < n; ++i)
        if (bits(x[i]) != bits(c.series[std::size_t(i)])) fail(c, "modified its input", i);
    std::vector<float> expected(std::size_t(n), std::bit_cast<float>(sentinel));
    f.reference(c, c.series.data(), c.count, expected.data());
    checkOutput(c, promise(c, f, c.series.data()), out, expected.data(), sentinel);

    // In place: the written slots as with separate arrays, the rest the input.
    const std::unique_ptr<float[]> buffer = exactCopy(c.series);
    f.call(c, buffer.get(), c.count, buffer.get());
    const float* y = out.slots();
    for (long i = 0; i < n; ++i) {
        const std::uint32_t expectedBits = bits(y[i]) == sentinel ? bits(x[i]) : bits(y[i]);
        if (bits(buffer[i]) != expectedBits) fail(c, "in-place call differs", i);
    }
    return 0;
}
