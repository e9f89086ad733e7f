// Saved states crafted by someone who recomputes the checksum, and stream
// memory written by hand: the sample count is what decides where a sample
// lands in an oscillator's window, so a count the library could never have
// reached must be refused before anything indexes with it. Run under ASan,
// any slip here is a heap overflow, not a wrong number.
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "stream/stream_state.hpp"
#include "stream_test_support.hpp"

namespace {

using namespace stream_testing;
using Bytes = std::vector<unsigned char>;

constexpr std::int64_t kCeiling = std::int64_t{1} << 53;
constexpr size_t kSamplesAt = 24;  // the saved sample count, little-endian int64

Bytes withSamples(Bytes b, std::int64_t samples) {
    for (int i = 0; i < 8; ++i)
        b[kSamplesAt + size_t(i)] = static_cast<unsigned char>(std::uint64_t(samples) >> (8 * i));
    return resealed(b);
}

// Every kind, 130 samples in: past the oscillators' window and any warm-up.
std::vector<Bytes> statesWithHistory() { return savedStatesAfter(130, 7); }

int load(tsf_stream& s, const Bytes& b) { return tsf_stream_load(&s, b.data(), std::int32_t(b.size())); }

TEST(CraftedStates, ASampleCountNoStreamReachesIsRefused) {
    for (const Bytes& valid : statesWithHistory()) {
        tsf_stream target = started(defaultKinds()[6]);
        const Bytes before = bytesOf(target);
        for (std::int64_t samples : {kCeiling + 1, std::int64_t(INT64_MAX), std::int64_t(INT64_MIN),
                                     std::int64_t(-1), -kCeiling})
            EXPECT_EQ(load(target, withSamples(valid, samples)), TSF_E_STATE) << samples;
        EXPECT_EQ(bytesOf(target), before);
        EXPECT_EQ(load(target, withSamples(valid, kCeiling)), TSF_OK);
        EXPECT_EQ(tsf_stream_samples(&target), kCeiling);
    }
}

TEST(CraftedStates, AtTheCeilingAnUpdateFailsAndChangesNothing) {
    const std::vector<KindCase> kinds = defaultKinds();
    const std::vector<Bytes> states = statesWithHistory();
    for (size_t k = 0; k < kinds.size(); ++k) {
        SCOPED_TRACE(describe(kinds[k]));
        tsf_stream s;
        ASSERT_EQ(load(s, withSamples(states[k], kCeiling - 2)), TSF_OK);
        float in[3] = {50.0f, 51.0f, 52.0f};
        float out[3] = {testing_support::kSentinel, testing_support::kSentinel, testing_support::kSentinel};
        const Bytes before = bytesOf(s);
        EXPECT_EQ(tsf_stream_update(&s, in, 3, out), TSF_E_FULL);
        EXPECT_EQ(bytesOf(s), before);
        for (float v : out) EXPECT_TRUE(testing_support::isSentinel(v));
        EXPECT_EQ(tsf_stream_update(&s, in, 2, out), 2);
        EXPECT_EQ(tsf_stream_samples(&s), kCeiling);
        EXPECT_EQ(tsf_stream_update(&s, in, 1, out), TSF_E_FULL);
        float y = 0.0f;
        EXPECT_EQ(tsf_stream_peek(&s, 53.0f, &y), TSF_OK);  // a peek consumes nothing
        // And it saves and loads again, at the ceiling.
        tsf_stream again;
        EXPECT_EQ(load(again, saved(s)), TSF_OK);
        EXPECT_EQ(bytesOf(again), bytesOf(s));
    }
}

TEST(CraftedStates, NoSamplesMeansInitsState) {
    for (const KindCase& k : defaultKinds()) {
        SCOPED_TRACE(describe(k));
        const tsf_stream fresh = started(k);
        Bytes b = saved(fresh);
        tsf_stream target = started(k);
        ASSERT_EQ(load(target, b), TSF_OK);
        b[32] ^= 0x40;  // the first carried value, with no sample to have changed it
        EXPECT_EQ(load(target, resealed(b)), TSF_E_STATE);
        EXPECT_EQ(bytesOf(target), bytesOf(fresh));
    }
}

TEST(CraftedStates, HandWrittenStreamMemoryIsNotAStream) {
    for (const KindCase& k : defaultKinds()) {
        tsf_stream s = started(k);
        for (std::int64_t samples : {std::int64_t(-1), std::int64_t(INT64_MIN), kCeiling + 1}) {
            tsfilters::stream::stateOf(&s).samples = samples;
            float x = 1.0f, y = testing_support::kSentinel;
            Series window(100, testing_support::kSentinel);
            EXPECT_EQ(tsf_stream_update(&s, &x, 1, &y), TSF_E_NOT_STREAM);
            EXPECT_EQ(tsf_stream_peek(&s, x, &y), TSF_E_NOT_STREAM);
            EXPECT_EQ(tsf_stream_window(&s, window.data()), TSF_E_NOT_STREAM);
            EXPECT_EQ(tsf_stream_save(&s, nullptr, 0), TSF_E_NOT_STREAM);
            EXPECT_EQ(tsf_lanes_update(&s, 1, &x, 1, 1, 1, &y, 1, 1), TSF_E_NOT_STREAM);
            EXPECT_EQ(tsf_stream_reset(&s), TSF_E_NOT_STREAM);
            EXPECT_TRUE(testing_support::isSentinel(y));
        }
    }
}

TEST(Reset, IsInitAgainWithTheSameParameters) {
    for (const KindCase& k : allKinds(33, 7, 0.55f)) {
        SCOPED_TRACE(describe(k));
        tsf_stream s = started(k);
        const Bytes fresh = bytesOf(s);
        Series x = testing_support::randomWalk(150, 3);
        x[120] = kNaN;  // poisoned from here on
        Series y(x.size());
        tsf_stream_update(&s, x.data(), std::int32_t(x.size()), y.data());
        ASSERT_EQ(tsf_stream_reset(&s), TSF_OK);
        EXPECT_EQ(bytesOf(s), fresh);
        x[120] = 1.0f;
        EXPECT_SAME_SERIES(fedInChunks(s, x, {150}), expectedStream(k, x));
    }
    EXPECT_EQ(tsf_stream_reset(nullptr), TSF_E_NULL);
    tsf_stream junk;
    std::memset(&junk, 0, sizeof junk);
    EXPECT_EQ(tsf_stream_reset(&junk), TSF_E_NOT_STREAM);
}

TEST(CraftedStates, TheNewCodesHaveTheirOwnMessages) {
    EXPECT_STRNE(tsf_strerror(TSF_E_FULL), tsf_strerror(TSF_E_STATE));
    EXPECT_STRNE(tsf_strerror(TSF_E_ARGUMENT), tsf_strerror(TSF_E_FULL));
    EXPECT_STRNE(tsf_strerror(TSF_E_ARGUMENT), tsf_strerror(-1000));
}

}  // namespace
