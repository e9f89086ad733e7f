/* tsfilters_stream: the seven filters fed a sample or a chunk at a time.
 *
 * A stream holds one filter's state between calls, so a live host pays one
 * step per new sample instead of rerunning the whole history. Its outputs
 * are the bits the batch functions of tsfilters.h write, whatever the chunks
 * the series arrives in. The library is separate from tsfilters and needs
 * nothing from it at run time.
 *
 *   tsf_stream s;
 *   tsf_params p = {20, 0, 0.8f};
 *   tsf_stream_init(&s, TSF_LAGUERRE_FILTER, &p);
 *   tsf_stream_update(&s, history, n, out);      (any chunking, in place too)
 *   tsf_stream_peek(&s, formingClose, &y);       (the bar still forming)
 *   tsf_stream_update(&s, &closedBar, 1, &y);    (the bar closed)
 *
 * A tsf_stream is plain bytes owned by the caller: no allocation, no global
 * state, no handles. Copying it byte for byte takes a snapshot in the same
 * process; tsf_stream_save / tsf_stream_load carry the state to another
 * process, machine or platform and continue bit for bit.
 *
 * Outputs are positional: output[k] is what the batch call would write at
 * that sample's slot, or NaN where that value is not known yet or is never
 * written:
 *   - TSF_LAGUERRE_FILTER: sample 0 (the batch call never writes slot 0);
 *   - the two oscillators: samples 0..98, whose scale (the RMS of samples
 *     0..99) is not known until sample 99 arrives. Sample 99 gets its
 *     scaled value, and tsf_stream_window then gives all of samples 0..99;
 *   - an oscillator whose first 100 values have an RMS of 0 (the batch call
 *     writes nothing): every sample, and every slot of the window.
 *
 * Every function returns a negative TSF_E_ code on failure, and a failing
 * call writes nothing and leaves the stream as it was. Different streams
 * may be used on different threads at once; one stream is not locked.
 *
 * Save format, version 1. Little-endian whatever the platform, floats and
 * doubles as their raw IEEE 754 bits:
 *   offset  size  field
 *        0     4  magic "TSFS"
 *        4     2  format version, 1
 *        6     2  kind (tsf_kind)
 *        8     4  total size in bytes, CRC included
 *       12     4  period (int32)
 *       16     4  smooth_period (int32)
 *       20     4  gamma (binary32)
 *       24     8  samples consumed (int64, 0 to TSF_MAX_SAMPLES)
 *       32     .  the filter's state: each value it carries from one sample
 *                 to the next, in the filter's fixed order, binary32 values
 *                 in 4 bytes and binary64 values in 8
 *        .   400  oscillators only: their first 100 values before scaling,
 *                 binary32, in sample order; slots not reached yet are 0
 *      end-4   4  CRC-32 (the IEEE 802.3 / zlib polynomial) of all bytes
 *                 before it
 * Coefficients are not saved: they are derived again from the parameters,
 * exactly as tsf_stream_init derives them. tsf_stream_load refuses with
 * TSF_E_STATE what no save writes: a sample count outside 0 to
 * TSF_MAX_SAMPLES, an oscillator's window slot not reached yet that is not
 * +0, or a state of no samples that is not the one init starts from. The
 * CRC catches damage, not crafted bytes, so these checks are what stands
 * between a hostile file and the stream's memory. Sizes: 60 bytes for
 * TSF_HIGH_PASS and TSF_SUPER_SMOOTHER, 68 for TSF_ULTIMATE_SMOOTHER,
 * 84 for TSF_BAND_PASS, 484 for TSF_CYBERNETIC_OSCILLATOR, 116 for
 * TSF_LAGUERRE_FILTER and 484 for TSF_LAGUERRE_OSCILLATOR.
 */
#ifndef TSFILTERS_STREAM_H
#define TSFILTERS_STREAM_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  define TSF_STREAM_CALL __cdecl
#  if defined(TSFILTERS_STREAM_BUILDING)
#    define TSF_STREAM_API __declspec(dllexport)
#  else
#    define TSF_STREAM_API __declspec(dllimport)
#  endif
#else
#  define TSF_STREAM_CALL
#  define TSF_STREAM_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One kind per filter of tsfilters.h. */
typedef enum tsf_kind {
    TSF_HIGH_PASS = 1,
    TSF_SUPER_SMOOTHER = 2,
    TSF_ULTIMATE_SMOOTHER = 3,
    TSF_BAND_PASS = 4,
    TSF_CYBERNETIC_OSCILLATOR = 5,
    TSF_LAGUERRE_FILTER = 6,
    TSF_LAGUERRE_OSCILLATOR = 7
} tsf_kind;

/* Used as given, like the batch functions' arguments: nothing is checked. */
typedef struct tsf_params {
    int32_t period;        /* period; highPassPeriod for the band-pass and the cybernetic oscillator */
    int32_t smooth_period; /* smoothPeriod for those two; ignored by the others */
    float gamma;           /* the Laguerre filter and oscillator; ignored by the others */
} tsf_params;

/* The size of a tsf_stream in 64-bit words. Part of the ABI: it changes
 * only with the library's major version. */
#define TSF_STREAM_WORDS 96

/* Fixed size, caller-owned, plain bytes: copying it is a snapshot. */
typedef struct tsf_stream {
    uint64_t opaque[TSF_STREAM_WORDS];
} tsf_stream;

/* The most samples a stream consumes: 2^53, a count no real series
 * reaches, and the largest integer a JavaScript number holds exactly. An
 * update that would pass it fails with TSF_E_FULL and changes nothing. */
#define TSF_MAX_SAMPLES 9007199254740992LL

/* Error codes; tsf_strerror describes each. */
#define TSF_OK 0
#define TSF_E_NULL (-1)          /* a required pointer is null */
#define TSF_E_KIND (-2)          /* not one of the tsf_kind values */
#define TSF_E_NOT_STREAM (-3)    /* the tsf_stream was never initialised or is damaged */
#define TSF_E_MAGIC (-4)         /* load: the buffer is not a saved stream */
#define TSF_E_VERSION (-5)       /* load: saved by a format version this library does not know */
#define TSF_E_SIZE (-6)          /* load: truncated, or not the size the buffer says it has */
#define TSF_E_CRC (-7)           /* load: the checksum does not match: damaged bytes */
#define TSF_E_STATE (-8)         /* load: the checksum matches but the content is not a saved state */
#define TSF_E_LANES (-9)         /* lanes: a negative number of lanes */
#define TSF_E_MIXED (-10)        /* lanes: the streams are not all of one kind */
#define TSF_E_FULL (-11)         /* update: the stream would pass TSF_MAX_SAMPLES samples */
#define TSF_E_ARGUMENT (-12)     /* lanes: output and input overlap, or two lanes share an output slot */
#define TSF_E_SEGMENTS (-13)     /* segments: starts out of order or outside 0..total, or arrays overlapping */

/* sizeof(tsf_stream), for bindings that allocate it themselves. */
TSF_STREAM_API size_t TSF_STREAM_CALL tsf_stream_bytes(void);

/* Starts a stream of `kind` with no samples consumed. 0, TSF_E_NULL or
 * TSF_E_KIND. */
TSF_STREAM_API int TSF_STREAM_CALL tsf_stream_init(tsf_stream* s, tsf_kind kind,
                                                   const tsf_params* params);

/* Consumes input[0 .. count-1] and writes output[k] for input[k] (see the
 * positional rule above). input == output works. Returns count, 0 when
 * count <= 0 (nothing read or written), or a negative code: TSF_E_FULL when
 * the stream would pass TSF_MAX_SAMPLES. */
TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_stream_update(tsf_stream* s, const float* input,
                                                         int32_t count, float* output);

/* *y = the output the next sample would get if it were x; the stream does
 * not change. peek(x) followed by update(x) gives the same bits. 0 or a
 * negative code. */
TSF_STREAM_API int TSF_STREAM_CALL tsf_stream_peek(const tsf_stream* s, float x, float* y);

/* For an oscillator that has consumed at least 100 samples: writes the
 * batch call's outputs of samples 0..99 to output100[0..99] and returns 100.
 * Otherwise (any other kind, or fewer samples) writes nothing and returns 0.
 * Negative on error. */
TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_stream_window(const tsf_stream* s, float* output100);

/* Back to the state tsf_stream_init gave it, with the same kind and
 * parameters: no samples consumed. The way back for a stream fed a value
 * that poisoned it (a NaN makes every later output NaN). 0, TSF_E_NULL or
 * TSF_E_NOT_STREAM. */
TSF_STREAM_API int TSF_STREAM_CALL tsf_stream_reset(tsf_stream* s);

/* The number of samples consumed, or a negative code. */
TSF_STREAM_API int64_t TSF_STREAM_CALL tsf_stream_samples(const tsf_stream* s);

/* Writes the stream's state in the save format above and returns its size
 * in bytes. Like snprintf, it writes only when capacity is at least that
 * size: capacity 0 (buffer may then be null) asks for the size. Negative on
 * error. */
TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_stream_save(const tsf_stream* s, void* buffer,
                                                       int32_t capacity);

/* Restores a state written by tsf_stream_save, on any platform. Reads
 * nothing past buffer[size-1]. Returns 0, or TSF_E_NULL, TSF_E_MAGIC,
 * TSF_E_VERSION, TSF_E_SIZE, TSF_E_CRC, TSF_E_KIND or TSF_E_STATE, and then
 * leaves *s as it was. */
TSF_STREAM_API int TSF_STREAM_CALL tsf_stream_load(tsf_stream* s, const void* buffer,
                                                   int32_t size);

/* Where a stream of `kind` keeps what a sample reads and writes once it is
 * past its warm-up (and an oscillator past its window), for a binding that
 * steps its streams in its own language instead of calling
 * tsf_stream_update for every sample: the JavaScript package, whose calls
 * into WebAssembly cost several times a step. Byte offsets from the start
 * of the tsf_stream: first the sample count (int64), then the filter's
 * values in the fixed order of its steps (each step's coefficients, then
 * the values it carries from sample to sample; binary32 or binary64 as the
 * step keeps them), and last, for an oscillator, its scale (binary32).
 * Returns the number of offsets, and writes them only when capacity is at
 * least that number (capacity 0 asks for it); TSF_E_KIND, or TSF_E_NULL for
 * a null `offsets` with room enough. The layout is this build's, not part
 * of the ABI: ask the library the binding runs on. */
TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_stream_layout(tsf_kind kind, uint16_t* offsets,
                                                         int32_t capacity);

/* Lanes: many streams advanced in one call, side by side in the processor's
 * vector registers. Lane j is streams[j]; its sample t is
 *   input[t * input_time_stride + j * input_lane_stride]
 * and its output goes to
 *   output[t * output_time_stride + j * output_lane_stride]
 * (strides in elements). A table of dates x series stored row by row has
 * time stride = number of series and lane stride 1; separate series one
 * after another have time stride 1 and lane stride = their length; lane
 * stride 0 feeds every lane the same series, e.g. one stream per parameter
 * set of a sweep.
 *
 * Every lane's outputs and final state are exactly those of
 * tsf_stream_update on that stream alone with the same samples, on every
 * processor and instruction set. The streams must all be initialised and
 * of one kind; each keeps its own parameters. Returns count; 0 when lanes
 * is 0 or count <= 0 (nothing read or written); TSF_E_LANES for lanes < 0;
 * TSF_E_NULL, TSF_E_NOT_STREAM, TSF_E_MIXED, TSF_E_FULL (a lane would
 * pass TSF_MAX_SAMPLES) or TSF_E_ARGUMENT, writing nothing.
 *
 * Input and output may share memory in two ways only:
 *   - in place: the same pointer and the same strides, with no element
 *     shared by two lanes or two samples (a table with time stride at
 *     least the number of lanes and lane stride 1, or series one after
 *     another with lane stride at least count, in either direction); each
 *     output then overwrites the sample it came from;
 *   - interleaved: the same strides from another pointer, with no output
 *     element on any input element (output columns beside input columns).
 * Any other overlap is TSF_E_ARGUMENT: a lane's output on another lane's
 * sample, or on a later sample of its own, would be read or not depending
 * on the order in which the instruction set visits lanes and rows. So is
 * an output element written by two lanes (an output lane stride of 0 with
 * more than one lane, for one), and strides that reach past what 64-bit
 * byte offsets can count. Strides a call does not use (the time strides
 * when count is 1, the lane strides when lanes is 1) are not looked at.
 * No threads, no allocation: split the lanes among your own threads, one
 * disjoint range of streams per thread. */
TSF_STREAM_API int TSF_STREAM_CALL tsf_lanes_update(tsf_stream* streams, int32_t lanes,
                                                   const float* input, int64_t input_time_stride,
                                                   int64_t input_lane_stride, int32_t count,
                                                   float* output, int64_t output_time_stride,
                                                   int64_t output_lane_stride);

/* What tsf_stream_peek gives for each of many streams of one kind: lane j's
 * output, were its next sample input[j * input_lane_stride], goes to
 * output[j * output_lane_stride]. No stream changes. Returns 0 (also when
 * lanes is 0, writing nothing); TSF_E_LANES for lanes < 0; TSF_E_NULL,
 * TSF_E_NOT_STREAM or TSF_E_MIXED, writing nothing. */
TSF_STREAM_API int TSF_STREAM_CALL tsf_lanes_peek(const tsf_stream* streams, int32_t lanes,
                                                 const float* input, int64_t input_lane_stride,
                                                 float* output, int64_t output_lane_stride);

/* The instruction set tsf_lanes_update uses: "avx512", "avx2", "sse2" or
 * "scalar" (64-bit ARM: "neon" or "scalar"; WebAssembly: "simd128" or
 * "scalar"). The widest the processor has, unless the environment variable
 * TSFILTERS_SIMD names a narrower one when the library first needs it. */
TSF_STREAM_API const char* TSF_STREAM_CALL tsf_simd_target(void);

/* Segments: a long table (one row per symbol and time, sorted by symbol
 * and then time) filtered symbol by symbol in one call. Segment i is
 *   input[starts[i] .. starts[i + 1] - 1]
 * (the last one ends at input[total - 1]), and each is filtered as its own
 * series, from a fresh stream of `kind` with `params` (used as given, as
 * for tsf_stream_init), into the same slots of output. A segment's outputs
 * are the batch call's on that segment alone, bit for bit, with NaN in
 * every slot the batch call leaves unwritten:
 *   - TSF_LAGUERRE_FILTER: the segment's first slot;
 *   - the two oscillators: every slot of a segment of fewer than 100
 *     samples, or whose first 100 values have an RMS of 0.
 * An oscillator's samples 0..98 get their scaled values here (the call
 * sees the whole segment), unlike a stream's.
 *
 * Slots before starts[0] are neither read nor written, so the segments
 * split among threads are calls with the same input, output and total
 * pointers and disjoint ranges of starts: a call over starts[0 .. k-1]
 * with total = starts[k], and one over starts[k ..] with the table's total.
 * Empty segments (equal starts) are allowed. input == output works;
 * arrays that partly overlap are refused. Runs on the instruction set
 * tsf_simd_target names, segments side by side in the vector lanes, with
 * the same bits on every one. No threads, no allocation (about 24 KiB of
 * stack).
 *
 * Returns the number of samples filtered, total - starts[0]; 0 when
 * segments is 0 (starts, input and output are then not read) or no
 * segment has a sample. Refuses, writing nothing: TSF_E_NULL for a null
 * params, or a null starts, input or output that the call needs; TSF_E_KIND;
 * TSF_E_SEGMENTS for segments < 0, total < 0, starts that decrease or lie
 * outside 0..total, input and output that partly overlap, or an output
 * over the starts themselves; TSF_E_FULL
 * for a segment longer than TSF_MAX_SAMPLES. */
TSF_STREAM_API int64_t TSF_STREAM_CALL tsf_segments_run(tsf_kind kind, const tsf_params* params,
                                                       const float* input, const int64_t* starts,
                                                       int32_t segments, int64_t total,
                                                       float* output);

/* A static English message for any code, known or not. */
TSF_STREAM_API const char* TSF_STREAM_CALL tsf_strerror(int code);

/* Books: the live state of many series of one kind in one block of caller
 * memory, field by field (all the series' first coefficients, then all
 * their second, ...), so that a row of one sample per series walks a few
 * contiguous arrays and advances the series side by side in the vector
 * registers of the instruction set tsf_simd_target names. Each series
 * keeps its own parameters, and its outputs and state are exactly those
 * of a tsf_stream fed the same samples, on every processor and
 * instruction set.
 *
 *   int64_t bytes = tsf_book_bytes(TSF_SUPER_SMOOTHER, 5000);
 *   tsf_book* book = aligned_alloc(64, bytes);         (any 8-byte alignment)
 *   tsf_book_init(book, bytes, TSF_SUPER_SMOOTHER, 5000, TSF_MISSING_DROP);
 *   int32_t aapl = tsf_book_add(book, &params);         (a slot: 0, 1, ...)
 *   tsf_book_update(book, row, out);                    (row[slot], every slot)
 *   tsf_book_update_sparse(book, slots, values, k, out); (k series only)
 *
 * Slots. tsf_book_add gives a series a slot, which it keeps until
 * tsf_book_remove frees it; no other series ever moves. A freed slot is
 * the next one tsf_book_add hands out (the most recently freed first), so
 * a book never holds more slots than the most series it held at once. The
 * slots in use so far, tsf_book_info.slots, are a dense row's length: a
 * free slot's value is not read and its output is NaN.
 *
 * Missing samples. A NaN or an infinity (which is what a number beyond
 * binary32's range becomes when rounded to a float) would poison a series
 * for good. The book's policy, fixed at init, applies to every series:
 *   TSF_MISSING_ERROR  a row in which a live series has one is refused
 *                      with TSF_E_MISSING: nothing is written or changed;
 *   TSF_MISSING_DROP   that series is left as it was and its output is
 *                      NaN; the others advance (its sample count too
 *                      counts only the samples it took);
 *   TSF_MISSING_KEEP   the value is fed as it is, as tsf_stream_update
 *                      feeds it.
 *
 * Memory. The book is the caller's: no allocation, no handle, no global
 * state; a byte copy of it is a snapshot. tsf_book_bytes(kind, capacity)
 * gives the bytes for `capacity` slots; to grow, tsf_book_grow copies a
 * book into a larger buffer, after which the old one may be freed. The
 * oscillators' first 100 values per series lie apart from what a row reads.
 * While every series has the same coefficients (one parameter set, the
 * usual case), a row reads them once for the whole book rather than once
 * per series. Different books may be used on different threads at once.
 *
 * Errors. Every function returns a negative TSF_E_ code on failure, and a
 * failing call writes nothing and leaves the book as it was. An output
 * array may be its input array (in place), but no other overlap of the
 * arrays and the book is allowed (TSF_E_ARGUMENT).
 *
 * Save format, version 1. Little-endian, as a stream's:
 *   offset  size  field
 *        0     4  magic "TSFB"
 *        4     2  format version, 1
 *        6     2  kind (tsf_kind)
 *        8     8  total size in bytes, CRC included
 *       16     4  slots (int32)
 *       20     4  live series (int32)
 *       24     4  the first free slot tsf_book_add would take, or -1
 *       28     2  missing policy (TSF_MISSING_*)
 *       30     2  0
 *       32     .  one record per slot, each 8 + S bytes, S the size of
 *                 a saved stream of the kind (see above):
 *                   4  -2 for a live series; for a free slot the next free
 *                      slot tsf_book_add takes after it, or -1
 *                   4  0
 *                   S  a live series: its state in the stream save format
 *                      above, exactly what tsf_stream_save writes of the
 *                      stream tsf_book_get gives; a free slot: zeros
 *      end-4   4  CRC-32 of all bytes before it
 * tsf_book_load refuses with TSF_E_STATE what no save writes: a record a
 * tsf_stream_load refuses or of another kind, a live count or free list
 * that does not match the records (every free slot once, in one list),
 * nonzero bytes where zeros belong. */

/* A book: opaque caller memory of tsf_book_bytes bytes. */
typedef struct tsf_book tsf_book;

#define TSF_MISSING_ERROR 0
#define TSF_MISSING_DROP 1
#define TSF_MISSING_KEEP 2

#define TSF_E_MISSING (-14)      /* book: a live series' sample is NaN or infinite under TSF_MISSING_ERROR */
#define TSF_E_SERIES (-15)       /* book: not the slot of a live series, or one series twice in a row */
#define TSF_E_NOT_BOOK (-16)     /* book: never initialised, or damaged */
#define TSF_E_CAPACITY (-17)     /* book: no free slot (grow the book), or a capacity below the slots in use */

typedef struct tsf_book_info {
    tsf_kind kind;
    int32_t missing;   /* TSF_MISSING_* */
    int32_t capacity;  /* slots the book's memory holds */
    int32_t slots;     /* slots in use so far, live or free: a dense row's length */
    int32_t live;      /* series in the book */
} tsf_book_info;

/* The bytes a book of `kind` with `capacity` slots needs, or TSF_E_KIND,
 * or TSF_E_ARGUMENT for a negative capacity. */
TSF_STREAM_API int64_t TSF_STREAM_CALL tsf_book_bytes(tsf_kind kind, int32_t capacity);

/* Starts an empty book in `bytes` bytes at `book` (aligned to 8 bytes).
 * 0, TSF_E_NULL, TSF_E_KIND, TSF_E_ARGUMENT (capacity < 0, a missing
 * policy not of TSF_MISSING_*, a misaligned book) or TSF_E_SIZE (fewer
 * bytes than tsf_book_bytes). */
TSF_STREAM_API int TSF_STREAM_CALL tsf_book_init(tsf_book* book, int64_t bytes, tsf_kind kind,
                                                 int32_t capacity, int missing);

/* Copies the book `from` into `bytes` bytes at `to` with room for
 * `capacity` slots, at least its slots in use (TSF_E_CAPACITY): the same
 * series in the same slots. `from` is not changed; the two must not
 * overlap. 0 or a negative code. */
TSF_STREAM_API int TSF_STREAM_CALL tsf_book_grow(tsf_book* to, int64_t bytes, int32_t capacity,
                                                 const tsf_book* from);

/* The book's kind, policy and counts. 0 or a negative code. */
TSF_STREAM_API int TSF_STREAM_CALL tsf_book_describe(const tsf_book* book, tsf_book_info* info);

/* Adds a series with `params` (the fields its kind ignores are kept, as a
 * stream keeps them) and no samples; returns its slot, or TSF_E_CAPACITY
 * when every slot holds a series. */
TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_add(tsf_book* book, const tsf_params* params);

/* Adds a series that continues the stream `stream` (of the book's kind,
 * else TSF_E_MIXED) and returns its slot. TSF_E_STATE for a state no
 * update leaves (tsf_stream_load takes any bits where an update leaves a
 * float). */
TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_add_stream(tsf_book* book, const tsf_stream* stream);

/* Frees the slot of a live series (else TSF_E_SERIES). */
TSF_STREAM_API int TSF_STREAM_CALL tsf_book_remove(tsf_book* book, int32_t series);

/* Starts a live series over with its parameters: no samples. */
TSF_STREAM_API int TSF_STREAM_CALL tsf_book_reset(tsf_book* book, int32_t series);

/* The samples a live series has consumed, or a negative code. */
TSF_STREAM_API int64_t TSF_STREAM_CALL tsf_book_samples(const tsf_book* book, int32_t series);

/* A live series' parameters. */
TSF_STREAM_API int TSF_STREAM_CALL tsf_book_params(const tsf_book* book, int32_t series, tsf_params* params);

/* Writes to *stream the tsf_stream that continues the series exactly as
 * the book would (tsf_stream_window, tsf_stream_save and the rest work on
 * it). 0 or a negative code. */
TSF_STREAM_API int TSF_STREAM_CALL tsf_book_get(const tsf_book* book, int32_t series, tsf_stream* stream);

/* A dense row: row[s] is the next sample of the series in slot s, for
 * every slot s below tsf_book_info.slots, and output[s] gets its output
 * (NaN for a free slot, and as the missing policy says). Returns the
 * row's length, 0 when it is 0 (nothing read or written), or a negative
 * code: TSF_E_MISSING, TSF_E_FULL when a series would pass
 * TSF_MAX_SAMPLES, TSF_E_ARGUMENT for overlapping arrays. */
TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_update(tsf_book* book, const float* row, float* output);

/* What tsf_book_update would write, the book unchanged. */
TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_peek(const tsf_book* book, const float* row, float* output);

/* A sparse row: values[j] is the next sample of the series in slot
 * series[j], output[j] its output; the other series do not change. Costs
 * O(count). Returns count, 0 when count <= 0, or a negative code, writing
 * nothing: TSF_E_SERIES for a slot that holds no series or a series given
 * twice, TSF_E_MISSING, TSF_E_FULL, TSF_E_ARGUMENT. */
TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_update_sparse(tsf_book* book, const int32_t* series,
                                                              const float* values, int32_t count,
                                                              float* output);

/* What tsf_book_update_sparse would write, the book unchanged; a series
 * given twice gets each value's peek. */
TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_peek_sparse(const tsf_book* book, const int32_t* series,
                                                            const float* values, int32_t count,
                                                            float* output);

/* The four row calls above with the samples as doubles, each rounded to
 * the nearest float as it is read (a value beyond binary32's range becomes
 * an infinity of its sign, and so a missing sample): a row of doubles goes
 * in as it is, with no pass of its own to convert it. The row and the
 * output must not share any byte (TSF_E_ARGUMENT). */
TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_update_doubles(tsf_book* book, const double* row, float* output);
TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_peek_doubles(const tsf_book* book, const double* row,
                                                             float* output);
TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_update_sparse_doubles(tsf_book* book, const int32_t* series,
                                                                      const double* values, int32_t count,
                                                                      float* output);
TSF_STREAM_API int32_t TSF_STREAM_CALL tsf_book_peek_sparse_doubles(const tsf_book* book, const int32_t* series,
                                                                    const double* values, int32_t count,
                                                                    float* output);

/* Writes the book in the save format above and returns its size in
 * bytes; writes only when capacity is at least that size (capacity 0,
 * buffer null: the size). Negative on error. */
TSF_STREAM_API int64_t TSF_STREAM_CALL tsf_book_save(const tsf_book* book, void* buffer, int64_t capacity);

/* The kind, policy and slots of saved book bytes (capacity = slots), once
 * their header and CRC check out: what to size the memory of
 * tsf_book_load with. 0, or the codes of tsf_book_load. */
TSF_STREAM_API int TSF_STREAM_CALL tsf_book_saved_info(const void* buffer, int64_t size, tsf_book_info* info);

/* Starts a book in `bytes` bytes at `book` with room for `capacity` slots
 * (at least the saved slots: TSF_E_CAPACITY) from a saved book, on any
 * platform: the same series in the same slots, continuing bit for bit.
 * Reads nothing past buffer[size-1]. 0, or TSF_E_NULL, TSF_E_MAGIC,
 * TSF_E_VERSION, TSF_E_SIZE, TSF_E_CRC, TSF_E_KIND, TSF_E_STATE,
 * TSF_E_ARGUMENT or TSF_E_CAPACITY, and then the memory at `book` is as
 * it was. */
TSF_STREAM_API int TSF_STREAM_CALL tsf_book_load(tsf_book* book, int64_t bytes, int32_t capacity,
                                                 const void* buffer, int64_t size);

#ifdef __cplusplus
}
#endif

#endif /* TSFILTERS_STREAM_H */
