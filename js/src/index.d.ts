// Types of the tsfilters package.

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

/** A failure the library reported: its own message (tsf_strerror) and its TSF_E_ code. */
export class TsfiltersError extends Error {
  readonly code: number;
}

// The batch functions: a Float32Array as long as `values`, NaN in the slots
// the library does not write.
export function highPass(values: Values, params?: PeriodParams): Float32Array;
export function superSmoother(values: Values, params?: PeriodParams): Float32Array;
export function ultimateSmoother(values: Values, params?: PeriodParams): Float32Array;
export function bandPass(values: Values, params?: TwoPeriodParams): Float32Array;
export function cyberneticOscillator(values: Values, params?: TwoPeriodParams): Float32Array;
export function laguerreFilter(values: Values, params?: GammaPeriodParams): Float32Array;
export function laguerreOscillator(values: Values, params?: GammaPeriodParams): Float32Array;

/** One filter fed a sample or a chunk at a time. */
export class Stream<K extends FilterName = FilterName> {
  constructor(kind: K, params?: ParamsOf[K]);
  /** The filter's name. */
  readonly kind: K;
  /** The parameters in use, defaults filled in. */
  readonly params: Readonly<Required<ParamsOf[K]>>;
  /** Consumes one sample and returns its output (NaN while not known yet). */
  update(x: number): number;
  /** Consumes a chunk and returns its outputs. */
  update(values: Values): Float32Array;
  /** The output the next sample would get if it were `x`; the stream does not change. */
  peek(x: number): number;
  /** An oscillator's outputs of samples 0..99 once it has consumed 100; otherwise null. */
  window(): Float32Array | null;
  /** The number of samples consumed. */
  readonly samples: number;
  /** The state in the library's portable format. */
  save(): Uint8Array;
  /** Replaces the state by a saved one; unchanged on a TsfiltersError. */
  restore(bytes: Uint8Array | ArrayBuffer): void;
  /** A stream from a saved state of any platform. */
  static load(bytes: Uint8Array | ArrayBuffer): Stream;
  /** Frees the state; safe to call twice. */
  free(): void;
  [Symbol.dispose](): void;
}

/** Many streams of one kind on the library's lanes: one lane per symbol, one value per lane in each row. */
export class Streams<K extends FilterName = FilterName> {
  constructor(kind: K, params: ParamsOf[K] | undefined, lanes: number);
  constructor(kind: K, params: readonly ParamsOf[K][], lanes?: number);
  readonly kind: K;
  readonly lanes: number;
  readonly params: readonly Readonly<Required<ParamsOf[K]>>[];
  /** Consumes whole rows (row-major, `lanes` values each) and returns the outputs, into `output` if given. */
  update(values: Values, output?: Float32Array): Float32Array;
  /** Each lane's output if its next sample were row[lane]; nothing changes. */
  peek(row: Values): Float32Array;
  /** The number of rows consumed. */
  readonly samples: number;
  /** One lane's state in the portable format. */
  save(lane: number): Uint8Array;
  free(): void;
  [Symbol.dispose](): void;
}

/** The instruction set of the lanes in this module: 'simd128' or 'scalar'. */
export function simdTarget(): string;
