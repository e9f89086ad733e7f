// Only what save wrote loads: every damage gets its own code, the stream
// stays as it was, and nothing past `size` is read.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "stream_test_support.hpp"

namespace {

using namespace stream_testing;
using Bytes = std::vector<unsigned char>;

// A stream with history, to load into: any failed load must leave it so.
struct Target {
    tsf_stream s;
    Bytes before;
    Target() {
        const KindCase k = defaultKinds()[5];
        s = started(k);
        const Series x = testing_support::randomWalk(37, 1);
        Series y(x.size());
        tsf_stream_update(&s, x.data(), 37, y.data());
        before = bytesOf(s);
    }
    // Loads from a heap block of exactly b.size() bytes, so that ASan sees
    // any read past it.
    int load(const Bytes& b) {
        std::unique_ptr<unsigned char[]> exact(new unsigned char[b.size() + (b.empty() ? 1 : 0)]);
        if (!b.empty()) std::memcpy(exact.get(), b.data(), b.size());
        return tsf_stream_load(&s, exact.get(), std::int32_t(b.size()));
    }
    bool untouched() const { return bytesOf(s) == before; }
};

// A saved state of every kind, some samples in (past an oscillator's window).
std::vector<Bytes> validStates() { return savedStatesAfter(130, 2); }

// Which code a flip of bit `bit` of byte `at` must get: the magic's and the
// version's own codes, the size field's, and the checksum's for the rest.
int expectedForFlip(size_t at) {
    if (at < 4) return TSF_E_MAGIC;
    if (at < 6) return TSF_E_VERSION;
    if (at >= 8 && at < 12) return TSF_E_SIZE;
    return TSF_E_CRC;
}

TEST(StreamLoadRejects, EverySingleBitFlip) {
    for (const Bytes& valid : validStates()) {
        Target t;
        ASSERT_EQ(t.load(valid), TSF_OK);
        Target target;
        for (size_t at = 0; at < valid.size(); ++at)
            for (int bit = 0; bit < 8; ++bit) {
                Bytes b = valid;
                b[at] ^= static_cast<unsigned char>(1u << bit);
                ASSERT_EQ(target.load(b), expectedForFlip(at)) << "byte " << at << " bit " << bit;
                ASSERT_TRUE(target.untouched());
            }
    }
}

TEST(StreamLoadRejects, EveryTruncationAndExtension) {
    for (const Bytes& valid : validStates()) {
        Target target;
        for (size_t n = 0; n < valid.size(); ++n) {
            ASSERT_EQ(target.load(Bytes(valid.begin(), valid.begin() + long(n))), TSF_E_SIZE) << n << " bytes";
            ASSERT_TRUE(target.untouched());
        }
        Bytes longer = valid;
        longer.push_back(0);
        EXPECT_EQ(target.load(longer), TSF_E_SIZE);
        EXPECT_TRUE(target.untouched());
    }
}

// A later version's state is known by its sixth byte, whatever its size
// and content: five bytes cannot tell it from a truncated state.
TEST(StreamLoadRejects, AnotherVersionFromItsSixthByteOn) {
    Bytes b = validStates()[0];
    b[4] = 2;
    Target target;
    for (size_t n : {size_t(6), size_t(7), size_t(35), size_t(36), b.size()})
        EXPECT_EQ(target.load(Bytes(b.begin(), b.begin() + long(n))), TSF_E_VERSION) << n << " bytes";
    EXPECT_EQ(target.load(Bytes(b.begin(), b.begin() + 5)), TSF_E_SIZE);
    EXPECT_TRUE(target.untouched());
}

// Damage that keeps the checksum right: only what save can write loads.
TEST(StreamLoadRejects, ConsistentButForeignContent) {
    const std::vector<Bytes> states = validStates();
    Target target;
    const auto edited = [&](size_t state, size_t at, unsigned char value) {
        Bytes b = states[state];
        b[at] = value;
        return resealed(b);
    };
    EXPECT_EQ(target.load(edited(0, 0, 'X')), TSF_E_MAGIC);
    EXPECT_EQ(target.load(edited(0, 4, 2)), TSF_E_VERSION);
    EXPECT_EQ(target.load(edited(0, 5, 1)), TSF_E_VERSION);
    EXPECT_EQ(target.load(edited(0, 6, 0)), TSF_E_KIND);
    EXPECT_EQ(target.load(edited(0, 6, 8)), TSF_E_KIND);
    EXPECT_EQ(target.load(edited(0, 7, 1)), TSF_E_KIND);
    // A known kind whose state has another size (HighPass bytes as UltimateSmoother's).
    EXPECT_EQ(target.load(edited(0, 6, 3)), TSF_E_SIZE);
    // A negative sample count.
    EXPECT_EQ(target.load(edited(0, 31, 0x80)), TSF_E_STATE);
    // An oscillator's window slot past the samples consumed, not zero.
    tsf_stream young = started(defaultKinds()[6]);
    float y;
    const float x = 1.0f;
    tsf_stream_update(&young, &x, 1, &y);
    Bytes b = saved(young);
    EXPECT_EQ(target.load(b), TSF_OK);
    target = Target();
    b[84 + 4 * 50] = 1;  // window slot 50 of 100, after 1 sample
    EXPECT_EQ(target.load(resealed(b)), TSF_E_STATE);
    EXPECT_TRUE(target.untouched());
    // Random bytes behind a right magic and version.
    Bytes noise(200);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<unsigned char>(i * 37 + 11);
    std::memcpy(noise.data(), "TSFS\x01\x00", 6);
    EXPECT_EQ(target.load(noise), TSF_E_SIZE);
    EXPECT_TRUE(target.untouched());
}

TEST(StreamLoadRejects, NullPointers) {
    Target target;
    const Bytes valid = validStates()[0];
    EXPECT_EQ(tsf_stream_load(nullptr, valid.data(), std::int32_t(valid.size())), TSF_E_NULL);
    EXPECT_EQ(tsf_stream_load(&target.s, nullptr, 60), TSF_E_NULL);
    EXPECT_TRUE(target.untouched());
}

// Streams that were never initialised are refused by every call, which
// then writes nothing.
TEST(StreamLoadRejects, UninitialisedStreamsAndBadArguments) {
    tsf_stream s;
    std::memset(&s, 0, sizeof s);
    float y = 5.0f;
    Series window(100, testing_support::kSentinel);
    unsigned char buffer[600];
    std::memset(buffer, 0xCD, sizeof buffer);
    EXPECT_EQ(tsf_stream_update(&s, &y, 1, &y), TSF_E_NOT_STREAM);
    EXPECT_EQ(tsf_stream_peek(&s, 1.0f, &y), TSF_E_NOT_STREAM);
    EXPECT_EQ(tsf_stream_window(&s, window.data()), TSF_E_NOT_STREAM);
    EXPECT_EQ(tsf_stream_samples(&s), TSF_E_NOT_STREAM);
    EXPECT_EQ(tsf_stream_save(&s, buffer, sizeof buffer), TSF_E_NOT_STREAM);
    EXPECT_EQ(y, 5.0f);
    for (unsigned char c : buffer) ASSERT_EQ(c, 0xCD);

    const tsf_params p = {20, 10, 0.8f};
    std::memset(&s, 0x5A, sizeof s);
    const Bytes junk = bytesOf(s);
    EXPECT_EQ(tsf_stream_init(&s, tsf_kind(0), &p), TSF_E_KIND);
    EXPECT_EQ(tsf_stream_init(&s, tsf_kind(8), &p), TSF_E_KIND);
    EXPECT_EQ(tsf_stream_init(&s, TSF_HIGH_PASS, nullptr), TSF_E_NULL);
    EXPECT_EQ(tsf_stream_init(nullptr, TSF_HIGH_PASS, &p), TSF_E_NULL);
    EXPECT_EQ(bytesOf(s), junk);

    ASSERT_EQ(tsf_stream_init(&s, TSF_BAND_PASS, &p), TSF_OK);
    const Bytes fresh = bytesOf(s);
    EXPECT_EQ(tsf_stream_update(&s, nullptr, 1, &y), TSF_E_NULL);
    EXPECT_EQ(tsf_stream_update(&s, &y, 1, nullptr), TSF_E_NULL);
    EXPECT_EQ(tsf_stream_update(nullptr, &y, 1, &y), TSF_E_NULL);
    EXPECT_EQ(tsf_stream_save(&s, nullptr, 1000), TSF_E_NULL);
    EXPECT_EQ(tsf_stream_window(&s, nullptr), TSF_E_NULL);
    EXPECT_EQ(tsf_stream_samples(nullptr), TSF_E_NULL);
    EXPECT_EQ(bytesOf(s), fresh);
    EXPECT_EQ(tsf_stream_bytes(), sizeof(tsf_stream));
}

TEST(StreamLoadRejects, EveryCodeHasItsOwnMessage) {
    std::vector<std::string> seen;
    for (int code : {TSF_OK, TSF_E_NULL, TSF_E_KIND, TSF_E_NOT_STREAM, TSF_E_MAGIC, TSF_E_VERSION,
                     TSF_E_SIZE, TSF_E_CRC, TSF_E_STATE}) {
        const std::string m = tsf_strerror(code);
        EXPECT_FALSE(m.empty());
        for (const std::string& other : seen) EXPECT_NE(m, other) << code;
        seen.push_back(m);
    }
    EXPECT_NE(tsf_strerror(-1000), nullptr);
    EXPECT_NE(tsf_strerror(42), nullptr);
}

}  // namespace
