// The stream kinds: one per row of the filter table, numbered from 1 in row
// order, each naming its filter's step and how its outputs are placed.
#pragma once

#include <cstdint>
#include <utility>

#include "filter_table.h"
#include "filters/all.hpp"
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

// The public enumeration is written out in the header; it must stay the
// table's numbering.
constexpr bool sameNumber(KindNumber k, tsf_kind publicKind) { return int(k) == int(publicKind); }
static_assert(sameNumber(kHighPass, TSF_HIGH_PASS) && sameNumber(kSuperSmoother, TSF_SUPER_SMOOTHER) &&
              sameNumber(kUltimateSmoother, TSF_ULTIMATE_SMOOTHER) &&
              sameNumber(kBandPass, TSF_BAND_PASS) &&
              sameNumber(kCyberneticOscillator, TSF_CYBERNETIC_OSCILLATOR) &&
              sameNumber(kLaguerreFilter, TSF_LAGUERRE_FILTER) &&
              sameNumber(kLaguerreOscillator, TSF_LAGUERRE_OSCILLATOR) &&
              kKindEnd == TSF_FILTER_COUNT + 1);

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
