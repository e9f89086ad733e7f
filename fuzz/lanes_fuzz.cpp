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
//   4        layout: 0 time-major, 1 series-major, 2 broadcast, 3 strided,
//            4 time-major in place, 5 input and output in one buffer
//   5        extra stride for the strided layout
//   layout 5 only: input time and lane strides (see strideFrom), then a
//            byte whose bit 0 asks for output strides of their own (two
//            more bytes) and bit 1 for a shift of the output (a signed
//            byte, in elements). The call may refuse such a layout, and
//            then must have written nothing and changed no stream.
//   then per lane: period and smooth period (signed bytes, so 0 and
//   negative periods occur), gamma (raw float bits, 4 bytes), samples
//   already fed before the call (0..149)
//   the rest samples as raw float bits, cycled
#include <algorithm>
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

// Byte for byte, NaNs included; an empty vector may hold no array at all.
template <class T>
bool sameBytes(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// A stride for layout 5: 0, 1, n or a little more than n, either sign,
// so that tables, series one after another and overlaps of both occur.
std::int64_t strideFrom(std::uint8_t b, std::int64_t n) {
    const std::int64_t magnitudes[] = {0, 1, n, n + 1 + (b >> 3) % 4};
    const std::int64_t m = magnitudes[(b >> 1) % 4];
    return b & 1 ? -m : m;
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
    const int layout = in.byte() % 6;
    const std::int64_t extra = 1 + in.byte() % 5;
    std::int64_t its = lanes, ils = 1, ots = lanes, ols = 1, shift = 0;
    if (layout == 1) its = 1, ils = count, ots = 1, ols = count;
    if (layout == 2) its = 1, ils = 0;
    if (layout == 3) its = lanes * extra + 1, ils = extra, ots = 1, ols = std::int64_t(count) + extra;
    if (layout == 5) {
        its = ots = strideFrom(in.byte(), lanes);
        ils = ols = strideFrom(in.byte(), count);
        const std::uint8_t how = in.byte();
        if (how & 1) ots = strideFrom(in.byte(), lanes), ols = strideFrom(in.byte(), count);
        if (how & 2) shift = std::int8_t(in.byte());
    }
    const bool oneBuffer = layout >= 4;

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

    // Elements low .. high of each side, from its first; the buffers hold
    // exactly those (and for one buffer, both sides' together).
    const auto span = [&](std::int64_t t, std::int64_t l, std::int64_t& low, std::int64_t& high) {
        const std::int64_t a = std::int64_t(count > 0 ? count - 1 : 0) * t, b = std::int64_t(lanes - 1) * l;
        low = std::min<std::int64_t>(a, 0) + std::min<std::int64_t>(b, 0);
        high = std::max<std::int64_t>(a, 0) + std::max<std::int64_t>(b, 0);
    };
    std::int64_t inLow, inHigh, outLow, outHigh;
    span(its, ils, inLow, inHigh);
    span(ots, ols, outLow, outHigh);
    std::vector<float> inputs, outputs;
    float *input, *output;
    if (oneBuffer) {
        const std::int64_t low = std::min(inLow, outLow + shift), high = std::max(inHigh, outHigh + shift);
        inputs.assign(std::size_t(high - low + 1), 0.0f);
        input = inputs.data() - low;
        output = input + shift;
    } else {
        inputs.assign(std::size_t(inHigh - inLow + 1), 0.0f);
        outputs.assign(std::size_t(outHigh - outLow + 1), 0.0f);
        input = inputs.data() - inLow;
        output = outputs.data() - outLow;
    }
    for (std::int32_t j = 0; j < lanes; ++j)
        for (std::int32_t t = 0; t < count; ++t) input[t * its + j * ils] = sample(t + 7 * j);
    const std::vector<float> givenInputs = inputs, givenOutputs = outputs;
    const std::vector<tsf_stream> givenStreams = streams;
    const float* given = givenInputs.data() + (input - inputs.data());

    const int rc = tsf_lanes_update(streams.data(), lanes, input, its, ils, count, output, ots, ols);
    if (rc == TSF_E_ARGUMENT && layout == 5) {
        if (!sameBytes(inputs, givenInputs) || !sameBytes(outputs, givenOutputs))
            fail("a refused call wrote", -1, rc);
        if (!sameBytes(streams, givenStreams)) fail("a refused call changed a stream", -1, rc);
        return 0;
    }
    if (rc != count) fail("lanes call refused", -1, rc);

    std::vector<float> x(std::size_t(count) + 1), y(x.size());
    for (std::int32_t j = 0; j < lanes; ++j) {
        for (std::int32_t t = 0; t < count; ++t) x[std::size_t(t)] = given[t * its + j * ils];
        tsf_stream_update(&alone[std::size_t(j)], x.data(), count, y.data());
        // An output time stride of 0 keeps only a lane's last output.
        for (std::int32_t t = ots == 0 ? std::max(count - 1, 0) : 0; t < count; ++t)
            if (!sameFloat(y[std::size_t(t)], output[t * ots + j * ols])) {
                std::uint32_t a, b;
                std::memcpy(&a, &y[std::size_t(t)], 4);
                std::memcpy(&b, &output[t * ots + j * ols], 4);
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
