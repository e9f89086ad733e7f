// tsfilters for JavaScript: the library's seven filters, its streams and
// lanes, computed by the WebAssembly build of the same C++ sources, so that
// every output is the bits the native library writes.
//
// This is the API of both entries and of tsfilters/lightweight-charts, with
// no module of its own: `tsfilters` (index.js) hands it the embedded one,
// `tsfilters/lean` loads one in init(). Both entries and the chart adapter
// import this one file, so that an application that uses any of them
// together runs one instance of one module.
import { filterTable } from '../generated/filter_table.js';
import { STREAM_BYTES, instance } from './module.js';

const INT32_MAX = 0x7fffffff;

// The parameters each shape takes, as the C functions name them.
const shapeParameters = {
  PERIOD: ['period'],
  TWO_PERIODS: ['highPassPeriod', 'smoothPeriod'],
  GAMMA_PERIOD: ['gamma', 'period'],
};

// HighPass -> highPass: the JavaScript names of the filters, which are also
// the stream kinds' names. A kind's number is its row's, counting from 1.
const filters = filterTable.map((row, index) => ({
  ...row,
  name: row.exportName[0].toLowerCase() + row.exportName.slice(1),
  kind: index + 1,
}));
const byName = new Map(filters.map((f) => [f.name, f]));

/** The names of the filters, in the library's order. */
export const filterNames = Object.freeze(filters.map((f) => f.name));

/**
 * A failure the library reported: `message` is its own (tsf_strerror), `code`
 * its TSF_E_ number. The package's own message replaces the library's where
 * the package knows more, as for a freed stream (TSF_E_NOT_STREAM).
 */
export class TsfiltersError extends Error {
  constructor(code, message) {
    super(message ?? instance().string(instance().exports.tsf_strerror(code)));
    this.name = 'TsfiltersError';
    this.code = code;
  }
}

// What the C library answers for a tsf_stream that is not one: a freed
// stream's state no longer exists.
const TSF_E_NOT_STREAM = -3;
const freedError = (what) => new TsfiltersError(TSF_E_NOT_STREAM,
  `tsfilters: ${what} freed (by free() or at the end of a \`using\` block); make a new one, or Stream.load a saved state`);

// ---- checks at the boundary ------------------------------------------------
//
// Whatever the caller passes is read once, into arrays of this module's own,
// before any pointer into the module's memory is taken. A value can be user
// code (a getter, a Proxy, a typed array with its own `length`), and user
// code can call back into the package: grow the module's memory, free or
// create streams. Reading everything first leaves it nothing to interfere
// with; the module is only touched once no more user code can run.
//
// Typed arrays are read through the intrinsic %TypedArray% getters, taken
// here before any user code runs, never through the object's own
// properties, which can lie.

const TypedArray = Object.getPrototypeOf(Uint8Array);
const getter = (proto, key) => Object.getOwnPropertyDescriptor(proto, key).get;
const typedTag = getter(TypedArray.prototype, Symbol.toStringTag);
const typedLength = getter(TypedArray.prototype, 'length');
const typedBuffer = getter(TypedArray.prototype, 'buffer');
const typedSet = TypedArray.prototype.set;
const arrayBufferBytes = getter(ArrayBuffer.prototype, 'byteLength');
const sharedBufferBytes = typeof SharedArrayBuffer === 'undefined' ? undefined
  : getter(SharedArrayBuffer.prototype, 'byteLength');
const isArray = Array.isArray;

/** The kind of typed array `value` really is ('Float32Array', ...), or undefined. */
const typedKind = (value) => typedTag.call(value);

function isArrayBuffer(value) {
  try {
    arrayBufferBytes.call(value);
    return true;
  } catch {
    return false;
  }
}

// What a value is, for an error message: 'an Int32Array', 'undefined',
// 'the string "3"', 'number NaN'. Reads nothing of the caller's object but
// its internal kind, so a getter or a Proxy cannot run here.
function describe(value) {
  if (value === null || value === undefined) return String(value);
  if (isArray(value)) return 'an array';
  const kind = typedKind(value) ?? (ArrayBuffer.isView(value) ? 'DataView' : undefined);
  if (kind !== undefined) return `${/^[AEIO]/.test(kind) ? 'an' : 'a'} ${kind}`;
  if (isArrayBuffer(value)) return 'an ArrayBuffer';
  switch (typeof value) {
    case 'object': return 'an object';
    case 'function': return 'a function';
    case 'symbol': return 'a symbol';
    case 'string': return `the string ${JSON.stringify(value.length > 40 ? `${value.slice(0, 40)}...` : value)}`;
    default: return `${typeof value} ${String(value)}`;
  }
}

function checkBuffer(typed, what) {
  const buffer = typedBuffer.call(typed);
  if (sharedBufferBytes !== undefined) {
    let shared = true;
    try {
      sharedBufferBytes.call(buffer);
    } catch {
      shared = false;
    }
    // Another thread could change it while the module reads it.
    if (shared) throw new TypeError(`${what}: a SharedArrayBuffer is not accepted; copy it into an ordinary array first`);
  }
  try {
    new Uint8Array(buffer, 0, 0);
  } catch {
    throw new TypeError(`${what}: its ArrayBuffer is detached`);
  }
}

function checkLength(length, what) {
  if (length > INT32_MAX) {
    throw new RangeError(`${what}: ${length} values; the library takes at most ${INT32_MAX} in one call`);
  }
}

// A Float32Array, a Float64Array or an array of numbers, read into a
// Float32Array (each value rounded to binary32 as a C cast from double
// rounds it); anything else is a TypeError. Typed arrays are told by their
// internal kind, which also holds for arrays made in another realm (a
// worker, an iframe, a vm context). An array is read element by element,
// once each, so a getter sees one read; a value that is not a number is
// refused before the rest is read, and before anything is allocated in the
// module: `new Array(3e8)` costs nothing to refuse.
//
// With `borrow`, an array of numbers may be read into a buffer the package
// keeps for the next call (see readNumbers): the caller must copy it into
// the module before any code of the caller's can run again.
function readValues(values, what, borrow = false) {
  const kind = typedKind(values);
  if (kind === 'Float32Array' || kind === 'Float64Array') {
    checkBuffer(values, what);
    checkLength(typedLength.call(values), what);
    return new Float32Array(values); // from the array's internal slots: a copy
  }
  if (!isArray(values)) {
    throw new TypeError(`${what}: expected a Float32Array, a Float64Array or an array of numbers, got ${describe(values)}`);
  }
  const n = values.length;
  if (!Number.isSafeInteger(n) || n < 0) throw new TypeError(`${what}: its length ${describe(n)} is not a length`);
  checkLength(n, what);
  return n <= BORROWED_MOST && borrow ? readBorrowed(values, n, what)
    : n <= 1 << 24 ? readNumbers(values, new Float32Array(n), n, what)
      : readGrowing(values, n, what);
}

// The buffer that batch calls read arrays of numbers into, kept between
// calls: a fresh one of 4 MB costs as much as reading a million numbers
// into it. Kept up to BORROWED_MOST values; `borrowed` is true while a read
// into it is under way, so that a getter that calls the package meanwhile
// reads into a buffer of its own.
const BORROWED_MOST = 1 << 21;
let kept = new Float32Array(0);
let borrowed = false;

function readBorrowed(values, n, what) {
  if (borrowed) return readNumbers(values, new Float32Array(n), n, what);
  if (kept.length < n) kept = new Float32Array(Math.min(BORROWED_MOST, Math.max(n, 2 * kept.length)));
  borrowed = true;
  try {
    return readNumbers(values, kept, n, what).subarray(0, n);
  } finally {
    borrowed = false;
  }
}

// The one pass over an array of numbers, into `into[0 .. n-1]`: a loop with
// no other work, which the engine keeps tight.
function readNumbers(values, into, n, what) {
  for (let i = 0; i < n; ++i) {
    const v = values[i];
    if (typeof v !== 'number') throw new TypeError(`${what}[${i}] is ${describe(v)}, not a number`);
    into[i] = v;
  }
  return into;
}

// An array longer than 16M values (64 MB) grows its buffer as it is read,
// so that `new Array(3e8)` allocates little before its first hole.
function readGrowing(values, n, what) {
  let read = new Float32Array(1 << 16);
  for (let i = 0; i < n; ++i) {
    const v = values[i];
    if (typeof v !== 'number') throw new TypeError(`${what}[${i}] is ${describe(v)}, not a number`);
    if (i === read.length) {
      const more = new Float32Array(Math.min(n, 2 * read.length));
      more.set(read);
      read = more;
    }
    read[i] = v;
  }
  return read;
}

// A value the library would turn into NaN for good: NaN, or a number whose
// binary32 rounding is infinite (beyond about 3.4028235e38, or infinite).
const isGap = (v) => !Number.isFinite(Math.fround(v));

// The module's memory as floats, for a call of one value: the memory only
// grows, and growing detaches the old buffer, whose view then reads as
// empty; asking the memory for its buffer costs more than the rest of a
// tick.
function currentFloats(wasm) {
  if (wasm.f32.length === 0) wasm.views();
  return wasm.f32;
}

// Copies a Float32Array of ours into the module's memory at `at`. Nothing
// of the caller's runs here.
function copyIn(wasm, values, at) {
  wasm.views();
  wasm.f32.set(values, at >>> 2);
}

function checkNumber(value, what) {
  if (typeof value !== 'number') throw new TypeError(`${what} must be a number, got ${describe(value)}`);
  return value;
}

// A period is any int32, as the C functions take it: 0, 1 and negative
// periods are passed on, and the library's arithmetic decides what they give.
function checkPeriod(value, what) {
  checkNumber(value, what);
  if (!Number.isInteger(value) || value < -INT32_MAX - 1 || value > INT32_MAX) {
    throw new RangeError(`${what} must be an integer in the int32 range, got ${value}`);
  }
  return value;
}

// The filter's parameters: the defaults, overridden by `params`. gamma is
// any number (NaN and the infinities too, as in C), rounded to binary32.
function parametersOf(filter, params, what) {
  if (params === undefined) params = {};
  if (params === null || typeof params !== 'object' || Array.isArray(params)) {
    throw new TypeError(`${what}: parameters must be an object, got ${describe(params)}`);
  }
  const allowed = shapeParameters[filter.shape];
  for (const key of Object.keys(params)) {
    if (!allowed.includes(key)) {
      throw new TypeError(`${what}: unknown parameter '${key}' for ${filter.name} (it takes ${allowed.join(', ')})`);
    }
  }
  const d = filter.defaults;
  const get = (key, fallback) => (params[key] === undefined ? fallback : params[key]);
  switch (filter.shape) {
    case 'PERIOD':
      return { period: checkPeriod(get('period', d.period), `${what}: period`) };
    case 'TWO_PERIODS':
      return {
        highPassPeriod: checkPeriod(get('highPassPeriod', d.period), `${what}: highPassPeriod`),
        smoothPeriod: checkPeriod(get('smoothPeriod', d.smoothPeriod), `${what}: smoothPeriod`),
      };
    default:
      return {
        gamma: Math.fround(checkNumber(get('gamma', d.gamma), `${what}: gamma`)),
        period: checkPeriod(get('period', d.period), `${what}: period`),
      };
  }
}

function filterNamed(kind) {
  const filter = typeof kind === 'string' ? byName.get(kind) : undefined;
  if (filter === undefined) {
    throw new TypeError(`unknown filter kind: expected one of ${filterNames.join(', ')}, got ${describe(kind)}`);
  }
  return filter;
}

// ---- the batch functions ---------------------------------------------------

function runBatch(filter, values, params) {
  const { warmup, ...rest } = batchOptions(params, filter.name);
  const p = parametersOf(filter, rest, filter.name);
  // Borrowed: runRead copies it into the module before any caller code runs.
  const read = readValues(values, `${filter.name}: values`, true);
  const output = runRead(filter, read, p);
  if (warmup === 'nan') {
    // Every slot when the filter never settles with these parameters.
    const settled = settlingLength(filter.name, p) ?? read.length;
    output.fill(NaN, 0, Math.min(settled, read.length));
  }
  return output;
}

// `params` of a batch call: the filter's parameters and `warmup`.
function batchOptions(params, what) {
  if (params === undefined) return { warmup: 'keep' };
  if (params === null || typeof params !== 'object' || isArray(params)) {
    throw new TypeError(`${what}: parameters must be an object, got ${describe(params)}`);
  }
  const copy = { ...params }; // each getter read once, here
  const warmup = copy.warmup === undefined ? 'keep' : copy.warmup;
  if (warmup !== 'keep' && warmup !== 'nan') {
    throw new TypeError(`${what}: warmup must be 'keep' or 'nan', got ${describe(warmup)}`);
  }
  delete copy.warmup;
  return { warmup, ...copy };
}

// The batch call over values already read.
function runRead(filter, read, p) {
  const n = read.length;
  if (n === 0) return new Float32Array(0);
  const wasm = instance();
  // A filter that writes every slot from firstWritten on runs in place (the
  // library allows it); one scaled by its RMS writes all slots or none, and
  // gets an output of its own, prefilled with NaN.
  const inPlace = !filter.rmsWindow;
  const input = wasm.malloc((inPlace ? 4 : 8) * n);
  const written = inPlace ? input : input + 4 * n;
  try {
    copyIn(wasm, read, input);
    if (!inPlace) wasm.f32.fill(NaN, written >>> 2, (written >>> 2) + n);
    const fn = wasm.exports[filter.exportName];
    if (filter.shape === 'PERIOD') fn(input, p.period, n, written);
    else if (filter.shape === 'TWO_PERIODS') fn(input, p.highPassPeriod, p.smoothPeriod, n, written);
    else fn(input, p.gamma, p.period, n, written);
    wasm.views();
    // new + set: slice() of a view of the module's memory is many times slower.
    const output = new Float32Array(n);
    output.set(wasm.f32.subarray(written >>> 2, (written >>> 2) + n));
    output.fill(NaN, 0, filter.firstWritten);
    return output;
  } finally {
    wasm.free(input);
  }
}

export const highPass = (values, params) => runBatch(byName.get('highPass'), values, params);
export const superSmoother = (values, params) => runBatch(byName.get('superSmoother'), values, params);
export const ultimateSmoother = (values, params) => runBatch(byName.get('ultimateSmoother'), values, params);
export const bandPass = (values, params) => runBatch(byName.get('bandPass'), values, params);
export const cyberneticOscillator = (values, params) => runBatch(byName.get('cyberneticOscillator'), values, params);
export const laguerreFilter = (values, params) => runBatch(byName.get('laguerreFilter'), values, params);
export const laguerreOscillator = (values, params) => runBatch(byName.get('laguerreOscillator'), values, params);

// ---- streams ---------------------------------------------------------------

// Stream states live in the module's memory. One freed by neither free()
// nor `using` is freed when its object is collected.
const leftBehind = new FinalizationRegistry((cell) => {
  cell.wasm.free(cell.at);
  if (cell.io) cell.wasm.free(cell.io);
});
const dispose = Symbol.dispose ?? Symbol.for('Symbol.dispose');

// A library return value: negative codes are thrown (tsf_stream_samples
// returns an int64, a BigInt here).
function check(code) {
  if (code < 0) throw new TsfiltersError(Number(code));
  return code;
}

// Writes tsf_params for `filter` at `at`.
function writeParams(wasm, filter, p, at) {
  wasm.views();
  const view = wasm.data;
  view.setInt32(at, filter.shape === 'TWO_PERIODS' ? p.highPassPeriod : p.period, true);
  view.setInt32(at + 4, filter.shape === 'TWO_PERIODS' ? p.smoothPeriod : 0, true);
  view.setFloat32(at + 8, filter.shape === 'GAMMA_PERIOD' ? p.gamma : 0, true);
}

// The kind and parameters a saved state records (its header, little-endian),
// read from our own copy of the bytes.
function describeSaved(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const filter = filters[view.getUint16(6, true) - 1];
  const period = view.getInt32(12, true);
  const p = filter.shape === 'PERIOD' ? { period }
    : filter.shape === 'TWO_PERIODS' ? { highPassPeriod: period, smoothPeriod: view.getInt32(16, true) }
      : { gamma: view.getFloat32(20, true), period };
  return { filter, params: p };
}

// Saved bytes (a Uint8Array or an ArrayBuffer) copied into a Uint8Array of
// ours, through the intrinsic getters: an own `length` or `buffer` on the
// caller's array changes nothing.
function readSaved(bytes, what) {
  let view;
  if (typedKind(bytes) === 'Uint8Array') {
    checkBuffer(bytes, what);
    view = bytes;
  } else if (isArrayBuffer(bytes)) {
    try {
      view = new Uint8Array(bytes);
    } catch {
      throw new TypeError(`${what}: the ArrayBuffer is detached (transferred or resized away); it holds no saved state`);
    }
  } else {
    throw new TypeError(`${what}: expected a saved stream as a Uint8Array or an ArrayBuffer, got ${describe(bytes)}`);
  }
  checkLength(typedLength.call(view), what);
  return new Uint8Array(view); // a copy, from the internal slots
}

// Loads saved bytes (ours) into the tsf_stream at `at`; the library's error,
// and the stream as it was, when they are not a saved state.
function loadInto(wasm, at, bytes) {
  const copy = wasm.malloc(Math.max(bytes.length, 1));
  try {
    wasm.views();
    wasm.u8.set(bytes, copy);
    check(wasm.exports.tsf_stream_load(at, copy, bytes.length));
  } finally {
    wasm.free(copy);
  }
}

// The kind and parameters of saved bytes (ours) once the library has
// accepted them, loaded into a state of its own: the library's error when
// they are not a saved state.
function checkSaved(wasm, bytes) {
  const at = wasm.malloc(STREAM_BYTES);
  try {
    loadInto(wasm, at, bytes);
  } finally {
    wasm.free(at);
  }
  return describeSaved(bytes);
}

function saveFrom(wasm, at) {
  const size = check(wasm.exports.tsf_stream_save(at, 0, 0));
  const buffer = wasm.malloc(size);
  try {
    check(wasm.exports.tsf_stream_save(at, buffer, size));
    return wasm.u8.slice(buffer, buffer + size);
  } finally {
    wasm.free(buffer);
  }
}

const MISSING = ['error', 'drop', 'keep'];
const WARMUP = ['keep', 'nan'];

// { missing, warmup } of a stream's options, each read once: what a sample
// the library would turn into NaN for good does, and whether the outputs
// before the filter has settled are given or blanked.
function streamOptions(options, what) {
  if (options === undefined) return { missing: 'error', warmup: 'keep' };
  if (options === null || typeof options !== 'object') {
    throw new TypeError(`${what}: options must be an object, got ${describe(options)}`);
  }
  const given = options.missing;
  const missing = given === undefined ? 'error' : given;
  if (!MISSING.includes(missing)) {
    throw new TypeError(`${what}: missing must be one of ${MISSING.join(', ')}, got ${describe(missing)}`);
  }
  const asked = options.warmup;
  const warmup = asked === undefined ? 'keep' : asked;
  if (!WARMUP.includes(warmup)) {
    throw new TypeError(`${what}: warmup must be 'keep' or 'nan', got ${describe(warmup)}`);
  }
  return { missing, warmup, givenMissing: given, givenWarmup: asked };
}

// How many of a series' first samples `warmup: 'nan'` blanks: its settling
// length, counted in its own samples, as the batch calls blank it; every
// sample when the filter never settles with these parameters.
function blankedSamples(filter, p) {
  return settlingLength(filter.name, p) ?? Infinity;
}

function gapError(what, v, where) {
  const kind = Number.isNaN(v) ? 'NaN' : 'an infinite value (or one beyond binary32\'s range)';
  return new RangeError(`${what}: ${kind} ${where}; nothing was fed, since it would make every later output NaN (pass { missing: 'drop' } to skip such values)`);
}

// Runs `update(buffer, count)` of the library over `read` (ours), in place
// in the module's memory, and returns the outputs.
function runInModule(wasm, read, update) {
  const n = read.length;
  const output = new Float32Array(n);
  if (n === 0) return output;
  const buffer = wasm.malloc(4 * n);
  try {
    copyIn(wasm, read, buffer);
    check(update(buffer, n));
    wasm.views();
    output.set(wasm.f32.subarray(buffer >>> 2, (buffer >>> 2) + n));
  } finally {
    wasm.free(buffer);
  }
  return output;
}

/** One filter fed a sample or a chunk at a time, with a forming-bar peek and a portable saved state. */
export class Stream {
  #wasm;
  #at;
  #kind;
  #params;
  #missing;
  #warmup;
  #warm = 0; // samples still to blank under warmup 'nan'

  constructor(kind, params, options) {
    const filter = filterNamed(kind);
    const p = parametersOf(filter, params, filter.name);
    const { missing, warmup } = streamOptions(options, filter.name);
    const wasm = instance();
    if (wasm.exports.tsf_stream_bytes() !== STREAM_BYTES) throw new Error('tsfilters: the module does not match the package');
    this.#wasm = wasm;
    this.#at = wasm.malloc(STREAM_BYTES);
    leftBehind.register(this, { wasm, at: this.#at }, this);
    writeParams(wasm, filter, p, wasm.scratch);
    check(wasm.exports.tsf_stream_init(this.#at, filter.kind, wasm.scratch));
    this.#kind = filter.name;
    this.#params = Object.freeze(p);
    this.#missing = missing;
    this.#warmup = warmup;
    this.#rewarm(0);
  }

  // The samples left to blank once the stream holds `samples`.
  #rewarm(samples) {
    this.#warm = this.#warmup === 'nan' ? Math.max(0, blankedSamples(byName.get(this.#kind), this.#params) - samples) : 0;
  }

  /** The filter's name, e.g. 'superSmoother'. */
  get kind() {
    return this.#kind;
  }

  /** The parameters in use, defaults filled in, gamma as binary32. */
  get params() {
    return this.#params;
  }

  /** What a NaN or infinite sample does: 'error', 'drop' or 'keep'. */
  get missing() {
    return this.#missing;
  }

  /** 'nan' when the outputs before the filter has settled are NaN, else 'keep'. */
  get warmup() {
    return this.#warmup;
  }

  #state() {
    if (this.#at === 0) throw freedError(`this ${this.#kind} stream has been`);
    return this.#at;
  }

  /**
   * Consumes a sample and returns its output, or consumes an array and
   * returns a Float32Array of outputs; NaN where the output is not known
   * yet (see the package's documentation), and for a sample dropped as
   * missing.
   */
  update(x) {
    if (typeof x === 'number') {
      const at = this.#state();
      if (isGap(x) && this.#missing !== 'keep') {
        if (this.#missing === 'error') throw gapError(`${this.#kind}.update`, x, 'given');
        return NaN;
      }
      const wasm = this.#wasm;
      const f32 = currentFloats(wasm);
      const io = wasm.scratch >>> 2;
      f32[io] = x;
      const code = wasm.exports.tsf_stream_update(at, wasm.scratch, 1, wasm.scratch + 4);
      if (code < 0) check(code);
      if (this.#warm > 0) {
        --this.#warm;
        return NaN;
      }
      return f32[io + 1];
    }
    if (!isArray(x) && typedKind(x) === undefined) {
      throw new TypeError(`${this.#kind}.update: expected a number or an array of numbers, got ${describe(x)}`);
    }
    const read = readValues(x, `${this.#kind}.update`);
    // Only now, with no caller code left to run, is the stream looked at:
    // a getter above may have freed it.
    const at = this.#state();
    const wasm = this.#wasm;
    const feed = (values) => {
      const fed = runInModule(wasm, values, (buffer, n) => wasm.exports.tsf_stream_update(at, buffer, n, buffer));
      const blanked = Math.min(this.#warm, fed.length);
      fed.fill(NaN, 0, blanked);
      this.#warm -= blanked;
      return fed;
    };
    if (this.#missing === 'keep') return feed(read);
    const gaps = [];
    for (let i = 0; i < read.length; ++i) if (isGap(read[i])) gaps.push(i);
    if (gaps.length === 0) return feed(read);
    if (this.#missing === 'error') throw gapError(`${this.#kind}.update`, read[gaps[0]], `at position ${gaps[0]}`);
    // Dropped: the others are fed as one chunk, and each gap gets NaN.
    const kept = new Float32Array(read.length - gaps.length);
    const places = new Int32Array(kept.length);
    for (let i = 0, k = 0, g = 0; i < read.length; ++i) {
      if (g < gaps.length && gaps[g] === i) {
        ++g;
      } else {
        kept[k] = read[i];
        places[k++] = i;
      }
    }
    const fed = feed(kept);
    const output = new Float32Array(read.length).fill(NaN);
    for (let k = 0; k < fed.length; ++k) output[places[k]] = fed[k];
    return output;
  }

  /** The output the next sample would get if it were `x`; the stream does not change. */
  peek(x) {
    checkNumber(x, `${this.#kind}.peek: x`);
    const at = this.#state();
    if (isGap(x) && this.#missing !== 'keep') {
      if (this.#missing === 'error') throw gapError(`${this.#kind}.peek`, x, 'given');
      return NaN;
    }
    const wasm = this.#wasm;
    const code = wasm.exports.tsf_stream_peek(at, x, wasm.scratch);
    if (code < 0) check(code);
    if (this.#warm > 0) return NaN;
    return currentFloats(wasm)[wasm.scratch >>> 2];
  }

  /** An oscillator's outputs of samples 0..99 once it has consumed 100 samples; otherwise null. */
  window() {
    const at = this.#state();
    const wasm = this.#wasm;
    const buffer = wasm.malloc(400);
    try {
      if (check(wasm.exports.tsf_stream_window(at, buffer)) !== 100) return null;
      wasm.views();
      return wasm.f32.slice(buffer >>> 2, (buffer >>> 2) + 100);
    } finally {
      wasm.free(buffer);
    }
  }

  /** The number of samples consumed. */
  get samples() {
    return Number(check(this.#wasm.exports.tsf_stream_samples(this.#state())));
  }

  /** Back to the state the constructor gave it: no samples, the same kind and parameters. */
  reset() {
    check(this.#wasm.exports.tsf_stream_reset(this.#state()));
    this.#rewarm(0);
  }

  /** The state in the library's portable format: loads on any platform, in C, Python or JavaScript. */
  save() {
    return saveFrom(this.#wasm, this.#state());
  }

  /**
   * Replaces this stream's state by a saved one of the same kind (its
   * parameters may differ); on any error the stream is unchanged. A stream
   * keeps its kind for life, as its type says: a state of another kind is
   * a TypeError, and Stream.load makes a stream of whatever kind was saved.
   */
  restore(bytes) {
    const what = `${this.#kind}.restore`;
    const read = readSaved(bytes, what);
    const at = this.#state();
    const { filter, params } = checkSaved(this.#wasm, read);
    if (filter.name !== this.#kind) {
      throw new TypeError(`${what}: the saved state is a ${filter.name} stream, and a stream keeps its kind; ` +
        'Stream.load(bytes) makes a stream of the saved kind');
    }
    loadInto(this.#wasm, at, read);
    this.#params = Object.freeze(params);
    this.#rewarm(this.samples);
  }

  /** A new stream from a saved state (Stream.save, tsf_stream_save in C, or the Python package). */
  static load(bytes, options) {
    const read = readSaved(bytes, 'Stream.load');
    const { filter, params } = checkSaved(instance(), read);
    const stream = new Stream(filter.name, params, options);
    loadInto(stream.#wasm, stream.#at, read); // checked: cannot fail
    stream.#params = Object.freeze(params);
    stream.#rewarm(stream.samples);
    return stream;
  }

  /** Frees the state in the module's memory; the stream is unusable afterwards. Safe to call twice. */
  free() {
    if (this.#at === 0) return;
    leftBehind.unregister(this);
    this.#wasm.free(this.#at);
    this.#at = 0;
  }

  [dispose]() {
    this.free();
  }
}

// ---- books: many series of one kind ------------------------------------------
//
// Streams keeps its series in one book of the library (tsf_book_*): their
// states field by field, so that a row walks a few contiguous arrays and
// the series advance side by side in the vector registers. Each series
// has a slot, which it keeps until it is removed; a dense row holds one
// value per slot, a Map row only the series it names.

const TSF_MISSING = { error: 0, drop: 1, keep: 2 };
const TSF_E_VERSION = -5;
const TSF_E_SIZE = -6;
const TSF_E_CRC = -7;
const TSF_E_STATE = -8;
const TSF_E_MISSING = -14;
const TSF_E_CAPACITY = -17;

const mapSize = getter(Map.prototype, 'size');
const mapForEach = Map.prototype.forEach;
const mapSet = Map.prototype.set;

/** Whether `value` is a Map (told by its internal slots, as typed arrays are). */
function isMap(value) {
  try {
    mapSize.call(value);
    return true;
  } catch {
    return false;
  }
}

// Whether a typed array lies on an ordinary ArrayBuffer: a row's quick
// check, which throws nothing on the live path. A SharedArrayBuffer fails
// it; checkBuffer then says why.
function ordinaryBuffer(typed) {
  try {
    arrayBufferBytes.call(typedBuffer.call(typed));
    return true;
  } catch {
    return false;
  }
}

// A few words of the module's memory for tsf_book_info, kept for good.
const infoAreas = new WeakMap();
function infoArea(wasm) {
  let at = infoAreas.get(wasm);
  if (at === undefined) infoAreas.set(wasm, at = wasm.malloc(32));
  return at;
}

function readInfo(wasm, at) {
  wasm.views();
  const v = wasm.data;
  return {
    kind: v.getInt32(at, true), missing: v.getInt32(at + 4, true),
    capacity: v.getInt32(at + 8, true), slots: v.getInt32(at + 12, true), live: v.getInt32(at + 16, true),
  };
}

// tsf_params at `at`, as the parameters of `filter`.
function readParams(wasm, filter, at) {
  wasm.views();
  const v = wasm.data;
  const period = v.getInt32(at, true);
  if (filter.shape === 'PERIOD') return { period };
  if (filter.shape === 'TWO_PERIODS') return { highPassPeriod: period, smoothPeriod: v.getInt32(at + 4, true) };
  return { gamma: v.getFloat32(at + 8, true), period };
}

// A symbol must survive the saved book's UTF-8: no lone surrogate.
function wellFormed(text) {
  try {
    encodeURIComponent(text);
    return true;
  } catch {
    return false;
  }
}

function checkSymbol(symbol, what) {
  if (typeof symbol !== 'string') throw new TypeError(`${what}: a symbol must be a string, got ${describe(symbol)}`);
  if (!wellFormed(symbol)) throw new TypeError(`${what}: the symbol ${JSON.stringify(symbol)} holds a lone surrogate, which UTF-8 cannot keep`);
  return symbol;
}

// options.symbols, read once: null, or a new array of strings (null at a
// free slot where `free` is allowed), each symbol once.
function symbolsOf(options, what, free = false) {
  if (options === undefined || options === null || typeof options !== 'object') return null;
  const given = options.symbols;
  if (given === undefined) return null;
  if (!isArray(given)) throw new TypeError(`${what}: symbols must be an array of strings, got ${describe(given)}`);
  const n = given.length;
  const symbols = [];
  const seen = new Set();
  for (let i = 0; i < n; ++i) {
    const s = given[i];
    if (free && (s === null || s === undefined)) {
      symbols.push(null);
      continue;
    }
    checkSymbol(s, `${what}: symbols[${i}]`);
    if (seen.has(s)) throw new RangeError(`${what}: the symbol ${JSON.stringify(s)} is given twice`);
    seen.add(s);
    symbols.push(s);
  }
  return symbols;
}

// ---- the options a saved book keeps beside the library's bytes ----
//
// Streams.save() writes the library's saved book (tsf_book_save) and, when
// the book has symbols or blanks its warm-up, this record after it:
//   offset  size  field (little-endian)
//        0     4  magic "TSFJ"
//        4     2  version, 1
//        6     2  warmup: 0 'keep', 1 'nan'
//        8     4  the record's size in bytes, CRC included
//       12     4  1 when symbols follow, else 0
//       16     4  slots named: the book's slots, or 0
//       20     .  per slot: the UTF-8 length of its symbol (0xffffffff for
//                 a free slot), then the symbol's bytes
//    end-4     4  CRC-32 of all bytes of the record before it
// The book's own size is at its offset 8, so a native program loads the
// first that many bytes with tsf_book_load.

const OPTIONS_MAGIC = 0x4a465354; // "TSFJ" read little-endian
const FREE_SLOT = 0xffffffff;

let crcTable = null;
function crc32(bytes) {
  if (crcTable === null) {
    crcTable = new Uint32Array(256);
    for (let n = 0; n < 256; ++n) {
      let c = n;
      for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
      crcTable[n] = c >>> 0;
    }
  }
  let c = 0xffffffff;
  for (let i = 0; i < bytes.length; ++i) c = crcTable[(c ^ bytes[i]) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}

function encodeOptions(warmup, names) {
  const encoder = new TextEncoder();
  const encoded = names === null ? [] : names.map((s) => (s === null ? null : encoder.encode(s)));
  const size = 24 + encoded.reduce((n, e) => n + 4 + (e === null ? 0 : e.length), 0);
  const bytes = new Uint8Array(size);
  const view = new DataView(bytes.buffer);
  view.setUint32(0, OPTIONS_MAGIC, true);
  view.setUint16(4, 1, true);
  view.setUint16(6, warmup === 'nan' ? 1 : 0, true);
  view.setUint32(8, size, true);
  view.setUint32(12, names === null ? 0 : 1, true);
  view.setUint32(16, encoded.length, true);
  let at = 20;
  for (const e of encoded) {
    view.setUint32(at, e === null ? FREE_SLOT : e.length, true);
    at += 4;
    if (e !== null) {
      bytes.set(e, at);
      at += e.length;
    }
  }
  view.setUint32(at, crc32(bytes.subarray(0, at)), true);
  return bytes;
}

// The record after a saved book (ours), checked against the book's live
// slots: { warmup, names }, or a TsfiltersError naming what is wrong.
function decodeOptions(bytes, live, what) {
  const fail = (code, why) => new TsfiltersError(code, `${what}: the options saved after the book ${why}`);
  const n = bytes.length;
  const view = new DataView(bytes.buffer, bytes.byteOffset, n);
  if (n < 24 || view.getUint32(0, true) !== OPTIONS_MAGIC) throw fail(TSF_E_STATE, 'are not a record of this package (what follows the book is not "TSFJ")');
  if (view.getUint16(4, true) !== 1) throw fail(TSF_E_VERSION, `are of version ${view.getUint16(4, true)}, which this package does not know`);
  if (view.getUint32(8, true) !== n) throw fail(TSF_E_SIZE, `say they are ${view.getUint32(8, true)} bytes, and ${n} follow the book`);
  if (view.getUint32(n - 4, true) !== crc32(bytes.subarray(0, n - 4))) throw fail(TSF_E_CRC, 'do not match their checksum: damaged bytes');
  const warmup = view.getUint16(6, true);
  const named = view.getUint32(12, true);
  const count = view.getUint32(16, true);
  if (warmup > 1 || named > 1 || count !== (named ? live.length : 0)) {
    throw fail(TSF_E_STATE, 'hold a warm-up, a flag or a count no save writes');
  }
  let at = 20;
  let names = null;
  if (named) {
    names = [];
    const seen = new Set();
    const decoder = new TextDecoder('utf-8', { fatal: true, ignoreBOM: true });
    for (let s = 0; s < count; ++s) {
      if (at + 4 > n - 4) throw fail(TSF_E_STATE, 'end inside their symbols');
      const length = view.getUint32(at, true);
      at += 4;
      if (length === FREE_SLOT || !live[s]) {
        if (length !== FREE_SLOT || live[s]) throw fail(TSF_E_STATE, `name slot ${s} where the book has ${live[s] ? 'a series' : 'none'}`);
        names.push(null);
        continue;
      }
      if (length > n - 4 - at) throw fail(TSF_E_STATE, 'end inside their symbols');
      let symbol;
      try {
        symbol = decoder.decode(bytes.subarray(at, at + length));
      } catch {
        throw fail(TSF_E_STATE, `hold a symbol for slot ${s} that is not UTF-8`);
      }
      if (seen.has(symbol)) throw fail(TSF_E_STATE, `name two series ${JSON.stringify(symbol)}`);
      seen.add(symbol);
      names.push(symbol);
      at += length;
    }
  }
  if (at !== n - 4) throw fail(TSF_E_STATE, 'hold bytes no save writes');
  return { warmup: warmup ? 'nan' : 'keep', names };
}

// Made by Streams.load: the constructor adopts a loaded book.
const adopting = Symbol('adopting');

/**
 * Many series of one kind in one book of the library, advanced a row at a
 * time side by side (SIMD): a dense row holds one value per slot, a Map
 * row only the symbols it names. Series are added and removed without
 * moving any other, and the whole book saves and loads with its options.
 */
export class Streams {
  #wasm;
  #at = 0;
  #capacity = 0;
  #slots = 0;
  #live = 0;
  #io = 0;
  #ioValues = 0;
  #view = null; // the outputs' view of the module's memory, kept between rows
  #cell; // what the FinalizationRegistry frees
  #filter;
  #kind;
  #missing;
  #warmup;
  #paramsOf = []; // slot -> frozen parameters, or null for a free slot
  #paramsList = null;
  #names = null; // slot -> symbol, for a book with symbols
  #index = null; // symbol -> slot
  #symbolsList = null;
  #warm = new Float64Array(0); // slot -> samples still to blank
  #warming = 0; // the series with samples still to blank

  /**
   * @param kind    a filter name
   * @param params  one parameter object for every lane, or an array of one per lane
   * @param lanes   the number of lanes (defaults to params.length for an array, or symbols.length)
   * @param options { missing: 'error' | 'drop' | 'keep', warmup: 'keep' | 'nan', symbols: string[] }
   */
  constructor(kind, params, lanes, options) {
    if (kind === adopting) {
      this.#adopt(params);
      return;
    }
    const filter = filterNamed(kind);
    const { missing, warmup } = streamOptions(options, filter.name);
    const symbols = symbolsOf(options, filter.name);
    const perLane = isArray(params);
    const given = perLane ? params.length : undefined;
    if (lanes === undefined) lanes = perLane ? given : symbols?.length;
    const most = Math.floor(INT32_MAX / STREAM_BYTES);
    const least = symbols === null ? 1 : 0;
    if (typeof lanes !== 'number') {
      throw new TypeError(`${filter.name}: lanes must be a number of lanes from ${least} to ${most}, got ${describe(lanes)}` +
        (lanes === undefined ? ' (give it, or an array of parameters with one entry per lane, or symbols)' : ''));
    }
    if (!Number.isInteger(lanes) || lanes < least || lanes > most) {
      throw new RangeError(`${filter.name}: lanes must be an integer from ${least} to ${most}, got ${lanes}`);
    }
    if (perLane && given !== lanes) {
      throw new RangeError(`${filter.name}: ${given} parameter sets for ${lanes} lanes`);
    }
    if (symbols !== null && symbols.length !== lanes) {
      throw new RangeError(`${filter.name}: ${symbols.length} symbols for ${lanes} lanes`);
    }
    // Every lane's parameters checked before anything is allocated; a hole
    // in the list is named, not passed on as undefined.
    const all = [];
    if (perLane) {
      for (let i = 0; i < lanes; ++i) {
        if (!(i in params)) throw new TypeError(`${filter.name}: lane ${i} has no parameters (a hole in the list)`);
        all.push(Object.freeze(parametersOf(filter, params[i], `${filter.name} lane ${i}`)));
      }
    } else {
      all.length = lanes;
      all.fill(Object.freeze(parametersOf(filter, params, filter.name)));
    }
    const wasm = instance();
    this.#wasm = wasm;
    this.#filter = filter;
    this.#kind = filter.name;
    this.#missing = missing;
    this.#warmup = warmup;
    this.#cell = { wasm, at: 0, io: 0 };
    leftBehind.register(this, this.#cell, this);
    this.#grow(Math.max(lanes, 1));
    for (const p of all) this.#addSeries(p);
    if (symbols !== null) {
      this.#names = symbols;
      this.#index = new Map(symbols.map((s, slot) => [s, slot]));
    }
  }

  // A book loaded by Streams.load, with its options.
  #adopt({ wasm, filter, at, capacity, missing, warmup, names }) {
    this.#wasm = wasm;
    this.#filter = filter;
    this.#kind = filter.name;
    this.#missing = missing;
    this.#warmup = warmup;
    this.#cell = { wasm, at, io: 0 };
    this.#capacity = capacity;
    this.#warm = new Float64Array(capacity);
    check(wasm.exports.tsf_book_describe(at, infoArea(wasm)));
    const { slots } = readInfo(wasm, infoArea(wasm));
    for (let s = 0; s < slots; ++s) {
      const samples = wasm.exports.tsf_book_samples(at, s);
      if (samples < 0) {
        this.#paramsOf.push(null);
        continue;
      }
      check(wasm.exports.tsf_book_params(at, s, wasm.scratch));
      this.#paramsOf.push(Object.freeze(readParams(wasm, filter, wasm.scratch)));
      this.#rewarm(s, Number(samples));
      ++this.#live;
    }
    this.#slots = slots;
    if (names !== null) {
      this.#names = names;
      this.#index = new Map();
      names.forEach((s, slot) => s !== null && this.#index.set(s, slot));
    }
    // Only now is the book this object's: a failure above leaves it to load().
    this.#at = at;
    leftBehind.register(this, this.#cell, this);
  }

  /** The filter's name. */
  get kind() {
    return this.#kind;
  }

  /** The length of a dense row: the slots in use so far, a removed series' slot included. */
  get lanes() {
    return this.#slots;
  }

  /** The number of series in the book. */
  get live() {
    return this.#live;
  }

  /** Each slot's parameters; null for the slot of a removed series. */
  get params() {
    if (this.#paramsList === null) this.#paramsList = Object.freeze(this.#paramsOf.slice());
    return this.#paramsList;
  }

  /** Each slot's symbol (null for a free slot), or null for a book without symbols, whose series are named by their slots. */
  get symbols() {
    if (this.#names === null) return null;
    if (this.#symbolsList === null) this.#symbolsList = Object.freeze(this.#names.slice());
    return this.#symbolsList;
  }

  /** What a NaN or infinite value does: 'error', 'drop' or 'keep'. */
  get missing() {
    return this.#missing;
  }

  /** 'nan' when each series' outputs before it has settled are NaN, else 'keep'. */
  get warmup() {
    return this.#warmup;
  }

  #state() {
    if (this.#at === 0) throw freedError(`these ${this.#kind} lanes have been`);
    return this.#at;
  }

  // Moves the book into memory for `capacity` slots (a new book when there
  // is none yet): the same series in the same slots.
  #grow(capacity) {
    const wasm = this.#wasm;
    const kind = this.#filter.kind;
    const bytes = Number(check(wasm.exports.tsf_book_bytes(kind, capacity)));
    const at = wasm.malloc(bytes);
    const code = this.#at === 0
      ? wasm.exports.tsf_book_init(at, BigInt(bytes), kind, capacity, TSF_MISSING[this.#missing])
      : wasm.exports.tsf_book_grow(at, BigInt(bytes), capacity, this.#at);
    if (code < 0) {
      wasm.free(at);
      check(code);
    }
    if (this.#at !== 0) wasm.free(this.#at);
    this.#at = this.#cell.at = at;
    this.#capacity = capacity;
    const warm = new Float64Array(capacity);
    warm.set(this.#warm.subarray(0, Math.min(this.#warm.length, capacity)));
    this.#warm = warm;
  }

  // The samples slot `slot` has still to blank once it holds `samples`.
  #rewarm(slot, samples) {
    const was = this.#warm[slot];
    const now = this.#warmup === 'nan' && this.#paramsOf[slot] !== null
      ? Math.max(0, blankedSamples(this.#filter, this.#paramsOf[slot]) - samples) : 0;
    this.#warm[slot] = now;
    this.#warming += (now > 0) - (was > 0);
  }

  // Adds a series with parameters `p` (checked) and returns its slot.
  #addSeries(p) {
    const wasm = this.#wasm;
    writeParams(wasm, this.#filter, p, wasm.scratch);
    let slot = wasm.exports.tsf_book_add(this.#at, wasm.scratch);
    if (slot === TSF_E_CAPACITY) {
      this.#grow(Math.min(Math.max(2 * this.#capacity, 8), Math.floor(INT32_MAX / STREAM_BYTES)));
      writeParams(wasm, this.#filter, p, wasm.scratch);
      slot = wasm.exports.tsf_book_add(this.#at, wasm.scratch);
    }
    check(slot);
    if (slot === this.#paramsOf.length) this.#paramsOf.push(p);
    else this.#paramsOf[slot] = p;
    this.#paramsList = null;
    this.#slots = Math.max(this.#slots, slot + 1);
    ++this.#live;
    this.#rewarm(slot, 0);
    return slot;
  }

  // The slot of a series: its symbol in a book with symbols, else its slot.
  #slotOf(key, what) {
    if (this.#index !== null) {
      const slot = typeof key === 'string' ? this.#index.get(key) : undefined;
      if (slot === undefined) {
        throw new RangeError(`${what}: ${typeof key === 'string' ? `unknown symbol ${JSON.stringify(key)}` : `a symbol must be a string, got ${describe(key)}`}` +
          ' (add it first with add(symbol, params))');
      }
      return slot;
    }
    if (!Number.isInteger(key) || key < 0 || key >= this.#slots || this.#paramsOf[key] === null) {
      const free = Number.isInteger(key) && key >= 0 && key < this.#slots;
      throw new RangeError(`${what}: lane must be an integer from 0 to ${this.#slots - 1}, got ${describe(key)}` +
        (free ? ', the slot of a removed series' : '') + ' (this book has no symbols: its series are named by their slots)');
    }
    return key;
  }

  // A buffer of `n` words kept between calls, so that a live loop
  // allocates nothing in the module.
  #buffer(n) {
    if (n > this.#ioValues) {
      if (this.#io !== 0) this.#wasm.free(this.#io);
      this.#io = this.#cell.io = this.#ioValues = 0;
      this.#io = this.#cell.io = this.#wasm.malloc(4 * Math.max(n, 16));
      this.#ioValues = Math.max(n, 16);
      this.#view = null;
    }
    return this.#io;
  }

  // The module's memory from `io`, n floats: the same view while the
  // memory has not grown.
  #viewOf(io, n) {
    const wasm = this.#wasm;
    const view = this.#view;
    if (view !== null && typedBuffer.call(view) === wasm.buffer && typedLength.call(view) === n &&
      view.byteOffset === io) return view;
    return (this.#view = wasm.f32.subarray(io >>> 2, (io >>> 2) + n));
  }

  // NaN where a series of row `row` (at `io` in the module, outputs in
  // place) had not settled, and its samples counted down where it took one.
  #blankRow(values, row, io, taking) {
    const lanes = this.#slots;
    const f32 = this.#wasm.f32;
    const warm = this.#warm;
    const dropping = this.#missing === 'drop';
    const first = row * lanes;
    for (let s = 0; s < lanes; ++s) {
      if (warm[s] === 0) continue;
      f32[(io >>> 2) + first + s] = NaN;
      if (taking && !(dropping && isGap(values[first + s])) && --warm[s] === 0) --this.#warming;
    }
  }

  // Checks an output array for `n` values; the library writes nothing
  // before this holds.
  #checkOutput(output, n, what) {
    const kind = typedKind(output);
    if (kind !== 'Float32Array' && kind !== 'Float64Array') {
      throw new TypeError(`${what}: output must be a Float32Array of ${n} values, got ${describe(output)} (a Float64Array is taken too)`);
    }
    if (typedLength.call(output) !== n || !ordinaryBuffer(output)) {
      // Detached first: a detached array's length reads as 0.
      checkBuffer(output, `${what}: output`);
      throw new TypeError(`${what}: output must be a Float32Array of ${n} values, got one of ${typedLength.call(output)}`);
    }
  }

  // Dense rows of `values` (a Float32Array or Float64Array, the caller's
  // or ours), copied once into the module, advanced in place there and
  // copied once into the output.
  #dense(values, output, peeking) {
    const what = `${this.#kind} lanes ${peeking ? 'peek' : 'update'}`;
    const n = typedLength.call(values);
    if (n === 0 || !ordinaryBuffer(values)) checkBuffer(values, what);
    checkLength(n, what);
    const lanes = this.#slots;
    if (peeking ? n !== lanes : (lanes === 0 ? n !== 0 : n % lanes !== 0)) {
      throw new RangeError(peeking ? `${what}: ${n} values for ${lanes} lanes` : `${what}: ${n} values are not whole rows of ${lanes} lanes`);
    }
    if (output !== undefined) this.#checkOutput(output, n, what);
    const at = this.#state();
    const rows = lanes === 0 ? 0 : n / lanes;
    // Nothing is fed unless every row can be: a later row's gap would
    // otherwise be refused after the earlier rows had been fed.
    if (this.#missing === 'error' && rows > 1) this.#refuseGaps(values, 0, rows, what);
    const out = output ?? new Float32Array(n);
    if (n === 0) return out;
    const wasm = this.#wasm;
    const io = this.#buffer(n);
    wasm.views();
    typedSet.call(wasm.f32, values, io >>> 2);
    const exports = wasm.exports;
    for (let r = 0; r < rows; ++r) {
      const row = io + 4 * r * lanes;
      const code = peeking ? exports.tsf_book_peek(at, row, row) : exports.tsf_book_update(at, row, row);
      if (code < 0) {
        if (code === TSF_E_MISSING) this.#refuseGaps(values, r, r + 1, what);
        check(code);
      }
      if (this.#warming > 0) this.#blankRow(values, r, io, !peeking);
    }
    typedSet.call(out, this.#viewOf(io, n));
    return out;
  }

  // The first gap of a live series in rows [from, to), refused.
  #refuseGaps(values, from, to, what) {
    const lanes = this.#slots;
    for (let i = from * lanes; i < to * lanes; ++i) {
      if (isGap(values[i]) && this.#paramsOf[i % lanes] !== null) {
        const row = Math.floor(i / lanes);
        throw gapError(what, values[i], `in lane ${i % lanes}${this.#names ? ` (${JSON.stringify(this.#names[i % lanes])})` : ''} of row ${row}`);
      }
    }
  }

  // A Map row: the series it names, each once, fed (or peeked) alone; the
  // others do not change. Outputs go into a Map under the same keys, or
  // into a typed array in the row's order (no Map to fill: quicker).
  #sparse(row, output, peeking) {
    const what = `${this.#kind} lanes ${peeking ? 'peek' : 'update'}`;
    const k = mapSize.call(row);
    const intoMap = output === undefined || isMap(output);
    if (!intoMap) this.#checkOutput(output, k, `${what} of a Map row (a Map, or a typed array in the row's order)`);
    const keys = new Array(k);
    const slots = new Int32Array(k);
    const values = new Float32Array(k);
    let j = 0;
    let refused = null;
    const index = this.#index;
    const strict = this.#missing === 'error';
    mapForEach.call(row, (value, key) => {
      const slot = (index !== null ? index.get(key) : undefined) ?? this.#slotOf(key, what);
      let v = value;
      if (typeof value !== 'number') {
        if (value !== null && value !== undefined) {
          throw new TypeError(`${what}: the value of ${describe(key)} is ${describe(value)}, not a number (null and undefined are missing values)`);
        }
        v = NaN; // no value: a missing one
      }
      if (strict && refused === null && isGap(v)) refused = [key, v];
      keys[j] = key;
      slots[j] = slot;
      values[j++] = v;
    });
    if (refused !== null) throw gapError(what, refused[1], `for ${typeof refused[0] === 'string' ? JSON.stringify(refused[0]) : `lane ${refused[0]}`}`);
    const at = this.#state();
    const result = output ?? new Map();
    if (k === 0) return result;
    const wasm = this.#wasm;
    const io = this.#buffer(2 * k); // the slots, then the values and, in place, the outputs
    const valuesAt = io + 4 * k;
    wasm.views();
    new Int32Array(wasm.buffer, io, k).set(slots);
    wasm.f32.set(values, valuesAt >>> 2);
    const exports = wasm.exports;
    check(peeking ? exports.tsf_book_peek_sparse(at, io, valuesAt, k, valuesAt)
      : exports.tsf_book_update_sparse(at, io, valuesAt, k, valuesAt));
    wasm.views();
    const f32 = wasm.f32;
    const warm = this.#warm;
    for (let i = 0; i < k; ++i) {
      const s = slots[i];
      if (warm[s] === 0) continue;
      f32[(valuesAt >>> 2) + i] = NaN;
      if (!peeking && !(this.#missing === 'drop' && isGap(values[i])) && --warm[s] === 0) --this.#warming;
    }
    if (!intoMap) {
      typedSet.call(result, f32.subarray(valuesAt >>> 2, (valuesAt >>> 2) + k));
      return result;
    }
    for (let i = 0; i < k; ++i) mapSet.call(result, keys[i], f32[(valuesAt >>> 2) + i]);
    return result;
  }

  // A row as the caller gave it: a Float32Array or Float64Array as it is,
  // an array read into one of ours, a Map as a sparse row.
  #rows(values, output, peeking) {
    const kind = typedKind(values);
    if (kind === 'Float32Array' || kind === 'Float64Array') return this.#dense(values, output, peeking);
    if (!isArray(values) && isMap(values)) return this.#sparse(values, output, peeking);
    const what = `${this.#kind} lanes ${peeking ? 'peek' : 'update'}`;
    if (!isArray(values)) {
      throw new TypeError(`${what}: expected a Float32Array, a Float64Array, an array of numbers or a Map of symbols to numbers, got ${describe(values)}`);
    }
    return this.#dense(readValues(values, what), output, peeking);
  }

  /**
   * Consumes one row (one value per lane) or several rows one after
   * another (row-major, length a multiple of `lanes`) and returns the
   * outputs in the same layout, into `output` when one is given (then
   * nothing is allocated). A Map row (symbol, or slot, to value) feeds the
   * series it names and returns their outputs in a Map (into `output`
   * when one is given).
   */
  update(values, output) {
    return this.#rows(values, output, false);
  }

  /** Each series' output if its next sample were in `row` (dense or a Map); nothing changes. */
  peek(row, output) {
    return this.#rows(row, output, true);
  }

  /**
   * Adds a series with no samples and returns its slot: add(symbol,
   * params) in a book with symbols, add(params) in one without. A removed
   * series' slot is taken again before the row grows.
   */
  add(symbol, params) {
    const what = `${this.#kind} lanes add`;
    if (this.#index !== null) {
      checkSymbol(symbol, what);
      if (this.#index.has(symbol)) throw new RangeError(`${what}: ${JSON.stringify(symbol)} is in the book already`);
    } else {
      if (typeof symbol === 'string') {
        throw new TypeError(`${what}: this book has no symbols (make it with { symbols }); add(params) returns the new series' slot`);
      }
      params = symbol;
    }
    const p = Object.freeze(parametersOf(this.#filter, params, what));
    this.#state();
    const slot = this.#addSeries(p);
    if (this.#index !== null) {
      if (slot === this.#names.length) this.#names.push(symbol);
      else this.#names[slot] = symbol;
      this.#index.set(symbol, slot);
      this.#symbolsList = null;
    }
    return slot;
  }

  /** Removes a series (by symbol, or slot in a book without symbols); no other series moves. */
  remove(key) {
    const slot = this.#slotOf(key, `${this.#kind} lanes remove`);
    check(this.#wasm.exports.tsf_book_remove(this.#state(), slot));
    this.#paramsOf[slot] = null;
    this.#paramsList = null;
    this.#rewarm(slot, 0);
    --this.#live;
    if (this.#index !== null) {
      this.#index.delete(key);
      this.#names[slot] = null;
      this.#symbolsList = null;
    }
  }

  /** The samples a series (by symbol, or slot) has consumed: under 'drop', only those it took. */
  samplesOf(key) {
    const slot = this.#slotOf(key, `${this.#kind} lanes samplesOf`);
    return Number(check(this.#wasm.exports.tsf_book_samples(this.#state(), slot)));
  }

  /** The samples of the first series in the book (of lane 0 while it is there); samplesOf counts any series. */
  get samples() {
    const at = this.#state();
    const first = this.#paramsOf.findIndex((p) => p !== null);
    return first < 0 ? 0 : Number(check(this.#wasm.exports.tsf_book_samples(at, first)));
  }

  /** Every series (or the one named) back to no samples, with its parameters. */
  reset(key) {
    const at = this.#state();
    const slots = key === undefined ? this.#paramsOf.keys() : [this.#slotOf(key, `${this.#kind} lanes reset`)];
    for (const s of slots) {
      if (this.#paramsOf[s] === null) continue;
      check(this.#wasm.exports.tsf_book_reset(at, s));
      this.#rewarm(s, 0);
    }
  }

  /**
   * save(): the whole book, its missing policy, symbols and warm-up
   * included; Streams.load continues it, here or on any platform (the
   * library's tsf_book_load takes the book's bytes). save(symbol or
   * slot): that series' state alone, which Stream.load continues.
   */
  save(key) {
    const at = this.#state();
    const wasm = this.#wasm;
    if (key !== undefined) {
      const slot = this.#slotOf(key, `${this.#kind} lanes save`);
      const stream = wasm.malloc(STREAM_BYTES);
      try {
        check(wasm.exports.tsf_book_get(at, slot, stream));
        return saveFrom(wasm, stream);
      } finally {
        wasm.free(stream);
      }
    }
    const size = Number(check(wasm.exports.tsf_book_save(at, 0, 0n)));
    const buffer = wasm.malloc(size);
    let book;
    try {
      check(wasm.exports.tsf_book_save(at, buffer, BigInt(size)));
      wasm.views();
      book = wasm.u8.slice(buffer, buffer + size);
    } finally {
      wasm.free(buffer);
    }
    // A plain book is the library's bytes alone.
    if (this.#names === null && this.#warmup === 'keep') return book;
    const options = encodeOptions(this.#warmup, this.#names);
    const all = new Uint8Array(size + options.length);
    all.set(book);
    all.set(options, size);
    return all;
  }

  /**
   * A book from saved bytes: Streams.save of this package or tsf_book_save
   * of the library, from any platform. `options` may give the warm-up
   * and symbols (one per slot, null at a free slot) anew; the missing
   * policy is the saved book's.
   */
  static load(bytes, options) {
    const what = 'Streams.load';
    const read = readSaved(bytes, what);
    const { givenMissing, givenWarmup } = streamOptions(options, what);
    const symbols = symbolsOf(options, what, true);
    // The book's own size is at its offset 8; an options record may follow.
    let size = read.length;
    if (size >= 16) {
      const told = new DataView(read.buffer).getBigUint64(8, true);
      if (told < BigInt(size)) size = Number(told);
    }
    const wasm = instance();
    const copy = wasm.malloc(Math.max(size, 1));
    let at = 0;
    let info;
    try {
      wasm.views();
      wasm.u8.set(read.subarray(0, size), copy);
      const infoAt = infoArea(wasm);
      check(wasm.exports.tsf_book_saved_info(copy, BigInt(size), infoAt));
      info = readInfo(wasm, infoAt);
      const capacity = Math.max(info.slots, 1);
      const bookBytes = Number(check(wasm.exports.tsf_book_bytes(info.kind, capacity)));
      at = wasm.malloc(bookBytes);
      const code = wasm.exports.tsf_book_load(at, BigInt(bookBytes), capacity, copy, BigInt(size));
      if (code < 0) {
        wasm.free(at);
        at = 0;
        check(code);
      }
      info.capacity = capacity;
    } finally {
      wasm.free(copy);
    }
    try {
      const live = [];
      for (let s = 0; s < info.slots; ++s) live.push(wasm.exports.tsf_book_samples(at, s) >= 0n);
      const saved = size < read.length ? decodeOptions(read.subarray(size), live, what)
        : { warmup: 'keep', names: null };
      const missing = MISSING[info.missing];
      if (givenMissing !== undefined && givenMissing !== missing) {
        throw new TypeError(`${what}: the saved book's missing policy is '${missing}', and a book keeps its policy; ` +
          `got missing '${givenMissing}'`);
      }
      let names = saved.names;
      if (symbols !== null) {
        if (symbols.length !== info.slots || symbols.some((s, slot) => (s !== null) !== live[slot])) {
          throw new RangeError(`${what}: symbols must name each of the saved book's ${info.slots} slots that holds a series, ` +
            'and give null for each free one');
        }
        names = symbols;
      }
      const filter = filters[info.kind - 1];
      return new Streams(adopting, {
        wasm, filter, at, capacity: info.capacity, missing, warmup: givenWarmup ?? saved.warmup, names,
      });
    } catch (error) {
      wasm.free(at);
      throw error;
    }
  }

  /** Frees the book in the module's memory. Safe to call twice. */
  free() {
    if (this.#at === 0) return;
    leftBehind.unregister(this);
    this.#wasm.free(this.#at);
    if (this.#io !== 0) this.#wasm.free(this.#io);
    this.#at = this.#io = 0;
    this.#ioValues = 0;
    this.#view = null;
  }

  [dispose]() {
    this.free();
  }
}

// ---- settling and precision -------------------------------------------------

// Whether a filter follows a level (a smoother: gain 1 at zero frequency)
// rather than removing it, measured at its defaults on a unit step.
const follows = new Map();
function followsItsInput(filter) {
  if (!follows.has(filter.name)) {
    const step = new Float32Array(4096).fill(1, filter.warmup);
    const out = runRead(filter, step, parametersOf(filter, undefined, filter.name));
    follows.set(filter.name, Math.abs(out[out.length - 1] - 1) < 0.5);
  }
  return follows.get(filter.name);
}

// The settling length, measured on the library exactly as the Python
// package's tsfilters.settling.settling_length measures it (the same
// steps, the same double arithmetic on the same float32 outputs), so that
// both give the same numbers: the samples, from the first, until the
// response to a unit step given after the warm-up stays within 1% of its
// final value (1% of its largest swing); null when it never settles on the
// right level (1 for a smoother, 0 for a filter that removes the level).
function measureSettling(filter, p, tolerance = 0.01) {
  for (let count = 1024; count <= 1 << 22; count *= 4) {
    const step = new Float32Array(count).fill(1, filter.warmup);
    const response = runRead(filter, step, p).subarray(filter.firstWritten);
    if (response.length === 0 || !response.every(Number.isFinite)) return null;
    const final = response[response.length - 1];
    const swing = Float64Array.from(response, (v) => Math.abs(v - final));
    let largest = 0;
    for (const v of swing) largest = Math.max(largest, v);
    const level = followsItsInput(filter) ? 1 : 0;
    if (Math.abs(final - level) > tolerance * Math.max(largest, level)) {
      let late = 0;
      for (let i = Math.floor(count / 2); i < swing.length; ++i) late = Math.max(late, swing[i]);
      if (late <= tolerance * largest) return null; // settled, on the wrong level
      continue;
    }
    if (largest === 0) return filter.firstWritten;
    let outside = swing.length - 1;
    while (!(swing[outside] > tolerance * largest)) --outside;
    const last = outside + filter.firstWritten;
    if (last < Math.floor(count / 2)) return last + 1; // settled well before the end
  }
  return null;
}

const settled = new Map();

/**
 * How many samples filter `kind` needs, with `params` (its defaults for any
 * left out), before its output is reliable; null when it never settles.
 * The lengths `warmup: 'nan'` blanks, the same as the Python package's.
 */
export function settlingLength(kind, params) {
  const filter = filterNamed(kind);
  const p = parametersOf(filter, params, `${filter.name} settlingLength`);
  const key = `${filter.name} ${JSON.stringify(p)}`;
  if (!settled.has(key)) settled.set(key, measureSettling(filter, p));
  return settled.get(key);
}

/**
 * The longest period at which filter `kind` follows a price in single
 * precision: a step from 50 to 70, held for 10 periods, ends within 0.1% of
 * 70. Beyond it the output can freeze off the price. null for a filter that
 * removes the level and has no such limit. Nothing warns at run time: check
 * a period against this where it is chosen.
 */
export function precisionLimit(kind) {
  return filterNamed(kind).precisionLimit || null;
}

/** The instruction set the lanes run on in this module: 'simd128' or 'scalar'. */
export function simdTarget() {
  const wasm = instance();
  return wasm.string(wasm.exports.tsf_simd_target());
}
