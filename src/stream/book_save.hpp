// A whole book's save format (documented in tsfilters_stream.h): a header,
// one record per slot, CRC-32. A live series' record holds its
// tsf_stream_save bytes, so that each is checked on load by the stream's
// own checks, and the free slots keep their order, so that a loaded book
// hands out the same slots as the one saved.
#pragma once

#include <cstdint>
#include <cstring>

#include "stream/book_layout.hpp"
#include "stream/byte_order.hpp"
#include "stream/crc32.hpp"
#include "stream/stream_state.hpp"
#include "tsfilters_stream.h"

namespace tsfilters::stream::book {

inline constexpr std::uint32_t kBookMagic = 0x42465354u;  // the bytes "TSFB"
inline constexpr std::uint16_t kBookVersion = 1;
inline constexpr std::int64_t kBookHeaderBytes = 32;
inline constexpr std::int64_t kBookCrcBytes = 4;
inline constexpr std::int64_t kRecordHeaderBytes = 8;
inline constexpr std::int32_t kLiveRecord = -2;

// The bytes of a saved stream of `kind`: the same for every stream of it.
inline std::int32_t streamBytes(std::int32_t kind) {
    tsf_stream s;
    const tsf_params p{2, 2, 0.5f};
    tsf_stream_init(&s, static_cast<tsf_kind>(kind), &p);
    return tsf_stream_save(&s, nullptr, 0);
}

inline std::int64_t recordBytes(std::int32_t kind) { return kRecordHeaderBytes + streamBytes(kind); }

inline std::int64_t savedBookBytes(std::int32_t kind, std::int32_t slots) {
    return kBookHeaderBytes + std::int64_t(slots) * recordBytes(kind) + kBookCrcBytes;
}

using GetState = void (*)(const View&, std::int64_t, StreamState&, bool);
using PutState = bool (*)(StreamState&, const View&, std::int64_t);
using Fits = bool (*)(std::int32_t, StreamState&);

inline void saveBook(const View& v, GetState get, unsigned char* out) {
    const Header& h = *v.header;
    const std::int64_t record = recordBytes(h.kind);
    ByteWriter w(out);
    w.u32(kBookMagic);
    w.u16(kBookVersion);
    w.u16(static_cast<std::uint16_t>(h.kind));
    w.u64(static_cast<std::uint64_t>(savedBookBytes(h.kind, h.slots)));
    w.u32(static_cast<std::uint32_t>(h.slots));
    w.u32(static_cast<std::uint32_t>(h.live));
    w.u32(static_cast<std::uint32_t>(h.freeHead));
    w.u16(static_cast<std::uint16_t>(h.missing));
    w.u16(0);
    unsigned char* at = out + kBookHeaderBytes;
    for (std::int32_t slot = 0; slot < h.slots; ++slot, at += record) {
        std::memset(at, 0, std::size_t(record));
        const std::int64_t samples = v.samples[slot];
        ByteWriter r(at);
        if (samples >= 0) {
            r.u32(static_cast<std::uint32_t>(kLiveRecord));
            tsf_stream s;
            std::memset(&s, 0, sizeof s);
            get(v, slot, stateOf(&s), true);
            tsf_stream_save(&s, at + kRecordHeaderBytes, static_cast<std::int32_t>(record - kRecordHeaderBytes));
        } else {
            r.u32(static_cast<std::uint32_t>(-samples - 2));  // the next free slot, or -1
        }
    }
    const std::size_t body = std::size_t(at - out);
    ByteWriter(at).u32(crc32(out, body));
}

struct SavedBook {
    std::int32_t kind, missing, slots, live, freeHead;
    std::int64_t record;
};

// The header's checks, from the most general, as tsf_stream_load makes them.
inline int checkSavedBook(const unsigned char* in, std::int64_t size, SavedBook& b) {
    unsigned char magic[4];
    ByteWriter(magic).u32(kBookMagic);
    const std::size_t known = size <= 0 ? 0 : size < 4 ? std::size_t(size) : 4;
    if (std::memcmp(in, magic, known) != 0) return TSF_E_MAGIC;
    if (size >= 6 && ByteReader(in + 4).u16() != kBookVersion) return TSF_E_VERSION;
    if (size < kBookHeaderBytes + kBookCrcBytes) return TSF_E_SIZE;
    ByteReader r(in + 6);
    const std::uint16_t kind = r.u16();
    const std::uint64_t total = r.u64();
    if (total != static_cast<std::uint64_t>(size)) return TSF_E_SIZE;
    const std::size_t body = std::size_t(size - kBookCrcBytes);
    if (ByteReader(in + body).u32() != crc32(in, body)) return TSF_E_CRC;
    if (!isKnownKind(kind)) return TSF_E_KIND;
    b.kind = kind;
    b.slots = static_cast<std::int32_t>(r.u32());
    b.live = static_cast<std::int32_t>(r.u32());
    b.freeHead = static_cast<std::int32_t>(r.u32());
    b.missing = r.u16();
    const std::uint16_t reserved = r.u16();
    b.record = recordBytes(kind);
    if (b.slots < 0 || b.live < 0 || b.live > b.slots || b.freeHead < -1 || b.freeHead >= b.slots ||
        b.missing > TSF_MISSING_KEEP || reserved != 0)
        return TSF_E_STATE;
    if (size != savedBookBytes(kind, b.slots)) return TSF_E_SIZE;
    return TSF_OK;
}

inline std::int32_t recordLink(const unsigned char* record) {
    return static_cast<std::int32_t>(ByteReader(record).u32());
}

// The records' checks: each live one a stream of the book's kind that
// tsf_stream_load takes and a book can hold, each free one zeros after its
// link, as many live ones as the header says, and a free list that visits
// every free slot once.
inline int checkRecords(const unsigned char* in, const SavedBook& b, Fits fits) {
    const unsigned char* records = in + kBookHeaderBytes;
    const std::int64_t stream = b.record - kRecordHeaderBytes;
    std::int32_t live = 0;
    for (std::int32_t slot = 0; slot < b.slots; ++slot) {
        const unsigned char* at = records + slot * b.record;
        const std::int32_t link = recordLink(at);
        if (ByteReader(at + 4).u32() != 0) return TSF_E_STATE;
        if (link == kLiveRecord) {
            ++live;
            tsf_stream s;
            if (tsf_stream_load(&s, at + kRecordHeaderBytes, static_cast<std::int32_t>(stream)) != TSF_OK)
                return TSF_E_STATE;
            if (stateOf(&s).kind != b.kind || !fits(b.kind, stateOf(&s))) return TSF_E_STATE;
        } else {
            if (link < -1 || link >= b.slots) return TSF_E_STATE;
            for (std::int64_t k = kRecordHeaderBytes; k < b.record; ++k)
                if (at[k] != 0) return TSF_E_STATE;
        }
    }
    if (live != b.live) return TSF_E_STATE;
    // A walk of exactly `free` links from the head that ends the list has
    // visited `free` different free slots: a repeat would loop for ever.
    const std::int32_t free = b.slots - b.live;
    std::int32_t at = b.freeHead;
    for (std::int32_t step = 0; step < free; ++step) {
        if (at < 0 || recordLink(records + at * b.record) == kLiveRecord) return TSF_E_STATE;
        at = recordLink(records + at * b.record);
    }
    return at == -1 ? TSF_OK : TSF_E_STATE;
}

// Fills a book just started with the checked records.
inline void loadRecords(const unsigned char* in, const SavedBook& b, const View& v, PutState put) {
    const unsigned char* records = in + kBookHeaderBytes;
    const std::int64_t stream = b.record - kRecordHeaderBytes;
    std::int64_t most = 0;
    for (std::int32_t slot = 0; slot < b.slots; ++slot) {
        const unsigned char* at = records + slot * b.record;
        const std::int32_t link = recordLink(at);
        if (link == kLiveRecord) {
            tsf_stream s;
            tsf_stream_load(&s, at + kRecordHeaderBytes, static_cast<std::int32_t>(stream));
            put(stateOf(&s), v, slot);
            most = std::max(most, stateOf(&s).samples);
        } else {
            v.samples[slot] = -std::int64_t(link) - 2;
        }
    }
    Header& h = *v.header;
    h.slots = b.slots;
    h.live = b.live;
    h.freeHead = b.freeHead;
    h.mostSamples = most;
}

}  // namespace tsfilters::stream::book
