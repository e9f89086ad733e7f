// The call contract: null pointers, repeated calls, calls from many threads,
// and nothing written past the caller's count.
#include <thread>

#include "test_support.hpp"

using namespace testing_support;

namespace {

TEST(Calls, NullPointersWriteNothing) {
    const Series x = randomWalk(150, 1);
    for (const Filter& f : allFilters()) {
        Series y(150, kSentinel);
        f.library(nullptr, 150, y.data());
        f.library(x.data(), 150, nullptr);
        for (float v : y) ASSERT_TRUE(isSentinel(v)) << f.name;
    }
}

TEST(Calls, WritesStopAtCountAndFollowThePromisedSlots) {
    const Series x = randomWalk(300, 4);
    for (const Filter& f : allFilters()) {
        const Series y = filtered(f.library, x, 250);
        for (size_t i = 0; i < y.size(); ++i) {
            const bool written = i >= size_t(f.firstWritten) && i < 250;
            ASSERT_EQ(isSentinel(y[i]), !written) << f.name << " slot " << i;
        }
    }
}

TEST(Calls, RepeatedCallsGiveTheSameBits) {
    const Series x = randomWalk(1000, 12);
    for (const Filter& f : allFilters()) {
        const Series first = filtered(f.library, x);
        EXPECT_SAME_SERIES(filtered(f.library, x), first);
        // Writing over an earlier result changes nothing either.
        Series again = first;
        f.library(x.data(), std::int32_t(x.size()), again.data());
        for (size_t i = 0; i < x.size(); ++i)
            if (!isSentinel(first[i])) ASSERT_TRUE(sameBits(again[i], first[i])) << f.name;
    }
}

TEST(Calls, ConcurrentCallsOnSharedInputMatchASingleThread) {
    const Series x = randomWalk(20000, 13);
    const std::vector<Filter> filters = allFilters();
    std::vector<Series> expected;
    for (const Filter& f : filters) expected.push_back(filtered(f.library, x));

    constexpr int kThreads = 4;
    std::vector<std::vector<Series>> results(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 5; ++round)
                for (const Filter& f : filters) results[t].push_back(filtered(f.library, x));
        });
    for (auto& th : threads) th.join();
    for (const auto& r : results)
        for (size_t k = 0; k < r.size(); ++k) EXPECT_SAME_SERIES(r[k], expected[k % filters.size()]);
}

}  // namespace
