// A book's row on vectors of W slots: the lanes' own steps (lane_kernels.hpp,
// each lane doing exactly what the scalar step does), loaded from and stored
// to the book's columns instead of transposed streams. A vector of slots
// whose series are all past their warm-up and window and all have a sample
// takes the vector step; any other goes slot by slot through the scalar
// code (RowJob::lane), which is also what the slots after the last whole
// vector take.
//
// Included once per instruction set by book_<set>.cpp, after the defines
// lane_kernels.hpp needs, and compiled with that set enabled. Only
// bookRow() leaves the file.
#define TSF_LANES_STEPS_ONLY
#include "stream/lane_kernels.hpp"
#include "stream/book_job.hpp"

namespace tsfilters::stream::lanes::TSF_LANES_NS {
namespace {

using book::Columns;
using book::RowJob;

#define TSF_BOOK_INLINE [[gnu::always_inline]] inline

// Visits a step's values as the lanes' steps list them (constants, then
// carried values), loading W slots of each from its column. A carried
// double is read from a float column while the step's float-valued count
// lasts (book_fields.hpp), and widened. With kShared, every series has the
// header's coefficients, and each is broadcast instead of read per slot.
template <bool kShared>
class BookLoader {
public:
    static constexpr bool kLoads = true;

    BookLoader(const Columns& c, const double* shared, const float* scale, std::int64_t slot)
        : c_(c), shared_(shared), scale_(scale), slot_(slot) {}

    TSF_BOOK_INLINE void floatValued(std::int32_t n) { floatValued_ = n; }
    TSF_BOOK_INLINE void constant(D& v) {
        if constexpr (kShared)
            v = splat(shared_[constant_++]);
        else
            std::memcpy(&v, c_.constants[constant_++] + slot_, sizeof v);
    }
    TSF_BOOK_INLINE void constant(F& v) { std::memcpy(&v, scale_ + slot_, sizeof v); }
    TSF_BOOK_INLINE void carried(F& v) { std::memcpy(&v, c_.floats[float_++] + slot_, sizeof v); }
    TSF_BOOK_INLINE void carried(D& v) {
        if (floatValued_ > 0) {
            --floatValued_;
            F f;
            carried(f);
            v = widen(f);
        } else {
            std::memcpy(&v, c_.doubles[double_++] + slot_, sizeof v);
        }
    }

private:
    const Columns& c_;
    const double* shared_;
    const float* scale_;
    std::int64_t slot_;
    std::int32_t constant_ = 0, float_ = 0, double_ = 0, floatValued_ = 0;
};

// The same visit, storing the carried values back.
class BookStorer {
public:
    static constexpr bool kLoads = false;

    BookStorer(const Columns& c, std::int64_t slot) : c_(c), slot_(slot) {}

    TSF_BOOK_INLINE void floatValued(std::int32_t n) { floatValued_ = n; }
    TSF_BOOK_INLINE void constant(const D&) { ++constant_; }
    TSF_BOOK_INLINE void constant(const F&) {}
    TSF_BOOK_INLINE void carried(const F& v) { std::memcpy(c_.floats[float_++] + slot_, &v, sizeof v); }
    TSF_BOOK_INLINE void carried(const D& v) {
        if (floatValued_ > 0) {
            --floatValued_;
            carried(narrow(v));  // exact: the value is a widened float
        } else {
            std::memcpy(c_.doubles[double_++] + slot_, &v, sizeof v);
        }
    }

private:
    const Columns& c_;
    std::int64_t slot_;
    std::int32_t constant_ = 0, float_ = 0, double_ = 0, floatValued_ = 0;
};

// A lanes step with its float-valued count (FieldsOf of its scalar step).
template <class Lanes, std::int32_t kFloatValued>
struct BookStep {
    Lanes step;

    template <class Io>
    TSF_BOOK_INLINE void values(Io& io) {
        io.floatValued(kFloatValued);
        step.values(io);
    }
    TSF_BOOK_INLINE F next(F x) { return step.next(x); }
};

// The UltimateSmoother from its coefficient set: the gains formed as
// LowLagInputGains forms them, operation for operation.
struct BookUltimateSmoother {
    UltimateSmootherLanesOf<F> step;

    template <class Io>
    TSF_BOOK_INLINE void values(Io& io) {
        D c1 = {}, c2 = {}, c3 = {};  // a storer only counts them
        io.constant(c1), io.constant(c2), io.constant(c3);
        if constexpr (Io::kLoads) {
            step.g0 = splat(1.0) - c1;
            step.g1 = (c1 + c1) - c2;
            step.g2 = c3 + c1;
            step.c2 = c2;
            step.c3 = c3;
        }
        io.carried(step.x1), io.carried(step.x2), io.carried(step.y1), io.carried(step.y2);
    }
    TSF_BOOK_INLINE F next(F x) { return step.next(x); }
};

template <class ScalarStep>
struct BookFor;
template <>
struct BookFor<HighPassStep> { using type = BookStep<HighPassLanesOf<F>, 0>; };
template <>
struct BookFor<SuperSmootherStep> { using type = BookStep<SuperSmootherLanesOf<F>, 0>; };
template <>
struct BookFor<UltimateSmootherStep> { using type = BookUltimateSmoother; };
template <>
struct BookFor<LaguerreCascadeStep> { using type = BookStep<LaguerreCascadeLanes, 1>; };
template <>
struct BookFor<LaguerreDifferenceStep> { using type = BookStep<LaguerreDifferenceLanes, 1>; };
template <class First, class Second>
struct BookFor<Chain<First, Second>> {
    using type = ChainLanes<typename BookFor<First>::type, typename BookFor<Second>::type>;
};

template <class Kind, class Lanes = typename BookFor<typename Kind::Step>::type>
using BookKind = std::conditional_t<Kind::kRmsWindow, ScaledLanes<Lanes>, Lanes>;

typedef std::int64_t I __attribute__((vector_size(8 * W)));
typedef std::int32_t M __attribute__((vector_size(4 * W)));

// Bit i set where lane i's series is past its warm-up and window (a free
// slot's count is negative): one compare and a movemask where the set has
// them, rather than W scalar branches.
TSF_BOOK_INLINE unsigned steadyBits(I samples, I early) {
#if TSF_LANES_WIDTH == 8
    return _mm512_cmpge_epi64_mask(reinterpret_cast<__m512i>(samples), reinterpret_cast<__m512i>(early));
#elif TSF_LANES_WIDTH == 4
    return unsigned(_mm256_movemask_pd(reinterpret_cast<__m256d>(samples >= early)));
#elif defined(__SSE2__)
    return unsigned(_mm_movemask_pd(reinterpret_cast<__m128d>(samples >= early)));
#else
    const I steady = samples >= early;
    unsigned bits = 0;
    for (int i = 0; i < W; ++i) bits |= unsigned(steady[i] & 1) << i;
    return bits;
#endif
}

// Bit i set where lane i's sample is finite: x - x is 0 for a finite x,
// NaN for a NaN or an infinity.
TSF_BOOK_INLINE unsigned finiteBits(F x) {
    const M finite = (x - x) == splat(0.0f);
#if TSF_LANES_WIDTH == 8
    return unsigned(_mm256_movemask_ps(reinterpret_cast<__m256>(finite)));
#elif TSF_LANES_WIDTH == 4
    return unsigned(_mm_movemask_ps(reinterpret_cast<__m128>(finite)));
#else
    unsigned bits = 0;
    for (int i = 0; i < W; ++i) bits |= unsigned(finite[i] & 1) << i;
    return bits;
#endif
}

// W samples from a row of floats, or of doubles each rounded to a float by
// the conversion instruction (an infinity past the float range, as
// toFloat gives).
TSF_BOOK_INLINE F samplesAt(const float* row, std::int64_t slot) {
    F x;
    std::memcpy(&x, row + slot, sizeof x);
    return x;
}
TSF_BOOK_INLINE F samplesAt(const double* row, std::int64_t slot) {
    D x;
    std::memcpy(&x, row + slot, sizeof x);
    return __builtin_convertvector(x, F);
}

// The row over every whole vector of slots. Everything the loop reads more
// than once is copied out of the job first: the kernels store with memcpy,
// which may alias anything, so a pointer left in the job would be loaded
// again after every store.
template <class Kind, bool kShared, class In>
void bookRowOf(const RowJob& job, const In* const row) {
    using Step = BookKind<Kind>;
    constexpr unsigned kEvery = (1u << W) - 1;
    const Columns columns = job.columns;
    double shared[book::kMaxColumns] = {};
    if constexpr (kShared) std::memcpy(shared, job.shared, sizeof shared);
    float* const out = job.out;
    std::int64_t* const samples = job.samples;
    const float* const scale = job.scale;
    const bool commit = job.commit;
    const unsigned mayMiss = job.skipMissing ? 0u : kEvery;
    const I early = broadcast<I>(job.early);
    const std::int32_t whole = job.slots - job.slots % W;
    for (std::int32_t slot = 0; slot < whole; slot += W) {
        const F x = samplesAt(row, slot);
        I n;
        std::memcpy(&n, samples + slot, sizeof n);
        // Any lane early, free or missing its sample sends the vector slot
        // by slot through the scalar code: rare once a book is warm.
        if ((steadyBits(n, early) & (finiteBits(x) | mayMiss)) != kEvery) [[unlikely]] {
            for (int i = 0; i < W; ++i) job.lane(job, slot + i);
            continue;
        }
        Step step;
        BookLoader<kShared> load(columns, shared, scale, slot);
        step.values(load);
        const F y = step.next(x);
        std::memcpy(out + slot, &y, sizeof y);
        if (commit) {
            BookStorer store(columns, slot);
            step.values(store);
            n = n + 1;
            std::memcpy(samples + slot, &n, sizeof n);
        }
    }
    for (std::int32_t slot = whole; slot < job.slots; ++slot) job.lane(job, slot);
}

template <class Kind>
void bookRowOf(const RowJob& job) {
    if (job.shared != nullptr) {
        if (job.row != nullptr) return bookRowOf<Kind, true>(job, job.row);
        return bookRowOf<Kind, true>(job, job.rowDoubles);
    }
    if (job.row != nullptr) return bookRowOf<Kind, false>(job, job.row);
    return bookRowOf<Kind, false>(job, job.rowDoubles);
}

#undef TSF_BOOK_INLINE

}  // namespace
}  // namespace tsfilters::stream::lanes::TSF_LANES_NS

namespace tsfilters::stream::book::TSF_LANES_NS {

void bookRow(const RowJob& job) {
    switch (job.kind) {
#define TSF_BOOK_RUN(Export, ...) \
    case Export##Kind::kNumber: return lanes::TSF_LANES_NS::bookRowOf<Export##Kind>(job);
        TSF_FILTER_TABLE(TSF_BOOK_RUN)
#undef TSF_BOOK_RUN
        default: return;
    }
}

}  // namespace tsfilters::stream::book::TSF_LANES_NS
