// Coefficients every series of a book shares. A book of thousands of
// symbols nearly always runs one parameter set, and then a row need not read
// each series' copy of the same coefficients: the header keeps one copy, and
// the vector kernels broadcast it, reading per series only what the series
// carries. That is half or more of a row's bytes for the smoothers.
//
// The per-series columns stay the truth (the scalar code, saves and
// tsf_book_get read them); the header's flag only says that every live
// series' columns hold, bit for bit, the header's copy. It is kept exact:
// set when a book's first series arrives, cleared by the first series with
// other coefficients, and worked out again by a scan when a series leaves
// or a book is loaded, both rare next to rows.
#pragma once

#include <cstdint>
#include <cstring>

#include "stream/book_layout.hpp"

namespace tsfilters::stream::book {

// Whether the coefficients of `slot` are the header's, bit for bit (so -0.0
// differs from 0.0, and a NaN would differ from itself only if its bits did).
inline bool sharesCoefficients(const View& v, std::int32_t constants, std::int64_t slot) {
    for (std::int32_t k = 0; k < constants; ++k)
        if (std::memcmp(&v.columns.constants[k][slot], &v.header->coefficients[k], sizeof(double)) != 0)
            return false;
    return true;
}

inline void copyCoefficients(const View& v, std::int32_t constants, std::int64_t slot) {
    for (std::int32_t k = 0; k < constants; ++k) v.header->coefficients[k] = v.columns.constants[k][slot];
}

// After a series arrived in `slot` (header.live already counts it).
inline void noteArrival(const View& v, std::int32_t constants, std::int64_t slot) {
    Header& h = *v.header;
    if (h.live == 1) {
        copyCoefficients(v, constants, slot);
        h.shared = 1;
    } else if (h.shared != 0 && !sharesCoefficients(v, constants, slot)) {
        h.shared = 0;
    }
}

// The flag worked out from every live series: after a removal or a load.
// `isLive(slot)` tells a live slot from a free one.
template <class IsLive>
void recheckShared(const View& v, std::int32_t constants, IsLive isLive) {
    Header& h = *v.header;
    h.shared = 0;
    bool first = true;
    for (std::int32_t s = 0; s < h.slots; ++s) {
        if (!isLive(s)) continue;
        if (first) {
            copyCoefficients(v, constants, s);
            first = false;
        } else if (!sharesCoefficients(v, constants, s)) {
            return;
        }
    }
    h.shared = first ? 0 : 1;
}

}  // namespace tsfilters::stream::book
