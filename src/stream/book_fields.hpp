// What a book keeps of each filter step, column by column: the step's
// coefficients as double columns, and the values it carries from sample to
// sample as float columns where they always hold a float (an input, or an
// output rounded to single precision and widened) and as double columns
// where they do not (the Laguerre stages). A float column is half the bytes
// a row walks, and widening its value gives back the step's double exactly.
//
// Every step of src/filters lists its constants first and its carried
// values after (forEachValue), float-valued carried values before the
// others; FieldsOf<Step> says how many of each. The scalar code here and the
// vector kernels (book_kernels.hpp) visit the columns in that same order.
//
// UltimateSmoother is the exception: its step holds five gains, formed from
// the coefficient set by LowLagInputGains. The book keeps the three
// coefficients they come from and forms the gains again at each use, with
// the same operations: 16 bytes less per series.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <type_traits>

#include "stream/stream_kinds.hpp"

namespace tsfilters::stream::book {

struct Fields {
    std::int32_t constants;      // double columns
    std::int32_t floatValued;    // carried doubles kept as floats, before any other carried double
    std::int32_t floats;         // float columns: carried floats and float-valued doubles
    std::int32_t doubles;        // double columns of carried values
};

template <class Step>
struct FieldsOf;
template <>
struct FieldsOf<HighPassStep> { static constexpr Fields value{3, 2, 4, 0}; };
template <>
struct FieldsOf<SuperSmootherStep> { static constexpr Fields value{3, 2, 4, 0}; };
template <>
struct FieldsOf<UltimateSmootherStep> { static constexpr Fields value{3, 4, 4, 0}; };
template <>
struct FieldsOf<LaguerreCascadeStep> { static constexpr Fields value{1, 1, 1, 5}; };
template <>
struct FieldsOf<LaguerreDifferenceStep> { static constexpr Fields value{1, 1, 1, 1}; };
template <class First, class Second>
struct FieldsOf<Chain<First, Second>> {
    static constexpr Fields a = FieldsOf<First>::value, b = FieldsOf<Second>::value;
    static constexpr Fields value{a.constants + b.constants, 0, a.floats + b.floats, a.doubles + b.doubles};
};

// The most columns of each sort any kind has.
inline constexpr std::int32_t kMaxColumns = 8;

// One series' place in the columns: column k of each sort, element `slot`.
struct Columns {
    double* constants[kMaxColumns];
    float* floats[kMaxColumns];
    double* doubles[kMaxColumns];
};

// A step with every byte zero, to be filled from the columns: the steps are
// trivially copyable, and no coefficient needs computing for it.
template <class Step>
Step blankStep() {
    static_assert(std::is_trivially_copyable_v<Step>);
    return std::bit_cast<Step>(std::array<unsigned char, sizeof(Step)>{});
}

// Walks the columns of one series in the steps' order.
class Cursor {
public:
    Cursor(const Columns& c, std::int64_t slot) : c_(c), slot_(slot) {}

    double& constant() { return c_.constants[constant_++][slot_]; }
    float& floatColumn() { return c_.floats[float_++][slot_]; }
    double& doubleColumn() { return c_.doubles[double_++][slot_]; }

private:
    const Columns& c_;
    std::int64_t slot_;
    std::int32_t constant_ = 0, float_ = 0, double_ = 0;
};

// The carried values of `step` from or to the cursor, in forEachState order.
template <class Step>
void carriedFrom(Step& step, Cursor& at) {
    std::int32_t floatValued = FieldsOf<Step>::value.floatValued;
    step.forEachState([&](auto& v) {
        if constexpr (std::is_same_v<std::remove_reference_t<decltype(v)>, float>) {
            v = at.floatColumn();
        } else if (floatValued > 0) {
            --floatValued;
            v = static_cast<double>(at.floatColumn());
        } else {
            v = at.doubleColumn();
        }
    });
}

template <class Step>
void carriedTo(Step& step, Cursor& at) {
    std::int32_t floatValued = FieldsOf<Step>::value.floatValued;
    step.forEachState([&](auto& v) {
        if constexpr (std::is_same_v<std::remove_reference_t<decltype(v)>, float>) {
            at.floatColumn() = v;
        } else if (floatValued > 0) {
            --floatValued;
            at.floatColumn() = static_cast<float>(v);  // exact: the value is a widened float
        } else {
            at.doubleColumn() = v;
        }
    });
}

// Whether every float-valued double of the step holds a float, bit for bit:
// what a stream's update always leaves, and what a state from elsewhere
// (tsf_stream_load takes any bits) must show before a book takes it.
template <class Step>
bool carriedFits(Step& step) {
    std::int32_t floatValued = FieldsOf<Step>::value.floatValued;
    bool fits = true;
    step.forEachState([&](auto& v) {
        if constexpr (std::is_same_v<std::remove_reference_t<decltype(v)>, double>) {
            if (floatValued > 0) {
                --floatValued;
                const double back = static_cast<double>(static_cast<float>(v));
                fits = fits && std::bit_cast<std::uint64_t>(back) == std::bit_cast<std::uint64_t>(v);
            }
        }
    });
    return fits;
}

// A basic step's coefficients from or to the cursor: the first
// FieldsOf::constants values of forEachValue.
template <class Step>
void constantsFrom(Step& step, Cursor& at) {
    std::int32_t left = FieldsOf<Step>::value.constants;
    step.forEachValue([&](auto& v) {
        // Coefficients are doubles; the test keeps float values out.
        if constexpr (std::is_same_v<std::remove_reference_t<decltype(v)>, double>)
            if (left > 0) --left, v = at.constant();
    });
}

// The UltimateSmoother's gains, formed from c1, c2, c3 as its constructor
// forms them.
inline void constantsFrom(UltimateSmootherStep& step, Cursor& at) {
    TwoPoleCoefficients k{};
    k.c1 = at.constant(), k.c2 = at.constant(), k.c3 = at.constant();
    const LowLagInputGains gain(k);
    const double values[] = {gain.x0, gain.x1, gain.x2, k.c2, k.c3};
    std::int32_t n = 0;
    step.forEachValue([&](auto& v) {
        if (n < 5) v = values[n++];
    });
}

// A step's coefficients as a series' parameters give them, into the columns.
template <class Step>
void constantsTo(Step step, const Parameters&, Cursor& at) {
    std::int32_t left = FieldsOf<Step>::value.constants;
    step.forEachValue([&](auto& v) {
        if constexpr (std::is_same_v<std::remove_reference_t<decltype(v)>, double>)
            if (left > 0) --left, at.constant() = v;
    });
}

// The UltimateSmoother's step does not show its coefficient set; it is the
// one its constructor computes from the period, wherever it sits (alone, or
// first in a Laguerre filter or oscillator).
inline void constantsTo(UltimateSmootherStep, const Parameters& p, Cursor& at) {
    const TwoPoleCoefficients k = computeTwoPoleCoefficients(p.period, InputGain::UnitAtNyquist);
    at.constant() = k.c1, at.constant() = k.c2, at.constant() = k.c3;
}

// The whole step of a series, coefficients and carried values.
template <class Step>
void stepFrom(Step& step, Cursor& at) {
    constantsFrom(step, at);
    carriedFrom(step, at);
}
template <class First, class Second>
void stepFrom(Chain<First, Second>& step, Cursor& at) {
    stepFrom(step.first, at);
    stepFrom(step.second, at);
}

template <class Step>
void stepCarriedTo(Step& step, Cursor& at) {
    for (std::int32_t k = 0; k < FieldsOf<Step>::value.constants; ++k) at.constant();
    carriedTo(step, at);
}
template <class First, class Second>
void stepCarriedTo(Chain<First, Second>& step, Cursor& at) {
    stepCarriedTo(step.first, at);
    stepCarriedTo(step.second, at);
}

template <class Step>
void stepTo(Step& step, const Parameters& p, Cursor& at) {
    constantsTo(step, p, at);
    carriedTo(step, at);
}
template <class First, class Second>
void stepTo(Chain<First, Second>& step, const Parameters& p, Cursor& at) {
    stepTo(step.first, p, at);
    stepTo(step.second, p, at);
}

template <class Step>
bool stepFits(Step& step) {
    return carriedFits(step);
}
template <class First, class Second>
bool stepFits(Chain<First, Second>& step) {
    return stepFits(step.first) && stepFits(step.second);
}

}  // namespace tsfilters::stream::book
