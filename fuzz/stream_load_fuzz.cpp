// libFuzzer entry for tsf_stream_load: whatever the bytes, a load never
// reads past `size`, never crashes, and either fails with a code, leaving
// the stream as it was, or yields a stream that saves back to exactly the
// bytes it was loaded from and runs.
//
// Byte 0 picks how the rest is used:
//   0 mod 4  the rest is the buffer, as it is;
//   2 mod 4  the rest is the buffer with its magic, version, size and CRC
//            made right, as someone crafting a state would: a mutation then
//            reaches the checks of the content (sample count, window, state)
//            instead of dying at the checksum. The seeds in
//            corpus_stream_load/ are saved states of every kind in this mode;
//   odd      the rest describes a valid saved state (kind, parameters,
//            samples fed) and the damage done to it: a truncation and bit
//            flips. The code each damage must get is checked, and an
//            undamaged state must continue exactly as the stream it was
//            saved from.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "load_fuzz.hpp"
#include "tsfilters_stream.h"

namespace {

using fuzzing::Bytes;
using fuzzing::fail;

bool sameBytes(const tsf_stream& a, const tsf_stream& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A stream with some history, the target of every load.
tsf_stream target() {
    tsf_stream s;
    const tsf_params p = {20, 10, 0.8f};
    tsf_stream_init(&s, TSF_LAGUERRE_FILTER, &p);
    const float x[3] = {1, 2, 3};
    float y[3];
    tsf_stream_update(&s, x, 3, y);
    return s;
}

// Loads from a heap block of exactly `b.size()` bytes (ASan guards its end)
// and checks the outcome that holds for any bytes. Returns the code.
int loadChecked(const Bytes& b, tsf_stream& s) {
    const tsf_stream before = s;
    std::unique_ptr<unsigned char[]> exact(new unsigned char[b.size() + 1]);
    if (!b.empty()) std::memcpy(exact.get(), b.data(), b.size());
    const int rc = tsf_stream_load(&s, exact.get(), std::int32_t(b.size()));
    if (rc != TSF_OK) {
        if (rc > 0 || rc < TSF_E_STATE) fail("load returned an unknown code", rc);
        if (!sameBytes(before, s)) fail("a failed load changed the stream", rc);
        return rc;
    }
    // Loaded: it saves back to the same bytes, and it runs.
    Bytes again(b.size() + 8, 0xEE);
    if (tsf_stream_save(&s, again.data(), std::int32_t(again.size())) != std::int32_t(b.size()) ||
        std::memcmp(again.data(), b.data(), b.size()) != 0)
        fail("a loaded state does not save back to its bytes");
    const std::int64_t samples = tsf_stream_samples(&s);
    if (samples < 0 || samples > TSF_MAX_SAMPLES) fail("a loaded stream has an impossible count");
    float x[120], y[120], window[100], peeked;
    for (int i = 0; i < 120; ++i) x[i] = float(i % 9) - 4.0f;
    tsf_stream_peek(&s, 1.0f, &peeked);
    const std::int32_t fits = samples > TSF_MAX_SAMPLES - 120 ? TSF_E_FULL : 120;
    if (tsf_stream_update(&s, x, 120, y) != fits) fail("a loaded stream does not update");
    tsf_stream_window(&s, window);
    return rc;
}

// The code a flip in byte `at` must get (see the format in the header).
int codeForFlip(std::size_t at) {
    if (at < 4) return TSF_E_MAGIC;
    if (at < 6) return TSF_E_VERSION;
    if (at >= 8 && at < 12) return TSF_E_SIZE;
    return TSF_E_CRC;
}

void damagedValidState(fuzzing::ByteReader& in) {
    const auto kind = tsf_kind(1 + in.byte() % 7);
    const tsf_params p = {std::int8_t(in.byte()), std::int8_t(in.byte()), std::bit_cast<float>(in.word())};
    const int fed = in.byte() | (in.byte() & 1) << 8;  // 0..511: either side of the window
    const std::uint8_t damage = in.byte();
    tsf_stream s;
    tsf_stream_init(&s, kind, &p);
    const std::vector<float> x = fuzzing::decodeSamples(damage & 3, in.rest(), in.restSize(), fed + 50);
    std::vector<float> y(x.size()), expected(x.size());
    tsf_stream_update(&s, x.data(), fed, y.data());
    Bytes b(std::size_t(tsf_stream_save(&s, nullptr, 0)));
    tsf_stream_save(&s, b.data(), std::int32_t(b.size()));

    // Damage chosen from the first sample bytes, so the fuzzer steers it.
    const std::uint32_t where = std::uint32_t(x.empty() ? 0 : std::bit_cast<std::uint32_t>(x[0]));
    tsf_stream t = target();
    const auto load = [&t](const Bytes& bytes) { return loadChecked(bytes, t); };
    if (!fuzzing::damaged(b, damage, where, load, codeForFlip, TSF_E_SIZE)) {
        // Intact: it continues exactly as the original.
        if (loadChecked(b, t) != TSF_OK) fail("a saved state does not load");
        tsf_stream_load(&t, b.data(), std::int32_t(b.size()));
        tsf_stream_update(&s, x.data() + fed, 50, expected.data());
        tsf_stream_update(&t, x.data() + fed, 50, y.data());
        for (int i = 0; i < 50; ++i)
            if (std::bit_cast<std::uint32_t>(expected[std::size_t(i)]) != std::bit_cast<std::uint32_t>(y[std::size_t(i)]))
                fail("a loaded stream continues differently", i);
    }
}

// A buffer made to pass every check up to the content's.
void resealed(fuzzing::ByteReader& in) {
    Bytes b(in.rest(), in.rest() + in.restSize());
    if (b.size() < 36) b.resize(36, 0);
    std::memcpy(b.data(), "TSFS\x01\x00", 6);
    fuzzing::put(b.data() + 8, b.size(), 4);
    fuzzing::seal(b);
    tsf_stream t = target();
    const int rc = loadChecked(b, t);
    if (rc == TSF_E_MAGIC || rc == TSF_E_VERSION || rc == TSF_E_CRC) fail("a resealed state died early", rc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzzing::byMode(data, size, damagedValidState, resealed, [](const Bytes& b) {
        tsf_stream t = target();
        loadChecked(b, t);
    });
}
