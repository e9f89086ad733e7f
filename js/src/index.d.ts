// Types of the tsfilters package.

// `using` and Symbol.dispose: Stream and Streams extend the global
// Disposable where the program's lib declares it (esnext.disposable, the
// default of recent targets); elsewhere the empty interface below merges
// into nothing, and these declarations still check. Naming Symbol.dispose
// here would fail under such libs (TS2550), and declaring it ourselves
// would clash with the lib's own unique symbol where it exists.
declare global {
  interface Disposable {}
}

/** A series of samples, oldest first. Values are rounded to binary32, as the library computes in it. */
export type Values = Float32Array | Float64Array | readonly number[];

/** Periods are int32 and passed on as given: 0, 1 and negative periods are the library's to interpret. */
export interface PeriodParams {
  period?: number;
}
export interface TwoPeriodParams {
  highPassPeriod?: number;
  smoothPeriod?: number;
}
/** gamma is rounded to binary32; any number is passed on, NaN and the infinities included. */
export interface GammaPeriodParams {
  gamma?: number;
  period?: number;
}

export interface ParamsOf {
  highPass: PeriodParams;
  superSmoother: PeriodParams;
  ultimateSmoother: PeriodParams;
  bandPass: TwoPeriodParams;
  cyberneticOscillator: TwoPeriodParams;
  laguerreFilter: GammaPeriodParams;
  laguerreOscillator: GammaPeriodParams;
}
/** A filter's name, also the kind of a stream. */
export type FilterName = keyof ParamsOf;

/** The names of the filters, in the library's order. */
export const filterNames: readonly FilterName[];

/**
 * A failure the library reported: its own message (tsf_strerror) and its
 * TSF_E_ code; -3 (TSF_E_NOT_STREAM) for a stream used after free().
 */
export class TsfiltersError extends Error {
  readonly code: number;
}

/**
 * What a batch call does with the slots before the filter has settled:
 * 'keep' (the default) the library's values, 'nan' NaN, for as many slots
 * as settlingLength gives (every slot when it is null).
 */
export interface BatchOptions {
  warmup?: 'keep' | 'nan';
}

// The batch functions: a Float32Array as long as `values`, NaN in the slots
// the library does not write. NaN and infinite values pass through the
// library as IEEE arithmetic has them.
export function highPass(values: Values, params?: PeriodParams & BatchOptions): Float32Array;
export function superSmoother(values: Values, params?: PeriodParams & BatchOptions): Float32Array;
export function ultimateSmoother(values: Values, params?: PeriodParams & BatchOptions): Float32Array;
export function bandPass(values: Values, params?: TwoPeriodParams & BatchOptions): Float32Array;
export function cyberneticOscillator(values: Values, params?: TwoPeriodParams & BatchOptions): Float32Array;
export function laguerreFilter(values: Values, params?: GammaPeriodParams & BatchOptions): Float32Array;
export function laguerreOscillator(values: Values, params?: GammaPeriodParams & BatchOptions): Float32Array;

/**
 * What a stream does with a NaN, an infinity or a number beyond binary32's
 * range, any of which would make every later output NaN: 'error' (the
 * default) throws a RangeError and feeds nothing of the call, 'drop' skips
 * it (NaN out, the state unchanged), 'keep' feeds it as given.
 */
export type Missing = 'error' | 'drop' | 'keep';
export interface StreamOptions {
  missing?: Missing;
  /**
   * 'nan': NaN for each series' first settlingLength(kind, params) samples,
   * counted in its own samples (a dropped one does not count), as the
   * batch calls' `warmup: 'nan'` blanks them; 'keep' (the default) gives
   * every output.
   */
  warmup?: 'keep' | 'nan';
}
export interface StreamsOptions extends StreamOptions {
  /** One symbol per lane: Map rows, add, remove and the per-series calls then name series by symbol. */
  symbols?: readonly string[];
}
/** Streams.load's options: symbols for the saved slots, null at each free one. */
export interface StreamsLoadOptions extends StreamOptions {
  symbols?: readonly (string | null)[];
}
/** A series of a Streams: its symbol, or its slot in a book without symbols. */
export type SeriesKey = string | number;

/** Samples until filter `kind` with `params` has settled; null when it never does. */
export function settlingLength<K extends FilterName>(kind: K, params?: ParamsOf[K]): number | null;

/**
 * The longest period at which filter `kind` follows a price in single
 * precision (a step from 50 to 70, held 10 periods, ends within 0.1%);
 * null for a filter with no such limit. Longer periods compute the
 * library's bits as always, which may freeze off the price; nothing warns
 * at run time, so check a period against this where it is chosen.
 */
export function precisionLimit(kind: FilterName): number | null;

/** One filter fed a sample or a chunk at a time. */
export class Stream<K extends FilterName = FilterName> {
  constructor(kind: K, params?: ParamsOf[K], options?: StreamOptions);
  /** The filter's name. */
  readonly kind: K;
  /** The parameters in use, defaults filled in. */
  readonly params: Readonly<Required<ParamsOf[K]>>;
  /** What a bad value does. */
  readonly missing: Missing;
  /** Whether the outputs before the filter has settled are NaN. */
  readonly warmup: 'keep' | 'nan';
  /** Consumes one sample and returns its output (NaN while not known yet). */
  update(x: number): number;
  /** Consumes a chunk and returns its outputs. */
  update(values: Values): Float32Array;
  /** A sample or a chunk, as above. */
  update(values: number | Values): number | Float32Array;
  /** The output the next sample would get if it were `x`; the stream does not change. */
  peek(x: number): number;
  /** An oscillator's outputs of samples 0..99 once it has consumed 100; otherwise null. */
  window(): Float32Array | null;
  /** The number of samples consumed. */
  readonly samples: number;
  /** Back to the state the constructor gave: no samples, the same parameters. */
  reset(): void;
  /** The state in the library's portable format. */
  save(): Uint8Array;
  /**
   * Replaces the state by a saved one of this stream's kind (the parameters
   * may differ), so that `kind` and `K` stay true: a state of another kind
   * is a TypeError. Unchanged on any error.
   */
  restore(bytes: Uint8Array | ArrayBuffer): void;
  /** A stream of the saved kind and parameters, from a saved state of any platform. */
  static load(bytes: Uint8Array | ArrayBuffer, options?: StreamOptions): Stream;
  /** Frees the state; safe to call twice. Afterwards every call throws TsfiltersError with code -3. */
  free(): void;
}
/** `using s = new Stream(...)` frees it at the end of the block, where the lib has Disposable. */
export interface Stream<K extends FilterName = FilterName> extends Disposable {}

/**
 * Many series of one kind in one book of the library, advanced a row at a
 * time side by side (SIMD). A dense row holds one value per slot (`lanes`
 * of them, a removed series' slot included: its value is not read and its
 * output is NaN); a Map row only the series it names.
 */
export class Streams<K extends FilterName = FilterName> {
  constructor(kind: K, params: ParamsOf[K] | undefined, lanes: number, options?: StreamsOptions);
  constructor(kind: K, params: readonly ParamsOf[K][], lanes?: number, options?: StreamsOptions);
  constructor(kind: K, params: ParamsOf[K] | undefined, lanes: undefined, options: StreamsOptions & { symbols: readonly string[] });
  readonly kind: K;
  /** The length of a dense row: the slots in use so far. */
  readonly lanes: number;
  /** The number of series in the book. */
  readonly live: number;
  /**
   * Each slot's parameters. A removed series' slot holds null, which the
   * type leaves out so that books that never remove keep their types.
   */
  readonly params: readonly Readonly<Required<ParamsOf[K]>>[];
  /** Each slot's symbol (null at a free slot), or null for a book without symbols. */
  readonly symbols: readonly (string | null)[] | null;
  /** What a bad value does; under 'drop' a series without a value waits while the others advance. */
  readonly missing: Missing;
  /** Whether each series' outputs before it has settled are NaN. */
  readonly warmup: 'keep' | 'nan';
  /** Consumes whole rows (row-major, `lanes` values each) and returns the outputs, into `output` if given (then nothing is allocated). */
  update<O extends Float32Array | Float64Array = Float32Array>(values: Values, output?: O): O;
  /** Consumes a Map row (symbol, or slot, to value; null and undefined are missing values) and returns its series' outputs. */
  update(row: ReadonlyMap<SeriesKey, number | null | undefined>, output?: Map<SeriesKey, number>): Map<SeriesKey, number>;
  /** A Map row's outputs into a typed array, in the row's order (quicker than a Map). */
  update<O extends Float32Array | Float64Array>(row: ReadonlyMap<SeriesKey, number | null | undefined>, output: O): O;
  /** Each series' output if its next sample were in `row`; nothing changes. */
  peek<O extends Float32Array | Float64Array = Float32Array>(row: Values, output?: O): O;
  peek(row: ReadonlyMap<SeriesKey, number | null | undefined>, output?: Map<SeriesKey, number>): Map<SeriesKey, number>;
  peek<O extends Float32Array | Float64Array>(row: ReadonlyMap<SeriesKey, number | null | undefined>, output: O): O;
  /** Adds a series with no samples and returns its slot. */
  add(symbol: string, params?: ParamsOf[K]): number;
  add(params?: ParamsOf[K]): number;
  /** Removes a series; no other series moves. */
  remove(key: SeriesKey): void;
  /** The samples a series has consumed (under 'drop', only those it took). */
  samplesOf(key: SeriesKey): number;
  /** The samples of the first series in the book. */
  readonly samples: number;
  /** Every series, or the one named, back to no samples. */
  reset(key?: SeriesKey): void;
  /** The whole book, its policy, symbols and warm-up included. */
  save(): Uint8Array;
  /** One series' state in the portable format, which Stream.load continues. */
  save(key: SeriesKey): Uint8Array;
  /** A book from Streams.save or the library's tsf_book_save, of any platform. */
  static load(bytes: Uint8Array | ArrayBuffer, options?: StreamsLoadOptions): Streams;
  /** Frees the book; safe to call twice. Afterwards every call throws TsfiltersError with code -3. */
  free(): void;
}
export interface Streams<K extends FilterName = FilterName> extends Disposable {}

/** The instruction set of the lanes in this module: 'simd128' or 'scalar'. */
export function simdTarget(): string;
