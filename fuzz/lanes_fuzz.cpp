// libFuzzer entry for tsf_lanes_update: whatever the kinds' parameters,
// samples, lane count, memory layout and the lanes' ages, every lane must
// give exactly the outputs and the final state of its stream run alone
// (NaN matching NaN, see sameFloat), and
// nothing outside the strided elements may be touched (the buffers are
// exactly as large as the strides need, so ASan sees any stray access).
//
// Bytes, each read modulo its range, missing ones taken as 0:
//   0        kind (1..7)
//   1        lanes (1..40)
//   2, 3     count (0..599)
//   4        layout: 0 time-major, 1 series-major, 2 broadcast, 3 strided
//   5        extra stride for the strided layout
//   then per lane: period and smooth period (signed bytes, so 0 and
//   negative periods occur), gamma (raw float bits, 4 bytes), samples
//   already fed before the call (0..149)
//   the rest samples as raw float bits, cycled
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_case.hpp"
#include "tsfilters_stream.h"

namespace {

// The project's rule for comparing results: the same bits, except that
// any two NaNs match. Where two NaNs of different payloads meet in one
// operation, which one comes out depends on the order in which the
// compiler placed the operands, and the scalar and vector code may differ.
bool sameFloat(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0 || (a != a && b != b);
}

// A stream word holds one double or two floats.
bool sameWord(std::uint64_t a, std::uint64_t b) {
    if (a == b) return true;
    double da, db;
    std::memcpy(&da, &a, 8);
    std::memcpy(&db, &b, 8);
    if (da != da && db != db) return true;
    float fa[2], fb[2];
    std::memcpy(fa, &a, 8);
    std::memcpy(fb, &b, 8);
    return sameFloat(fa[0], fb[0]) && sameFloat(fa[1], fb[1]);
}

[[noreturn]] void fail(const char* what, long lane, long at) {
    std::fprintf(stderr, "%s: lane %ld, sample %ld, target %s\n", what, lane, at, tsf_simd_target());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::ByteReader in(data, size);
    const auto kind = tsf_kind(1 + in.byte() % 7);
    const std::int32_t lanes = 1 + in.byte() % 40;
    const std::int32_t count = std::int32_t((in.byte() | (std::uint32_t(in.byte()) << 8)) % 600);
    const int layout = in.byte() % 4;
    const std::int64_t extra = 1 + in.byte() % 5;

    std::vector<tsf_stream> streams(static_cast<std::size_t>(lanes));
    std::vector<std::int32_t> fed(static_cast<std::size_t>(lanes));
    for (std::int32_t j = 0; j < lanes; ++j) {
        tsf_params p;
        p.period = std::int8_t(in.byte());
        p.smooth_period = std::int8_t(in.byte());
        const std::uint32_t g = in.word();
        std::memcpy(&p.gamma, &g, sizeof g);
        fed[std::size_t(j)] = in.byte() % 150;
        tsf_stream_init(&streams[std::size_t(j)], kind, &p);
    }
    std::vector<float> samples;
    for (std::size_t k = 0; k + 4 <= size_t(data + size - in.rest()); k += 4) {
        float v;
        std::memcpy(&v, in.rest() + k, 4);
        samples.push_back(v);
    }
    if (samples.empty()) samples.push_back(0.0f);
    const auto sample = [&](std::int64_t i) { return samples[std::size_t(i) % samples.size()]; };

    // Ages differ from lane to lane: some still warming up or inside an
    // oscillator's window, some past them.
    for (std::int32_t j = 0; j < lanes; ++j) {
        std::vector<float> x(std::size_t(fed[std::size_t(j)]) + 1), y(x.size());
        for (std::size_t i = 0; i < x.size(); ++i) x[i] = sample(std::int64_t(i) + j);
        tsf_stream_update(&streams[std::size_t(j)], x.data(), fed[std::size_t(j)], y.data());
    }
    std::vector<tsf_stream> alone = streams;

    std::int64_t its = lanes, ils = 1, ots = lanes, ols = 1;
    if (layout == 1) its = 1, ils = count, ots = 1, ols = count;
    if (layout == 2) its = 1, ils = 0;
    if (layout == 3) its = lanes * extra + 1, ils = extra, ots = 1, ols = std::int64_t(count) + extra;
    const auto extent = [&](std::int64_t t, std::int64_t l) {
        return count == 0 ? 1 : std::size_t((count - 1) * t + (lanes - 1) * l + 1);
    };
    std::vector<float> input(extent(its, ils)), output(extent(ots, ols), 0.0f);
    for (std::int32_t j = 0; j < lanes; ++j)
        for (std::int32_t t = 0; t < count; ++t) input[std::size_t(t * its + j * ils)] = sample(t + 7 * j);

    const int rc = tsf_lanes_update(streams.data(), lanes, input.data(), its, ils, count, output.data(), ots, ols);
    if (rc != count) fail("lanes call refused", -1, rc);

    std::vector<float> x(std::size_t(count) + 1), y(x.size());
    for (std::int32_t j = 0; j < lanes; ++j) {
        for (std::int32_t t = 0; t < count; ++t) x[std::size_t(t)] = input[std::size_t(t * its + j * ils)];
        tsf_stream_update(&alone[std::size_t(j)], x.data(), count, y.data());
        for (std::int32_t t = 0; t < count; ++t)
            if (!sameFloat(y[std::size_t(t)], output[std::size_t(t * ots + j * ols)])) {
                std::uint32_t a, b;
                std::memcpy(&a, &y[std::size_t(t)], 4);
                std::memcpy(&b, &output[std::size_t(t * ots + j * ols)], 4);
                std::fprintf(stderr, "alone %08x, lanes %08x\n", a, b);
                fail("output differs from the stream alone", j, t);
            }
        for (int w = 0; w < TSF_STREAM_WORDS; ++w) {
            const std::uint64_t a = alone[std::size_t(j)].opaque[w], b = streams[std::size_t(j)].opaque[w];
            if (!sameWord(a, b)) {
                std::fprintf(stderr, "word %d: alone %016llx, lanes %016llx\n", w, (unsigned long long)a,
                             (unsigned long long)b);
                fail("final state differs from the stream alone", j, count);
            }
        }
    }
    return 0;
}
