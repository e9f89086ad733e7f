// The forming bar: peek gives the next update's bits and changes nothing.
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "stream_test_support.hpp"

namespace {

using namespace stream_testing;
using testing_support::sameBits;

// At every sample: several peeks at other values (a bar still changing),
// then the peek of the closing value, which the update must repeat.
void expectPeeksForetellUpdates(const KindCase& k, const Series& x) {
    SCOPED_TRACE(describe(k));
    tsf_stream s = started(k);
    for (size_t i = 0; i < x.size(); ++i) {
        const auto before = bytesOf(s);
        float forming = 0;
        for (float tick : {x[i] + 1.0f, x[i] * 0.5f, -x[i]}) ASSERT_EQ(tsf_stream_peek(&s, tick, &forming), TSF_OK);
        float first = 0, again = 0, updated = 0;
        ASSERT_EQ(tsf_stream_peek(&s, x[i], &first), TSF_OK);
        ASSERT_EQ(tsf_stream_peek(&s, x[i], &again), TSF_OK);
        ASSERT_EQ(bytesOf(s), before) << "peek changed the stream at sample " << i;
        ASSERT_TRUE(sameBits(first, again));
        ASSERT_EQ(tsf_stream_update(&s, &x[i], 1, &updated), 1);
        ASSERT_TRUE(sameBits(first, updated)) << "sample " << i << ": peek " << first << " update " << updated;
    }
    // Peeking changed nothing: the outputs are those of plain updates.
    tsf_stream plain = started(k);
    Series y(x.size());
    tsf_stream_update(&plain, x.data(), std::int32_t(x.size()), y.data());
    EXPECT_EQ(bytesOf(plain), bytesOf(s));
}

TEST(StreamPeek, EveryKindEverySample) {
    const Series x = testing_support::randomWalk(400, 12);
    for (const KindCase& k : defaultKinds()) expectPeeksForetellUpdates(k, x);
}

TEST(StreamPeek, OddValuesAndParameters) {
    Series x = testing_support::randomWalk(260, 13);
    x[20] = std::numeric_limits<float>::quiet_NaN();
    x[120] = std::numeric_limits<float>::infinity();
    x[121] = 3.4e38f;
    x[122] = std::numeric_limits<float>::denorm_min();
    for (const KindCase& k : allKinds(3, 2, 1.0f)) expectPeeksForetellUpdates(k, x);
    for (const KindCase& k : allKinds(0, -1, std::numeric_limits<float>::quiet_NaN())) expectPeeksForetellUpdates(k, x);
}

TEST(StreamPeek, ZeroRmsWindowPeeksNaN) {
    const Series x(150, 0.0f);
    for (const KindCase& k : defaultKinds())
        if (k.filter.oscillator) expectPeeksForetellUpdates(k, x);
}

TEST(StreamPeek, NullPointersWriteNothing) {
    tsf_stream s = started(defaultKinds()[0]);
    const auto before = bytesOf(s);
    EXPECT_EQ(tsf_stream_peek(&s, 1.0f, nullptr), TSF_E_NULL);
    float y = 7.0f;
    EXPECT_EQ(tsf_stream_peek(nullptr, 1.0f, &y), TSF_E_NULL);
    EXPECT_EQ(y, 7.0f);
    EXPECT_EQ(bytesOf(s), before);
}

}  // namespace
