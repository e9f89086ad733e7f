// The exported C functions: argument checks, then the kind's own code
// through a table with one row per filter. Every check comes before the
// first write, so a failing call leaves the caller's memory as it was.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "stream/advance.hpp"
#include "stream/save_format.hpp"
#include "stream/stream_kinds.hpp"
#include "stream/stream_state.hpp"
#include "stream/value_offsets.hpp"
#include "tsfilters_stream.h"

namespace tsfilters::stream {
namespace {

struct KindOps {
    void (*start)(StreamState&, const Parameters&);
    void (*update)(StreamState&, const float*, std::int32_t, float*);
    float (*peek)(const StreamState&, float);
    bool (*window)(const StreamState&, float*);
    std::int32_t (*savedBytes)(const StreamState&);
    void (*save)(const StreamState&, unsigned char*);
    int (*load)(const SavedHeader&, const unsigned char*, std::int32_t, StreamState&);
};

// Row k - 1 serves kind k.
constexpr KindOps kOps[] = {
#define TSF_STREAM_OPS(Export, ...)                                                     \
    {start<Export##Kind>, update<Export##Kind>, peek<Export##Kind>, window<Export##Kind>, \
     savedBytes<Export##Kind>, save<Export##Kind>, load<Export##Kind>},
    TSF_FILTER_TABLE(TSF_STREAM_OPS)
#undef TSF_STREAM_OPS
};

const KindOps& opsOf(std::int32_t kind) { return kOps[kind - 1]; }

// The byte offsets of a kind's sample count and of every value its steady
// step reads (lanes::findValues, the kernels' own list), taken from a
// stream started with any parameters: the layout does not depend on them.
// Returns how many there are.
template <class Kind>
std::int32_t layoutOf(std::uint16_t* offsets) {
    StreamState s;
    start<Kind>(s, Parameters{1, 1, 0.5f});
    std::uint16_t values[lanes::kMaxValues] = {};
    lanes::findValues<Kind>(s, values);
    std::int32_t n = 0;
    offsets[n++] = offsetof(StreamState, samples);
    // No value sits at offset 0, where the stream's tag is.
    for (const std::uint16_t v : values)
        if (v != 0) offsets[n++] = v;
    return n;
}

constexpr std::int32_t (*kLayouts[])(std::uint16_t*) = {
#define TSF_STREAM_LAYOUT(Export, ...) layoutOf<Export##Kind>,
    TSF_FILTER_TABLE(TSF_STREAM_LAYOUT)
#undef TSF_STREAM_LAYOUT
};

// The state of an initialised stream, or null.
const StreamState* validState(const tsf_stream* s) {
    return s != nullptr && stateOf(s).initialised() ? &stateOf(s) : nullptr;
}

// The checks that come before the kind's own, from the most general: a
// buffer too short for a header still gets TSF_E_MAGIC when its first bytes
// are not the magic's, and a future version's state TSF_E_VERSION whatever
// its size.
int checkLoadable(const unsigned char* in, std::int32_t size, SavedHeader& header) {
    unsigned char magic[4];
    ByteWriter(magic).u32(kMagic);
    const std::size_t known = size <= 0 ? 0 : size < 4 ? std::size_t(size) : 4;
    if (std::memcmp(in, magic, known) != 0) return TSF_E_MAGIC;
    if (size >= 6 && ByteReader(in + 4).u16() != kFormatVersion) return TSF_E_VERSION;
    if (size < kHeaderBytes + kCrcBytes) return TSF_E_SIZE;
    header = readHeader(in);
    if (header.totalBytes != static_cast<std::uint32_t>(size)) return TSF_E_SIZE;
    const std::size_t body = static_cast<std::size_t>(size - kCrcBytes);
    if (ByteReader(in + body).u32() != crc32(in, body)) return TSF_E_CRC;
    if (!isKnownKind(header.kind)) return TSF_E_KIND;
    return TSF_OK;
}

}  // namespace
}  // namespace tsfilters::stream

using namespace tsfilters::stream;

extern "C" {

TSF_STREAM_API size_t TSF_STREAM_CALL tsf_stream_bytes(void) { return sizeof(tsf_stream); }

TSF_STREAM_API int TSF_STREAM_CALL tsf_stream_init(tsf_stream* s, tsf_kind kind,
                                                   const tsf_params* params) {
    if (s == nullptr || params == nullptr) return TSF_E_NULL;
    if (!isKnownKind(kind)) return TSF_E_KIND;
    std::memset(s, 0, sizeof *s);  // the spare words too: equal streams, equal bytes
    opsOf(kind).start(stateOf(s), {params->period, params->smooth_period, params->gamma});
    return TSF_OK;
}

TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_stream_update(tsf_stream* s, const float* input,
                                                         int32_t count, float* output) {
    if (s == nullptr) return TSF_E_NULL;
    if (validState(s) == nullptr) return TSF_E_NOT_STREAM;
    if (count <= 0) return 0;
    if (input == nullptr || output == nullptr) return TSF_E_NULL;
    StreamState& state = stateOf(s);
    if (count > kMaxSamples - state.samples) return TSF_E_FULL;
    opsOf(state.kind).update(state, input, count, output);
    return count;
}

TSF_STREAM_API int TSF_STREAM_CALL tsf_stream_reset(tsf_stream* s) {
    if (s == nullptr) return TSF_E_NULL;
    const StreamState* state = validState(s);
    if (state == nullptr) return TSF_E_NOT_STREAM;
    const tsf_params params{state->params.period, state->params.smoothPeriod, state->params.gamma};
    return tsf_stream_init(s, static_cast<tsf_kind>(state->kind), &params);
}

TSF_STREAM_API int TSF_STREAM_CALL tsf_stream_peek(const tsf_stream* s, float x, float* y) {
    if (s == nullptr || y == nullptr) return TSF_E_NULL;
    const StreamState* state = validState(s);
    if (state == nullptr) return TSF_E_NOT_STREAM;
    *y = opsOf(state->kind).peek(*state, x);
    return TSF_OK;
}

TSF_STREAM_API int TSF_STREAM_CALL tsf_lanes_peek(const tsf_stream* streams, int32_t lanes,
                                                  const float* input, int64_t input_lane_stride,
                                                  float* output, int64_t output_lane_stride) {
    if (lanes < 0) return TSF_E_LANES;
    if (lanes == 0) return TSF_OK;
    if (streams == nullptr || input == nullptr || output == nullptr) return TSF_E_NULL;
    // Every stream checked before the first output is written.
    if (validState(&streams[0]) == nullptr) return TSF_E_NOT_STREAM;
    const std::int32_t kind = stateOf(&streams[0]).kind;
    int result = TSF_OK;
    for (int32_t j = 1; j < lanes; ++j) {
        const StreamState* s = validState(&streams[j]);
        if (s == nullptr) return TSF_E_NOT_STREAM;
        if (s->kind != kind) result = TSF_E_MIXED;
    }
    if (result != TSF_OK) return result;
    // The stream's own peek, lane by lane: nothing is copied or written
    // but the outputs, which is what makes a peek across thousands of
    // lanes cheaper than copying their states to update the copies.
    const KindOps& ops = opsOf(kind);
    for (int32_t j = 0; j < lanes; ++j)
        output[j * output_lane_stride] = ops.peek(stateOf(&streams[j]), input[j * input_lane_stride]);
    return TSF_OK;
}

TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_stream_window(const tsf_stream* s, float* output100) {
    if (s == nullptr || output100 == nullptr) return TSF_E_NULL;
    const StreamState* state = validState(s);
    if (state == nullptr) return TSF_E_NOT_STREAM;
    return opsOf(state->kind).window(*state, output100) ? tsfilters::RmsWindow::kLength : 0;
}

TSF_STREAM_API int64_t TSF_STREAM_CALL tsf_stream_samples(const tsf_stream* s) {
    if (s == nullptr) return TSF_E_NULL;
    const StreamState* state = validState(s);
    return state == nullptr ? TSF_E_NOT_STREAM : state->samples;
}

TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_stream_save(const tsf_stream* s, void* buffer,
                                                       int32_t capacity) {
    if (s == nullptr) return TSF_E_NULL;
    const StreamState* state = validState(s);
    if (state == nullptr) return TSF_E_NOT_STREAM;
    const KindOps& ops = opsOf(state->kind);
    const std::int32_t size = ops.savedBytes(*state);
    if (capacity < size) return size;
    if (buffer == nullptr) return TSF_E_NULL;
    ops.save(*state, static_cast<unsigned char*>(buffer));
    return size;
}

TSF_STREAM_API int TSF_STREAM_CALL tsf_stream_load(tsf_stream* s, const void* buffer,
                                                   int32_t size) {
    if (s == nullptr || buffer == nullptr) return TSF_E_NULL;
    const auto* in = static_cast<const unsigned char*>(buffer);
    SavedHeader header;
    if (const int rc = checkLoadable(in, size, header); rc != TSF_OK) return rc;
    // Built aside and copied in only once everything checked out.
    StreamState loaded;
    if (const int rc = opsOf(header.kind).load(header, in, size, loaded); rc != TSF_OK) return rc;
    std::memset(s, 0, sizeof *s);
    std::memcpy(s, &loaded, sizeof loaded);
    return TSF_OK;
}

TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_stream_layout(tsf_kind kind, uint16_t* offsets,
                                                         int32_t capacity) {
    if (!isKnownKind(kind)) return TSF_E_KIND;
    std::uint16_t counted[1 + lanes::kMaxValues];
    const std::int32_t n = kLayouts[kind - 1](counted);
    if (capacity < n) return n;
    if (offsets == nullptr) return TSF_E_NULL;
    // Written again in place rather than copied: a copy of a length known
    // only at run time is a call to memcpy, whose versioned symbol would
    // raise the oldest C library the library loads on.
    return kLayouts[kind - 1](offsets);
}

TSF_STREAM_API const char* TSF_STREAM_CALL tsf_strerror(int code) {
    switch (code) {
        case TSF_E_MISSING: return "a live series' sample is NaN or infinite and the book's policy is error";
        case TSF_E_SERIES: return "not the slot of a live series of the book, or one series twice in a row";
        case TSF_E_NOT_BOOK: return "not an initialised book";
        case TSF_E_CAPACITY: return "the book has no free slot, or the capacity is below its slots in use";
        case TSF_OK: return "success";
        case TSF_E_NULL: return "a required pointer is null";
        case TSF_E_KIND: return "unknown stream kind";
        case TSF_E_NOT_STREAM: return "not an initialised stream";
        case TSF_E_MAGIC: return "not a saved stream state (wrong magic)";
        case TSF_E_VERSION: return "saved by an unknown format version";
        case TSF_E_SIZE: return "saved state has the wrong size (truncated or extended)";
        case TSF_E_CRC: return "saved state is damaged (checksum mismatch)";
        case TSF_E_STATE: return "saved state holds values a save never writes";
        case TSF_E_LANES: return "the number of lanes is negative";
        case TSF_E_MIXED: return "the lanes' streams are not all of one kind";
        case TSF_E_FULL: return "the stream would pass its most samples (2^53)";
        case TSF_E_ARGUMENT: return "the lanes' output overlaps their input, or two lanes would write one output slot";
        case TSF_E_SEGMENTS: return "segments out of order or outside the table, or the arrays overlap";
        default: return code > 0 ? "not an error code" : "unknown error code";
    }
}

}  // extern "C"
