// tsf_segments_run: a long table's series, stored back to back, each
// filtered as its own series in one call. Every argument is checked before
// the first write, so a refused call leaves the caller's memory as it was.
#include <cstdint>
#include <cstring>

#include "stream/segments.hpp"
#include "stream/simd_target.hpp"
#include "stream/stream_kinds.hpp"
#include "stream/stream_state.hpp"
#include "tsfilters_stream.h"

namespace tsfilters::stream::segments {
namespace {

template <class Kind>
void runKind(const Parameters& p, const float* input, const std::int64_t* starts,
             std::int32_t segments, std::int64_t total, float* output) {
    tsf_stream fresh;
    std::memset(&fresh, 0, sizeof fresh);
    start<Kind>(stateOf(&fresh), p);
    Engine<Kind>(fresh, lanes::simdTarget(), input, starts, segments, total, output).run();
}

using Run = void (*)(const Parameters&, const float*, const std::int64_t*, std::int32_t,
                     std::int64_t, float*);

// Row k - 1 serves kind k.
constexpr Run kRun[] = {
#define TSF_SEGMENTS_RUN(Export, ...) runKind<Export##Kind>,
    TSF_FILTER_TABLE(TSF_SEGMENTS_RUN)
#undef TSF_SEGMENTS_RUN
};

// Whether [a, a + n) and [b, b + n) share an element without being the
// same range: each slot's sample would then be overwritten, before it is
// read, by another slot's output, in an order no caller can rely on.
bool partlyOverlap(const float* a, const float* b, std::int64_t n) {
    const auto x = reinterpret_cast<std::uintptr_t>(a), y = reinterpret_cast<std::uintptr_t>(b);
    const auto bytes = static_cast<std::uintptr_t>(n) * sizeof(float);
    return x != y && x < y + bytes && y < x + bytes;
}

// Whether the n floats at a share a byte with the count starts at b.
bool overlap(const float* a, std::int64_t n, const std::int64_t* b, std::int32_t count) {
    const auto x = reinterpret_cast<std::uintptr_t>(a), y = reinterpret_cast<std::uintptr_t>(b);
    return x < y + static_cast<std::uintptr_t>(count) * sizeof(std::int64_t) &&
           y < x + static_cast<std::uintptr_t>(n) * sizeof(float);
}

}  // namespace
}  // namespace tsfilters::stream::segments

using namespace tsfilters::stream;

extern "C" {

TSF_STREAM_API int64_t TSF_STREAM_CALL tsf_segments_run(tsf_kind kind, const tsf_params* params,
                                                       const float* input, const int64_t* starts,
                                                       int32_t segments, int64_t total,
                                                       float* output) {
    if (params == nullptr) return TSF_E_NULL;
    if (!isKnownKind(kind)) return TSF_E_KIND;
    if (segments < 0 || total < 0) return TSF_E_SEGMENTS;
    if (segments == 0) return 0;
    if (starts == nullptr) return TSF_E_NULL;
    // In order, inside the table, none longer than a stream takes; the
    // last ends at total.
    for (int32_t i = 0; i < segments; ++i) {
        const int64_t end = i + 1 < segments ? starts[i + 1] : total;
        if (starts[i] < 0 || starts[i] > end || end > total) return TSF_E_SEGMENTS;
        if (end - starts[i] > kMaxSamples) return TSF_E_FULL;
    }
    const int64_t first = starts[0];
    if (total == first) return 0;
    if (input == nullptr || output == nullptr) return TSF_E_NULL;
    if (segments::partlyOverlap(input + first, output + first, total - first)) return TSF_E_SEGMENTS;
    // The starts are read again as the segments run: outputs written over
    // them would send later segments outside the checked ranges.
    if (segments::overlap(output + first, total - first, starts, segments)) return TSF_E_SEGMENTS;
    segments::kRun[kind - 1]({params->period, params->smooth_period, params->gamma}, input, starts,
                             segments, total, output);
    return total - first;
}

}  // extern "C"
