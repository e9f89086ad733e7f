// Where a kind's step keeps its values inside a stream: what the lane
// kernels read and write, and what a live row touches of each stream.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "stream/lanes_job.hpp"
#include "stream/stream_state.hpp"

namespace tsfilters::stream::lanes {

// The byte offsets the kernels read each value from, in Job::offsets order;
// the entries after the last value are left as they are. False when a
// double does not fill one 64-bit word of the stream, as on 32-bit x86
// Linux, whose ABI aligns doubles in structures to 4 bytes: the kernels
// cannot read such a layout, and the lanes then run one by one.
template <class Kind>
bool findValues(StreamState& s, std::uint16_t* offsets) {
    const auto* base = reinterpret_cast<const unsigned char*>(&s);
    std::int32_t n = 0;
    bool wordAligned = true;
    s.step<Kind>().forEachValue([&](auto& value) {
        const auto offset = reinterpret_cast<const unsigned char*>(&value) - base;
        wordAligned = wordAligned && (sizeof value == 4 || offset % 8 == 0);
        offsets[n++] = static_cast<std::uint16_t>(offset);
    });
    if constexpr (Kind::kRmsWindow) offsets[n++] = offsetof(StreamState, scale);
    return wordAligned;
}

// The first bytes of a stream that hold its header and every value at
// `offsets` (kMaxValues entries, zero after the last value).
inline std::uint16_t bytesRead(const std::uint16_t* offsets) {
    return static_cast<std::uint16_t>(*std::max_element(offsets, offsets + kMaxValues) + sizeof(double));
}

}  // namespace tsfilters::stream::lanes
