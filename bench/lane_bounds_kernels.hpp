// One instruction set's bounds (lane_bounds.hpp): the library's lane steps,
// included here under a namespace of the benchmark's own, run over a cached
// tile, and a plain copy with the kernels' vector width. Included once per
// set by lane_bounds_<set>.cpp, which defines what lane_kernels.hpp needs.
#include "lane_bounds.hpp"
#define TSF_LANES_STEPS_ONLY
#include "stream/lane_kernels.hpp"

namespace tsfilters::stream::lanes::TSF_LANES_NS {
namespace {

// Stable gains and a history of ones: no lane ever decays into subnormal
// numbers, which would measure the processor's slow path instead.
class Filler {
public:
    void constant(D& v) { v = splat(0.25); }
    void constant(F& v) { v = splat(1.5f); }
    void carried(D& v) { v = splat(1.0); }
    void carried(F& v) { v = splat(1.0f); }
};

constexpr int kPasses = 8;

template <class Step, int K>
std::int64_t arithmeticOf(const float* tile, float* sink) {
    // Every loop over the steps unrolled, or GCC keeps them in memory.
    Step steps[K];
    Filler fill;
#pragma GCC unroll 8
    for (int k = 0; k < K; ++k) steps[k].values(fill);
    const auto at = [](int r, int k) { return (std::size_t(r) * K + std::size_t(k)) * W; };
    for (int pass = 0; pass < kPasses; ++pass) {
        if constexpr (kChained<Step>) {
            // As the kernels run a chain: its first filter over the tile,
            // then its second.
            F between[lane_bounds::kTileRows][K];
            for (int r = 0; r < lane_bounds::kTileRows; ++r) {
#pragma GCC unroll 8
                for (int k = 0; k < K; ++k) {
                    F x;
                    std::memcpy(&x, tile + at(r, k), sizeof x);
                    between[r][k] = steps[k].firstNext(x);
                }
            }
            for (int r = 0; r < lane_bounds::kTileRows; ++r) {
#pragma GCC unroll 8
                for (int k = 0; k < K; ++k) {
                    const F y = steps[k].secondNext(between[r][k]);
                    std::memcpy(sink + at(r, k), &y, sizeof y);
                }
            }
        } else {
            for (int r = 0; r < lane_bounds::kTileRows; ++r) {
#pragma GCC unroll 8
                for (int k = 0; k < K; ++k) {
                    F x;
                    std::memcpy(&x, tile + at(r, k), sizeof x);
                    const F y = steps[k].next(x);
                    std::memcpy(sink + at(r, k), &y, sizeof y);
                }
            }
        }
    }
    return std::int64_t(kPasses) * lane_bounds::kTileRows * K * W;
}

template <class Step>
std::int64_t arithmeticInFlight(int inFlight, const float* tile, float* sink) {
    switch (inFlight) {
        case 1: return arithmeticOf<Step, 1>(tile, sink);
        case 2: return arithmeticOf<Step, 2>(tile, sink);
        case 3: return arithmeticOf<Step, 3>(tile, sink);
        case 4: return arithmeticOf<Step, 4>(tile, sink);
        case 6: return arithmeticOf<Step, 6>(tile, sink);
        default: return arithmeticOf<Step, 8>(tile, sink);
    }
}

std::int64_t arithmetic(int kind, int inFlight, const float* tile, float* sink) {
    switch (kind) {
#define TSF_BOUNDS_KIND(Export, ...) \
    case Export##Kind::kNumber: return arithmeticInFlight<KindLanes<Export##Kind>>(inFlight, tile, sink);
        TSF_FILTER_TABLE(TSF_BOUNDS_KIND)
#undef TSF_BOUNDS_KIND
        default: return 0;
    }
}

// Four vectors per round, as the kernels keep several in flight. Built so
// that the compiler does not turn the loop into a call to memcpy, whose
// large copies bypass the caches, which the kernels' stores do not.
void copy(const float* in, float* out, std::size_t n) {
    constexpr std::size_t kStep = 4 * W;
    std::size_t i = 0;
    for (; i + kStep <= n; i += kStep) {
        F v[4];
        std::memcpy(v, in + i, sizeof v);
        std::memcpy(out + i, v, sizeof v);
    }
    for (; i < n; ++i) out[i] = in[i];
}

// The same copy in the order the kernels visit a wide table: a few rows of
// a group of blocks at a time, the group's lanes of each row together,
// asked for ahead as the kernels ask (the same lanes one visit of rows
// ahead for a single filter, the first line of the same row past the
// group's last lane for a chain). What the order costs the memory shows
// against the plain copy.
template <bool kChain>
void copyVisits(const float* in, float* out, std::int32_t rows, std::int32_t lanes) {
    constexpr std::int32_t kRows = kChain ? kRowsAcrossChained : kRowsAcross;
    constexpr int kGroup = (kChain ? kChainedInFlight : N) * W;
    for (std::int32_t t0 = 0; t0 < rows; t0 += kRows)
        for (std::int32_t lane = 0; lane + kGroup <= lanes; lane += kGroup)
            for (std::int32_t t = t0; t < t0 + kRows && t < rows; ++t) {
                const float* from = in + std::int64_t(t) * lanes + lane;
                float* to = out + std::int64_t(t) * lanes + lane;
                const std::int64_t ahead = kChain ? kNextLine<kChainedInFlight> : std::int64_t(kRows) * lanes;
                prefetchAhead<false>(from, ahead);
                prefetchAhead<true>(to, ahead);
                F v[kGroup / W];
                std::memcpy(v, from, sizeof v);
                std::memcpy(to, v, sizeof v);
            }
}

void copyInVisits(int kind, const float* in, float* out, std::int32_t rows, std::int32_t lanes) {
    switch (kind) {
#define TSF_BOUNDS_VISITS(Export, ...) \
    case Export##Kind::kNumber: return copyVisits<kChained<KindLanes<Export##Kind>>>(in, out, rows, lanes);
        TSF_FILTER_TABLE(TSF_BOUNDS_VISITS)
#undef TSF_BOUNDS_VISITS
        default: return;
    }
}

}  // namespace

extern const lane_bounds::Kernels kBounds = {W, arithmetic, copy, copyInVisits};

}  // namespace tsfilters::stream::lanes::TSF_LANES_NS
