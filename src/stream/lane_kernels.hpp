// The lane-parallel steps: each filter's per-sample arithmetic on vectors
// of W lanes, every lane doing exactly what the scalar step in src/filters
// does to its one series: the same operations in the same order, each
// multiply and add rounded on its own (the build never contracts them), the
// same roundings to single precision, the coefficients that the scalar
// code computed, read from the streams.
//
// Included once per instruction set by a file that defines
//   TSF_LANES_NS          the namespace of that set's kernels (sse2, ...)
//   TSF_LANES_WIDTH       doubles per vector (W)
//   TSF_LANES_IN_FLIGHT   vectors advanced side by side (N), to cover the
//                         latency of each lane's chain of dependent steps
//   TSF_LANES_CHAINED_IN_FLIGHT  the same for a chain of two filters,
//                         which runs one filter at a time over a tile of
//                         rows (runTiles), so the registers hold one
//                         filter's values that many times over
// and compiled with that instruction set enabled. Everything except run()
// has internal linkage, so no inline function compiled here for a wide
// instruction set can stand in for the plain build's copy.
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "stream/lanes_job.hpp"
#include "rms_window.hpp"            // scaledBy, the oscillators' divide
#include "stream/stream_kinds.hpp"  // the filter table and the scalar step types

namespace tsfilters::stream::lanes::TSF_LANES_NS {
namespace {

// Everything a sample runs through must be inlined into the loops: a step
// called out of line keeps its values in memory, not in registers.
#define TSF_LANES_INLINE [[gnu::always_inline]] inline

constexpr int W = TSF_LANES_WIDTH;
constexpr int N = TSF_LANES_IN_FLIGHT;
constexpr int kChainedInFlight = TSF_LANES_CHAINED_IN_FLIGHT;
// Lanes per block (simd_target.cpp's blockLanes): one vector. N blocks
// advance side by side.
constexpr int kBlock = W;
// Rows run per visit of a block, across a wide table (lanes next to each
// other). Each visit loads the blocks' values from the streams and stores
// them back. A single filter does little work per row and waits on memory:
// a short visit keeps the rows a block touches few enough for the
// processor's prefetch to follow them all (8 rows measured best on the
// benchmark's 1,000 x 10,000 table). A chain of two does twice the
// arithmetic on the same rows and runs them as one tile (runTiles below):
// 128-row visits, four tiles, cost the memory twice the plain copy, where
// one tile's visit costs less than it, its rows few enough to stay in the
// first-level cache until the next group reads the rest of their lines;
// loading and storing the values four times as often measured no slower.
// Along separate series (samples next to each other) a block runs the whole
// call on its own lanes, whose samples then stream through in order.
constexpr std::int32_t kRowsAcross = 8;
constexpr std::int32_t kRowsAcrossChained = 32;
constexpr std::int32_t kRowsAlong = 1 << 30;

typedef double D __attribute__((vector_size(8 * W)));
typedef float F __attribute__((vector_size(4 * W)));

// float <-> double, exact widening and rounding to nearest, lane by lane.
//
// The wide widening is written as the instruction itself. Seeing through it,
// GCC keeps only a float that a later row feeds back (the previous input,
// the previous output) and widens it again at the top of every row, on top
// of the widening it keeps for the state stored after the loop: twice the
// conversions, and conversions are what bounds the kernels. An asm it
// cannot redo, though it still merges two that widen the same float.
TSF_LANES_INLINE D widen(F f) {
#if TSF_LANES_WIDTH == 8
    D d;
    asm("vcvtps2pd %t1, %g0" : "=v"(d) : "v"(f));
    return d;
#elif TSF_LANES_WIDTH == 4
    D d;
    asm("vcvtps2pd %x1, %t0" : "=x"(d) : "x"(f));
    return d;
#else
    return __builtin_convertvector(f, D);
#endif
}

TSF_LANES_INLINE F narrow(D d) {
#if TSF_LANES_WIDTH == 8
    return reinterpret_cast<F>(_mm512_maskz_cvtpd_ps(0xFF, reinterpret_cast<__m512d>(d)));
#elif TSF_LANES_WIDTH == 4
    return reinterpret_cast<F>(_mm256_cvtpd_ps(reinterpret_cast<__m256d>(d)));
#else
    return __builtin_convertvector(d, F);
#endif
}

// v in every lane, bit for bit: adding v to a zero vector would turn -0
// into +0.
template <class V, class T>
TSF_LANES_INLINE V broadcast(T v) {
    T values[W];
    for (int i = 0; i < W; ++i) values[i] = v;
    V result;
    std::memcpy(&result, values, sizeof result);
    return result;
}
TSF_LANES_INLINE D splat(double v) { return broadcast<D>(v); }
TSF_LANES_INLINE F splat(float v) { return broadcast<F>(v); }

// ---- The values in the transposed streams --------------------------------

// Where each value of a block's first lane sits, in words from the block's
// first word, and whether a float is its word's high half. Worked out once
// per call from Job::offsets (see lanes_job.hpp for the layout); lanes
// 1 .. W - 1 follow in the next words.
struct Places {
    std::int32_t word[kMaxValues];
    bool high[kMaxValues];

    explicit Places(const std::uint16_t* offsets) {
        for (int i = 0; i < kMaxValues; ++i) {
            const int q = offsets[i] / 8 * kBlock;
            word[i] = q / kTransposedWords * TSF_STREAM_WORDS + q % kTransposedWords;
            high[i] = offsets[i] % 8 != 0;
        }
    }
};

// The 2W floats of W words: lane i's float values are elements 2i and
// 2i + 1, the low and high halves of its word.
typedef float Pairs __attribute__((vector_size(8 * W)));
constexpr auto kLanes = std::make_integer_sequence<int, W>{};
constexpr auto kWords = std::make_integer_sequence<int, 2 * W>{};

template <int kHalf, int... I>
TSF_LANES_INLINE F half(Pairs p, std::integer_sequence<int, I...>) {
    return __builtin_shufflevector(p, p, (2 * I + kHalf)...);
}

template <int kHalf, int... K>
TSF_LANES_INLINE Pairs withHalf(Pairs p, F v, std::integer_sequence<int, K...>) {
    const Pairs twice = __builtin_shufflevector(v, v, (K % W)...);
    return __builtin_shufflevector(p, twice, (K % 2 == kHalf ? 2 * W + K / 2 : K)...);
}

// Visits a step's values in the order of Job::offsets, loading them into
// the vector of a block's lanes.
class Loader {
public:
    Loader(std::uint64_t* block, const Places& places) : block_(block), places_(places) {}

    TSF_LANES_INLINE void constant(D& v) { load(v); }
    TSF_LANES_INLINE void constant(F& v) { load(v); }
    TSF_LANES_INLINE void carried(D& v) { load(v); }
    TSF_LANES_INLINE void carried(F& v) { load(v); }

private:
    TSF_LANES_INLINE void load(D& v) { std::memcpy(&v, block_ + places_.word[next_++], sizeof v); }
    // A float is one half of its word.
    TSF_LANES_INLINE void load(F& v) {
        Pairs pairs;
        std::memcpy(&pairs, block_ + places_.word[next_], sizeof pairs);
        v = places_.high[next_++] ? half<1>(pairs, kLanes) : half<0>(pairs, kLanes);
    }

    std::uint64_t* block_;
    const Places& places_;
    int next_ = 0;
};

// The same visit, writing back what the samples changed.
class Storer {
public:
    Storer(std::uint64_t* block, const Places& places) : block_(block), places_(places) {}

    TSF_LANES_INLINE void constant(const D&) { ++next_; }
    TSF_LANES_INLINE void constant(const F&) { ++next_; }
    TSF_LANES_INLINE void carried(const D& v) { std::memcpy(block_ + places_.word[next_++], &v, sizeof v); }
    TSF_LANES_INLINE void carried(const F& v) {
        std::uint64_t* at = block_ + places_.word[next_];
        Pairs pairs;
        std::memcpy(&pairs, at, sizeof pairs);
        pairs = places_.high[next_++] ? withHalf<1>(pairs, v, kWords) : withHalf<0>(pairs, v, kWords);
        std::memcpy(at, &pairs, sizeof pairs);
    }

private:
    std::uint64_t* block_;
    const Places& places_;
    int next_ = 0;
};

// ---- The steps, one per step of src/filters -------------------------------
// Each lists its values in that step's forEachValue order.

// A carried value that always holds a float may be kept as the double the
// scalar step keeps (the transposed streams) or as the float itself (a
// book's float columns, which then skip a widening on load and a narrowing
// on store); the step widens it where it computes with it, the same double
// either way.
TSF_LANES_INLINE D asDouble(D v) { return v; }
TSF_LANES_INLINE D asDouble(F v) { return widen(v); }
template <class T>
TSF_LANES_INLINE T kept(F v) {
    if constexpr (std::is_same_v<T, F>)
        return v;
    else
        return widen(v);
}

// What HighPass and SuperSmoother share: three gains, the two earlier
// inputs (single precision) and outputs, in TwoPoleHistory's order.
template <class Y>
struct FloatInputTwoPoleLanesOf {
    D c1, c2, c3;
    F x1, x2;
    Y y1, y2;

    template <class Io>
    TSF_LANES_INLINE void values(Io& io) {
        io.constant(c1), io.constant(c2), io.constant(c3);
        io.carried(x1), io.carried(x2), io.carried(y1), io.carried(y2);
    }

    // The input term t plus the feedback, rounded: the output of sample x.
    TSF_LANES_INLINE F finish(D t, F x) {
        t = t + c2 * asDouble(y1);
        t = t + c3 * asDouble(y2);
        const F y = narrow(t);
        x2 = x1, x1 = x, y2 = y1, y1 = kept<Y>(y);
        return y;
    }
};

template <class Y = D>
struct HighPassLanesOf : FloatInputTwoPoleLanesOf<Y> {
    TSF_LANES_INLINE F next(F x) {
        const F d = (x - (this->x1 + this->x1)) + this->x2;  // single precision
        return this->finish(widen(d) * this->c1, x);
    }
};

template <class Y = D>
struct SuperSmootherLanesOf : FloatInputTwoPoleLanesOf<Y> {
    TSF_LANES_INLINE F next(F x) {
        const F pairSum = this->x1 + x;  // single precision
        return this->finish((widen(pairSum) * this->c1) * splat(0.5), x);
    }
};

template <class X = D>
struct UltimateSmootherLanesOf {
    D g0, g1, g2, c2, c3;  // gains of x[i], x[i-1], x[i-2]; feedback gains
    X x1, x2, y1, y2;

    template <class Io>
    TSF_LANES_INLINE void values(Io& io) {
        io.constant(g0), io.constant(g1), io.constant(g2), io.constant(c2), io.constant(c3);
        io.carried(x1), io.carried(x2), io.carried(y1), io.carried(y2);
    }

    TSF_LANES_INLINE F next(F xf) {
        const D x = widen(xf);
        D t = g1 * asDouble(x1);
        t = t + g0 * x;
        t = t - g2 * asDouble(x2);
        t = t + c2 * asDouble(y1);
        t = t + c3 * asDouble(y2);
        const F y = narrow(t);
        x2 = x1, x1 = kept<X>(xf), y2 = y1, y1 = kept<X>(y);
        return y;
    }
};

using HighPassLanes = HighPassLanesOf<>;
using SuperSmootherLanes = SuperSmootherLanesOf<>;
using UltimateSmootherLanes = UltimateSmootherLanesOf<>;

TSF_LANES_INLINE D laguerreStage(D gamma, D previousOfStageBefore, D own) {
    return (previousOfStageBefore - gamma * previousOfStageBefore) + gamma * own;
}

struct LaguerreCascadeLanes {
    D gamma, previousL0, l1, l2, l3, l4, l5;

    template <class Io>
    TSF_LANES_INLINE void values(Io& io) {
        io.constant(gamma);
        io.carried(previousL0), io.carried(l1), io.carried(l2), io.carried(l3), io.carried(l4),
            io.carried(l5);
    }

    TSF_LANES_INLINE F next(F smoothed) {
        const D l0 = widen(smoothed);
        const D n1 = laguerreStage(gamma, previousL0, l1), n2 = laguerreStage(gamma, l1, l2),
                n3 = laguerreStage(gamma, l2, l3), n4 = laguerreStage(gamma, l3, l4),
                n5 = laguerreStage(gamma, l4, l5);
        l1 = n1, l2 = n2, l3 = n3, l4 = n4, l5 = n5, previousL0 = l0;
        const D sum = (((l0 + splat(4.0) * n1) + splat(6.0) * n2) + splat(4.0) * n3) + n5;
        return narrow(sum) * splat(0.0625f);  // scaled in single precision
    }
};

struct LaguerreDifferenceLanes {
    D gamma, previousL0, l1;

    template <class Io>
    TSF_LANES_INLINE void values(Io& io) {
        io.constant(gamma);
        io.carried(previousL0), io.carried(l1);
    }

    TSF_LANES_INLINE F next(F smoothed) {
        const D l0 = widen(smoothed);
        l1 = laguerreStage(gamma, previousL0, l1);
        previousL0 = l0;
        return narrow(l0 - l1);
    }
};

template <class First, class Second>
struct ChainLanes {
    First first;
    Second second;

    template <class Io>
    TSF_LANES_INLINE void values(Io& io) {
        first.values(io);
        second.values(io);
    }

    TSF_LANES_INLINE F next(F x) { return second.next(first.next(x)); }
    // The two halves of next(), which a tile runs one after the other.
    TSF_LANES_INLINE F firstNext(F x) { return first.next(x); }
    TSF_LANES_INLINE F secondNext(F v) { return second.next(v); }
};

// An oscillator past its window: the step's value divided by the window's
// scale (NaN when its RMS was 0), in double as scaledBy (rms_window.hpp)
// divides: the same bits as a single-precision divide, without its slow
// path on the subnormal values a halted price leaves.
template <class Step>
struct ScaledLanes {
    Step step;
    F scale;

    template <class Io>
    TSF_LANES_INLINE void values(Io& io) {
        step.values(io);
        io.constant(scale);
    }

    // Compilers turn a divide of two widened floats rounded back to float
    // into a float divide (it gives the same bits); an empty asm on the
    // widened dividend keeps the double one. WebAssembly's asm takes no
    // vectors: there each lane divides as the scalar code does.
    TSF_LANES_INLINE F scaled(F v) const {
#if defined(__wasm__)
        F out;
        for (int i = 0; i < W; ++i) out[i] = scaledBy(v[i], scale[i]);
        return out;
#else
        D wide = widen(v);
#if defined(__aarch64__)
        asm("" : "+w"(wide));
#elif TSF_LANES_WIDTH == 8
        asm("" : "+v"(wide));
#else
        asm("" : "+x"(wide));
#endif
        return narrow(wide / widen(scale));
#endif
    }

    TSF_LANES_INLINE F next(F x) { return scaled(step.next(x)); }
    TSF_LANES_INLINE F firstNext(F x) { return step.firstNext(x); }
    TSF_LANES_INLINE F secondNext(F v) { return scaled(step.secondNext(v)); }
};

template <class Step>
constexpr bool kChained = false;
template <class First, class Second>
constexpr bool kChained<ChainLanes<First, Second>> = true;
template <class Step>
constexpr bool kChained<ScaledLanes<Step>> = kChained<Step>;

// ---- Running the blocks --------------------------------------------------

// How a call's lanes lie in memory, for the input and for the output.
enum class Access {
    Across,   // lane stride 1: a vector of lanes is one load
    Same,     // lane stride 0 (input only): every lane reads one series
    Along,    // time stride 1: each lane's samples are contiguous; W rows
              // of W lanes are loaded lane by lane and transposed
    Strided,  // anything else: element by element
};

inline Access accessOf(std::int64_t timeStride, std::int64_t laneStride, bool input) {
    if (laneStride == 1) return Access::Across;
    if (laneStride == 0 && input) return Access::Same;
    if (timeStride == 1) return Access::Along;
    return Access::Strided;
}

template <int... K>
TSF_LANES_INLINE F zipLow(F a, F b, std::integer_sequence<int, K...>) {
    return __builtin_shufflevector(a, b, (K % 2 == 0 ? K / 2 : W + K / 2)...);
}
template <int... K>
TSF_LANES_INLINE F zipHigh(F a, F b, std::integer_sequence<int, K...>) {
    return __builtin_shufflevector(a, b, (K % 2 == 0 ? W / 2 + K / 2 : W + W / 2 + K / 2)...);
}

// W vectors of W floats, rows become columns: log2(W) rounds of zipping
// vector i with vector i + W/2.
TSF_LANES_INLINE void transpose(F (&v)[W]) {
#pragma GCC unroll 4
    for (int round = 1; round < W; round *= 2) {
        F next[W];
#pragma GCC unroll 8
        for (int i = 0; i < W / 2; ++i) {
            next[2 * i] = zipLow(v[i], v[i + W / 2], kLanes);
            next[2 * i + 1] = zipHigh(v[i], v[i + W / 2], kLanes);
        }
#pragma GCC unroll 8
        for (int i = 0; i < W; ++i) v[i] = next[i];
    }
}

// One row of W lanes.
template <Access kAccess>
TSF_LANES_INLINE F loadRow(const float* p, std::int64_t laneStride) {
    F v;
    if constexpr (kAccess == Access::Across) {
        std::memcpy(&v, p, sizeof v);
    } else if constexpr (kAccess == Access::Same) {
        v = splat(*p);
    } else {
        float values[W];
        for (int i = 0; i < W; ++i) values[i] = p[i * laneStride];
        std::memcpy(&v, values, sizeof v);
    }
    return v;
}

template <Access kAccess>
TSF_LANES_INLINE void storeRow(float* p, std::int64_t laneStride, F v) {
    if constexpr (kAccess == Access::Across) {
        std::memcpy(p, &v, sizeof v);
    } else {
        float values[W];
        std::memcpy(values, &v, sizeof values);
        for (int i = 0; i < W; ++i) p[i * laneStride] = values[i];
    }
}

#if TSF_LANES_WIDTH == 8
// Eight by eight, the transposes take a third fewer shuffles when the loads
// and stores move the 128-bit halves: each vector is loaded as two halves,
// four samples of lane i and four of lane i + 4 (or stored as two), and
// only the two 4 x 4 transposes within the halves are left to the shuffle
// unit, 16 shuffles where the zips take 24. On the series-major table the
// shuffles are what the arithmetic waits on.
TSF_LANES_INLINE void transposeHalves(__m256 (&v)[8]) {
#pragma GCC unroll 2
    for (int g = 0; g < 8; g += 4) {
        const __m256 t0 = _mm256_unpacklo_ps(v[g], v[g + 1]), t1 = _mm256_unpackhi_ps(v[g], v[g + 1]);
        const __m256 t2 = _mm256_unpacklo_ps(v[g + 2], v[g + 3]), t3 = _mm256_unpackhi_ps(v[g + 2], v[g + 3]);
        v[g] = _mm256_shuffle_ps(t0, t2, 0x44);
        v[g + 1] = _mm256_shuffle_ps(t0, t2, 0xEE);
        v[g + 2] = _mm256_shuffle_ps(t1, t3, 0x44);
        v[g + 3] = _mm256_shuffle_ps(t1, t3, 0xEE);
    }
}

// Lane i's eight samples at p + i * laneStride become rows 0 .. 7.
TSF_LANES_INLINE void loadTransposed(F (&rows)[W], const float* p, std::int64_t laneStride) {
    __m256 v[8];
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
        const float* low = p + i * laneStride;
        const float* high = p + (i + 4) * laneStride;
        v[i] = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(low)), _mm_loadu_ps(high), 1);
        v[i + 4] = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(low + 4)), _mm_loadu_ps(high + 4), 1);
    }
    transposeHalves(v);
    std::memcpy(rows, v, sizeof v);
}

// Rows 0 .. 7 back to lane i's eight samples at p + i * laneStride.
TSF_LANES_INLINE void storeTransposed(F (&rows)[W], float* p, std::int64_t laneStride) {
    __m256 v[8];
    std::memcpy(v, rows, sizeof v);
    transposeHalves(v);
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
        float* low = p + i * laneStride;
        float* high = p + (i + 4) * laneStride;
        _mm_storeu_ps(low, _mm256_castps256_ps128(v[i]));
        _mm_storeu_ps(high, _mm256_extractf128_ps(v[i], 1));
        _mm_storeu_ps(low + 4, _mm256_castps256_ps128(v[i + 4]));
        _mm_storeu_ps(high + 4, _mm256_extractf128_ps(v[i + 4], 1));
    }
}
#endif

// W rows of W lanes from p (row 0, lane 0 of the vector).
template <Access kAccess>
TSF_LANES_INLINE void loadRows(F (&rows)[W], const float* p, std::int64_t timeStride, std::int64_t laneStride) {
    if constexpr (kAccess == Access::Along) {
#if TSF_LANES_WIDTH == 8
        loadTransposed(rows, p, laneStride);
#else
#pragma GCC unroll 8
        for (int i = 0; i < W; ++i) std::memcpy(&rows[i], p + i * laneStride, sizeof rows[i]);
        transpose(rows);
#endif
    } else {
#pragma GCC unroll 8
        for (int r = 0; r < W; ++r) rows[r] = loadRow<kAccess>(p + r * timeStride, laneStride);
    }
}

template <Access kAccess>
TSF_LANES_INLINE void storeRows(F (&rows)[W], float* p, std::int64_t timeStride, std::int64_t laneStride) {
    if constexpr (kAccess == Access::Along) {
#if TSF_LANES_WIDTH == 8
        storeTransposed(rows, p, laneStride);
#else
        transpose(rows);
#pragma GCC unroll 8
        for (int i = 0; i < W; ++i) std::memcpy(p + i * laneStride, &rows[i], sizeof rows[i]);
#endif
    } else {
#pragma GCC unroll 8
        for (int r = 0; r < W; ++r) storeRow<kAccess>(p + r * timeStride, laneStride, rows[r]);
    }
}

// Row by row access for the rows that do not fill W: the transposing
// accesses fall back to element by element.
constexpr Access single(Access a) { return a == Access::Along ? Access::Strided : a; }

// Rows of the table asked for ahead. Across a wide table the processor does
// not see the pattern (one short run of each row per visit), and rows
// whose length is not a multiple of a cache line run far slower without
// it. A single filter asks for the same lanes' row one visit of rows
// ahead: its visits are short, and that row is in the band of rows the
// whole table runs next, which the next-level cache then holds.
//
// A chain's visits are longer, as many streams as rows, more than the
// processor's prefetchers follow, and the band of rows one visit ahead is
// too large to wait in the caches until every other group has run: a copy
// in that order of a 1,000-lane table cost twice the plain copy. A chain
// asks instead for the first cache line of the same row that no visit has
// read yet, one line past this group's last lane: the next visits' (unless
// this one is the last of its rows). Not the next group's first lane: a
// row rarely starts on a cache line, and then that lane shares this
// group's last line, which is here already; and where a group is narrower
// than a line (SSE2's 8 lanes), the next group may still lie in it.
//
// The address is only a hint: prefetches never fault, so it may lie past
// the table.
constexpr std::int64_t kLineFloats = 64 / sizeof(float);
template <int kTogether>
constexpr std::int64_t kNextLine = kTogether * W - 1 + kLineFloats;

template <bool kWrite>
TSF_LANES_INLINE void prefetchAhead(const float* row, std::int64_t elements) {
    const auto ahead = reinterpret_cast<std::uintptr_t>(row) +
                       static_cast<std::uintptr_t>(elements * std::int64_t(sizeof(float)));
    __builtin_prefetch(reinterpret_cast<const void*>(ahead), kWrite ? 1 : 0, 3);
}

// A single filter, `rows` rows of kTogether blocks from `in` to `out`, row
// by row (W rows at a time where they are transposed), in visits of kRows.
template <class Step, Access kIn, Access kOut, int kTogether, std::int32_t kRows>
TSF_LANES_INLINE void runRows(Step (&steps)[kTogether], const Job& job, const float* in, float* out,
                              std::int32_t rows) {
    const std::int64_t its = job.inputTimeStride, ils = job.inputLaneStride;
    const std::int64_t ots = job.outputTimeStride, ols = job.outputLaneStride;
    std::int32_t t = 0;
    if constexpr (kIn == Access::Along || kOut == Access::Along) {
        for (; t + W <= rows; t += W, in += W * its, out += W * ots) {
#pragma GCC unroll 8
            for (int k = 0; k < kTogether; ++k) {
                F x[W];
                loadRows<kIn>(x, in + k * W * ils, its, ils);
#pragma GCC unroll 8
                for (int r = 0; r < W; ++r) x[r] = steps[k].next(x[r]);
                storeRows<kOut>(x, out + k * W * ols, ots, ols);
            }
        }
    }
    for (; t < rows; ++t, in += its, out += ots) {
        if constexpr (kIn == Access::Across) prefetchAhead<false>(in, kRows * its);
        if constexpr (kOut == Access::Across) prefetchAhead<true>(out, kRows * ots);
#pragma GCC unroll 8
        for (int k = 0; k < kTogether; ++k) {
            const F x = loadRow<single(kIn)>(in + k * W * ils, ils);
            storeRow<single(kOut)>(out + k * W * ols, ols, steps[k].next(x));
        }
    }
}

// Rows of a chain's tile: each of its two filters runs over the tile in
// turn, the first's outputs kept in a small buffer on the stack.
constexpr std::int32_t kTile = 32;
static_assert(kTile % W == 0);

// A chain of two filters, `rows` rows of kTogether blocks from `in` to
// `out`, tile by tile. Sample by sample, a chain's one long dependency (the
// input through both filters to the output) fills the processor's
// reordering window with few vectors in flight; split, each filter's own
// chain is short and many rows of it overlap. Each lane still runs the
// first filter, then the second, then the scaling on each of its samples:
// the same operations in the same order on the same values, the float in
// between rounded as before. A tile's inputs are all read before any of
// its outputs is written, so in place with equal strides still works.
template <class Step, Access kIn, Access kOut, int kTogether>
TSF_LANES_INLINE void runTiles(Step (&steps)[kTogether], const Job& job, const float* in, float* out,
                               std::int32_t rows) {
    const std::int64_t its = job.inputTimeStride, ils = job.inputLaneStride;
    const std::int64_t ots = job.outputTimeStride, ols = job.outputLaneStride;
    F between[kTile][kTogether];
    for (std::int32_t t = 0; t < rows; t += kTile, in += kTile * its, out += kTile * ots) {
        const std::int32_t n = rows - t < kTile ? rows - t : kTile;
        std::int32_t r = 0;
        if constexpr (kIn == Access::Along) {
            for (; r + W <= n; r += W) {
#pragma GCC unroll 8
                for (int k = 0; k < kTogether; ++k) {
                    F x[W];
                    loadRows<kIn>(x, in + r * its + k * W * ils, its, ils);
#pragma GCC unroll 8
                    for (int i = 0; i < W; ++i) between[r + i][k] = steps[k].firstNext(x[i]);
                }
            }
        }
        for (; r < n; ++r) {
            const float* row = in + r * its;
            if constexpr (kIn == Access::Across) prefetchAhead<false>(row, kNextLine<kTogether> * ils);
#pragma GCC unroll 8
            for (int k = 0; k < kTogether; ++k)
                between[r][k] = steps[k].firstNext(loadRow<single(kIn)>(row + k * W * ils, ils));
        }
        r = 0;
        if constexpr (kOut == Access::Along) {
            for (; r + W <= n; r += W) {
#pragma GCC unroll 8
                for (int k = 0; k < kTogether; ++k) {
                    F y[W];
#pragma GCC unroll 8
                    for (int i = 0; i < W; ++i) y[i] = steps[k].secondNext(between[r + i][k]);
                    storeRows<kOut>(y, out + r * ots + k * W * ols, ots, ols);
                }
            }
        }
        for (; r < n; ++r) {
            float* row = out + r * ots;
            if constexpr (kOut == Access::Across) prefetchAhead<true>(row, kNextLine<kTogether> * ols);
#pragma GCC unroll 8
            for (int k = 0; k < kTogether; ++k)
                storeRow<single(kOut)>(row + k * W * ols, ols, steps[k].secondNext(between[r][k]));
        }
    }
}

// Advances blocks first .. first + kTogether - 1 (one vector each) by
// `rows` rows from row t0, side by side, their values in registers. Every
// lane's input is read before its own output is written, so in place with
// equal strides works.
template <class Step, Access kIn, Access kOut, int kTogether>
TSF_LANES_INLINE void runVisit(const Job& job, const Places& places, std::int32_t first, std::int64_t t0,
                     std::int32_t rows) {
    const std::int64_t its = job.inputTimeStride, ils = job.inputLaneStride;
    const std::int64_t ots = job.outputTimeStride, ols = job.outputLaneStride;
    const auto blockAt = [&](int k) { return job.words + std::int64_t(first + k) * W * TSF_STREAM_WORDS; };
    Step steps[kTogether];
#pragma GCC unroll 8
    for (int k = 0; k < kTogether; ++k) {
        Loader io(blockAt(k), places);
        steps[k].values(io);
    }
    const std::int64_t lane0 = std::int64_t(first) * W;
    const float* in = job.input + t0 * its + lane0 * ils;
    float* out = job.output + t0 * ots + lane0 * ols;
    if constexpr (kChained<Step>)
        runTiles<Step, kIn, kOut, kTogether>(steps, job, in, out, rows);
    else
        runRows<Step, kIn, kOut, kTogether, kRowsAcross>(steps, job, in, out, rows);
#pragma GCC unroll 8
    for (int k = 0; k < kTogether; ++k) {
        Storer io(blockAt(k), places);
        steps[k].values(io);
    }
}

// Time outside, lanes inside: every group of blocks advances a few rows
// before the next group takes its turn, so each row of a wide table is read
// along its length.
template <class Step, Access kIn, Access kOut>
void runBlocks(const Job& job) {
    constexpr std::int32_t kRows = kChained<Step> ? kRowsAcrossChained : kRowsAcross;
    constexpr int kTogether = kChained<Step> ? kChainedInFlight : N;
    const auto magnitude = [](std::int64_t v) { return v < 0 ? -v : v; };
    const std::int32_t perVisit =
        magnitude(job.inputTimeStride) < magnitude(job.inputLaneStride) ? kRowsAlong : kRows;
    const std::int32_t grouped = job.blocks - job.blocks % kTogether;
    const Places places(job.offsets);
    for (std::int64_t t0 = 0; t0 < job.rows; t0 += perVisit) {
        const auto rows = static_cast<std::int32_t>(job.rows - t0 < perVisit ? job.rows - t0 : perVisit);
        for (std::int32_t b = 0; b < grouped; b += kTogether)
            runVisit<Step, kIn, kOut, kTogether>(job, places, b, t0, rows);
        for (std::int32_t b = grouped; b < job.blocks; ++b)
            runVisit<Step, kIn, kOut, 1>(job, places, b, t0, rows);
    }
}

template <class Step, Access kIn>
void runWithInput(const Job& job) {
    switch (accessOf(job.outputTimeStride, job.outputLaneStride, false)) {
        case Access::Across: return runBlocks<Step, kIn, Access::Across>(job);
        case Access::Along: return runBlocks<Step, kIn, Access::Along>(job);
        default: return runBlocks<Step, kIn, Access::Strided>(job);
    }
}

// TSF_LANES_ROW_TABLES_ONLY (the WebAssembly module, whose package only
// passes row-major tables) keeps a kernel of its own for lane stride 1 in
// and out alone; any other layout runs the element-by-element loads and
// stores. Each layout pair is a copy of every kind's kernels, so twelve of
// them were three quarters of the module. The arithmetic is the same in
// every copy: only the loads and stores differ, never the bits. Left to
// itself, clang then inlines the seven kinds into run(), one function of
// 50 KB, which Node's engine runs 4% slower on average (up to 8%) than
// seven.
#if defined(TSF_LANES_ROW_TABLES_ONLY)
#define TSF_LANES_KIND [[gnu::noinline]]
#else
#define TSF_LANES_KIND
#endif
template <class Step>
TSF_LANES_KIND void runKind(const Job& job) {
#if defined(TSF_LANES_ROW_TABLES_ONLY)
    if (accessOf(job.inputTimeStride, job.inputLaneStride, true) == Access::Across &&
        accessOf(job.outputTimeStride, job.outputLaneStride, false) == Access::Across)
        return runBlocks<Step, Access::Across, Access::Across>(job);
    return runBlocks<Step, Access::Strided, Access::Strided>(job);
#else
    switch (accessOf(job.inputTimeStride, job.inputLaneStride, true)) {
        case Access::Across: return runWithInput<Step, Access::Across>(job);
        case Access::Same: return runWithInput<Step, Access::Same>(job);
        case Access::Along: return runWithInput<Step, Access::Along>(job);
        default: return runWithInput<Step, Access::Strided>(job);
    }
#endif
}
#undef TSF_LANES_KIND

// The lanes step of each scalar step of src/filters, and of each kind: a
// chain's is the chain of its parts', an oscillator's is scaled. Only the
// types are used here, never the scalar code, which this file must not
// compile for its instruction set.
template <class ScalarStep>
struct LanesFor;
template <>
struct LanesFor<HighPassStep> { using type = HighPassLanes; };
template <>
struct LanesFor<SuperSmootherStep> { using type = SuperSmootherLanes; };
template <>
struct LanesFor<UltimateSmootherStep> { using type = UltimateSmootherLanes; };
template <>
struct LanesFor<LaguerreCascadeStep> { using type = LaguerreCascadeLanes; };
template <>
struct LanesFor<LaguerreDifferenceStep> { using type = LaguerreDifferenceLanes; };
template <class First, class Second>
struct LanesFor<Chain<First, Second>> {
    using type = ChainLanes<typename LanesFor<First>::type, typename LanesFor<Second>::type>;
};

template <class Kind, class Lanes = typename LanesFor<typename Kind::Step>::type>
using KindLanes = std::conditional_t<Kind::kRmsWindow, ScaledLanes<Lanes>, Lanes>;

#undef TSF_LANES_INLINE

}  // namespace

// The benchmark's bounds compile the steps alone, under a namespace of their
// own, with TSF_LANES_STEPS_ONLY defined.
#if !defined(TSF_LANES_STEPS_ONLY)
extern const std::int32_t kBlockLanes = kBlock;

void run(const Job& job) {
    switch (job.kind) {
#define TSF_LANES_RUN(Export, ...) \
    case Export##Kind::kNumber: return runKind<KindLanes<Export##Kind>>(job);
        TSF_FILTER_TABLE(TSF_LANES_RUN)
#undef TSF_LANES_RUN
        default: return;
    }
}
#endif

}  // namespace tsfilters::stream::lanes::TSF_LANES_NS
