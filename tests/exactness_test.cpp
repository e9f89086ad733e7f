// Every slot of every function against the plain reference, to the bit, over
// ordinary, real, tiny, huge and non-finite series and odd arguments; the
// one-pass composites also against their kernels run through the exported
// functions into scratch series, and the kernels against the reference on
// the same long series.
#include <climits>
#include <limits>

#include "test_support.hpp"

using namespace testing_support;

namespace {

std::vector<std::pair<std::string, Series>> awkwardSeries() {
    const Series walk = randomWalk(400, 42);
    auto scaled = [&](float k) {
        Series s = walk;
        for (float& v : s) v *= k;
        return s;
    };
    Series nonFinite = walk;
    nonFinite[120] = std::numeric_limits<float>::quiet_NaN();
    nonFinite[250] = std::numeric_limits<float>::infinity();
    nonFinite[251] = -std::numeric_limits<float>::infinity();
    Series extremes(400);
    for (size_t i = 0; i < extremes.size(); ++i)
        extremes[i] = (i % 3 ? 1.0f : -1.0f) * std::numeric_limits<float>::max();
    return {{"walk", walk},
            {"tiny", scaled(1e-30f)},
            {"denormal", scaled(1e-41f)},
            {"huge", scaled(1e35f)},
            {"nonFinite", nonFinite},
            {"extremes", extremes},
            {"wti", loadCloses("wti_daily.csv")}};
}

// Library against reference with separate arrays, and in place, where the
// slots the function leaves alone keep the input.
void expectMatchesReference(const Filter& f, const Series& x) {
    SCOPED_TRACE(f.name);
    const Series expected = filtered(f.reference, x);
    EXPECT_SAME_SERIES(filtered(f.library, x), expected);
    Series inPlace = expected;
    for (size_t i = 0; i < x.size(); ++i)
        if (isSentinel(inPlace[i])) inPlace[i] = x[i];
    EXPECT_SAME_SERIES(filteredInPlace(f.library, x), inPlace);
}

TEST(Exactness, AllFunctionsOnAwkwardSeries) {
    for (const auto& [name, x] : awkwardSeries()) {
        SCOPED_TRACE(name);
        for (const Filter& f : allFilters()) expectMatchesReference(f, x);
    }
}

TEST(Exactness, OddPeriods) {
    const Series x = randomWalk(300, 8);
    for (std::int32_t p : {INT_MIN, -7, -1, 0, 1, 2, 3, 10, 1000000, INT_MAX}) {
        SCOPED_TRACE(p);
        for (const Filter& f : allFilters({p, p, p, 0.8f})) expectMatchesReference(f, x);
        for (const Filter& f : allFilters({p, 48, p, 0.8f})) expectMatchesReference(f, x);
    }
}

TEST(Exactness, EveryShortPeriod) {
    // A one-ulp slip in a coefficient only shows in the output now and then,
    // so sweep many periods over a long series.
    const Series x = randomWalk(5000, 21);
    for (std::int32_t p = 1; p <= 64; ++p) {
        SCOPED_TRACE(p);
        for (const Filter& f : allFilters({p, p + 7, p, 0.5f})) {
            SCOPED_TRACE(f.name);
            EXPECT_SAME_SERIES(filtered(f.library, x), filtered(f.reference, x));
        }
    }
}

TEST(Exactness, OddGammas) {
    const Series x = randomWalk(300, 9);
    const float inf = std::numeric_limits<float>::infinity();
    for (float g : {0.0f, 1.0f, -0.5f, 1.5f, 0.999999f, std::nanf(""), inf, -inf}) {
        SCOPED_TRACE(g);
        for (const Filter& f : allFilters({20, 48, 10, g})) expectMatchesReference(f, x);
    }
}

TEST(Exactness, ShortAndNegativeCountsTouchOnlyTheirSlots) {
    const Series x = randomWalk(120, 10);
    for (std::int32_t n : {INT_MIN, -1, 0, 1, 2, 3, 4, 5, 6, 99, 100, 101}) {
        SCOPED_TRACE(n);
        for (const Filter& f : allFilters()) {
            SCOPED_TRACE(f.name);
            EXPECT_SAME_SERIES(filtered(f.library, x, n), filtered(f.reference, x, n));
        }
    }
}

TEST(Exactness, EveryFunctionEqualsItsStagedComputationOnLongSeries) {
    std::vector<Series> inputs = {randomWalk(200000, 77, 50.0f, 0.5f),
                                  loadCloses("wti_daily.csv"), loadCloses("henry_hub_daily.csv"),
                                  loadCloses("tsp_c_fund_daily.csv")};
    for (const Series& x : inputs)
        for (const Filter& f : allFilters()) {
            SCOPED_TRACE(f.name);
            EXPECT_SAME_SERIES(filtered(f.library, x), filtered(f.staged, x));
        }
}

}  // namespace
