// The save format (its layout is documented in tsfilters_stream.h): header,
// the step's carried values in forEachState order, an oscillator's window,
// CRC-32. Loading rebuilds the state from the parameters, exactly as init
// does, and then overwrites only what the samples changed, so a loaded
// stream is one that init and update could have produced.
#pragma once

#include <cstdint>
#include <cstring>

#include "stream/advance.hpp"
#include "stream/byte_order.hpp"
#include "stream/crc32.hpp"
#include "stream/stream_state.hpp"
#include "tsfilters_stream.h"

namespace tsfilters::stream {

inline constexpr std::uint32_t kMagic = 0x53465354u;  // the bytes "TSFS"
inline constexpr std::uint16_t kFormatVersion = 1;
inline constexpr std::int32_t kHeaderBytes = 32;
inline constexpr std::int32_t kCrcBytes = 4;

// The header fields that the checks before the kind's own need.
struct SavedHeader {
    std::uint16_t version;
    std::uint16_t kind;
    std::uint32_t totalBytes;
    Parameters params;
    std::int64_t samples;
};

inline SavedHeader readHeader(const unsigned char* in) {
    ByteReader r(in);
    r.u32();  // magic, checked by the caller
    SavedHeader h{};
    h.version = r.u16();
    h.kind = r.u16();
    h.totalBytes = r.u32();
    h.params.period = static_cast<std::int32_t>(r.u32());
    h.params.smoothPeriod = static_cast<std::int32_t>(r.u32());
    r.value(h.params.gamma);
    h.samples = static_cast<std::int64_t>(r.u64());
    return h;
}

// The saved size of a stream of `Kind`.
template <class Kind>
std::int32_t savedBytes(const StreamState& s) {
    typename Kind::Step step = s.step<Kind>();
    std::int32_t bytes = kHeaderBytes + kCrcBytes;
    step.forEachState([&](auto& v) { bytes += static_cast<std::int32_t>(sizeof v); });
    if constexpr (Kind::kRmsWindow) bytes += RmsWindow::kLength * 4;
    return bytes;
}

// Writes savedBytes<Kind>(s) bytes to out.
template <class Kind>
void save(const StreamState& s, unsigned char* out) {
    ByteWriter w(out);
    w.u32(kMagic);
    w.u16(kFormatVersion);
    w.u16(static_cast<std::uint16_t>(Kind::kNumber));
    w.u32(static_cast<std::uint32_t>(savedBytes<Kind>(s)));
    w.u32(static_cast<std::uint32_t>(s.params.period));
    w.u32(static_cast<std::uint32_t>(s.params.smoothPeriod));
    w.value(s.params.gamma);
    w.u64(static_cast<std::uint64_t>(s.samples));
    typename Kind::Step step = s.step<Kind>();
    step.forEachState([&](auto& v) { w.value(v); });
    if constexpr (Kind::kRmsWindow)
        for (std::int64_t i = 0; i < RmsWindow::kLength; ++i) w.value(i < s.samples ? s.window[i] : 0.0f);
    w.u32(crc32(out, w.written()));
}

// Whether two steps carry the same values, bit for bit (NaN payloads and
// the sign of zero included).
template <class Step>
bool sameState(Step a, Step b) {
    unsigned char bytesA[sizeof(Step)], bytesB[sizeof(Step)];
    std::size_t na = 0, nb = 0;
    a.forEachState([&](auto& v) { std::memcpy(bytesA + na, &v, sizeof v), na += sizeof v; });
    b.forEachState([&](auto& v) { std::memcpy(bytesB + nb, &v, sizeof v), nb += sizeof v; });
    return na == nb && std::memcmp(bytesA, bytesB, na) == 0;
}

// Rebuilds into `s` the stream whose checked bytes (magic, version, size and
// CRC already verified, `header` read from them) are `in[0 .. size-1]`.
template <class Kind>
int load(const SavedHeader& header, const unsigned char* in, std::int32_t size, StreamState& s) {
    start<Kind>(s, header.params);
    if (savedBytes<Kind>(s) != size) return TSF_E_SIZE;
    if (header.samples < 0 || header.samples > kMaxSamples) return TSF_E_STATE;
    s.samples = header.samples;
    ByteReader r(in + kHeaderBytes);
    s.step<Kind>().forEachState([&](auto& v) { r.value(v); });
    // Nothing consumed, nothing changed: the state must be init's, to the bit.
    if (s.samples == 0 && !sameState(Kind::make(header.params), s.step<Kind>())) return TSF_E_STATE;
    if constexpr (Kind::kRmsWindow) {
        for (std::int64_t i = 0; i < RmsWindow::kLength; ++i) {
            float v;
            r.value(v);
            if (i < s.samples) {
                s.window[i] = v;
                s.sum.add(v);  // in index order, as the stream summed them
            } else if (std::bit_cast<std::uint32_t>(v) != 0) {
                return TSF_E_STATE;  // save writes +0 in slots not reached
            }
        }
        if (s.samples >= RmsWindow::kLength) s.scale = scaleOf(s.sum);
    }
    return TSF_OK;
}

}  // namespace tsfilters::stream
