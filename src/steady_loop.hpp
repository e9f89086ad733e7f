// The loop every filter spends its time in, once its warm-up is over, and
// what it does when the price stops moving.
//
// A halted symbol, an illiquid one or a series filled forward repeats one
// price for many samples. Every filter then settles into a state that the
// next identical sample maps to itself, bit for bit. On the way there the
// high-pass decays into single-precision subnormal values and stays at one
// of them (its rounding holds it there), and an operation on a subnormal can
// take the processor's slow path many times over: dividing such a value by
// an oscillator's scale, or converting it, costs several times a normal
// sample. Flushing subnormals to zero would change the results, so it is
// out.
//
// What is exact instead: a step is a pure function of its state and the
// sample. When one step with sample x leaves every carried value as it
// found it, the next step with the same x starts from the same state and
// gives the same output and the same state again, for as long as x
// repeats. Those outputs are copied rather than computed. Only a sample
// that repeats the one before it (compared as bits) pays for the test, so a
// moving price runs the plain loop with one extra compare.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace tsfilters {

// Every value a step carries between samples, as bits.
class StateBits {
public:
    template <class Step>
    explicit StateBits(Step& step) {
        step.forEachState([this](const auto& v) {
            static_assert(sizeof v <= sizeof(std::uint64_t));
            std::uint64_t b = 0;
            std::memcpy(&b, &v, sizeof v);
            bits_[count_++] = b;
        });
    }

    bool operator==(const StateBits& other) const {
        if (count_ != other.count_) return false;
        for (int i = 0; i < count_; ++i)
            if (bits_[i] != other.bits_[i]) return false;
        return true;
    }

private:
    static constexpr int kMaxValues = 16;  // the longest chain carries 10
    std::uint64_t bits_[kMaxValues];
    int count_ = 0;
};

// The samples from input[i] on that repeat x, the sample before them: each
// is stepped until one leaves the state as it was, and from there the
// output is copied for as long as x repeats. Returns the index after the
// last slot written. Out of line, and handed a copy of the step, so that
// the plain loop keeps its step in registers.
template <class Step, class Finish>
[[gnu::noinline]] std::int32_t runRepeats(Step& step, float x, const float* input, std::int32_t i,
                                          std::int32_t end, float* output, Finish finish) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(x);
    for (; i < end && std::bit_cast<std::uint32_t>(input[i]) == bits; ++i) {
        const StateBits before(step);
        const float y = finish(step.next(x));
        output[i] = y;
        if (StateBits(step) == before) {
            while (i + 1 < end && std::bit_cast<std::uint32_t>(input[i + 1]) == bits) output[++i] = y;
        }
    }
    return i;
}

// Samples the plain loop runs before it looks for a repeat: a halt is
// caught within this many samples of its start, long before the high-pass
// has decayed to its subnormal resting value.
inline constexpr std::int32_t kRunBetweenChecks = 64;

// output[i] = finish(step.next(input[i])) for i in [begin, end), with the
// outputs of a halted price copied once the step has stopped changing.
// Each sample is read before its own slot is written, so input may be
// output.
template <class Step, class Finish>
inline void runSteady(Step& step, const float* input, std::int32_t begin, std::int32_t end,
                      float* output, Finish finish) {
    std::int32_t i = begin;
    while (i < end) {
        const std::int32_t stop = end - i > kRunBetweenChecks ? i + kRunBetweenChecks : end;
        float last = 0.0f;
        for (; i < stop; ++i) {
            last = input[i];
            output[i] = finish(step.next(last));
        }
        if (i < end && std::bit_cast<std::uint32_t>(input[i]) == std::bit_cast<std::uint32_t>(last)) {
            Step held = step;
            i = runRepeats(held, last, input, i, end, output, finish);
            step = held;
        }
    }
}

}  // namespace tsfilters
