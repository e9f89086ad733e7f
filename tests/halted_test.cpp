// Prices that stop moving. Every filter settles, under a repeated price,
// into a state that the next repeat leaves unchanged, and the library then
// copies the output instead of computing it; the high-pass on the way
// decays into subnormal values. Every slot must still be the plain
// reference's, however the halt starts, ends or lasts.
#include <cmath>
#include <limits>

#include "test_support.hpp"

using namespace testing_support;

namespace {

// A walk that halts for `length` samples at a time, between `moving`
// samples of walk; the first halt starts at `firstHalt`.
Series halting(size_t n, size_t firstHalt, size_t length, size_t moving, unsigned seed) {
    Series x = randomWalk(n, seed);
    for (size_t start = firstHalt; start < n; start += length + moving)
        for (size_t i = start; i < std::min(n, start + length); ++i) x[i] = x[start > 0 ? start - 1 : 0];
    return x;
}

std::vector<std::pair<std::string, Series>> haltedSeries() {
    const float inf = std::numeric_limits<float>::infinity();
    auto stuckAt = [](Series x, size_t from, float v) {
        for (size_t i = from; i < x.size(); ++i) x[i] = v;
        return x;
    };
    const Series walk = randomWalk(12000, 5);
    // +0 and -0 are different bits: alternating, they are no repeat.
    Series zeros(3000);
    for (size_t i = 0; i < zeros.size(); ++i) zeros[i] = i % 2 ? -0.0f : 0.0f;
    return {
        {"halted for good", stuckAt(walk, 1000, walk[999])},
        {"halted from the first sample", Series(12000, 42.25f)},
        {"halts of 1 to 3", halting(4000, 150, 3, 2, 6)},
        {"halts around one check", halting(6000, 101, 63, 1, 7)},
        {"halts of 64 and 65", halting(6000, 130, 65, 64, 8)},
        {"halts of 500", halting(12000, 200, 500, 500, 9)},
        {"halts of 5000", halting(30000, 300, 5000, 37, 10)},
        {"halted on NaN", stuckAt(walk, 2000, std::numeric_limits<float>::quiet_NaN())},
        {"halted on infinity", stuckAt(walk, 2000, inf)},
        {"halted on a subnormal", stuckAt(walk, 2000, 1e-40f)},
        {"halted on the largest float", stuckAt(walk, 2000, std::numeric_limits<float>::max())},
        {"signed zeros", zeros},
        {"wti filled forward", [] {
             // Every fiftieth close held for a week, as a fill over a closed market.
             const Series c = loadCloses("wti_daily.csv");
             Series x;
             for (size_t i = 0; i < c.size() && x.size() < 40000; ++i) x.insert(x.end(), i % 50 ? 1 : 7, c[i]);
             return x;
         }()},
    };
}

// The library against the reference with separate arrays and in place
// (where the slots the function leaves alone keep the input).
void expectReference(const Filter& f, const Series& x) {
    const Series expected = filtered(f.reference, x);
    EXPECT_SAME_SERIES(filtered(f.library, x), expected);
    Series inPlace = expected;
    for (size_t i = 0; i < x.size(); ++i)
        if (isSentinel(inPlace[i])) inPlace[i] = x[i];
    EXPECT_SAME_SERIES(filteredInPlace(f.library, x), inPlace);
}

TEST(Halted, EveryFunctionIsItsReferenceHoweverThePriceHalts) {
    Arguments longPeriods;
    longPeriods.period = longPeriods.highPassPeriod = 400;
    longPeriods.smoothPeriod = 40;
    longPeriods.gamma = 0.95f;
    Arguments shortPeriods;
    shortPeriods.period = shortPeriods.highPassPeriod = 3;
    shortPeriods.smoothPeriod = 2;
    shortPeriods.gamma = 0.2f;
    for (const Arguments& a : {Arguments{}, longPeriods, shortPeriods})
        for (const auto& [name, x] : haltedSeries()) {
            SCOPED_TRACE(name + ", period " + std::to_string(a.period));
            for (const Filter& f : allFilters(a)) {
                SCOPED_TRACE(f.name);
                expectReference(f, x);
            }
        }
}

}  // namespace
