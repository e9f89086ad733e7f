// Where a book keeps what: a header, then one array per field over every
// slot (struct of arrays), each starting on a 64-byte boundary of the
// caller's buffer and holding a multiple of kSlotRound slots, so that the
// widest vector of slots never reads past its array.
//
//   header    128 B    counts, policy, and the coefficients every series
//                      shares when they all have the same ones
//   samples   int64    per slot: samples consumed; a free slot holds
//                      -(next free slot + 2), -1 ending the free list
//   params    3 x 4    period, smooth_period, gamma
//   constants double   one array per coefficient (book_fields.hpp)
//   floats    float    one per float-valued carried value
//   doubles   double   one per other carried value
//   scale     float    oscillators: the divisor, NaN until known
//   sum       double   oscillators: the sum of squares of the window so far
//   window    100 x f  oscillators: the first 100 values of each series,
//                      series after series: read and written only until
//                      that series' 100th sample, never by a steady row
//
// Offsets are worked out from the kind and the capacity on every call, never
// stored: a byte copy of a book is a snapshot, as a tsf_stream's is.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rms_window.hpp"
#include "stream/book_fields.hpp"
#include "stream/stream_kinds.hpp"
#include "stream/stream_state.hpp"

namespace tsfilters::stream::book {

inline constexpr std::int32_t kSlotRound = 8;
inline constexpr std::int64_t kAlign = 64;

struct Header {
    static constexpr std::uint32_t kInitialised = 0x4B4F4F42u;  // "BOOK"
    std::uint32_t tag;
    std::int32_t kind;
    std::int32_t missing;     // TSF_MISSING_*
    std::int32_t capacity;    // slots the buffer holds
    std::int32_t slots;       // slots ever used: a dense row's length
    std::int32_t live;        // slots holding a series
    std::int32_t freeHead;    // the most recently freed slot, or -1
    std::int32_t shared;      // 1: every live series' coefficients are `coefficients`
    std::int64_t bytes;       // the buffer's size, as given to init
    std::int64_t mostSamples; // no series has consumed more
    double coefficients[kMaxColumns];
};
inline constexpr std::int64_t kHeaderBytes = 128;
static_assert(sizeof(Header) <= kHeaderBytes);

// The columns of a kind.
struct Shape {
    Fields fields;
    bool oscillator;
};

template <class Kind>
constexpr Shape shapeOf() {
    return {FieldsOf<typename Kind::Step>::value, Kind::kRmsWindow};
}

inline Shape shapeOf(std::int32_t kind) {
    switch (kind) {
#define TSF_BOOK_SHAPE(Export, ...) \
    case Export##Kind::kNumber: return shapeOf<Export##Kind>();
        TSF_FILTER_TABLE(TSF_BOOK_SHAPE)
#undef TSF_BOOK_SHAPE
        default: return {};
    }
}

// Byte offsets of every array for `capacity` slots.
struct Layout {
    std::int64_t samples, params, constants[kMaxColumns], floats[kMaxColumns], doubles[kMaxColumns];
    std::int64_t scale, sum, window, end;
    std::int64_t perSlot;  // bytes a slot costs, padding aside

    Layout(const Shape& shape, std::int64_t capacity) {
        const std::int64_t n = (capacity + kSlotRound - 1) / kSlotRound * kSlotRound;
        std::int64_t at = kHeaderBytes;
        const auto take = [&](std::int64_t elementBytes) {
            at = (at + kAlign - 1) / kAlign * kAlign;
            const std::int64_t start = at;
            at += n * elementBytes;
            return start;
        };
        samples = take(8);
        params = take(12);
        for (auto& c : constants) c = 0;
        for (auto& c : floats) c = 0;
        for (auto& c : doubles) c = 0;
        for (std::int32_t k = 0; k < shape.fields.constants; ++k) constants[k] = take(8);
        for (std::int32_t k = 0; k < shape.fields.floats; ++k) floats[k] = take(4);
        for (std::int32_t k = 0; k < shape.fields.doubles; ++k) doubles[k] = take(8);
        scale = shape.oscillator ? take(4) : 0;
        sum = shape.oscillator ? take(8) : 0;
        window = shape.oscillator ? take(4 * RmsWindow::kLength) : 0;
        end = (at + kAlign - 1) / kAlign * kAlign;
        perSlot = 8 + 12 + 8 * shape.fields.constants + 4 * shape.fields.floats + 8 * shape.fields.doubles +
                  (shape.oscillator ? 4 + 8 + 4 * RmsWindow::kLength : 0);
    }
};

// A book's arrays, typed.
struct View {
    Header* header;
    std::int64_t* samples;
    Parameters* params;
    Columns columns;
    float* scale;
    double* sum;
    float* window;

    View(unsigned char* base, const Layout& l) {
        header = reinterpret_cast<Header*>(base);
        samples = reinterpret_cast<std::int64_t*>(base + l.samples);
        params = reinterpret_cast<Parameters*>(base + l.params);
        for (std::int32_t k = 0; k < kMaxColumns; ++k) {
            columns.constants[k] = reinterpret_cast<double*>(base + l.constants[k]);
            columns.floats[k] = reinterpret_cast<float*>(base + l.floats[k]);
            columns.doubles[k] = reinterpret_cast<double*>(base + l.doubles[k]);
        }
        scale = reinterpret_cast<float*>(base + l.scale);
        sum = reinterpret_cast<double*>(base + l.sum);
        window = reinterpret_cast<float*>(base + l.window);
    }
};

static_assert(sizeof(Parameters) == 12);

}  // namespace tsfilters::stream::book
