// The book's exported C functions: checks first, then the kind's code
// through a table with one row per filter. Every check of a call comes
// before its first write, so a refused call leaves the book and the
// caller's arrays as they were.
//
// Bytes are moved with memmove, never memcpy: on x86-64 glibc binds memcpy
// to its 2.14 version, which would make the library, and the Python wheel
// that carries it, need a newer C library than the rest of it does.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "stream/book_job.hpp"
#include "stream/book_layout.hpp"
#include "stream/book_save.hpp"
#include "stream/book_series.hpp"
#include "stream/book_shared.hpp"
#include "stream/simd_target.hpp"
#include "tsfilters_stream.h"

namespace tsfilters::stream::book {
namespace {

Layout layoutOf(const Header& h) { return Layout(shapeOf(h.kind), h.capacity); }

// The header of a book that init, grow or load set up, or null. Every
// field that places or bounds an array is checked: the book is caller
// memory that could hold anything.
const Header* validHeader(const tsf_book* book) {
    if (book == nullptr || reinterpret_cast<std::uintptr_t>(book) % 8 != 0) return nullptr;
    const auto& h = *reinterpret_cast<const Header*>(book);
    const bool ok = h.tag == Header::kInitialised && isKnownKind(h.kind) && h.missing >= TSF_MISSING_ERROR &&
                    h.missing <= TSF_MISSING_KEEP && h.capacity >= 0 && h.slots >= 0 && h.slots <= h.capacity &&
                    h.live >= 0 && h.live <= h.slots && h.freeHead >= -1 && h.freeHead < h.slots &&
                    (h.shared == 0 || h.shared == 1) &&
                    h.mostSamples >= 0 && h.mostSamples <= kMaxSamples &&
                    h.bytes >= Layout(shapeOf(h.kind), h.capacity).end;
    return ok ? &h : nullptr;
}

View viewOf(const tsf_book* book) {
    auto* base = reinterpret_cast<unsigned char*>(const_cast<tsf_book*>(book));
    return View(base, layoutOf(*reinterpret_cast<const Header*>(base)));
}

bool isLive(const View& v, std::int32_t series) {
    return series >= 0 && series < v.header->slots && v.samples[series] >= 0 && v.samples[series] <= kMaxSamples;
}

// Parts of two arrays that share bytes without being the same array.
bool partlyOverlap(const void* a, std::size_t aBytes, const void* b, std::size_t bBytes) {
    const auto x = reinterpret_cast<std::uintptr_t>(a), y = reinterpret_cast<std::uintptr_t>(b);
    if (x == y && aBytes == bBytes) return false;
    return x < y + bBytes && y < x + aBytes;
}

bool overlap(const void* a, std::size_t aBytes, const void* b, std::size_t bBytes) {
    const auto x = reinterpret_cast<std::uintptr_t>(a), y = reinterpret_cast<std::uintptr_t>(b);
    return aBytes > 0 && bBytes > 0 && x < y + bBytes && y < x + aBytes;
}

// A row's value as a float: a float row's own, a double row's rounded.
float sampleOf(const float* row, std::int64_t i) { return row[i]; }
float sampleOf(const double* row, std::int64_t i) { return toFloat(row[i]); }

// Whether the outputs would clobber inputs not yet read: a float row may be
// its own output (each value is read before its output is written), a
// double row shares no byte with it.
template <class In>
bool clobbers(const In* in, const float* out, std::size_t count) {
    if constexpr (sizeof(In) == sizeof(float))
        return partlyOverlap(in, count * sizeof(In), out, count * sizeof(float));
    else
        return overlap(in, count * sizeof(In), out, count * sizeof(float));
}

std::int32_t constantsOf(std::int32_t kind) { return shapeOf(kind).fields.constants; }

// ---- Per kind -------------------------------------------------------------

template <class Kind>
void laneOf(const RowJob& job, std::int32_t slot) {
    const View& v = *static_cast<const View*>(job.context);
    const float x = job.sample(slot);
    if (v.samples[slot] < 0 || (job.skipMissing && isMissing(x))) {
        job.out[slot] = kNoValue;
        return;
    }
    job.out[slot] = stepSeries<Kind>(v, slot, x, job.commit);
}

template <class Kind>
float sparseOf(const View& v, std::int32_t slot, float x, bool commit, bool skipMissing) {
    if (skipMissing && isMissing(x)) return kNoValue;
    return stepSeries<Kind>(v, slot, x, commit);
}

struct KindOps {
    void (*lane)(const RowJob&, std::int32_t);
    float (*sparse)(const View&, std::int32_t, float, bool, bool);
    void (*start)(const View&, std::int64_t, const Parameters&);
    bool (*put)(StreamState&, const View&, std::int64_t);
    void (*get)(const View&, std::int64_t, StreamState&, bool);
    std::int64_t early;
};

constexpr KindOps kOps[] = {
#define TSF_BOOK_OPS(Export, ...)                                                                 \
    {laneOf<Export##Kind>, sparseOf<Export##Kind>, startSeries<Export##Kind>, putState<Export##Kind>, \
     stateOf<Export##Kind>, kEarly<Export##Kind>},
    TSF_FILTER_TABLE(TSF_BOOK_OPS)
#undef TSF_BOOK_OPS
};

const KindOps& opsOf(std::int32_t kind) { return kOps[kind - 1]; }

// The vector row of the instruction set tsf_simd_target names, or null.
RowKernel rowKernel() {
    const char* name = lanes::simdTarget().name;
    struct Named {
        const char* name;
        RowKernel kernel;
    };
    static constexpr Named kKernels[] = {
#if defined(TSFILTERS_LANES_SSE2)
        {"sse2", sse2::bookRow},
#endif
#if defined(TSFILTERS_LANES_AVX2)
        {"avx2", avx2::bookRow},
#endif
#if defined(TSFILTERS_LANES_AVX512)
        {"avx512", avx512::bookRow},
#endif
#if defined(TSFILTERS_LANES_SIMD128)
        {"simd128", simd128::bookRow},
#endif
#if defined(TSFILTERS_LANES_NEON)
        {"neon", neon::bookRow},
#endif
        {"scalar", nullptr},
    };
    for (const Named& k : kKernels)
        if (std::strcmp(k.name, name) == 0) return k.kernel;
    return nullptr;
}

// A free slot, taken off the free list, or a new one; -1 when the book is
// full, TSF_E_NOT_BOOK when its free list is damaged.
std::int32_t takeSlot(const View& v) {
    Header& h = *v.header;
    if (h.freeHead >= 0) {
        const std::int64_t link = v.samples[h.freeHead];
        const std::int64_t next = -link - 2;
        if (link >= 0 || next < -1 || next >= h.slots) return TSF_E_NOT_BOOK;
        const std::int32_t slot = h.freeHead;
        h.freeHead = static_cast<std::int32_t>(next);
        return slot;
    }
    if (h.slots == h.capacity) return -1;
    return h.slots++;
}

// Whether a row that gives every live series a sample could pass
// TSF_MAX_SAMPLES. The header's bound spares the scan until a series might.
template <class In>
bool wouldPassMost(const View& v, const In* row) {
    Header& h = *v.header;
    if (h.mostSamples < kMaxSamples) return false;
    std::int64_t most = 0;
    for (std::int32_t s = 0; s < h.slots; ++s) {
        if (v.samples[s] < 0) continue;
        const bool takes = h.missing == TSF_MISSING_KEEP || !isMissing(sampleOf(row, s));
        if (takes && v.samples[s] >= kMaxSamples) return true;
        most = std::max(most, v.samples[s]);
    }
    h.mostSamples = most;
    return false;
}

template <class In>
int denseRow(const tsf_book* book, const In* row, float* out, bool commit) {
    if (book == nullptr) return TSF_E_NULL;
    const Header* h = validHeader(book);
    if (h == nullptr) return TSF_E_NOT_BOOK;
    if (h->slots == 0) return 0;
    if (row == nullptr || out == nullptr) return TSF_E_NULL;
    const std::size_t bytes = std::size_t(h->slots) * sizeof(float);
    if (clobbers(row, out, std::size_t(h->slots)) || overlap(book, std::size_t(h->bytes), out, bytes))
        return TSF_E_ARGUMENT;
    View v = viewOf(book);
    if (h->missing == TSF_MISSING_ERROR) {
        for (std::int32_t s = 0; s < h->slots; ++s)
            if (isMissing(sampleOf(row, s)) && v.samples[s] >= 0) return TSF_E_MISSING;
    }
    if (commit && wouldPassMost(v, row)) return TSF_E_FULL;
    const KindOps& ops = opsOf(h->kind);
    RowJob job{};
    job.kind = h->kind;
    job.slots = h->slots;
    job.early = ops.early;
    if constexpr (sizeof(In) == sizeof(float))
        job.row = row;
    else
        job.rowDoubles = row;
    job.out = out;
    job.commit = commit;
    job.skipMissing = h->missing != TSF_MISSING_KEEP;
    job.samples = v.samples;
    job.columns = v.columns;
    job.scale = v.scale;
    job.shared = h->shared != 0 ? h->coefficients : nullptr;
    job.lane = ops.lane;
    job.context = &v;
    if (const RowKernel kernel = rowKernel(); kernel != nullptr) {
        kernel(job);
    } else {
        for (std::int32_t s = 0; s < h->slots; ++s) ops.lane(job, s);
    }
    if (commit) v.header->mostSamples = std::min(v.header->mostSamples + 1, kMaxSamples);
    return h->slots;
}

template <class In>
int sparseRow(const tsf_book* book, const int32_t* series, const In* values, int32_t count, float* out,
              bool commit) {
    if (book == nullptr) return TSF_E_NULL;
    const Header* h = validHeader(book);
    if (h == nullptr) return TSF_E_NOT_BOOK;
    if (count <= 0) return 0;
    if (series == nullptr || values == nullptr || out == nullptr) return TSF_E_NULL;
    const std::size_t bytes = std::size_t(count) * sizeof(float);
    if (clobbers(values, out, std::size_t(count)) || overlap(series, bytes, out, bytes) ||
        overlap(book, std::size_t(h->bytes), out, bytes))
        return TSF_E_ARGUMENT;
    View v = viewOf(book);
    // Every pair checked before the first output. An update marks each
    // series it meets (a count past any real one) to find one given twice,
    // and unmarks them all before it goes on or returns.
    constexpr std::int64_t kMark = std::int64_t{1} << 62;
    int result = TSF_OK;
    std::int32_t checked = 0;
    for (; checked < count && result == TSF_OK; ++checked) {
        const std::int32_t s = series[checked];
        const bool marked = commit && s >= 0 && s < h->slots && v.samples[s] >= kMark;
        if (marked || !isLive(v, s)) {
            result = TSF_E_SERIES;
            break;
        }
        const bool missing = isMissing(sampleOf(values, checked));
        if (missing && h->missing == TSF_MISSING_ERROR) result = TSF_E_MISSING;
        const bool takes = !missing || h->missing == TSF_MISSING_KEEP;
        if (commit && takes && v.samples[s] >= kMaxSamples) result = TSF_E_FULL;
        if (commit) v.samples[s] += kMark;
    }
    if (commit)
        for (std::int32_t j = 0; j < checked; ++j)
            if (v.samples[series[j]] >= kMark) v.samples[series[j]] -= kMark;
    if (result != TSF_OK) return result;
    const KindOps& ops = opsOf(h->kind);
    const bool skip = h->missing != TSF_MISSING_KEEP;
    for (std::int32_t j = 0; j < count; ++j) out[j] = ops.sparse(v, series[j], sampleOf(values, j), commit, skip);
    if (commit) v.header->mostSamples = std::min(v.header->mostSamples + 1, kMaxSamples);
    return count;
}

std::int64_t bytesFor(std::int32_t kind, std::int32_t capacity) {
    return Layout(shapeOf(kind), capacity).end;
}

// Sets up an empty book in `book`'s bytes.
void startBook(tsf_book* book, std::int64_t bytes, std::int32_t kind, std::int32_t capacity,
               std::int32_t missing) {
    Header h{};
    h.tag = Header::kInitialised;
    h.kind = kind;
    h.missing = missing;
    h.capacity = capacity;
    h.freeHead = -1;
    h.bytes = bytes;
    std::memset(static_cast<void*>(book), 0, kHeaderBytes);
    std::memmove(static_cast<void*>(book), &h, sizeof h);
}

int checkNewBook(const tsf_book* book, int64_t bytes, int32_t kind, int32_t capacity) {
    if (book == nullptr) return TSF_E_NULL;
    if (!isKnownKind(kind)) return TSF_E_KIND;
    if (capacity < 0 || reinterpret_cast<std::uintptr_t>(book) % 8 != 0) return TSF_E_ARGUMENT;
    if (bytes < bytesFor(kind, capacity)) return TSF_E_SIZE;
    return TSF_OK;
}

}  // namespace
}  // namespace tsfilters::stream::book

using namespace tsfilters::stream;
using namespace tsfilters::stream::book;

extern "C" {

TSF_STREAM_API int64_t TSF_STREAM_CALL tsf_book_bytes(tsf_kind kind, int32_t capacity) {
    if (!isKnownKind(kind)) return TSF_E_KIND;
    if (capacity < 0) return TSF_E_ARGUMENT;
    return bytesFor(kind, capacity);
}

TSF_STREAM_API int TSF_STREAM_CALL tsf_book_init(tsf_book* book, int64_t bytes, tsf_kind kind,
                                                 int32_t capacity, int missing) {
    if (const int rc = checkNewBook(book, bytes, kind, capacity); rc != TSF_OK) return rc;
    if (missing < TSF_MISSING_ERROR || missing > TSF_MISSING_KEEP) return TSF_E_ARGUMENT;
    startBook(book, bytes, kind, capacity, missing);
    return TSF_OK;
}

TSF_STREAM_API int TSF_STREAM_CALL tsf_book_grow(tsf_book* to, int64_t bytes, int32_t capacity,
                                                 const tsf_book* from) {
    if (to == nullptr || from == nullptr) return TSF_E_NULL;
    const Header* h = validHeader(from);
    if (h == nullptr) return TSF_E_NOT_BOOK;
    if (const int rc = checkNewBook(to, bytes, h->kind, capacity); rc != TSF_OK) return rc;
    if (capacity < h->slots) return TSF_E_CAPACITY;
    if (overlap(to, std::size_t(bytes), from, std::size_t(h->bytes))) return TSF_E_ARGUMENT;
    const Header old = *h;
    const View a = viewOf(from);
    startBook(to, bytes, old.kind, capacity, old.missing);
    Header& n = *reinterpret_cast<Header*>(to);
    n.slots = old.slots, n.live = old.live, n.freeHead = old.freeHead, n.mostSamples = old.mostSamples;
    n.shared = old.shared;
    std::memmove(n.coefficients, old.coefficients, sizeof n.coefficients);
    const View b = viewOf(to);
    const Shape shape = shapeOf(old.kind);
    const std::size_t s = std::size_t(old.slots);
    std::memmove(b.samples, a.samples, s * sizeof *a.samples);
    std::memmove(b.params, a.params, s * sizeof *a.params);
    for (std::int32_t k = 0; k < shape.fields.constants; ++k)
        std::memmove(b.columns.constants[k], a.columns.constants[k], s * sizeof(double));
    for (std::int32_t k = 0; k < shape.fields.floats; ++k)
        std::memmove(b.columns.floats[k], a.columns.floats[k], s * sizeof(float));
    for (std::int32_t k = 0; k < shape.fields.doubles; ++k)
        std::memmove(b.columns.doubles[k], a.columns.doubles[k], s * sizeof(double));
    if (shape.oscillator) {
        std::memmove(b.scale, a.scale, s * sizeof(float));
        std::memmove(b.sum, a.sum, s * sizeof(double));
        std::memmove(b.window, a.window, s * sizeof(float) * tsfilters::RmsWindow::kLength);
    }
    return TSF_OK;
}

TSF_STREAM_API int TSF_STREAM_CALL tsf_book_describe(const tsf_book* book, tsf_book_info* info) {
    if (book == nullptr || info == nullptr) return TSF_E_NULL;
    const Header* h = validHeader(book);
    if (h == nullptr) return TSF_E_NOT_BOOK;
    *info = {static_cast<tsf_kind>(h->kind), h->missing, h->capacity, h->slots, h->live};
    return TSF_OK;
}

TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_add(tsf_book* book, const tsf_params* params) {
    if (book == nullptr || params == nullptr) return TSF_E_NULL;
    const Header* h = validHeader(book);
    if (h == nullptr) return TSF_E_NOT_BOOK;
    const View v = viewOf(book);
    const std::int32_t slot = takeSlot(v);
    if (slot == -1) return TSF_E_CAPACITY;
    if (slot < 0) return slot;
    opsOf(h->kind).start(v, slot, {params->period, params->smooth_period, params->gamma});
    v.header->live += 1;
    noteArrival(v, constantsOf(h->kind), slot);
    return slot;
}

TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_add_stream(tsf_book* book, const tsf_stream* stream) {
    if (book == nullptr || stream == nullptr) return TSF_E_NULL;
    const Header* h = validHeader(book);
    if (h == nullptr) return TSF_E_NOT_BOOK;
    const StreamState& given = stateOf(stream);
    if (!given.initialised()) return TSF_E_NOT_STREAM;
    if (given.kind != h->kind) return TSF_E_MIXED;
    StreamState s;
    std::memmove(static_cast<void*>(&s), &given, sizeof s);
    const View v = viewOf(book);
    if (h->freeHead < 0 && h->slots == h->capacity) return TSF_E_CAPACITY;
    // Checked on a spare slot's columns would write them: check on the copy.
    if (!stepFitsOf(h->kind, s)) return TSF_E_STATE;
    const std::int32_t slot = takeSlot(v);
    if (slot < 0) return slot == -1 ? TSF_E_CAPACITY : slot;
    opsOf(h->kind).put(s, v, slot);
    v.header->live += 1;
    noteArrival(v, constantsOf(h->kind), slot);
    v.header->mostSamples = std::max(v.header->mostSamples, s.samples);
    return slot;
}

TSF_STREAM_API int TSF_STREAM_CALL tsf_book_remove(tsf_book* book, int32_t series) {
    if (book == nullptr) return TSF_E_NULL;
    const Header* h = validHeader(book);
    if (h == nullptr) return TSF_E_NOT_BOOK;
    const View v = viewOf(book);
    if (!isLive(v, series)) return TSF_E_SERIES;
    v.samples[series] = -std::int64_t(h->freeHead) - 2;
    v.header->freeHead = series;
    v.header->live -= 1;
    // The rest still share what all shared; a book that did not may now.
    if (v.header->live == 0)
        v.header->shared = 0;
    else if (v.header->shared == 0)
        recheckShared(v, constantsOf(h->kind), [&](std::int32_t s) { return isLive(v, s); });
    return TSF_OK;
}

TSF_STREAM_API int TSF_STREAM_CALL tsf_book_reset(tsf_book* book, int32_t series) {
    if (book == nullptr) return TSF_E_NULL;
    const Header* h = validHeader(book);
    if (h == nullptr) return TSF_E_NOT_BOOK;
    const View v = viewOf(book);
    if (!isLive(v, series)) return TSF_E_SERIES;
    const tsfilters::Parameters p = v.params[series];
    opsOf(h->kind).start(v, series, p);
    return TSF_OK;
}

TSF_STREAM_API int64_t TSF_STREAM_CALL tsf_book_samples(const tsf_book* book, int32_t series) {
    if (book == nullptr) return TSF_E_NULL;
    if (validHeader(book) == nullptr) return TSF_E_NOT_BOOK;
    const View v = viewOf(book);
    return isLive(v, series) ? v.samples[series] : TSF_E_SERIES;
}

TSF_STREAM_API int TSF_STREAM_CALL tsf_book_params(const tsf_book* book, int32_t series, tsf_params* params) {
    if (book == nullptr || params == nullptr) return TSF_E_NULL;
    if (validHeader(book) == nullptr) return TSF_E_NOT_BOOK;
    const View v = viewOf(book);
    if (!isLive(v, series)) return TSF_E_SERIES;
    const tsfilters::Parameters p = v.params[series];
    *params = {p.period, p.smoothPeriod, p.gamma};
    return TSF_OK;
}

TSF_STREAM_API int TSF_STREAM_CALL tsf_book_get(const tsf_book* book, int32_t series, tsf_stream* stream) {
    if (book == nullptr || stream == nullptr) return TSF_E_NULL;
    const Header* h = validHeader(book);
    if (h == nullptr) return TSF_E_NOT_BOOK;
    const View v = viewOf(book);
    if (!isLive(v, series)) return TSF_E_SERIES;
    tsf_stream out;
    std::memset(&out, 0, sizeof out);
    opsOf(h->kind).get(v, series, stateOf(&out), true);
    std::memmove(stream, &out, sizeof out);
    return TSF_OK;
}

TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_update(tsf_book* book, const float* row, float* output) {
    return denseRow(book, row, output, true);
}

TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_peek(const tsf_book* book, const float* row, float* output) {
    return denseRow(book, row, output, false);
}

TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_update_sparse(tsf_book* book, const int32_t* series,
                                                              const float* values, int32_t count,
                                                              float* output) {
    return sparseRow(book, series, values, count, output, true);
}

TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_peek_sparse(const tsf_book* book, const int32_t* series,
                                                            const float* values, int32_t count,
                                                            float* output) {
    return sparseRow(book, series, values, count, output, false);
}

TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_update_doubles(tsf_book* book, const double* row, float* output) {
    return denseRow(book, row, output, true);
}

TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_peek_doubles(const tsf_book* book, const double* row,
                                                             float* output) {
    return denseRow(book, row, output, false);
}

TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_update_sparse_doubles(tsf_book* book, const int32_t* series,
                                                                      const double* values, int32_t count,
                                                                      float* output) {
    return sparseRow(book, series, values, count, output, true);
}

TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_peek_sparse_doubles(const tsf_book* book, const int32_t* series,
                                                                    const double* values, int32_t count,
                                                                    float* output) {
    return sparseRow(book, series, values, count, output, false);
}

TSF_STREAM_API int64_t TSF_STREAM_CALL tsf_book_save(const tsf_book* book, void* buffer, int64_t capacity) {
    if (book == nullptr) return TSF_E_NULL;
    const Header* h = validHeader(book);
    if (h == nullptr) return TSF_E_NOT_BOOK;
    const std::int64_t size = savedBookBytes(h->kind, h->slots);
    if (capacity < size) return size;
    if (buffer == nullptr) return TSF_E_NULL;
    const View v = viewOf(book);
    saveBook(v, opsOf(h->kind).get, static_cast<unsigned char*>(buffer));
    return size;
}

TSF_STREAM_API int TSF_STREAM_CALL tsf_book_saved_info(const void* buffer, int64_t size, tsf_book_info* info) {
    if (buffer == nullptr || info == nullptr) return TSF_E_NULL;
    SavedBook saved;
    if (const int rc = checkSavedBook(static_cast<const unsigned char*>(buffer), size, saved); rc != TSF_OK)
        return rc;
    *info = {static_cast<tsf_kind>(saved.kind), saved.missing, saved.slots, saved.slots, saved.live};
    return TSF_OK;
}

TSF_STREAM_API int TSF_STREAM_CALL tsf_book_load(tsf_book* book, int64_t bytes, int32_t capacity,
                                                 const void* buffer, int64_t size) {
    if (book == nullptr || buffer == nullptr) return TSF_E_NULL;
    const auto* in = static_cast<const unsigned char*>(buffer);
    SavedBook saved;
    if (const int rc = checkSavedBook(in, size, saved); rc != TSF_OK) return rc;
    if (const int rc = checkNewBook(book, bytes, saved.kind, capacity); rc != TSF_OK) return rc;
    if (capacity < saved.slots) return TSF_E_CAPACITY;
    if (overlap(book, std::size_t(bytes), buffer, std::size_t(size))) return TSF_E_ARGUMENT;
    // Every record checked before the book's first byte is written.
    if (const int rc = checkRecords(in, saved, stepFitsOf); rc != TSF_OK) return rc;
    startBook(book, bytes, saved.kind, capacity, saved.missing);
    const View v = viewOf(book);
    loadRecords(in, saved, v, opsOf(saved.kind).put);
    recheckShared(v, constantsOf(saved.kind), [&](std::int32_t s) { return isLive(v, s); });
    return TSF_OK;
}

}  // extern "C"
