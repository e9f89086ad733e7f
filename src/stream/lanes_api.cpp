// tsf_lanes_update: many streams of one kind advanced together, each lane
// with its own parameters, each giving exactly what tsf_stream_update gives
// it alone.
//
// Samples that need a stream's special handling (warm-ups, a Laguerre
// filter's sample 0, an oscillator's window) go through the stream's own
// update, lane by lane; so do short calls, the lanes that do not fill a
// whole block, and everything on the scalar target. The rest runs in the
// vector kernels, with the lanes' values transposed in place (lanes_job.hpp)
// for the duration of the call.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "stream/advance.hpp"
#include "stream/lanes_job.hpp"
#include "stream/lanes_overlap.hpp"
#include "stream/simd_target.hpp"
#include "stream/stream_kinds.hpp"
#include "stream/stream_state.hpp"
#include "stream/value_offsets.hpp"
#include "tsfilters_stream.h"

namespace tsfilters::stream::lanes {
namespace {

static_assert(offsetof(StreamState, scale) + sizeof(float) <= kTransposedWords * 8,
              "every value the kernels read lies in the transposed words");
static_assert(TSF_STREAM_WORDS >= kTransposedWords);
static_assert(sizeof(tsf_stream) == TSF_STREAM_WORDS * sizeof(std::uint64_t),
              "the kernels step from stream to stream by TSF_STREAM_WORDS words");

// Below this many vector rows a call is cheaper lane by lane than
// transposing the streams there and back.
constexpr std::int32_t kVectorRowsFrom = 32;

// The largest block any kernel uses.
constexpr std::int32_t kMaxBlockLanes = 8;

constexpr std::int32_t kPrefetchAhead = 8;

// Rows per pass across the lanes when they go one by one over a table.
constexpr std::int32_t kRowsPerPass = 64;

// The cache lines of a stream that an update reads: header, step, scale.
inline void prefetchStep(const tsf_stream& s) {
#if defined(__GNUC__) || defined(__clang__)
    for (std::size_t at = 0; at < offsetof(StreamState, scale) + sizeof(float); at += 64)
        __builtin_prefetch(reinterpret_cast<const unsigned char*>(&s) + at, 1);
#else
    static_cast<void>(s);
#endif
}

struct Layout {
    const float* input;
    std::int64_t inputTimeStride, inputLaneStride;
    float* output;
    std::int64_t outputTimeStride, outputLaneStride;
};

// Rows row0 .. row0 + rows - 1 of one lane, through the stream's own update.
template <class Kind>
void advanceLane(StreamState& s, const Layout& at, std::int64_t lane, std::int32_t row0,
                 std::int32_t rows) {
    const float* in = at.input + row0 * at.inputTimeStride + lane * at.inputLaneStride;
    float* out = at.output + row0 * at.outputTimeStride + lane * at.outputLaneStride;
    if (at.inputTimeStride == 1 && at.outputTimeStride == 1) {
        update<Kind>(s, in, rows, out);
        return;
    }
    constexpr std::int32_t kPiece = 64;
    float x[kPiece], y[kPiece];
    for (std::int32_t done = 0; done < rows; done += kPiece) {
        const std::int32_t n = std::min(kPiece, rows - done);
        for (std::int32_t i = 0; i < n; ++i) x[i] = in[(done + i) * at.inputTimeStride];
        update<Kind>(s, x, n, y);
        for (std::int32_t i = 0; i < n; ++i) out[(done + i) * at.outputTimeStride] = y[i];
    }
}

// Moves the first kTransposedWords words of a block's streams between the
// stream-by-stream and the word-by-word layouts of lanes_job.hpp.
void transpose(tsf_stream* block, std::int32_t lanes, bool toWordByWord) {
    std::uint64_t tile[kMaxBlockLanes * kTransposedWords];
    const auto position = [&](std::int32_t q) {
        return &block[q / kTransposedWords].opaque[q % kTransposedWords];
    };
    const std::int32_t words = lanes * kTransposedWords;
    if (toWordByWord) {
        for (std::int32_t b = 0; b < lanes; ++b)
            for (std::int32_t w = 0; w < kTransposedWords; ++w)
                std::memcpy(&tile[w * lanes + b], &block[b].opaque[w], 8);
        for (std::int32_t q = 0; q < words; ++q) std::memcpy(position(q), &tile[q], 8);
    } else {
        for (std::int32_t q = 0; q < words; ++q) std::memcpy(&tile[q], position(q), 8);
        for (std::int32_t b = 0; b < lanes; ++b)
            for (std::int32_t w = 0; w < kTransposedWords; ++w)
                std::memcpy(&block[b].opaque[w], &tile[w * lanes + b], 8);
    }
}

// One sample for each of lanes first .. end - 1, as a live host sends at
// every bar. A stream past its warm-up and window goes straight to its
// stored step, as update() would send it, inline: thousands of lanes wait
// mostly on memory and on each lane's chain of dependent steps, and the
// processor overlaps more lanes when each takes few instructions.
template <class Kind>
void advanceLive(tsf_stream* streams, std::int32_t first, std::int32_t end, const Layout& at,
                 std::int32_t row) {
    const float* in = at.input + row * at.inputTimeStride;
    float* out = at.output + row * at.outputTimeStride;
    for (std::int32_t j = first; j < end; ++j) {
        if (j + kPrefetchAhead < end) prefetchStep(streams[j + kPrefetchAhead]);
        StreamState& s = stateOf(&streams[j]);
        const float* x = in + j * at.inputLaneStride;
        float* y = out + j * at.outputLaneStride;
        if (s.samples >= kEarlySamples<Kind>) {
            *y = advanceSteady<Kind>(s.step<Kind>(), s.scale, *x);
            s.samples += 1;
        } else {
            update<Kind>(s, x, 1, y);
        }
    }
}

// Lanes first .. end - 1, rows row0 .. row0 + rows - 1, one lane at a time.
// Unless every lane's samples and outputs are contiguous, the rows go in
// short chunks across all the lanes, so that a wide table is read row by
// row rather than one column at a time.
template <class Kind>
void advanceEach(tsf_stream* streams, std::int32_t first, std::int32_t end, const Layout& at,
                 std::int32_t row0, std::int32_t rows) {
    if (rows == 1) return advanceLive<Kind>(streams, first, end, at, row0);
    const bool contiguous = at.inputTimeStride == 1 && at.outputTimeStride == 1;
    const std::int32_t chunk = contiguous ? rows : kRowsPerPass;
    for (std::int32_t done = 0; done < rows; done += chunk) {
        const std::int32_t n = std::min(chunk, rows - done);
        for (std::int32_t j = first; j < end; ++j) {
            // A live update of thousands of lanes waits mostly on memory:
            // ask for a later lane's step while this one computes.
            if (j + kPrefetchAhead < end) prefetchStep(streams[j + kPrefetchAhead]);
            advanceLane<Kind>(stateOf(&streams[j]), at, j, row0 + done, n);
        }
    }
}

template <class Kind>
void advanceLanes(tsf_stream* streams, std::int32_t lanes, const Layout& at, std::int32_t count) {
    const TargetCode& target = simdTarget();
    const std::int32_t blockLanes = target.blockLanes;
    Job job{};
    const bool readable = findValues<Kind>(stateOf(&streams[0]), job.offsets);
    const std::int32_t blocks = target.run != nullptr && readable ? lanes / blockLanes : 0;
    if (blocks == 0 || count < kVectorRowsFrom) {
        advanceEach<Kind>(streams, 0, lanes, at, 0, count);
        return;
    }

    // Rows that some lane still has to take through its special handling.
    std::int32_t early = 0;
    for (std::int32_t j = 0; j < lanes; ++j) {
        const std::int64_t left = kEarlySamples<Kind> - stateOf(&streams[j]).samples;
        early = std::max(early, static_cast<std::int32_t>(std::clamp<std::int64_t>(left, 0, count)));
    }
    const std::int32_t rows = count - early;
    const std::int32_t vectorLanes = rows >= kVectorRowsFrom ? blocks * blockLanes : 0;

    if (early > 0 || vectorLanes == 0) advanceEach<Kind>(streams, 0, lanes, at, 0, vectorLanes == 0 ? count : early);
    if (vectorLanes == 0) return;

    job.kind = Kind::kNumber;
    job.words = streams[0].opaque;
    job.blocks = blocks;
    job.rows = rows;
    job.input = at.input + early * at.inputTimeStride;
    job.inputTimeStride = at.inputTimeStride;
    job.inputLaneStride = at.inputLaneStride;
    job.output = at.output + early * at.outputTimeStride;
    job.outputTimeStride = at.outputTimeStride;
    job.outputLaneStride = at.outputLaneStride;

    for (std::int32_t b = 0; b < blocks; ++b) transpose(&streams[b * blockLanes], blockLanes, true);
    target.run(job);
    for (std::int32_t b = 0; b < blocks; ++b) transpose(&streams[b * blockLanes], blockLanes, false);
    for (std::int32_t j = 0; j < vectorLanes; ++j) stateOf(&streams[j]).samples += rows;

    advanceEach<Kind>(streams, vectorLanes, lanes, at, early, rows);
}

using Advance = void (*)(tsf_stream*, std::int32_t, const Layout&, std::int32_t);

// Row k - 1 serves kind k.
constexpr Advance kAdvance[] = {
#define TSF_LANES_ADVANCE(Export, ...) advanceLanes<Export##Kind>,
    TSF_FILTER_TABLE(TSF_LANES_ADVANCE)
#undef TSF_LANES_ADVANCE
};

}  // namespace
}  // namespace tsfilters::stream::lanes

using namespace tsfilters::stream;

extern "C" {

TSF_STREAM_API int TSF_STREAM_CALL tsf_lanes_update(
    tsf_stream* streams, int32_t lanes, const float* input, int64_t input_time_stride,
    int64_t input_lane_stride, int32_t count, float* output, int64_t output_time_stride,
    int64_t output_lane_stride) {
    if (lanes < 0) return TSF_E_LANES;
    if (lanes == 0) return 0;
    if (streams == nullptr) return TSF_E_NULL;
    // One pass over the headers: with thousands of lanes each is a trip to
    // memory.
    if (!stateOf(&streams[0]).initialised()) return TSF_E_NOT_STREAM;
    const int32_t kind = stateOf(&streams[0]).kind;
    int result = 0;
    std::int64_t most = stateOf(&streams[0]).samples;
    for (int32_t j = 1; j < lanes; ++j) {
        const StreamState& s = stateOf(&streams[j]);
        if (!s.initialised()) return TSF_E_NOT_STREAM;
        if (s.kind != kind) result = TSF_E_MIXED;
        most = std::max(most, s.samples);
    }
    if (result != 0) return result;
    if (count <= 0) return 0;
    if (input == nullptr || output == nullptr) return TSF_E_NULL;
    if (lanes::orderWouldShow({input, input_time_stride, input_lane_stride},
                              {output, output_time_stride, output_lane_stride}, count, lanes))
        return TSF_E_ARGUMENT;
    if (count > kMaxSamples - most) return TSF_E_FULL;
    const lanes::Layout at{input, input_time_stride, input_lane_stride,
                           output, output_time_stride, output_lane_stride};
    lanes::kAdvance[kind - 1](streams, lanes, at, count);
    return count;
}

TSF_STREAM_API const char* TSF_STREAM_CALL tsf_simd_target(void) {
    return lanes::simdTarget().name;
}

}  // extern "C"
