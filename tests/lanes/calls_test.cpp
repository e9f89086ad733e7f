// The lanes call's contract: refusals that write nothing, calls that do
// nothing, the instruction set in use, and memory touched only where the
// strides say (guard pages on both sides of the arrays).
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#if defined(__unix__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "lanes_test_support.hpp"
#include "stream/stream_state.hpp"

namespace {

using namespace lanes_testing;

std::vector<unsigned char> bytes(const std::vector<tsf_stream>& s) {
    std::vector<unsigned char> b(s.size() * sizeof(tsf_stream));
    std::memcpy(b.data(), s.data(), b.size());
    return b;
}

TEST(Refusals, WriteNothingAndLeaveTheStreamsAsTheyWere) {
    std::vector<tsf_stream> s = startedLanes(TSF_ULTIMATE_SMOOTHER, 20);
    const tsf_params p = laneParams(3);
    ASSERT_EQ(tsf_stream_init(&s[17], TSF_SUPER_SMOOTHER, &p), TSF_OK);
    const std::vector<unsigned char> before = bytes(s);
    std::vector<float> in(20 * 50, 1.0f), out(20 * 50, testing_support::kSentinel);

    EXPECT_EQ(tsf_lanes_update(s.data(), 20, in.data(), 20, 1, 50, out.data(), 20, 1), TSF_E_MIXED);
    EXPECT_EQ(tsf_lanes_update(s.data(), -1, in.data(), 20, 1, 50, out.data(), 20, 1), TSF_E_LANES);
    EXPECT_EQ(tsf_lanes_update(nullptr, 20, in.data(), 20, 1, 50, out.data(), 20, 1), TSF_E_NULL);
    EXPECT_EQ(tsf_lanes_update(s.data(), 17, nullptr, 20, 1, 50, out.data(), 20, 1), TSF_E_NULL);
    EXPECT_EQ(tsf_lanes_update(s.data(), 17, in.data(), 20, 1, 50, nullptr, 20, 1), TSF_E_NULL);
    s[5].opaque[0] ^= 1;  // no longer an initialised stream
    EXPECT_EQ(tsf_lanes_update(s.data(), 17, in.data(), 20, 1, 50, out.data(), 20, 1), TSF_E_NOT_STREAM);
    s[5].opaque[0] ^= 1;
    // A damaged stream is reported before mixed kinds, wherever it lies.
    for (int damaged : {0, 19}) {
        s[size_t(damaged)].opaque[0] ^= 1;
        EXPECT_EQ(tsf_lanes_update(s.data(), 20, in.data(), 20, 1, 50, out.data(), 20, 1), TSF_E_NOT_STREAM);
        s[size_t(damaged)].opaque[0] ^= 1;
    }
    EXPECT_EQ(bytes(s), before);
    for (float v : out) ASSERT_TRUE(testing_support::isSentinel(v));
    EXPECT_STRNE(tsf_strerror(TSF_E_MIXED), tsf_strerror(TSF_E_LANES));
}

// Every lane would write one slot; in place, each lane's write would also
// change the sample the next lane reads, in the order the instruction set
// visits the lanes. Refused on every target before anything is written.
TEST(Refusals, ManyLanesWritingOneSlot) {
    for (tsf_kind kind : {TSF_SUPER_SMOOTHER, TSF_LAGUERRE_OSCILLATOR}) {
        std::vector<tsf_stream> s = startedLanes(kind, 16);
        const std::vector<unsigned char> before = bytes(s);
        std::vector<float> series(300, testing_support::kSentinel), out(300, testing_support::kSentinel);
        for (size_t t = 0; t < series.size(); ++t) series[t] = 50.0f + float(t % 7);
        const std::vector<float> given = series;
        // In place, every lane on the same series.
        EXPECT_EQ(tsf_lanes_update(s.data(), 16, series.data(), 1, 0, 300, series.data(), 1, 0),
                  TSF_E_ARGUMENT);
        EXPECT_EQ(tsf_lanes_update(s.data(), 16, series.data(), 1, 0, 300, out.data(), 1, 0),
                  TSF_E_ARGUMENT);
        EXPECT_EQ(bytes(s), before);
        EXPECT_EQ(series, given);
        for (float v : out) ASSERT_TRUE(testing_support::isSentinel(v));
        // One lane may: its slot is its own.
        EXPECT_EQ(tsf_lanes_update(s.data(), 1, series.data(), 1, 0, 300, series.data(), 1, 0), 300);
    }
}

TEST(Refusals, ALaneThatWouldPassTheMostSamples) {
    constexpr std::int64_t kCeiling = TSF_MAX_SAMPLES;
    std::vector<tsf_stream> s = startedLanes(TSF_LAGUERRE_OSCILLATOR, 20);
    std::vector<float> in(20 * 4, 60.0f), out(20 * 4, testing_support::kSentinel);
    tsfilters::stream::stateOf(&s[13]).samples = kCeiling - 3;
    const std::vector<unsigned char> before = bytes(s);
    EXPECT_EQ(tsf_lanes_update(s.data(), 20, in.data(), 20, 1, 4, out.data(), 20, 1), TSF_E_FULL);
    EXPECT_EQ(bytes(s), before);
    for (float v : out) ASSERT_TRUE(testing_support::isSentinel(v));
    EXPECT_EQ(tsf_lanes_update(s.data(), 20, in.data(), 20, 1, 3, out.data(), 20, 1), 3);
    EXPECT_EQ(tsf_stream_samples(&s[13]), kCeiling);
    EXPECT_EQ(tsf_stream_samples(&s[12]), 3);
    EXPECT_EQ(tsf_lanes_update(s.data(), 20, in.data(), 20, 1, 1, out.data(), 20, 1), TSF_E_FULL);
}

TEST(NothingToDo, NoLanesOrNoSamplesReturnZeroAndTouchNothing) {
    std::vector<tsf_stream> s = startedLanes(TSF_LAGUERRE_FILTER, 4);
    const std::vector<unsigned char> before = bytes(s);
    float in[4] = {1, 2, 3, 4}, out[4] = {0, 0, 0, 0};
    EXPECT_EQ(tsf_lanes_update(s.data(), 0, in, 1, 1, 1, out, 1, 1), 0);
    EXPECT_EQ(tsf_lanes_update(nullptr, 0, nullptr, 1, 1, 1, nullptr, 1, 1), 0);
    EXPECT_EQ(tsf_lanes_update(s.data(), 4, in, 4, 1, 0, out, 4, 1), 0);
    EXPECT_EQ(tsf_lanes_update(s.data(), 4, nullptr, 4, 1, -3, nullptr, 4, 1), 0);
    EXPECT_EQ(bytes(s), before);
    for (float v : out) EXPECT_EQ(v, 0.0f);
}

bool processorHas(const std::string& set) {
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
    if (set == "avx512") return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
    if (set == "avx2") return __builtin_cpu_supports("avx2");
    if (set == "sse2") return __builtin_cpu_supports("sse2");
#elif defined(__aarch64__)
    if (set == "neon") return true;  // part of the base architecture
#endif
    return set == "scalar";
}

// Whether this build has kernels for `set` (the list comes from CMake).
bool built(const std::string& set) {
    const std::string sets = std::string(",") + TSFILTERS_LANE_SETS + ",";
    return sets.find("," + set + ",") != std::string::npos;
}

TEST(Target, IsTheOneTheEnvironmentAsksFor) {
    const char* wanted = std::getenv("TSFILTERS_SIMD");
    if (wanted == nullptr) GTEST_SKIP() << "TSFILTERS_SIMD not set; in use: " << tsf_simd_target();
    if (!processorHas(wanted)) GTEST_SKIP() << "this processor has no " << wanted;
    if (!built(wanted)) GTEST_SKIP() << "this build has no " << wanted << " kernels";
    EXPECT_STREQ(tsf_simd_target(), wanted);
}

#if defined(__unix__)
// An array whose first or last element touches an inaccessible page.
class Guarded {
public:
    Guarded(size_t elements, bool atEnd) {
        page_ = size_t(sysconf(_SC_PAGESIZE));
        const size_t data = (elements * sizeof(float) + page_ - 1) / page_ * page_;
        size_ = data + 2 * page_;
        base_ = static_cast<unsigned char*>(mmap(nullptr, size_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(base_ + page_, data, PROT_READ | PROT_WRITE);
        unsigned char* first = atEnd ? base_ + page_ + data - elements * sizeof(float) : base_ + page_;
        data_ = reinterpret_cast<float*>(first);
    }
    ~Guarded() { munmap(base_, size_); }
    float* data() { return data_; }

private:
    size_t page_, size_;
    unsigned char* base_;
    float* data_;
};

TEST(GuardPages, OddStridesTouchOnlyTheirElements) {
    const std::int32_t lanes = 19, n = 140;
    const std::int64_t inTime = 3, inLane = 3 * n + 1;  // series-major, samples 3 apart
    const std::int64_t outTime = 2 * lanes + 1, outLane = 2;
    const size_t inSize = size_t((n - 1) * inTime + (lanes - 1) * inLane + 1);
    const size_t outSize = size_t((n - 1) * outTime + (lanes - 1) * outLane + 1);
    for (bool atEnd : {false, true})
        for (int kind = TSF_HIGH_PASS; kind <= TSF_FILTER_COUNT; ++kind) {
            Guarded in(inSize, atEnd), out(outSize, atEnd);
            for (size_t i = 0; i < inSize; ++i) in.data()[i] = float(i % 97) - 40.0f;
            std::vector<tsf_stream> s = startedLanes(tsf_kind(kind), lanes);
            ASSERT_EQ(tsf_lanes_update(s.data(), lanes, in.data(), inTime, inLane, n, out.data(), outTime, outLane), n);
            // and once more past every warm-up, in the vector kernels
            ASSERT_EQ(tsf_lanes_update(s.data(), lanes, in.data(), inTime, inLane, n, out.data(), outTime, outLane), n);
        }
}
#endif

}  // namespace

namespace {

// Peek across lanes: each lane's tsf_stream_peek, from any stride, with
// the streams untouched; refusals write nothing.
TEST(Peek, EachLaneGetsItsOwnPeekAndNothingChanges) {
    for (tsf_kind kind : {TSF_SUPER_SMOOTHER, TSF_LAGUERRE_FILTER, TSF_CYBERNETIC_OSCILLATOR}) {
        const std::int32_t lanes = 21;
        std::vector<tsf_stream> s = startedLanes(kind, lanes);
        for (std::int32_t j = 0; j < lanes; ++j) {
            // Lanes at different points: before, inside and after the warm-ups.
            const Series x = laneSeries(j, size_t(5 * j + 1));
            std::vector<float> y(x.size());
            ASSERT_EQ(tsf_stream_update(&s[size_t(j)], x.data(), int32_t(x.size()), y.data()),
                      int32_t(x.size()));
        }
        const std::vector<unsigned char> before = bytes(s);
        std::vector<float> in(size_t(lanes) * 3), out(size_t(lanes) * 2, testing_support::kSentinel);
        for (size_t i = 0; i < in.size(); ++i) in[i] = 50.0f + float(i % 7) - 0.25f * float(i);
        ASSERT_EQ(tsf_lanes_peek(s.data(), lanes, in.data(), 3, out.data(), 2), TSF_OK);
        EXPECT_EQ(bytes(s), before);
        for (std::int32_t j = 0; j < lanes; ++j) {
            float alone = 0.0f;
            ASSERT_EQ(tsf_stream_peek(&s[size_t(j)], in[size_t(3 * j)], &alone), TSF_OK);
            EXPECT_EQ(std::memcmp(&alone, &out[size_t(2 * j)], sizeof alone), 0) << kind << " " << j;
            EXPECT_TRUE(testing_support::isSentinel(out[size_t(2 * j + 1)]));
        }
        // One sample broadcast to every lane (lane stride 0).
        const float x = 61.5f;
        ASSERT_EQ(tsf_lanes_peek(s.data(), lanes, &x, 0, out.data(), 1), TSF_OK);
        for (std::int32_t j = 0; j < lanes; ++j) {
            float alone = 0.0f;
            tsf_stream_peek(&s[size_t(j)], x, &alone);
            EXPECT_EQ(std::memcmp(&alone, &out[size_t(j)], sizeof alone), 0);
        }
    }
}

TEST(Peek, RefusalsWriteNothing) {
    std::vector<tsf_stream> s = startedLanes(TSF_HIGH_PASS, 6);
    float in[6] = {1, 2, 3, 4, 5, 6}, out[6];
    for (float& v : out) v = testing_support::kSentinel;
    EXPECT_EQ(tsf_lanes_peek(s.data(), -1, in, 1, out, 1), TSF_E_LANES);
    EXPECT_EQ(tsf_lanes_peek(nullptr, 6, in, 1, out, 1), TSF_E_NULL);
    EXPECT_EQ(tsf_lanes_peek(s.data(), 6, nullptr, 1, out, 1), TSF_E_NULL);
    EXPECT_EQ(tsf_lanes_peek(s.data(), 6, in, 1, nullptr, 1), TSF_E_NULL);
    EXPECT_EQ(tsf_lanes_peek(nullptr, 0, nullptr, 1, nullptr, 1), TSF_OK);
    s[5].opaque[0] ^= 1;
    EXPECT_EQ(tsf_lanes_peek(s.data(), 6, in, 1, out, 1), TSF_E_NOT_STREAM);
    s[5].opaque[0] ^= 1;
    const tsf_params p = laneParams(2);
    ASSERT_EQ(tsf_stream_init(&s[4], TSF_SUPER_SMOOTHER, &p), TSF_OK);
    EXPECT_EQ(tsf_lanes_peek(s.data(), 6, in, 1, out, 1), TSF_E_MIXED);
    for (float v : out) EXPECT_TRUE(testing_support::isSentinel(v));
}

}  // namespace
