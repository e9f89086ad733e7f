// Reading and setting the values a filter's step carries from one sample to
// the next, so that a test can put a step into any state at all, and a
// tally of bit-level disagreements that stays cheap over millions of cases.
#pragma once

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <type_traits>

#include <gtest/gtest.h>

namespace testing_support {

// Every value `step` carries, in its forEachState order, widened to double.
template <std::size_t N, class Step>
std::array<double, N> stateOf(Step& step) {
    std::array<double, N> values{};
    std::size_t i = 0;
    step.forEachState([&](auto& v) {
        if (i < N) values[i] = double(v);
        ++i;
    });
    EXPECT_EQ(i, N) << "the step carries a different number of values";
    return values;
}

// Puts `values` into the step's state, in its forEachState order. A value
// stored as float must be one already.
template <std::size_t N, class Step>
void setState(Step& step, const std::array<double, N>& values) {
    std::size_t i = 0;
    step.forEachState([&](auto& v) {
        if (i < N) v = static_cast<std::remove_reference_t<decltype(v)>>(values[i]);
        ++i;
    });
}

// Same bits, except that any two NaNs match: which NaN an operation passes
// on is the hardware's choice, not the arithmetic's.
inline bool sameDouble(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

inline std::string hexDouble(double v) {
    std::ostringstream s;
    s << std::hexfloat << v;
    return s.str();
}

// Counts disagreements; keeps a description of the first one only, built
// on demand so that agreeing cases cost nothing.
class Mismatches {
public:
    template <class Describe>
    void check(double actual, double expected, const char* what, Describe describe) {
        ++cases_;
        if (sameDouble(actual, expected)) return;
        if (count_++ == 0)
            first_ = std::string(what) + ": " + hexDouble(actual) + " instead of " +
                     hexDouble(expected) + " for " + describe();
    }

    template <std::size_t N, class Describe>
    void checkAll(const std::array<double, N>& actual, const std::array<double, N>& expected,
                  const char* what, Describe describe) {
        for (std::size_t i = 0; i < N; ++i) check(actual[i], expected[i], what, describe);
    }

    long count() const { return count_; }
    long cases() const { return cases_; }
    const std::string& first() const { return first_; }

private:
    long count_ = 0, cases_ = 0;
    std::string first_;
};

#define EXPECT_NO_MISMATCHES(m) \
    EXPECT_EQ((m).count(), 0) << "of " << (m).cases() << " comparisons; first: " << (m).first()

// Describes a list of values in hexadecimal, exactly.
template <class... Values>
std::string describeValues(const Values&... values) {
    std::string s;
    ((s += hexDouble(double(values)) + " "), ...);
    return s;
}

}  // namespace testing_support
