// The stream kinds: one per row of the filter table, numbered from 1 in row
// order, each naming its filter's step and how its outputs are placed.
#pragma once

#include <cstdint>
#include <utility>

#include "filter_table.h"
#include "filters/parameters.hpp"
#include "tsfilters_stream.h"

namespace tsfilters::stream {

// k<Export> is the row number of <Export>: the public kind number.
enum KindNumber : std::int32_t {
    kNoKind = 0,
#define TSF_STREAM_KIND_NUMBER(Export, ...) k##Export,
    TSF_FILTER_TABLE(TSF_STREAM_KIND_NUMBER)
#undef TSF_STREAM_KIND_NUMBER
    kKindEnd
};

// The public enumeration is written out in the header; that each of its
// names has its row's number is checked by the tests (test_filter_table.py).
static_assert(kKindEnd == TSF_FILTER_COUNT + 1 && int(kHighPass) == int(TSF_HIGH_PASS));

inline bool isKnownKind(std::int32_t kind) { return kind > kNoKind && kind < kKindEnd; }

// <Export>Kind: the step a stream of that kind carries, built by the same
// factory as the batch export, and the table's facts about its outputs.
#define TSF_STREAM_KIND(Export, python, SHAPE, firstWritten, warmup, rmsWindow, ...)   \
    struct Export##Kind {                                                             \
        using Step = decltype(make##Export(std::declval<const Parameters&>()));       \
        static constexpr std::int32_t kNumber = k##Export;                            \
        static constexpr std::int32_t kFirstWritten = firstWritten;                   \
        static constexpr bool kRmsWindow = rmsWindow != 0;                            \
        static Step make(const Parameters& p) { return make##Export(p); }             \
        static_assert(Step::kWarmup == warmup, "the filter table's warm-up is the step's"); \
    };
TSF_FILTER_TABLE(TSF_STREAM_KIND)
#undef TSF_STREAM_KIND

}  // namespace tsfilters::stream
