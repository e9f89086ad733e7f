// Saved state restarts a stream anywhere: at every sample, after a byte
// copy, after a round trip through the documented format.
#include <bit>
#include <cstdint>
#include <limits>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "stream_test_support.hpp"

namespace {

using namespace stream_testing;

// Saves after every sample k, loads into a fresh stream and continues with
// the rest: the outputs and the final state are the uninterrupted stream's.
void expectRestartAnywhere(const KindCase& k, const Series& x) {
    SCOPED_TRACE(describe(k));
    tsf_stream whole = started(k);
    Series expected(x.size());
    tsf_stream_update(&whole, x.data(), std::int32_t(x.size()), expected.data());
    const auto wholeSaved = saved(whole);

    tsf_stream s = started(k);
    for (size_t cut = 0; cut <= x.size(); ++cut) {
        const auto buffer = saved(s);
        tsf_stream restarted;
        std::memset(&restarted, 0xAB, sizeof restarted);  // anything: load overwrites all
        ASSERT_EQ(tsf_stream_load(&restarted, buffer.data(), std::int32_t(buffer.size())), TSF_OK);
        ASSERT_EQ(tsf_stream_samples(&restarted), std::int64_t(cut));
        Series rest(x.size() - cut);
        tsf_stream_update(&restarted, x.data() + cut, std::int32_t(rest.size()), rest.data());
        const Series tail(expected.begin() + long(cut), expected.end());
        ASSERT_EQ(testing_support::firstDifference(rest, tail), -1) << "after a cut at " << cut;
        ASSERT_EQ(saved(restarted), wholeSaved) << "after a cut at " << cut;
        Series windowWhole(100), windowRestarted(100);
        ASSERT_EQ(tsf_stream_window(&whole, windowWhole.data()), tsf_stream_window(&restarted, windowRestarted.data()));
        EXPECT_SAME_SERIES(windowWhole, windowRestarted);
        if (cut < x.size()) {
            float y;
            tsf_stream_update(&s, &x[cut], 1, &y);
        }
    }
}

TEST(StreamSaveLoad, RestartAtEverySampleOf300) {
    const Series x = testing_support::randomWalk(300, 21);
    for (const KindCase& k : defaultKinds()) expectRestartAnywhere(k, x);
    Series odd = x;
    odd[50] = std::numeric_limits<float>::quiet_NaN();
    for (const KindCase& k : allKinds(0, 3, -0.25f)) expectRestartAnywhere(k, odd);
}

TEST(StreamSaveLoad, ByteCopyIsASnapshot) {
    const Series x = testing_support::randomWalk(250, 22);
    for (const KindCase& k : defaultKinds()) {
        tsf_stream s = started(k);
        Series head(120), a(130), b(130);
        tsf_stream_update(&s, x.data(), 120, head.data());
        tsf_stream copy;
        std::memcpy(&copy, &s, sizeof s);
        tsf_stream_update(&s, x.data() + 120, 130, a.data());
        tsf_stream_update(&copy, x.data() + 120, 130, b.data());
        EXPECT_SAME_SERIES(a, b);
    }
}

// The sizes the header documents, and the snprintf-like capacity rule.
TEST(StreamSaveLoad, SizesAndCapacity) {
    const std::int32_t documented[] = {60, 60, 68, 84, 484, 116, 484};
    for (const KindCase& k : defaultKinds()) {
        tsf_stream s = started(k);
        const std::int32_t size = tsf_stream_save(&s, nullptr, 0);
        EXPECT_EQ(size, documented[k.kind - 1]) << k.filter.name;
        std::vector<unsigned char> buffer(size_t(size) + 8, 0xEE);
        EXPECT_EQ(tsf_stream_save(&s, buffer.data(), size - 1), size);
        EXPECT_EQ(tsf_stream_save(&s, buffer.data(), -5), size);
        for (unsigned char c : buffer) ASSERT_EQ(c, 0xEE) << "wrote with too little capacity";
        EXPECT_EQ(tsf_stream_save(&s, buffer.data(), size + 8), size);
        for (size_t i = size_t(size); i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0xEE) << "wrote past its size";
        EXPECT_EQ(std::memcmp(buffer.data(), "TSFS\x01\x00", 6), 0);
        EXPECT_EQ(buffer[6], k.kind);
    }
}

// The format is fixed to the byte: a state's header fields at their offsets,
// little-endian, and its values as raw IEEE bits.
TEST(StreamSaveLoad, HeaderFieldsAtTheirOffsets) {
    KindCase k = defaultKinds()[tsf_kind(TSF_SUPER_SMOOTHER) - 1];
    k.params = {-7, 123456, -0.0f};
    tsf_stream s = started(k);
    const float x[3] = {1.5f, -2.0f, 3.0f};
    float y[3];
    tsf_stream_update(&s, x, 3, y);
    const auto b = saved(s);
    const auto u32 = [&](size_t at) { return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 | std::uint32_t(b[at + 3]) << 24; };
    EXPECT_EQ(u32(8), 60u);
    EXPECT_EQ(u32(12), std::uint32_t(-7));
    EXPECT_EQ(u32(16), 123456u);
    EXPECT_EQ(u32(20), 0x80000000u);
    EXPECT_EQ(u32(24), 3u);
    EXPECT_EQ(u32(28), 0u);
    // The newest input, then the one before (the kernel's x1, x2).
    EXPECT_EQ(u32(32), std::bit_cast<std::uint32_t>(3.0f));
    EXPECT_EQ(u32(36), std::bit_cast<std::uint32_t>(-2.0f));
}

}  // namespace

#include "tsfilters_stream.hpp"

namespace {

// The C++ face: the same bits as the C calls, and errors as exceptions.
TEST(StreamCppFace, SameBitsAndThrowsOnDamage) {
    const Series x = testing_support::randomWalk(160, 30);
    const KindCase k = defaultKinds()[6];
    tsfilters::Stream s(k.kind, k.params);
    Series y(x.size());
    s.update(x.data(), 120, y.data());
    tsfilters::Stream restored = tsfilters::Stream::load(s.save());
    for (size_t i = 120; i < x.size(); ++i) {
        const float forming = restored.peek(x[i]);
        y[i] = restored.update(x[i]);
        EXPECT_TRUE(testing_support::sameBits(forming, y[i]));
    }
    EXPECT_SAME_SERIES(y, expectedStream(k, x));
    EXPECT_EQ(restored.samples(), 160);
    Series window(100);
    EXPECT_TRUE(restored.window(window.data()));
    auto damaged = s.save();
    damaged[40] ^= 1;
    EXPECT_THROW(tsfilters::Stream::load(damaged), std::runtime_error);
    EXPECT_THROW(tsfilters::Stream(tsf_kind(9), k.params), std::runtime_error);
}

}  // namespace
